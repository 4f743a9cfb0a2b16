# Listing grids: layout, statistics query and refresh, sorting, search, export.
quorvane_test(listing_fill_test SOURCES listing_fill_test.cpp
  LIBS quorvane_listing quorvane_program_fixture)
