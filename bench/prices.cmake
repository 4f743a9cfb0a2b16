quorvane_benchmark(prices_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/prices_bench.cpp
  LIBS quorvane_prices_ranking PkgConfig::SQLCIPHER)
