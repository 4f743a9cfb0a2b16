# Back-tests over 1,000,000 synthetic listings and their bars: the first run
# (bars placed on the calendar, every listing's entry and exit, the rule and
# the baseline), a changed threshold, and a bare pass over the same
# listings and bars (the floor).
quorvane_benchmark(backtest_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/backtest_bench.cpp
  LIBS quorvane_backtest)
# The same from Data.edb: a year of 100,000 listings and its bars read and
# run once, beside a bare read of the same rows; the listing read over
# 1,000,000 listings; and the first run over those listings with the bars
# of all their stocks, beside bare reads of the listings and packed bars.
quorvane_benchmark(backtest_store_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/backtest_store_bench.cpp
  LIBS quorvane_backtest_store quorvane_bench_store_data quorvane_listing_scan PkgConfig::SQLCIPHER)
