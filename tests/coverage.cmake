# The download log's gap fill: its plan, the page's grid and the page on the
# window model with the sample source.
quorvane_test_area(coverage
  SOURCES coverage_plan_test.cpp coverage_grid_test.cpp
  LIBS quorvane_download_log_plan quorvane_download_log quorvane_test_support PkgConfig::SQLCIPHER
  THREADED coverage_page_test.cpp
  SUPPORT download_test_support.cpp
  THREADED_LIBS quorvane_app quorvane_sample_source quorvane_program_fixture PkgConfig::SQLCIPHER)
