# Cross-compiling hxMonitor.exe for 32-bit Windows with mingw-w64 (win32 threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_hx_triple i686-w64-mingw32)
set(_hx_wine_arch x86)
set(_hx_wine_runner wine-run.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
