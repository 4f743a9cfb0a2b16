# The download log: its table in the store, the gap fill's plan, the page's
# grid and the page on the window model with the sample source.
quorvane_test(download_log_test SOURCES download_log_test.cpp
  LIBS quorvane_store_test_support)
quorvane_test(coverage_plan_test SOURCES coverage_plan_test.cpp
  LIBS quorvane_coverage_plan quorvane_test_support PkgConfig::SQLCIPHER)
quorvane_test(coverage_grid_test SOURCES coverage_grid_test.cpp
  LIBS quorvane_coverage quorvane_test_support)
quorvane_test(coverage_page_test SOURCES coverage_page_test.cpp download_test_support.cpp
  LIBS quorvane_app quorvane_sample_source quorvane_program_fixture PkgConfig::SQLCIPHER
  LABELS threads)
quorvane_test(download_log_fault_test SOURCES download_log_fault_test.cpp download_test_support.cpp
  LIBS quorvane_download_control quorvane_sample_source quorvane_program_fixture
  PkgConfig::SQLCIPHER)
if(QUORVANE_BUILD_QT)
  quorvane_test(coverage_qt_test SOURCES coverage_qt_test.cpp
    LIBS quorvane_qt_test_support quorvane_app quorvane_program_fixture)
endif()
