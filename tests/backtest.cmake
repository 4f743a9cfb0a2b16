# Back-tests: trades worked out by hand on a small set of bars and listings,
# the baseline over the same, and that no entry decision looks ahead.
quorvane_test_area(backtest
  SOURCES backtest_test.cpp
  LIBS quorvane_backtest quorvane_test_support)
