hx_host_test(hx_shell_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell_test.cpp LABELS concurrency)
