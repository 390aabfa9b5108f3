# The installer of this tree's architecture, made with NSIS from
# installer/hxMonitor.nsi: hxMonitor-<version>-setup-<x86|x64>.exe beside
# hxMonitor.exe (target "installer"). The version is the exe's own
# (HX_VERSION_TEXT). The Windows build includes this after it defines the
# hxMonitor target.

find_program(HX_MAKENSIS makensis)
if(NOT HX_MAKENSIS)
  message(STATUS "makensis not found (Debian package nsis): no installer target")
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(HX_PACKAGE_ARCH x64)
else()
  set(HX_PACKAGE_ARCH x86)
endif()
set(_hx_nsi ${CMAKE_CURRENT_LIST_DIR}/hxMonitor.nsi)

# hx_add_installer(TARGET OUTFILE ARCH VERSION EXE [ALL] [DEFINES NAME...]):
# a package for ARCH (x86 or x64) from the installer script, for VERSION,
# carrying EXE as hxMonitor.exe (a target's file or any file that a target
# makes). DEFINES are the script's test-only switches (HX_TEST_...).
function(hx_add_installer target outfile arch version exe)
  cmake_parse_arguments(PARSE_ARGV 5 _hx "ALL" "" "DEFINES")
  set(_hx_defines
    -DHX_ARCH=${arch} -DHX_VERSION=${version} -DHX_EXE=${exe}
    -DHX_ICON=${CMAKE_SOURCE_DIR}/res/hxMonitor.ico -DHX_OUTFILE=${outfile})
  foreach(_hx_define ${_hx_DEFINES})
    list(APPEND _hx_defines -D${_hx_define})
  endforeach()
  # The control tool and the settings window ship beside the monitor once the
  # build has them; their targets may be defined after this file, so they are
  # looked for when the build is generated (and made dependencies at the end
  # of configuring).
  set(_hx_ctl $<TARGET_EXISTS:hxmonctl>)
  set(_hx_settings $<TARGET_EXISTS:hxMonitorSettings>)
  list(APPEND _hx_defines $<${_hx_ctl}:-DHX_CTL_EXE=$<TARGET_FILE:hxmonctl>>
    $<${_hx_settings}:-DHX_SETTINGS_EXE=$<TARGET_FILE:hxMonitorSettings>>)
  set(_hx_depends ${_hx_nsi} ${CMAKE_SOURCE_DIR}/res/hxMonitor.ico
    $<${_hx_ctl}:$<TARGET_FILE:hxmonctl>>
    $<${_hx_settings}:$<TARGET_FILE:hxMonitorSettings>>)
  get_filename_component(_hx_outdir ${outfile} DIRECTORY)
  add_custom_command(OUTPUT ${outfile}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_hx_outdir}
    COMMAND ${HX_MAKENSIS} -V2 ${_hx_defines} ${_hx_nsi}
    DEPENDS ${_hx_depends} ${exe}
    COMMENT "Packaging ${outfile}"
    VERBATIM COMMAND_EXPAND_LISTS)
  if(_hx_ALL)
    add_custom_target(${target} ALL DEPENDS ${outfile})
  else()
    add_custom_target(${target} DEPENDS ${outfile})
  endif()
  set_property(GLOBAL APPEND PROPERTY HX_INSTALLER_TARGETS ${target})
endfunction()

function(_hx_installers_take_hxmonctl)
  get_property(_hx_targets GLOBAL PROPERTY HX_INSTALLER_TARGETS)
  foreach(_hx_companion hxmonctl hxMonitorSettings)
    if(TARGET ${_hx_companion})
      foreach(_hx_target ${_hx_targets})
        add_dependencies(${_hx_target} ${_hx_companion})
      endforeach()
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _hx_installers_take_hxmonctl)

set(HX_INSTALLER
  ${CMAKE_BINARY_DIR}/hxMonitor-${HX_VERSION_TEXT}-setup-${HX_PACKAGE_ARCH}.exe)
hx_add_installer(installer ${HX_INSTALLER} ${HX_PACKAGE_ARCH} ${HX_VERSION_TEXT}
  $<TARGET_FILE:hxMonitor> ALL)
add_dependencies(installer hxMonitor)
