# Shared by the mingw-w64 toolchain files: they set _hx_triple,
# _hx_wine_arch (x86 or x64) and _hx_wine_runner and include this.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${_hx_triple}-gcc-win32 ${_hx_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_hx_triple}-g++-win32 ${_hx_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_hx_triple}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${_hx_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the Windows test programs under Wine of the same architecture.
get_filename_component(_hx_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(HX_WINE_ARCH ${_hx_wine_arch})
set(CMAKE_CROSSCOMPILING_EMULATOR ${_hx_root}/scripts/${_hx_wine_runner})
