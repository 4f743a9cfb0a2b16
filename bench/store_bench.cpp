// The record store against bare SQLCipher on the same files: appends in
// page-sized batches, a full scan of the six fields the statistics read,
// one random record on an open access, and a click's whole store access.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <random>

#include "bench/store_bench_data.h"
#include "store/record_store.h"

namespace {

constexpr int64_t kBigStore = 1'000'000;
constexpr int kPageRecords = 60;  // a busy listing page

sqlite3* OpenBare(const std::filesystem::path& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_exec(db,
               "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; "
               "PRAGMA secure_delete=OFF; PRAGMA synchronous=NORMAL;",
               nullptr, nullptr, nullptr);
  return db;
}

std::filesystem::path FreshStore(const std::string& tag) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("quorvane-bench-" + tag + "-" + std::to_string(::getpid()) + ".edb");
  std::filesystem::remove(path);
  store::Store s(path);
  s.EnsureStore();
  return path;
}

void RemoveStore(const std::filesystem::path& path) {
  for (const char* side : {"", "-wal", "-shm"}) {
    auto p = path;
    p += side;
    std::filesystem::remove(p);
  }
}

void BM_AppendPages_Store(benchmark::State& state) {
  const auto path = FreshStore("append-store");
  {
    store::Store s(path);
    auto a = s.OpenStore(store::AccessMode::kWriter);
    int64_t i = 0;
    for (auto _ : state) {
      a.BeginBatch();
      for (int r = 0; r < kPageRecords; ++r) {
        const auto f = bench_support::RealisticListing(++i);
        a.AppendBlank();
        for (int k = 0; k < store::kFieldCount; ++k) a.WriteField(k + 1, f[static_cast<size_t>(k)]);
      }
      if (!a.CommitBatch()) state.SkipWithError("commit failed");
    }
    state.SetItemsProcessed(i);
  }
  RemoveStore(path);
}
BENCHMARK(BM_AppendPages_Store)->Unit(benchmark::kMillisecond)->Iterations(2000);

void BM_AppendPages_Bare(benchmark::State& state) {
  const auto path = FreshStore("append-bare");
  sqlite3* db = OpenBare(path);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO 龙虎榜 (日期,股名,代码,上榜原因,值,成交量,成交额,席位金额买,"
                     "席位金额卖, rowid) VALUES (?,?,?,?,?,?,?,?,?,?)",
                     -1, &insert, nullptr);
  int64_t i = 0;
  for (auto _ : state) {
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (int r = 0; r < kPageRecords; ++r) {
      const auto f = bench_support::RealisticListing(++i);
      for (int k = 0; k < store::kFieldCount; ++k)
        sqlite3_bind_text(insert, k + 1, f[static_cast<size_t>(k)].data(),
                          static_cast<int>(f[static_cast<size_t>(k)].size()), SQLITE_STATIC);
      sqlite3_bind_int64(insert, 10, i);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      state.SkipWithError("commit failed");
  }
  state.SetItemsProcessed(i);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  RemoveStore(path);
}
BENCHMARK(BM_AppendPages_Bare)->Unit(benchmark::kMillisecond)->Iterations(2000);

void BM_Scan_Store(benchmark::State& state) {
  store::Store s(bench_support::CachedStore(kBigStore));
  std::string out[6];
  constexpr int kFields[6] = {store::kDate, store::kName, store::kCode, store::kTurnover,
                              store::kBuySeats, store::kSellSeats};
  for (auto _ : state) {
    auto a = s.OpenStore();
    a.GoToFirst();
    const int64_t n = a.RecordCount();
    for (int64_t i = 1; i <= n; ++i) {
      for (int k = 0; k < 6; ++k) out[k].assign(a.FieldView(kFields[k]));
      a.Skip(1);
    }
    benchmark::DoNotOptimize(out);
    state.SetItemsProcessed(state.items_processed() + n);
  }
}
BENCHMARK(BM_Scan_Store)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Scan_Bare(benchmark::State& state) {
  sqlite3* db = OpenBare(bench_support::CachedStore(kBigStore));
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT 日期,股名,代码,成交额,席位金额买,席位金额卖 FROM 龙虎榜 ORDER BY rowid",
                     -1, &scan, nullptr);
  std::string out[6];
  for (auto _ : state) {
    int64_t n = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      for (int k = 0; k < 6; ++k)
        out[k].assign(static_cast<const char*>(sqlite3_column_blob(scan, k)),
                      static_cast<size_t>(sqlite3_column_bytes(scan, k)));
      ++n;
    }
    sqlite3_reset(scan);
    benchmark::DoNotOptimize(out);
    state.SetItemsProcessed(state.items_processed() + n);
  }
  sqlite3_finalize(scan);
  sqlite3_close(db);
}
BENCHMARK(BM_Scan_Bare)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RandomRecordOnOpenAccess(benchmark::State& state) {
  store::Store s(bench_support::CachedStore(kBigStore));
  auto a = s.OpenStore();
  std::mt19937_64 rng(1);
  std::uniform_int_distribution<int64_t> pick(1, a.RecordCount());
  for (auto _ : state) {
    a.GoToRecord(pick(rng));
    benchmark::DoNotOptimize(a.ReadField(store::kBuySeats));
  }
}
BENCHMARK(BM_RandomRecordOnOpenAccess)->Unit(benchmark::kMicrosecond);

void BM_ClickStoreAccess(benchmark::State& state) {
  store::Store s(bench_support::CachedStore(kBigStore));
  int64_t count = 0;
  {
    auto warm = s.OpenStore();  // the program has run before the click
    count = warm.RecordCount();
  }
  std::mt19937_64 rng(2);
  std::uniform_int_distribution<int64_t> pick(1, count);
  for (auto _ : state) {
    auto a = s.OpenStore();
    a.GoToRecord(pick(rng));
    benchmark::DoNotOptimize(a.ReadField(store::kBuySeats));
    benchmark::DoNotOptimize(a.ReadField(store::kSellSeats));
    a.CloseStore();
  }
}
BENCHMARK(BM_ClickStoreAccess)->Unit(benchmark::kMicrosecond);

void BM_FirstAccessWithKeyDerivation(benchmark::State& state) {
  const auto path = bench_support::CachedStore(kBigStore);
  for (auto _ : state) {
    store::Store s(path);  // no kept connection: pays the key derivation
    auto a = s.OpenStore();
    benchmark::DoNotOptimize(a.ReadField(store::kDate));
  }
}
BENCHMARK(BM_FirstAccessWithKeyDerivation)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
