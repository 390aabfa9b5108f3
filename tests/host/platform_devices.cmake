# The substitute platform's device tree, notifications, camera driver,
# registry and process families.
hx_host_test(hx_platform_devices_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/platform_devices_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_notifications_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_driver_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_registry_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_processes_test.cpp
  LABELS concurrency)
