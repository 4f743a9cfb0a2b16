# Back-tests: trades worked out by hand on a small set of bars and listings,
# the baseline over the same, that no entry decision looks ahead, the input
# as read from a hand-built store, and the page "回测" on the window model.
# The store's and the page's tests also run under the thread sanitizer: the
# store read and the run work on two threads.
quorvane_test_area(backtest
  SOURCES backtest_test.cpp backtest_packed_listings_test.cpp
  LIBS quorvane_backtest quorvane_backtest_store quorvane_program_fixture quorvane_test_support
    quorvane_store_test_support
  THREADED backtest_page_test.cpp backtest_store_test.cpp
  THREADED_LIBS quorvane_app quorvane_backtest_control quorvane_backtest_store
    quorvane_program_fixture quorvane_test_support quorvane_store_test_support)
