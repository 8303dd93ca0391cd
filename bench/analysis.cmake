# The checks of a 1 MiB read: the signs of a wrong read, and the deciding of three reads.
tesmaro_bench(bench_read_checks SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_read_checks.cpp LIBS tesmaro_analysis)
