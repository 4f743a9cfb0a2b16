quorvane_benchmark(listing_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/listing_bench.cpp
  LIBS quorvane_listing quorvane_ui_testing quorvane_bench_store_data)
