# The host's own cost per exchange of chip reads against the zero-latency simulated programmer:
# the read routine alone, and the main window's Read chip command offscreen.
tesmaro_bench(bench_chipops SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_chipops.cpp LIBS tesmaro_app)
