# Daily prices: the bars in the store, the K-line answers read, returns
# after a listing and the track record on hand-built bars; the fetch run
# against the sample source (incremental, faults, bad answers).
quorvane_test_area(prices
  SOURCES prices_store_test.cpp prices_returns_test.cpp
  LIBS quorvane_prices quorvane_prices_ranking quorvane_store_test_support quorvane_test_support
  THREADED prices_fetch_test.cpp prices_window_test.cpp
  SUPPORT download_test_support.cpp
  THREADED_LIBS quorvane_prices quorvane_prices_ranking quorvane_sample_source quorvane_test_support
    quorvane_prices_control quorvane_download_control quorvane_app quorvane_program_fixture)
