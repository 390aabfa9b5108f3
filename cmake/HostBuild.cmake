# Host build: the product, unchanged, against the substitute platform, and
# everything that tests, measures or fuzzes it there.

file(GLOB HX_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/src/*.cpp)
add_library(hxplatform STATIC ${HX_PLATFORM_SOURCES})
target_include_directories(hxplatform PUBLIC ${CMAKE_SOURCE_DIR}/platform/include)
target_include_directories(hxplatform PRIVATE ${CMAKE_SOURCE_DIR}/platform/src)
target_link_libraries(hxplatform PUBLIC Threads::Threads)

target_link_libraries(hxmonitor_core PUBLIC hxplatform)

add_subdirectory(ctl)
add_subdirectory(settings)
add_subdirectory(tests/host)
add_subdirectory(tests/scripts)
add_subdirectory(tests/conformance)
add_subdirectory(bench)
add_subdirectory(fuzz)
