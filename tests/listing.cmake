# Listing grids: layout, statistics query and refresh, sorting, search, export.
quorvane_test_area(listing
  SOURCES listing_fill_test.cpp listing_sort_test.cpp listing_search_test.cpp
          listing_export_test.cpp listing_scan_test.cpp
          listing_records_test.cpp
  LIBS quorvane_listing quorvane_program_fixture quorvane_bench_store_data
  THREADED listing_refresh_test.cpp
  THREADED_LIBS quorvane_listing quorvane_program_fixture)
