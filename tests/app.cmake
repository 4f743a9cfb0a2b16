# The application shell on the window model with the scripted platform, and
# the program on its Qt window in a process of its own, ended by a signal.
set(QUORVANE_APP_TEST_SOURCES app_wiring_test.cpp)
set(QUORVANE_APP_TEST_LIBS "")
if(QUORVANE_BUILD_QT AND NOT WIN32 AND NOT QUORVANE_TEST_SET STREQUAL "threads")
  add_executable(exit_signal_probe exit_signal_probe.cpp)
  target_link_libraries(exit_signal_probe PRIVATE quorvane_app_qt)
  list(APPEND QUORVANE_APP_TEST_SOURCES app_exit_signal_test.cpp)
  set_source_files_properties(app_exit_signal_test.cpp PROPERTIES COMPILE_DEFINITIONS
    QUORVANE_EXIT_PROBE="$<TARGET_FILE:exit_signal_probe>")
  list(APPEND QUORVANE_APP_TEST_LIBS quorvane_download)
endif()
quorvane_test_area(app
  SOURCES ${QUORVANE_APP_TEST_SOURCES}
  LIBS ${QUORVANE_APP_TEST_LIBS}
  THREADED app_shell_test.cpp app_view_switching_test.cpp
  THREADED_LIBS quorvane_app quorvane_program_fixture quorvane_sample_source)
if(TARGET exit_signal_probe)
  add_dependencies(app_test exit_signal_probe)
endif()
