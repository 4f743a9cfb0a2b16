// Daily prices: one stock's 2,500 bars stored (beside the floor of one
// transaction with its log row alone); the bars of many stocks loaded from
// the store (beside bare reads of the bars table and of the packed rows),
// with the file's size on disk per bar; and 营业部排行 over 1,000,000
// listings of 4,000 stocks with and without the track record (ten years of
// bars each, held in memory or loaded from the store).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/packed_bars_floor.h"
#include "bench/store_bench_data.h"
#include "ranking/range_returns.h"
#include "prices/returns.h"
#include "ranking/rankings.h"
#include "store/price_bars.h"
#include "store/record_store.h"

namespace {

namespace fs = std::filesystem;

// The weekdays from 2001-01-01 on: ten years are 2,609 of them.
const std::vector<std::string>& PricesWeekdays() {
  using namespace std::chrono;
  static const std::vector<std::string> weekdays =
      bench_support::WeekdayDates(sys_days(year(2001) / 1 / 1), sys_days::max(), 2609);
  return weekdays;
}

double PricesCents(double price) {
  return std::round(price * 100) / 100;
}

std::vector<store::PriceBar> PricesOneCode(int count, uint64_t seed) {
  std::vector<store::PriceBar> bars;
  double close = 10 + static_cast<double>(seed % 100) / 10;
  for (int i = 0; i < count; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const double change = static_cast<double>((seed >> 33) % 1001) / 10000 - 0.05;
    const double open = close;
    close = PricesCents(std::max(1.0, close * (1 + change)));
    // Two decimals, as the service gives them.
    bars.push_back({PricesWeekdays()[static_cast<size_t>(i)], open,
                    PricesCents(std::max(open, close) * 1.01),
                    PricesCents(std::min(open, close) * 0.99), close, 12345, 1.5e7});
  }
  return bars;
}

std::string PricesCode(int k) {
  return std::to_string(600000 + k % 400000);
}

struct PricesStoreDir {
  fs::path dir;
  explicit PricesStoreDir(int tag = 0) {
    dir = fs::temp_directory_path() / ("quorvane-prices-bench-" + std::to_string(::getpid()) +
                                       "-" + std::to_string(tag));
    fs::create_directories(dir);
  }
  ~PricesStoreDir() { fs::remove_all(dir); }
};

void BM_StoreOneCodesBars(benchmark::State& state) {
  PricesStoreDir where;
  store::Store s(where.dir / "Data.edb");
  s.EnsureStore();
  const auto bars = PricesOneCode(2500, 7);
  store::PriceLogEntry log{"600000", "2024-03-01 18:00:00", store::PriceFetchResult::kBars, "",
                           2500, bars.front().date, bars.back().date};
  int k = 0;
  for (auto _ : state) {
    log.code = PricesCode(k++);  // a new stock each time, as a fetch run meets them
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    if (!a.StorePrices(bars, log)) state.SkipWithError("store failed");
    a.CloseStore();
  }
  state.counters["bars"] = 2500;
}
BENCHMARK(BM_StoreOneCodesBars)->Unit(benchmark::kMillisecond);

// The floor: the same transaction with the log row and no bars.
void BM_StoreOneCodesBarsFloor(benchmark::State& state) {
  PricesStoreDir where;
  store::Store s(where.dir / "Data.edb");
  s.EnsureStore();
  store::PriceLogEntry log{"600000", "2024-03-01 18:00:00", store::PriceFetchResult::kBars, "",
                           0, "", ""};
  int k = 0;
  for (auto _ : state) {
    log.code = PricesCode(k++);
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    if (!a.StorePrices({}, log)) state.SkipWithError("store failed");
    a.CloseStore();
  }
}
BENCHMARK(BM_StoreOneCodesBarsFloor)->Unit(benchmark::kMillisecond);

// `codes` stocks × ten years of bars in a store of their own, made once.
store::Store& PricesFilledStore(int codes, fs::path* file) {
  struct Made {
    std::unique_ptr<PricesStoreDir> where;
    std::unique_ptr<store::Store> store;
  };
  static std::map<int, Made> made;
  Made& m = made[codes];
  if (!m.store) {
    m.where = std::make_unique<PricesStoreDir>(codes);
    m.store = std::make_unique<store::Store>(m.where->dir / "Data.edb");
    m.store->EnsureStore();
    store::StoreAccess a = m.store->OpenStore(store::AccessMode::kWriter);
    for (int k = 0; k < codes; ++k) {
      const auto bars = PricesOneCode(2609, static_cast<uint64_t>(k) + 1);
      a.StorePrices(bars, {PricesCode(k), "2011-01-01 18:00:00", store::PriceFetchResult::kBars, "",
                           2609, bars.front().date, bars.back().date});
    }
    a.CloseStore();
    m.store->Checkpoint();
  }
  *file = m.where->dir / "Data.edb";
  return *m.store;
}

sqlite3* PricesOpenRaw(const fs::path& file, int flags) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096;", nullptr,
               nullptr, nullptr);
  return db;
}

int64_t PricesPragma(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  int64_t value = -1;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
    value = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  return value;
}

// The bytes of the pages the packed table takes: the pages its drop frees,
// in a transaction rolled back.
int64_t PricesPackedTableBytes(const fs::path& file) {
  sqlite3* db = PricesOpenRaw(file, SQLITE_OPEN_READWRITE);
  int64_t bytes = -1;
  if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
    const int64_t before = PricesPragma(db, "PRAGMA freelist_count");
    if (sqlite3_exec(db, "DROP TABLE \"日线打包\"", nullptr, nullptr, nullptr) == SQLITE_OK)
      bytes = (PricesPragma(db, "PRAGMA freelist_count") - before) *
              PricesPragma(db, "PRAGMA page_size");
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
  return bytes;
}

void BM_LoadTenYearsOfBars(benchmark::State& state) {
  fs::path file;
  store::Store& s = PricesFilledStore(static_cast<int>(state.range(0)), &file);
  size_t loaded = 0;
  for (auto _ : state) {
    std::optional<store::StoreError> error;
    const auto bars = prices::LoadBarsFor(s, ranking::DateRange{"", "", true}, &error);
    loaded = bars ? bars->CodeCount() : 0;
  }
  const double bars = static_cast<double>(state.range(0)) * 2609;
  const double file_bytes = static_cast<double>(fs::file_size(file));
  const double packed_bytes = static_cast<double>(PricesPackedTableBytes(file));
  state.counters["codes"] = static_cast<double>(loaded);
  state.counters["file_MB"] = file_bytes / 1e6;
  state.counters["bytes_per_bar"] = file_bytes / bars;
  // The file as it would be without the packed rows, and what they add.
  state.counters["without_packed_MB"] = (file_bytes - packed_bytes) / 1e6;
  state.counters["packed_MB"] = packed_bytes / 1e6;
  state.counters["packed_bytes_per_bar"] = packed_bytes / bars;
}
BENCHMARK(BM_LoadTenYearsOfBars)
    ->Arg(400)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The floor: the same rows stepped through with the engine alone, the
// columns the load reads touched and nothing converted or kept.
void BM_LoadTenYearsOfBarsFloor(benchmark::State& state) {
  fs::path file;
  store::Store& s = PricesFilledStore(static_cast<int>(state.range(0)), &file);
  (void)s;
  sqlite3* db = PricesOpenRaw(file, SQLITE_OPEN_READONLY);
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT \"代码\", \"日期\", \"开盘\", \"最高\", \"收盘\" FROM \"日线\" "
                     "WHERE \"日期\" BETWEEN '0000-00-00' AND '9999-99-99' ORDER BY \"代码\", \"日期\"",
                     -1, &scan, nullptr);
  int64_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_text(scan, 0));
      benchmark::DoNotOptimize(sqlite3_column_text(scan, 1));
      benchmark::DoNotOptimize(sqlite3_column_double(scan, 2));
      benchmark::DoNotOptimize(sqlite3_column_double(scan, 3));
      benchmark::DoNotOptimize(sqlite3_column_double(scan, 4));
      ++rows;
    }
    sqlite3_reset(scan);
  }
  sqlite3_finalize(scan);
  sqlite3_close(db);
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_LoadTenYearsOfBarsFloor)
    ->Arg(400)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The second floor: the packed rows stepped through with the engine alone,
// every blob's bytes touched and nothing decoded or kept.
void BM_LoadTenYearsOfBarsPackedFloor(benchmark::State& state) {
  fs::path file;
  store::Store& s = PricesFilledStore(static_cast<int>(state.range(0)), &file);
  (void)s;
  sqlite3* db = PricesOpenRaw(file, SQLITE_OPEN_READONLY);
  const bench_support::PackedBarsPass pass = bench_support::BarePackedBarsPasses(state, db);
  sqlite3_close(db);
  state.counters["rows"] = static_cast<double>(pass.rows);
  state.counters["blob_MB"] = static_cast<double>(pass.bytes) / 1e6;
}
BENCHMARK(BM_LoadTenYearsOfBarsPackedFloor)
    ->Arg(400)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A ranged scan as the ranking makes it: 1,000,000 listings over ten years
// of weekdays, 4,000 stocks, 3,000 Seats, five buying and five selling
// Seats a listing (some in both blocks).
const ranking::RangeData& PricesRangeData() {
  static const ranking::RangeData data = [] {
    ranking::RangeData d;
    const auto& days = PricesWeekdays();
    for (const auto& day : days) d.days.push_back(day);
    d.range_days = static_cast<uint16_t>(days.size());
    for (int k = 0; k < 4000; ++k) d.codes.Intern(PricesCode(k));
    d.names.Intern("name");
    d.stock_names.assign(4000, 0);
    for (int k = 0; k < 3000; ++k) d.seats.Intern("seat" + std::to_string(k));
    uint64_t h = 12345;
    auto next = [&h] {
      h ^= h << 13;
      h ^= h >> 7;
      h ^= h << 17;
      return h;
    };
    constexpr int kListings = 1'000'000;
    d.listings.reserve(kListings);
    for (int n = 0; n < kListings; ++n) {
      ranking::RangeListing l;
      l.record_number = n + 1;
      l.stock = static_cast<uint32_t>(next() % 4000);
      l.day = static_cast<uint16_t>(static_cast<int64_t>(n) * 2609 / kListings);
      l.first_entry = static_cast<uint32_t>(d.entry_seats.size());
      l.in_range = true;
      for (int e = 0; e < 10; ++e) {
        const uint32_t seat = static_cast<uint32_t>(next() % 3000);
        d.entry_seats.push_back(seat | (e < 5 ? ranking::kInBuyBlock : ranking::kInSellBlock));
        d.entry_buy.push_back(e < 5 ? 1e6 : 0);
        d.entry_sell.push_back(e < 5 ? 0 : 1e6);
      }
      l.entry_count = 10;
      l.buying = 5e6;
      l.selling = 5e6;
      d.listings.push_back(l);
    }
    d.range_listings = kListings;
    return d;
  }();
  return data;
}

const prices::BarsIndex& PricesTenYearIndex() {
  static const prices::BarsIndex index = [] {
    std::vector<store::CodeBars> codes;
    for (int k = 0; k < 4000; ++k)
      codes.push_back({PricesCode(k), PricesOneCode(2609, static_cast<uint64_t>(k) + 1)});
    return prices::BarsIndex(std::move(codes));
  }();
  return index;
}

// The floor: the ranking as it is.
void BM_SeatRankingWithoutReturns(benchmark::State& state) {
  const ranking::RangeData& d = PricesRangeData();
  for (auto _ : state) benchmark::DoNotOptimize(ranking::MakeRankings(d));
}
BENCHMARK(BM_SeatRankingWithoutReturns)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_SeatRankingWithTrackRecord(benchmark::State& state) {
  const ranking::RangeData& d = PricesRangeData();
  const prices::BarsIndex& bars = PricesTenYearIndex();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ranking::MakeRankings(d));
    benchmark::DoNotOptimize(prices::ComputeRangeReturns(d, bars));
  }
}
BENCHMARK(BM_SeatRankingWithTrackRecord)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same with the bars loaded from the ten-year store first, as the
// first ranking of the whole store does.
void BM_SeatRankingWithTrackRecordFromStore(benchmark::State& state) {
  const ranking::RangeData& d = PricesRangeData();
  fs::path file;
  store::Store& s = PricesFilledStore(4000, &file);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ranking::MakeRankings(d));
    std::optional<store::StoreError> error;
    const auto bars = prices::LoadBarsFor(s, ranking::DateRange{"", "", true}, &error);
    if (!bars) state.SkipWithError("load failed");
    if (bars) benchmark::DoNotOptimize(prices::ComputeRangeReturns(d, *bars));
  }
}
BENCHMARK(BM_SeatRankingWithTrackRecordFromStore)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
