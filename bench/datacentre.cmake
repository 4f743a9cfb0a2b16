# The data-centre source kind: reading and mapping a day's JSON answers,
# beside scraping the list page of the same stocks.
quorvane_benchmark(datacentre_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/datacentre_bench.cpp
  LIBS quorvane_download quorvane_sample_source)
