tesmaro_bench(bench_grid SOURCES bench_grid.cpp LIBS tesmaro_app)
