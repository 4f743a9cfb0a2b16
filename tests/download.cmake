# Download: scraper, date list, page fetch, worker; the sample source.
quorvane_test(scrape_test SOURCES scrape_test.cpp
  LIBS quorvane_download quorvane_store quorvane_test_support)
quorvane_test(download_date_list_test SOURCES download_date_list_test.cpp
  LIBS quorvane_download_control quorvane_program_fixture)
quorvane_test(download_fetch_test SOURCES download_fetch_test.cpp
  LIBS quorvane_download quorvane_sample_source quorvane_test_support
  LABELS threads)
quorvane_test(sample_source_test SOURCES sample_source_test.cpp
  LIBS quorvane_download quorvane_sample_source quorvane_store quorvane_test_support)
quorvane_test(download_worker_test SOURCES download_worker_test.cpp download_test_support.cpp
  LIBS quorvane_download_control quorvane_sample_source quorvane_program_fixture
  LABELS threads)
quorvane_test(download_fault_test SOURCES download_fault_test.cpp download_test_support.cpp
  LIBS quorvane_download_control quorvane_sample_source quorvane_program_fixture
  PkgConfig::SQLCIPHER)
