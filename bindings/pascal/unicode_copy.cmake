# Copies a Pascal source into Free Pascal's mode for Delphi 2009 and later, where
# string is UnicodeString.   cmake -DSOURCE=... -DCOPY=... -P unicode_copy.cmake
file(READ ${SOURCE} text)
string(REPLACE "{$MODE DELPHI}" "{$MODE DELPHIUNICODE}" unicode "${text}")
if(unicode STREQUAL text)
  message(FATAL_ERROR "${SOURCE} names no Delphi mode")
endif()
file(WRITE ${COPY} "${unicode}")
