# The Qt front under the offscreen platform, and the screenshot maker.
if(QUORVANE_BUILD_QT)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

  add_library(quorvane_qt_test_support STATIC qt_test_support.cpp)
  target_link_libraries(quorvane_qt_test_support PUBLIC
    quorvane_qt Qt6::Test GTest::gtest)
  target_include_directories(quorvane_qt_test_support PUBLIC ${PROJECT_SOURCE_DIR})

  # The support library brings main(): the tests share one QApplication.
  quorvane_test(qt_window_test SOURCES qt_window_test.cpp
    LIBS quorvane_qt_test_support quorvane_app quorvane_program_fixture)
  quorvane_test(qt_grid_test SOURCES qt_grid_test.cpp
    LIBS quorvane_qt_test_support quorvane_listing quorvane_test_support quorvane_ui_testing)
  quorvane_test(qt_platform_test SOURCES qt_platform_test.cpp
    LIBS quorvane_qt_test_support quorvane_program_fixture)
endif()

if(QUORVANE_BUILD_QT)
  # Not a test: scripts/screenshots runs it under Xvfb.
  add_executable(quorvane_screenshots qt_screenshots.cpp)
  target_link_libraries(quorvane_screenshots PRIVATE
    quorvane_app quorvane_qt quorvane_sample_source quorvane_test_support)
endif()
