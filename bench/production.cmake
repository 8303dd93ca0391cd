# A write on N simulated programmers at once against the time for one (tesmaro-cli --all-devices).
tesmaro_bench(bench_gang SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_gang.cpp)
add_dependencies(bench_gang tesmaro-cli)
