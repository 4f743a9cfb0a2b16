# Details page, Seat pop-up, grid click navigation and duplicate removal.
quorvane_test_area(details
  SOURCES details_view_test.cpp details_tooltip_test.cpp details_navigation_test.cpp
  LIBS quorvane_duplicates quorvane_program_fixture
  THREADED duplicate_removal_test.cpp
  THREADED_LIBS quorvane_duplicates quorvane_app quorvane_program_fixture)
