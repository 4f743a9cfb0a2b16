quorvane_benchmark(prices_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/prices_bench.cpp
  LIBS quorvane_prices_ranking quorvane_bench_store_data PkgConfig::SQLCIPHER)
