# Windows builds: resources, and GoogleTest for the Windows test programs:
# built from the distribution's sources with the Windows compiler when they
# are there (cross builds), else an installed package (e.g. MSYS2's). Sets
# HX_HAVE_GTEST.

enable_language(RC)

set(HX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(HX_HAVE_GTEST ON)

if(EXISTS ${HX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  # mingw's win32 thread model has no pthreads; gtest then uses Win32 primitives.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${HX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  # Before GCC 13 the win32 thread model's C++ runtime lacks std::mutex, which
  # GoogleTest's Notification needs; give it one built on a Win32 event.
  include(CheckCXXSourceCompiles)
  check_cxx_source_compiles("#include <mutex>\nstd::mutex m;\nint main() { m.lock(); }"
    HX_WINDOWS_CXX_HAS_MUTEX)
  if(NOT HX_WINDOWS_CXX_HAS_MUTEX)
    set(_hx_shim ${CMAKE_CURRENT_LIST_DIR}/gtest-mingw)
    target_include_directories(gtest BEFORE PUBLIC ${_hx_shim})
    target_sources(gtest PRIVATE ${_hx_shim}/notification.cpp)
  endif()
else()
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    message(WARNING "No GoogleTest (sources in ${HX_GOOGLETEST_SOURCE_DIR} or a package): "
                    "building hxMonitor.exe without the Windows tests")
    set(HX_HAVE_GTEST OFF)
  endif()
endif()
