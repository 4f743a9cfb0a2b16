# The application shell on the window model with the scripted platform.
quorvane_test(app_shell_test SOURCES app_shell_test.cpp
  LIBS quorvane_app quorvane_program_fixture quorvane_sample_source
  LABELS threads)
quorvane_test(app_wiring_test SOURCES app_wiring_test.cpp
  LIBS quorvane_app quorvane_program_fixture)
quorvane_test(app_view_switching_test SOURCES app_view_switching_test.cpp
  LIBS quorvane_app quorvane_program_fixture
  LABELS threads)
