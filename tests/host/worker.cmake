hx_host_test(hx_worker_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/worker_test.cpp LABELS concurrency)
