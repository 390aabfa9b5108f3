hx_host_test(hx_hotplug_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/hotplug_test.cpp ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp
  LABELS concurrency)
