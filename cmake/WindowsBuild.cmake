# The real product: a 32- or 64-bit Windows GUI program that needs only the
# platform's own DLLs, and its tests, which ctest runs under Wine.

enable_language(RC)

# ---------------------------------------------------------------- hxMonitor.exe

# FILEVERSION 1,0,1231,0 reads "1.00.1231.0": the minor number has two digits.
set(HX_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(HX_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(HX_VERSION_BUILD ${PROJECT_VERSION_PATCH})
set(HX_VERSION_REVISION 0)
if(HX_VERSION_MINOR LESS 10)
  set(HX_VERSION_MINOR_TEXT "0${HX_VERSION_MINOR}")
else()
  set(HX_VERSION_MINOR_TEXT "${HX_VERSION_MINOR}")
endif()
set(HX_VERSION_TEXT
  "${HX_VERSION_MAJOR}.${HX_VERSION_MINOR_TEXT}.${HX_VERSION_BUILD}.${HX_VERSION_REVISION}")
configure_file(${CMAKE_SOURCE_DIR}/res/version.rc.in ${CMAKE_BINARY_DIR}/res/version.rc @ONLY)

add_executable(hxMonitor WIN32
  ${HX_PRODUCT_SOURCES}
  ${CMAKE_SOURCE_DIR}/shell/entry.c
  ${CMAKE_SOURCE_DIR}/res/hxMonitor.rc
)
# windres reads these files itself; a change to them must rebuild the resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/hxMonitor.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/hxMonitor.ico;${CMAKE_SOURCE_DIR}/res/hxMonitor.manifest")
# windres also looks for the icon and manifest files along the include path.
target_include_directories(hxMonitor PRIVATE
  ${HX_PRODUCT_INCLUDES}
  ${CMAKE_SOURCE_DIR}/res
  ${CMAKE_BINARY_DIR}/res
)
target_compile_options(hxMonitor PRIVATE
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror -Os>)
# Only platform DLLs at run time: no C runtime start-up or DLL, our own entry.
# i686 names C symbols with a leading underscore. ASLR (with the relocations
# it needs) and DEP are asked for by name, not left to the linker's defaults.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_hx_entry _MonitorEntry)
  set(_hx_security -Wl,--dynamicbase,--nxcompat)
  # DWARF unwind tables serve a runtime the exe does not have; x64 keeps its
  # unwind data, which Windows itself walks.
  target_compile_options(hxMonitor PRIVATE $<$<COMPILE_LANGUAGE:C>:-fno-asynchronous-unwind-tables>)
else()
  set(_hx_entry MonitorEntry)
  set(_hx_security -Wl,--dynamicbase,--nxcompat,--high-entropy-va)
endif()
target_link_options(hxMonitor PRIVATE
  -nostdlib -nostartfiles -Wl,-e,${_hx_entry} ${_hx_security} -s)
target_link_libraries(hxMonitor PRIVATE user32 kernel32 advapi32 setupapi)
set_target_properties(hxMonitor PROPERTIES LINKER_LANGUAGE C)

# The exe's import table, checked from the file itself (no Wine needed).
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/exe-imports.cmake)
  include(${CMAKE_SOURCE_DIR}/bench/exe-imports.cmake)
endif()

# The installer of this architecture (target "installer").
include(${CMAKE_SOURCE_DIR}/installer/installer.cmake)

# ---------------------------------------------------------------- tests

include(${CMAKE_CURRENT_LIST_DIR}/WindowsGTest.cmake)

# Test programs carry their C++ runtime inside, so Wine needs no mingw DLLs.
# Set inside a function so the flag reaches the test directories only.
function(hx_add_windows_tests)
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
  if(HX_HAVE_GTEST)
    add_subdirectory(tests/conformance)
    if(EXISTS ${CMAKE_SOURCE_DIR}/tests/windows/CMakeLists.txt)
      add_subdirectory(tests/windows)
    endif()
  endif()
  # These drive the real exe under Wine, so they belong to cross builds.
  if(CMAKE_CROSSCOMPILING)
    if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
      add_subdirectory(tests/wine)
    endif()
    if(NOT TARGET closemon)
      add_subdirectory(tests/wine/blackbox)
    endif()
    if(EXISTS ${CMAKE_SOURCE_DIR}/bench/wine/CMakeLists.txt)
      add_subdirectory(bench/wine)
    endif()
  endif()
endfunction()
hx_add_windows_tests()
