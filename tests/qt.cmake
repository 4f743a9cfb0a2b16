# The Qt front under the offscreen platform, and the whole program on its
# real Qt window with the sample source on a loopback port: a user's
# evening, the widgets working together, and bad input where a user can
# reach.
if(NOT QUORVANE_BUILD_QT)
  return()
endif()

add_library(quorvane_e2e_support STATIC e2e_support.cpp)
target_include_directories(quorvane_e2e_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvane_e2e_support PUBLIC
  quorvane_app_qt quorvane_qt_test_support quorvane_sample_source quorvane_test_support
  Qt6::Test GTest::gtest)

if(NOT QUORVANE_TEST_SET STREQUAL "threads")
  quorvane_test_area(qt QT
    SOURCES qt_window_test.cpp qt_grid_test.cpp qt_platform_test.cpp e2e_evening_test.cpp
            integration_qt_test.cpp integration_bad_input_test.cpp ranking_qt_test.cpp
            coverage_qt_test.cpp cli_store_location_qt_test.cpp seats_qt_test.cpp
    LIBS quorvane_qt_test_support quorvane_e2e_support quorvane_app quorvane_app_qt
         quorvane_program_fixture quorvane_listing quorvane_ui_testing quorvane_run_settings
         quorvane_test_support)
endif()

# Not a test: scripts/screenshots runs it under Xvfb.
add_executable(quorvane_screenshots qt_screenshots.cpp)
target_link_libraries(quorvane_screenshots PRIVATE
  quorvane_app quorvane_qt quorvane_sample_source quorvane_test_support)
