# Cross-compiling hxMonitor.exe for 64-bit Windows with mingw-w64 (win32 threads).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_hx_triple x86_64-w64-mingw32)
set(_hx_wine_arch x64)
set(_hx_wine_runner wine-run-x64.sh)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
