# Back-tests over 1,000,000 synthetic listings and their bars: the first run
# (bars placed on the calendar, every listing's entry and exit, the rule and
# the baseline), a changed threshold, and a bare pass over the same
# listings and bars (the floor).
quorvane_benchmark(backtest_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/backtest_bench.cpp
  LIBS quorvane_backtest)
