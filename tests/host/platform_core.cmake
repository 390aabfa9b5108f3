# The substitute platform's own machinery (misuse records, faults, counters,
# the world's reset) and its behaviour under concurrency.
hx_host_test(platform_core_test SOURCES platform_core_test.cpp LABELS concurrency)
hx_host_test(platform_core_concurrency_test SOURCES platform_core_concurrency_test.cpp LABELS concurrency)
