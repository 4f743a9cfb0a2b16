# The ranking page: the range scan and the rankings on hand-built stores,
# what lies behind a row and its chart, the page on the window model, and
# the store pass that reads on one thread and parses on another.
quorvane_test(ranking_scan_test SOURCES ranking_scan_test.cpp
  LIBS quorvane_ranking quorvane_listing quorvane_program_fixture)
quorvane_test(ranking_rows_test SOURCES ranking_rows_test.cpp
  LIBS quorvane_ranking_control quorvane_program_fixture)
quorvane_test(ranking_page_test SOURCES ranking_page_test.cpp
  LIBS quorvane_app quorvane_program_fixture
  LABELS threads)
quorvane_test(ranking_parallel_scan_test SOURCES ranking_parallel_scan_test.cpp
  LIBS quorvane_listing_scan quorvane_program_fixture
  LABELS threads)
if(QUORVANE_BUILD_QT)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test Charts)
  # main() comes from the Qt test support: list it before GoogleTest's own.
  quorvane_test(ranking_qt_test SOURCES ranking_qt_test.cpp
    LIBS quorvane_qt_test_support quorvane_e2e_support quorvane_program_fixture)
endif()
