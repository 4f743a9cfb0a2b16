# Download: scraping throughput against a plain marker scan, and a year's
# download from the sample source on loopback.
quorvane_benchmark(download_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_bench.cpp
  LIBS quorvane_download_control quorvane_app quorvane_sample_source quorvane_ui_testing)
