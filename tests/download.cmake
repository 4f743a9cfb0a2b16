# Download: scraper, date list, page fetch, worker, faults and their log;
# the data-centre kind (its mapping, the source against the loopback fake,
# the download page with it); the sample source.
set_source_files_properties(scrape_test.cpp PROPERTIES COMPILE_DEFINITIONS
  QUORVANE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
quorvane_test_area(download
  SOURCES scrape_test.cpp download_date_list_test.cpp sample_source_test.cpp
          download_fault_test.cpp download_run_test.cpp download_log_fault_test.cpp
          datacentre_mapping_test.cpp kept_answers_test.cpp
  LIBS quorvane_download quorvane_download_control quorvane_sample_source quorvane_store
       quorvane_program_fixture quorvane_test_support PkgConfig::SQLCIPHER
  THREADED download_fetch_test.cpp download_worker_test.cpp datacentre_source_test.cpp
           datacentre_window_test.cpp
  SUPPORT download_test_support.cpp
  THREADED_LIBS quorvane_download quorvane_download_control quorvane_app quorvane_sample_source
                quorvane_store quorvane_program_fixture quorvane_test_support)
