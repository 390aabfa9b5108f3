# The real product: a 32- or 64-bit Windows GUI program that needs only the
# platform's own DLLs, its companion and installer, and its tests, which
# ctest runs under Wine.

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

# hx_no_c_runtime(TARGET ENTRY): a program of ours that, like the product,
# needs only platform DLLs at run time: no C runtime start-up or DLL, its own
# entry ENTRY (i686 names C symbols with a leading underscore), the product
# linked in. ASLR (with the relocations it needs) and DEP are asked for by
# name, not left to the linker's defaults.
function(hx_no_c_runtime target entry)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C>:-Os>)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # DWARF unwind tables serve a runtime the program does not have; x64
    # keeps its unwind data, which Windows itself walks.
    target_compile_options(${target} PRIVATE
      $<$<COMPILE_LANGUAGE:C>:-fno-asynchronous-unwind-tables>)
    target_link_options(${target} PRIVATE -Wl,-e,_${entry} -Wl,--dynamicbase,--nxcompat)
  else()
    target_link_options(${target} PRIVATE
      -Wl,-e,${entry} -Wl,--dynamicbase,--nxcompat,--high-entropy-va)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -s)
  target_link_libraries(${target} PRIVATE hxmonitor_core)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
endfunction()

# The product's code as small as it goes, in the exe and in hxmonctl alike.
target_compile_options(hxmonitor_core PRIVATE -Os)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(hxmonitor_core PRIVATE -fno-asynchronous-unwind-tables)
endif()
target_link_libraries(hxmonitor_core PUBLIC user32 kernel32 advapi32 setupapi)

add_executable(hxMonitor WIN32
  ${CMAKE_SOURCE_DIR}/shell/entry.c
  ${CMAKE_SOURCE_DIR}/res/hxMonitor.rc
)
# windres reads these files itself; a change to them must rebuild the resources.
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/hxMonitor.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/hxMonitor.ico;${CMAKE_SOURCE_DIR}/res/hxMonitor.manifest")
# windres also looks for the icon and manifest files along the include path.
target_include_directories(hxMonitor PRIVATE
  ${CMAKE_SOURCE_DIR}/res
  ${CMAKE_BINARY_DIR}/res
)
hx_no_c_runtime(hxMonitor MonitorEntry)

# The exe's import table, checked from the file itself (no Wine needed).
include(${CMAKE_SOURCE_DIR}/bench/exe-imports.cmake)

# The companion, then the installer of this architecture (target
# "installer"), which ships both.
add_subdirectory(ctl)
add_subdirectory(settings)
include(${CMAKE_SOURCE_DIR}/installer/installer.cmake)

# ---------------------------------------------------------------- tests

# Test programs carry their C++ runtime inside, so Wine needs no mingw DLLs.
# Set inside a function so the flag reaches the test directories only.
function(hx_add_windows_tests)
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
  if(HX_HAVE_GTEST)
    add_subdirectory(tests/conformance)
    add_subdirectory(tests/windows)
  endif()
  # These drive the real exe under Wine, so they belong to cross builds. Their
  # scripts find the build's prefixes beside it and run Wine of its
  # architecture (see the toolchain file).
  if(CMAKE_CROSSCOMPILING)
    get_filename_component(_hx_build_root ${CMAKE_BINARY_DIR} DIRECTORY)
    set(HX_WINE_TEST_ENV ${CMAKE_COMMAND} -E env HX_DEFAULT_BUILD_ROOT=${_hx_build_root}
      HX_WINE_ARCH=${HX_WINE_ARCH})
    add_subdirectory(tests/wine)
    add_subdirectory(tests/wine/blackbox)
    add_subdirectory(bench/wine)
  endif()
endfunction()
hx_add_windows_tests()
