hx_host_test(hx_launch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/launch_test.cpp)
