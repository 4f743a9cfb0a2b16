# quorvane-cli: its pieces, the program as a user runs it (against the
# sample source on loopback), the spreadsheet files read back, the run-time
# settings; and, under the label "package", the installed programs and the
# Debian package.
if(QUORVANE_TEST_SET STREQUAL "threads")
  return()
endif()
add_library(quorvane_cli_test_support STATIC cli_test_support.cpp)
target_include_directories(quorvane_cli_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvane_cli_test_support PUBLIC quorvane_test_support quorvane_store
  GTest::gtest)
target_compile_definitions(quorvane_cli_test_support PRIVATE
  QUORVANE_CLI_PROGRAM="$<TARGET_FILE:quorvane-cli>")
add_dependencies(quorvane_cli_test_support quorvane-cli)

set_source_files_properties(cli_run_settings_test.cpp cli_datacentre_test.cpp PROPERTIES
  COMPILE_DEFINITIONS QUORVANE_SOURCE_HOST="${QUORVANE_SOURCE_HOST}")
set_source_files_properties(xlsx_test.cpp PROPERTIES COMPILE_DEFINITIONS
  QUORVANE_XLSX_DUMP="${CMAKE_CURRENT_SOURCE_DIR}/xlsx_dump.py")
# The back-test's JSON is read back with a JSON library.
find_package(nlohmann_json 3 REQUIRED)
quorvane_test_area(cli
  SOURCES cli_units_test.cpp cli_run_settings_test.cpp cli_arguments_test.cpp
          cli_download_test.cpp cli_export_test.cpp xlsx_test.cpp cli_datacentre_test.cpp
          cli_prices_test.cpp
          cli_seats_test.cpp cli_webhook_test.cpp cli_backtest_test.cpp cli_backtest_page_test.cpp
  SUPPORT download_test_support.cpp
  LIBS quorvane_cli quorvane_listing quorvane_run_settings quorvane_cli_test_support
       quorvane_download_control quorvane_sample_source quorvane_program_fixture
       quorvane_grid_xlsx quorvane_app quorvane_prices quorvane_backtest_store
       nlohmann_json::nlohmann_json)

# Slow: they install the build and make the package. `ctest -L package`
# runs them alone; the whole `ctest` runs them too.
quorvane_test_program(package_test SOURCES package_test.cpp download_test_support.cpp
  LIBS quorvane_cli_test_support quorvane_download_control quorvane_app quorvane_sample_source
       quorvane_program_fixture
  LABELS package)
target_compile_definitions(package_test PRIVATE
  QUORVANE_CMAKE_COMMAND="${CMAKE_COMMAND}"
  QUORVANE_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}"
  QUORVANE_BINARY_DIR="${PROJECT_BINARY_DIR}"
  $<$<BOOL:${QUORVANE_BUILD_QT}>:QUORVANE_PACKAGE_HAS_WINDOW>)
# What it installs must be built first.
add_dependencies(package_test quorvane-cli quorvane-sample-source)
if(QUORVANE_BUILD_QT)
  add_dependencies(package_test quorvane)
endif()
