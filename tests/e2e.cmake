# The whole program on its real Qt window (offscreen), with the sample
# source on a loopback port: a user's evening, the widgets working together,
# and bad input where a user can reach.
if(QUORVANE_BUILD_QT)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

  add_library(quorvane_e2e_support STATIC e2e_support.cpp)
  target_include_directories(quorvane_e2e_support PUBLIC ${PROJECT_SOURCE_DIR})
  # The Qt test support brings main() with the one QApplication.
  target_link_libraries(quorvane_e2e_support PUBLIC
    quorvane_app_qt quorvane_qt_test_support quorvane_sample_source quorvane_test_support
    Qt6::Test GTest::gtest)

  # main() comes from the Qt test support: list it before GoogleTest's own.
  quorvane_test(e2e_evening_test SOURCES e2e_evening_test.cpp
    LIBS quorvane_qt_test_support quorvane_e2e_support)
  quorvane_test(integration_qt_test SOURCES integration_qt_test.cpp
    LIBS quorvane_qt_test_support quorvane_e2e_support quorvane_program_fixture)
  quorvane_test(integration_bad_input_test SOURCES integration_bad_input_test.cpp
    LIBS quorvane_qt_test_support quorvane_e2e_support quorvane_program_fixture)
endif()
