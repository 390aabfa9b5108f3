# Cross-compiling hxMonitor.exe for 32-bit Windows with mingw-w64 (win32 threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_hx_triple i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_hx_triple}-gcc-win32 ${_hx_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_hx_triple}-g++-win32 ${_hx_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_hx_triple}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${_hx_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the Windows test programs under Wine.
get_filename_component(_hx_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_hx_root}/scripts/wine-run.sh)
