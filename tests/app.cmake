# The application shell on the window model with the scripted platform.
quorvane_test(app_shell_test SOURCES app_shell_test.cpp
  LIBS quorvane_app quorvane_program_fixture quorvane_sample_source
  LABELS threads)
quorvane_test(app_wiring_test SOURCES app_wiring_test.cpp
  LIBS quorvane_app quorvane_program_fixture)
quorvane_test(app_view_switching_test SOURCES app_view_switching_test.cpp
  LIBS quorvane_app quorvane_program_fixture
  LABELS threads)
# The program on its Qt window in a process of its own, ended by a signal.
if(QUORVANE_BUILD_QT AND NOT WIN32)
  add_executable(exit_signal_probe exit_signal_probe.cpp)
  target_link_libraries(exit_signal_probe PRIVATE quorvane_app_qt)
  quorvane_test(app_exit_signal_test SOURCES app_exit_signal_test.cpp
    LIBS quorvane_download quorvane_sample_source quorvane_program_fixture)
  target_compile_definitions(app_exit_signal_test PRIVATE
    QUORVANE_EXIT_PROBE="$<TARGET_FILE:exit_signal_probe>")
  add_dependencies(app_exit_signal_test exit_signal_probe)
endif()
