tesmaro_bench(bench_exchange SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_exchange.cpp
  LIBS tesmaro_programmer tesmaro_simulator)
