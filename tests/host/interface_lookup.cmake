hx_host_test(hx_interface_lookup_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/interface_lookup_test.cpp
             LABELS concurrency)
