hx_host_test(hx_identify_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/identify_test.cpp)
