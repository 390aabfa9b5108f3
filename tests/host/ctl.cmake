hx_host_test(hx_ctl_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ctl_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl_registration_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctl_text_test.cpp LABELS concurrency)
target_link_libraries(hx_ctl_test PRIVATE hxmonctl_core)
