# quorvane-cli: a million-listing CSV export beside its floor, and a year's
# download beside the window's.
quorvane_benchmark(cli_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_bench.cpp
  LIBS quorvane_cli quorvane_bench_store_data quorvane_download_control quorvane_app quorvane_sample_source
       quorvane_ui_testing)
