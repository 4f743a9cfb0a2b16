# The grid view over a million rows: reset, paint and scroll.
if(QUORVANE_BUILD_QT)
  quorvane_benchmark(qt_grid_bench SOURCES qt_grid_bench.cpp LIBS quorvane_qt)
endif()
