# The grid view over a million rows: reset, paint and scroll.
if(QUORVANE_BUILD_QT)
  quorvane_benchmark(qt_grid_bench SOURCES qt_grid_bench.cpp LIBS quorvane_qt quorvane_listing)
  # The window's user-interface thread while 席位统计 ranks a ten-year store
  # with the track record.
  quorvane_benchmark(prices_ui_bench SOURCES prices_ui_bench.cpp
    LIBS quorvane_app_qt quorvane_bench_store_data quorvane_sample_source)
endif()

# The page "回测" showing a back-test on the real window: the longest stretch
# of the window's thread for a result.
if(QUORVANE_BUILD_QT)
  quorvane_benchmark(backtest_page_bench SOURCES backtest_page_bench.cpp
    LIBS quorvane_qt quorvane_backtest_control)
endif()
