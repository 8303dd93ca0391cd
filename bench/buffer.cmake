tesmaro_bench(bench_checksum SOURCES bench_checksum.cpp LIBS tesmaro_buffer)
tesmaro_bench(bench_editing SOURCES bench_editing.cpp LIBS tesmaro_buffer)
tesmaro_bench(bench_differences SOURCES bench_differences.cpp LIBS tesmaro_buffer)
