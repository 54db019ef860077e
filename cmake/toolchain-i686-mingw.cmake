# Cross build for 32-bit Windows with the MinGW-w64 toolchain (i686-w64-mingw32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORNIX_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
