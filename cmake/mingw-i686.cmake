# Cross-compiles zeb_c.exe for 32-bit Windows with Debian's MinGW-w64 packages
# (g++-mingw-w64-i686-posix, libz-mingw-w64-dev): the program that ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZEB_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
