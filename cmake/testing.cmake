# GoogleTest for both builds: the system package natively, built from the Debian
# source package for the Windows cross build (Wine runs those tests).
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  # The MinGW win32 thread model has no std::mutex: GoogleTest's port header is
  # completed by the one in mingw-gtest/, which must be found before its own.
  target_include_directories(gtest BEFORE PUBLIC ${CMAKE_CURRENT_LIST_DIR}/mingw-gtest)
  target_include_directories(gtest_main BEFORE PUBLIC ${CMAKE_CURRENT_LIST_DIR}/mingw-gtest)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  find_package(benchmark QUIET)
endif()
include(GoogleTest)
