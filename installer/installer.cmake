# The installer of this tree's architecture, made with NSIS from
# installer/hxMonitor.nsi: hxMonitor-<version>-setup-<x86|x64>.exe beside
# hxMonitor.exe (target "installer"). The version is the exe's own
# (HX_VERSION_TEXT). The Windows build includes this after it defines the
# hxMonitor and hxmonctl targets.

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
# makes) and the control tool and settings window beside it. The control
# tool also closes a running monitor for the installer and the uninstaller.
# DEFINES are the script's test-only switches (HX_TEST_...).
function(hx_add_installer target outfile arch version exe)
  cmake_parse_arguments(PARSE_ARGV 5 _hx "ALL" "" "DEFINES")
  set(_hx_defines
    -DHX_ARCH=${arch} -DHX_VERSION=${version} -DHX_EXE=${exe}
    -DHX_CTL_EXE=$<TARGET_FILE:hxmonctl>
    -DHX_SETTINGS_EXE=$<TARGET_FILE:hxMonitorSettings>
    -DHX_ICON=${CMAKE_SOURCE_DIR}/settings/hxMonitorSettings.ico -DHX_OUTFILE=${outfile})
  foreach(_hx_define ${_hx_DEFINES})
    list(APPEND _hx_defines -D${_hx_define})
  endforeach()
  get_filename_component(_hx_outdir ${outfile} DIRECTORY)
  add_custom_command(OUTPUT ${outfile}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_hx_outdir}
    COMMAND ${HX_MAKENSIS} -V2 ${_hx_defines} ${_hx_nsi}
    DEPENDS ${_hx_nsi} ${CMAKE_SOURCE_DIR}/settings/hxMonitorSettings.ico $<TARGET_FILE:hxmonctl>
      $<TARGET_FILE:hxMonitorSettings> ${exe}
    COMMENT "Packaging ${outfile}"
    VERBATIM)
  if(_hx_ALL)
    add_custom_target(${target} ALL DEPENDS ${outfile})
  else()
    add_custom_target(${target} DEPENDS ${outfile})
  endif()
  add_dependencies(${target} hxmonctl hxMonitorSettings)
endfunction()

set(HX_INSTALLER
  ${CMAKE_BINARY_DIR}/hxMonitor-${HX_VERSION_TEXT}-setup-${HX_PACKAGE_ARCH}.exe)
hx_add_installer(installer ${HX_INSTALLER} ${HX_PACKAGE_ARCH} ${HX_VERSION_TEXT}
  $<TARGET_FILE:hxMonitor> ALL)
add_dependencies(installer hxMonitor)
