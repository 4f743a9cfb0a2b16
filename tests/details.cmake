# Details page, Seat pop-up, grid click navigation and duplicate removal.
quorvane_test(details_view_test SOURCES details_view_test.cpp
  LIBS quorvane_details quorvane_program_fixture)
quorvane_test(details_tooltip_test SOURCES details_tooltip_test.cpp
  LIBS quorvane_details quorvane_program_fixture)
quorvane_test(details_navigation_test SOURCES details_navigation_test.cpp
  LIBS quorvane_details quorvane_program_fixture)
quorvane_test(duplicate_removal_test SOURCES duplicate_removal_test.cpp
  LIBS quorvane_details quorvane_app quorvane_program_fixture
  LABELS threads)
