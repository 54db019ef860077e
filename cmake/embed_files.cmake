# Turns files into a C++ source that holds their bytes, so that a program carries them
# inside itself and reads nothing from the disk at run time:
#   cmake -DOUT=<file.cpp> -DHEADER=<include> -DNAMESPACE=<ns> -DFILES=<a|b|...> -P embed_files.cmake
# The source defines `const EmbeddedFile kEmbeddedFiles[]` and `kEmbeddedFileCount`,
# named by each file's name without its folder, as HEADER declares them.
foreach(var OUT HEADER NAMESPACE FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_files.cmake: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" FILES "${FILES}")
set(body "")
set(table "")
set(n 0)
foreach(file IN LISTS FILES)
  get_filename_component(name "${file}" NAME)
  file(READ "${file}" hex HEX)
  # A zero byte after the file's own: no array is empty, and text ends as C text does.
  string(APPEND hex "00")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char file_${n}[] = {\n${bytes}};\n")
  string(APPEND table "    {\"${name}\", file_${n}, sizeof file_${n} - 1},\n")
  math(EXPR n "${n} + 1")
endforeach()

set(text "// Made by cmake/embed_files.cmake from the files it names: edit those, not this.\n")
string(APPEND text "#include \"${HEADER}\"\n\nnamespace ${NAMESPACE} {\n\nnamespace {\n${body}}  // namespace\n\n")
string(APPEND text "const EmbeddedFile kEmbeddedFiles[] = {\n${table}};\nconst size_t kEmbeddedFileCount = ${n};\n\n")
string(APPEND text "}  // namespace ${NAMESPACE}\n")
# Written only when it changed, so that nothing is rebuilt for nothing.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
