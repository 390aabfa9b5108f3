# File tests of hxMonitor.exe, which need no Wine: the import table (only the
# platform's own DLLs, nothing by ordinal, no function that writes the
# registry), then machine, resources and size. The Windows build includes
# this file after it defines the hxMonitor target.

if(CMAKE_OBJDUMP)
  set(_hx_objdump ${CMAKE_OBJDUMP})
else()
  set(_hx_objdump i686-w64-mingw32-objdump)
endif()
set(_hx_check ${CMAKE_CURRENT_LIST_DIR}/check-exe-imports.sh)

add_test(NAME exe_imports COMMAND bash ${_hx_check} $<TARGET_FILE:hxMonitor>)
set_tests_properties(exe_imports PROPERTIES
  ENVIRONMENT "HX_OBJDUMP=${_hx_objdump}" LABELS exe TIMEOUT 60)

# The check itself must reject what it is there to catch: listings laid out
# as objdump prints them, each with one forbidden import, rejected for it.
foreach(_hx_case
    "registry-writer|forbidden registry writer: ADVAPI32.dll RegSetValueExA"
    "key-creator|forbidden registry writer: ADVAPI32.dll RegCreateKeyExA"
    "foreign-dll|DLL outside the platform: libgcc_s_dw2-1.dll"
    "by-ordinal|import by ordinal"
    "c-runtime|DLL outside the platform: msvcrt.dll")
  string(REPLACE "|" ";" _hx_case "${_hx_case}")
  list(GET _hx_case 0 _hx_name)
  list(GET _hx_case 1 _hx_reason)
  add_test(NAME exe_imports_rejects_${_hx_name}
    COMMAND bash ${_hx_check} --listing ${CMAKE_CURRENT_LIST_DIR}/testdata/imports-${_hx_name}.txt)
  set_tests_properties(exe_imports_rejects_${_hx_name} PROPERTIES
    PASS_REGULAR_EXPRESSION "REJECTED: ${_hx_reason}" LABELS exe TIMEOUT 60)
endforeach()
add_test(NAME exe_imports_accepts_clean_listing
  COMMAND bash ${_hx_check} --listing ${CMAKE_CURRENT_LIST_DIR}/testdata/imports-clean.txt)
set_tests_properties(exe_imports_accepts_clean_listing PROPERTIES LABELS exe TIMEOUT 60)

# The manifest check of every exe (this one's here, hxmonctl's and the
# settings window's with theirs) rejects the element in an older namespace,
# where the loader does not read it.
add_test(NAME exe_code_page_rejects_other_namespace
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check-exe-code-page.sh
          ${CMAKE_CURRENT_LIST_DIR}/testdata/manifest-code-page-2016-namespace.txt)
set_tests_properties(exe_code_page_rejects_other_namespace PROPERTIES
  PASS_REGULAR_EXPRESSION "REJECTED: the manifest" LABELS exe TIMEOUT 60)

# The rest of what the file alone shows: machine, resources, size.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(_hx_machine x86-64)
else()
  set(_hx_machine i386)
endif()
add_test(NAME exe_file
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check-exe-file.sh $<TARGET_FILE:hxMonitor>
          ${_hx_machine} ${HX_VERSION_TEXT} 16384)
set_tests_properties(exe_file PROPERTIES
  ENVIRONMENT "HX_OBJDUMP=${_hx_objdump};HX_WINDRES=${CMAKE_RC_COMPILER}" LABELS exe TIMEOUT 60)
