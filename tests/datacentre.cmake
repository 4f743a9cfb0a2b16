# The data-centre source kind: its mapping, the source against the loopback
# fake of the data centre, and the download page with it.
quorvane_test(datacentre_mapping_test SOURCES datacentre_mapping_test.cpp
  LIBS quorvane_download quorvane_test_support)
quorvane_test(datacentre_source_test SOURCES datacentre_source_test.cpp
  LIBS quorvane_download quorvane_sample_source quorvane_store quorvane_test_support
  LABELS threads)
quorvane_test(datacentre_window_test SOURCES datacentre_window_test.cpp download_test_support.cpp
  LIBS quorvane_download_control quorvane_sample_source quorvane_program_fixture
  LABELS threads)
