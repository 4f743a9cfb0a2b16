# quorvane-cli: its pieces, the program as a user runs it (against the
# sample source on loopback), the spreadsheet files read back, the run-time
# settings; and, under the label "package", the installed programs and the
# Debian package.
add_library(quorvane_cli_test_support STATIC cli_test_support.cpp)
target_include_directories(quorvane_cli_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvane_cli_test_support PUBLIC quorvane_test_support quorvane_store
  GTest::gtest)
target_compile_definitions(quorvane_cli_test_support PRIVATE
  QUORVANE_CLI_PROGRAM="$<TARGET_FILE:quorvane-cli>")
add_dependencies(quorvane_cli_test_support quorvane-cli)

quorvane_test(cli_units_test SOURCES cli_units_test.cpp
  LIBS quorvane_cli quorvane_listing quorvane_test_support)
quorvane_test(cli_run_settings_test SOURCES cli_run_settings_test.cpp
  LIBS quorvane_run_settings quorvane_test_support)
target_compile_definitions(cli_run_settings_test PRIVATE
  QUORVANE_SOURCE_HOST="${QUORVANE_SOURCE_HOST}")
quorvane_test(cli_arguments_test SOURCES cli_arguments_test.cpp
  LIBS quorvane_cli_test_support)
quorvane_test(cli_download_test SOURCES cli_download_test.cpp download_test_support.cpp
  LIBS quorvane_cli_test_support quorvane_download_control quorvane_sample_source
       quorvane_program_fixture)
quorvane_test(cli_export_test SOURCES cli_export_test.cpp
  LIBS quorvane_cli_test_support quorvane_listing quorvane_program_fixture)
quorvane_test(xlsx_test SOURCES xlsx_test.cpp
  LIBS quorvane_cli_test_support quorvane_grid_xlsx quorvane_listing quorvane_program_fixture)
target_compile_definitions(xlsx_test PRIVATE
  QUORVANE_XLSX_DUMP="${CMAKE_CURRENT_SOURCE_DIR}/xlsx_dump.py")

if(QUORVANE_BUILD_QT)
  # main() comes from the Qt test support: list it before GoogleTest's own.
  quorvane_test(cli_store_location_qt_test SOURCES cli_store_location_qt_test.cpp
    LIBS quorvane_qt_test_support quorvane_app_qt quorvane_run_settings quorvane_test_support)
endif()

# Slow: they install the build and make the package. `ctest -L package`
# runs them alone; the whole `ctest` runs them too.
quorvane_test(package_test SOURCES package_test.cpp download_test_support.cpp
  LIBS quorvane_cli_test_support quorvane_download_control quorvane_sample_source
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
