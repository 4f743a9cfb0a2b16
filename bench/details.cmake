# Duplicate removal, details view and Seat pop-up on a million listings.
add_library(quorvane_bench_details_data STATIC ${CMAKE_CURRENT_LIST_DIR}/details_bench_data.cpp)
target_include_directories(quorvane_bench_details_data PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quorvane_bench_details_data PUBLIC quorvane_bench_store_data quorvane_store quorvane_ui)
# The big store is built once and kept here between runs.
target_compile_definitions(quorvane_bench_details_data PRIVATE
  QUORVANE_BENCH_CACHE_DIR="${CMAKE_BINARY_DIR}/bench-cache")

quorvane_benchmark(details_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/details_bench.cpp
  LIBS quorvane_bench_details_data quorvane_duplicates)

# The removal on its worker: how long the user-interface thread is held.
quorvane_benchmark(removal_job_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/removal_job_bench.cpp
  LIBS quorvane_bench_details_data quorvane_duplicates quorvane_ui_testing)
