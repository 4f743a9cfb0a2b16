# The page 席位档案 opened over 50,000 identities, beside the same rows read
# bare; what the window's 营业部排行 adds to the ranking by identity.
quorvane_benchmark(seats_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/seats_bench.cpp
  LIBS quorvane_app quorvane_seats_control quorvane_ranking_control quorvane_ui_testing)
target_link_libraries(seats_bench PRIVATE PkgConfig::SQLCIPHER)
