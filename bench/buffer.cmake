tesmaro_bench(bench_checksum SOURCES bench_checksum.cpp LIBS tesmaro_buffer)
