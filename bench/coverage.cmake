# The download log: a page's scrape-and-store with and without its row, the
# page "下载记录" for ten years, the gap fill's plan and the log's rebuild on
# a million listings.
quorvane_benchmark(coverage_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/coverage_bench.cpp
  LIBS quorvane_download_log quorvane_download quorvane_bench_store_data quorvane_sample_source
  quorvane_ui_testing)
