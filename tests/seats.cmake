# Seat identities: merging by code, renames, undo, the kind filter, and
# the identity table's CSV.
quorvane_test_area(seats
  SOURCES seats_book_test.cpp seats_summary_test.cpp seats_archive_test.cpp
    seats_window_test.cpp
  LIBS quorvane_seats quorvane_ranking quorvane_seats_control quorvane_app
    quorvane_program_fixture)
