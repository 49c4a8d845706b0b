# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 packages
# (g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev); its tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
