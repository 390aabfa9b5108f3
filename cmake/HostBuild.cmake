# Host build: the product sources, unchanged, against the substitute platform.

set(HX_SANITIZE "" CACHE STRING "Sanitizers for host code, e.g. address,undefined or thread")
if(HX_SANITIZE)
  add_compile_options(-fsanitize=${HX_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${HX_SANITIZE})
  if(HX_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

find_package(Threads REQUIRED)

# GoogleTest from source, so that it is built with the same sanitizers.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB HX_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/src/*.cpp)
add_library(hxplatform STATIC ${HX_PLATFORM_SOURCES})
target_include_directories(hxplatform PUBLIC ${CMAKE_SOURCE_DIR}/platform/include)
target_include_directories(hxplatform PRIVATE ${CMAKE_SOURCE_DIR}/platform/src)
target_compile_options(hxplatform PRIVATE -Wall -Wextra)
target_link_libraries(hxplatform PUBLIC Threads::Threads)

# The product, exactly the sources the Windows build compiles into the exe.
add_library(hxmonitor_core STATIC ${HX_PRODUCT_SOURCES})
target_include_directories(hxmonitor_core PUBLIC ${HX_PRODUCT_INCLUDES})
target_compile_options(hxmonitor_core PRIVATE -Wall -Wextra -Werror)
target_link_libraries(hxmonitor_core PUBLIC hxplatform)

add_subdirectory(tests/host)
add_subdirectory(tests/scripts)
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/conformance/CMakeLists.txt)
  add_subdirectory(tests/conformance)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/CMakeLists.txt)
  add_subdirectory(fuzz)
endif()
