# The ranking page: the range scan and the rankings on hand-built stores,
# what lies behind a row and its chart, the page on the window model, and
# the store pass that reads on one thread and parses on another.
quorvane_test_area(ranking
  SOURCES ranking_scan_test.cpp ranking_rows_test.cpp
  LIBS quorvane_ranking quorvane_ranking_control quorvane_listing quorvane_program_fixture
  THREADED ranking_page_test.cpp ranking_parallel_scan_test.cpp ranking_returns_test.cpp
  THREADED_LIBS quorvane_app quorvane_listing_scan quorvane_program_fixture)
