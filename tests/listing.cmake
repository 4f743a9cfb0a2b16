# Listing grids: layout, statistics query and refresh, sorting, search, export.
quorvane_test(listing_fill_test SOURCES listing_fill_test.cpp
  LIBS quorvane_listing quorvane_program_fixture)
quorvane_test(listing_sort_test SOURCES listing_sort_test.cpp
  LIBS quorvane_listing quorvane_program_fixture)
quorvane_test(listing_refresh_test SOURCES listing_refresh_test.cpp
  LIBS quorvane_listing quorvane_program_fixture
  LABELS threads)
quorvane_test(listing_search_test SOURCES listing_search_test.cpp
  LIBS quorvane_listing quorvane_program_fixture)
quorvane_test(listing_export_test SOURCES listing_export_test.cpp
  LIBS quorvane_listing quorvane_program_fixture)
quorvane_test(listing_scan_test SOURCES listing_scan_test.cpp
  LIBS quorvane_listing quorvane_program_fixture quorvane_bench_store_data)
