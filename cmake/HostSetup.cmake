# Host builds: sanitizers for everything, and GoogleTest built from source so
# that it has them too.

set(HX_SANITIZE "" CACHE STRING "Sanitizers for host code, e.g. address,undefined or thread")
if(HX_SANITIZE)
  add_compile_options(-fsanitize=${HX_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${HX_SANITIZE})
  if(HX_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

find_package(Threads REQUIRED)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
