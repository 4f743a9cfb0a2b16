// The packed bars floor shared by the price and back-test benchmarks: every
// row of 日线打包 stepped through with the engine alone, each blob's bytes
// touched and nothing decoded or kept.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>

namespace bench_support {

struct PackedBarsPass {
  int64_t rows = 0;
  int64_t bytes = 0;
};

// Runs the state's iterations over `db` (open, keyed); the last pass's counts.
inline PackedBarsPass BarePackedBarsPasses(benchmark::State& state, sqlite3* db) {
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT \"代码\", \"印记\", \"条数\", \"数据\" FROM \"日线打包\" "
                     "ORDER BY \"代码\"",
                     -1, &scan, nullptr);
  PackedBarsPass pass;
  for (auto _ : state) {
    pass = {};
    while (sqlite3_step(scan) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(scan, 0));
      benchmark::DoNotOptimize(sqlite3_column_int64(scan, 1));
      benchmark::DoNotOptimize(sqlite3_column_int64(scan, 2));
      const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(scan, 3));
      const int n = sqlite3_column_bytes(scan, 3);
      unsigned sum = 0;
      for (int i = 0; i < n; ++i) sum += blob[i];
      benchmark::DoNotOptimize(sum);
      pass.bytes += n;
      ++pass.rows;
    }
    sqlite3_reset(scan);
  }
  sqlite3_finalize(scan);
  return pass;
}

}  // namespace bench_support
