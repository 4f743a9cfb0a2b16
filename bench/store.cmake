add_library(quorvane_bench_store_data STATIC ${CMAKE_CURRENT_LIST_DIR}/store_bench_data.cpp)
target_include_directories(quorvane_bench_store_data PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvane_bench_store_data PUBLIC quorvane_store)

quorvane_benchmark(store_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp
  LIBS quorvane_bench_store_data)
quorvane_benchmark(text_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_bench.cpp LIBS quorvane_text)
