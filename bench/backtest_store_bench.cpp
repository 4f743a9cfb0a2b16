// Back-tests from the store: a year of 100,000 listings (400 a day, 2,000
// stocks, five buying and five selling Seats out of 5,000 names) and the
// bars of every stock from a month before to two months after, read from
// Data.edb and run once (store read included), beside a bare read of the
// same rows (the floor). And the listing read alone over the 1,000,000
// listings of the shared benchmark store, beside a bare pass over it. And
// the first run over those 1,000,000 listings with the bars of all their
// stocks over their whole span (4,000 stocks, 30 years of weekdays), store
// read included, beside bare reads of the listings and of the packed bars.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "backtest/backtester.h"
#include "backtest/store_input.h"
#include "bench/packed_bars_floor.h"
#include "bench/store_bench_data.h"
#include "listing/listing_scan.h"
#include "store/price_bars.h"
#include "text/gbk.h"

namespace {

namespace fs = std::filesystem;
using namespace backtest;

constexpr int kStoreBenchStocks = 2000;
constexpr int kStoreBenchPerDay = 400;
constexpr int kStoreBenchSeatNames = 5000;

struct StoreBenchRandom {
  uint64_t h;
  explicit StoreBenchRandom(uint64_t seed) : h(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    h ^= h << 13;
    h ^= h >> 7;
    h ^= h << 17;
    return h;
  }
  double Unit() { return static_cast<double>(Next() % 1'000'000) / 1'000'000; }
};

// Weekdays from 2010-11-01: a month before the year 2011, the year, and two
// months after it.
const std::vector<DayNumber>& StoreBenchDays() {
  static const std::vector<DayNumber> days = [] {
    std::vector<DayNumber> out;
    for (DayNumber d = *DayNumberOfText("2010-11-01"); d <= *DayNumberOfText("2012-02-29"); ++d)
      if ((d + 4) % 7 < 5) out.push_back(d);
    return out;
  }();
  return days;
}
const std::vector<DayNumber>& StoreBenchListingDays() {
  static const std::vector<DayNumber> days = [] {
    std::vector<DayNumber> out;
    for (DayNumber d : StoreBenchDays())
      if (d >= *DayNumberOfText("2011-01-01") && d <= *DayNumberOfText("2011-12-31"))
        out.push_back(d);
    return out;
  }();
  return days;
}

const std::vector<std::string>& StoreBenchSeatNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    out.push_back(text::Gbk("机构专用"));
    out.push_back(text::Gbk("沪股通专用"));
    for (int i = 2; i < kStoreBenchSeatNames; ++i)
      out.push_back(text::Gbk("某某证券股份有限公司第") + std::to_string(i) +
                    text::Gbk("路证券营业部"));
    return out;
  }();
  return names;
}

std::string StoreBenchCode(uint64_t k) {
  return std::to_string(600000 + k % kStoreBenchStocks);
}

std::array<std::string, store::kFieldCount> StoreBenchListing(int64_t n) {
  StoreBenchRandom r(static_cast<uint64_t>(n));
  const auto& days = StoreBenchListingDays();
  const size_t day = static_cast<size_t>((n - 1) / kStoreBenchPerDay) % days.size();
  std::array<std::string, store::kFieldCount> f;
  f[0] = DateOfDayNumber(days[day]).DateText();
  f[1] = text::Gbk("股票") + std::to_string(n % 97);
  f[2] = StoreBenchCode(r.Next());
  f[3] = text::Gbk("日涨幅偏离值达7%");
  f[4] = text::Gbk("日涨幅偏") + "9.52%";
  f[5] = "1234.56";
  f[6] = "12,345.67";
  const auto& names = StoreBenchSeatNames();
  for (int side = 0; side < 2; ++side) {
    std::string block;
    for (int k = 0; k < 5; ++k) {
      if (k) block += "|";
      // Institutions in about one listing in five.
      const uint64_t pick = r.Next();
      block += names[pick % 5 == 0 ? 0 : pick % names.size()];
      const uint64_t amount = 100000 + r.Next() % 50000000;
      block += "|" + std::to_string(side == 0 ? amount : 0) + ".00|" +
               std::to_string(side == 0 ? 0 : amount) + ".00";
    }
    f[static_cast<size_t>(7 + side)] = block;
  }
  return f;
}

// The store of `listings` listings and the bars of every stock, built once
// and kept beside the other benchmark stores.
fs::path StoreBenchFile(int64_t listings) {
  const fs::path path = fs::temp_directory_path() / "quorvane-bench-stores" /
                        ("backtest-" + std::to_string(listings) + ".edb");
  if (fs::exists(path)) return path;
  fs::path side = path;
  side += ".bars";
  fs::remove(side);
  bench_support::BuildStoreOnce(side, listings, StoreBenchListing);
  {
    store::Store s(side);
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    const auto& days = StoreBenchDays();
    for (int k = 0; k < kStoreBenchStocks; ++k) {
      StoreBenchRandom r(static_cast<uint64_t>(k) + 7);
      std::vector<store::PriceBar> bars;
      double close = 5 + 20 * r.Unit();
      for (DayNumber d : days) {
        if (r.Next() % 200 == 0) continue;  // a suspension now and then
        const double open = r.Unit() < 0.03 ? close * 1.1 : close * (0.97 + 0.06 * r.Unit());
        const double high = std::max(open, close * (1 + 0.05 * r.Unit()));
        const double low = std::min(open, close * (1 - 0.05 * r.Unit()));
        close = low + (high - low) * r.Unit();
        bars.push_back({DateOfDayNumber(d).DateText(), open, high, low, close, 1e4, 1e7});
      }
      store::PriceLogEntry log;
      log.code = StoreBenchCode(static_cast<uint64_t>(k));
      log.fetched_at = "2012-03-01 18:00:00";
      log.bars = static_cast<int64_t>(bars.size());
      a.StorePrices(bars, log);
    }
    a.CloseStore();
    s.Checkpoint();
  }
  fs::rename(side, path);
  return path;
}

DayRange StoreBenchYear() {
  return {*DayNumberOfText("2011-01-01"), *DayNumberOfText("2011-12-31")};
}

Rule StoreBenchRule() {
  Rule rule;
  rule.range = StoreBenchYear();
  rule.seats.who = Who::kKind;
  rule.seats.kind = SeatKind::kInstitution;
  rule.seats.min_buy = 1000;
  rule.plan.hold = 5;
  rule.plan.stop = 0.07;
  return rule;
}

// What the command line does: read the store, then the first run.
void BM_BacktestStore_ReadAndFirstRun(benchmark::State& state) {
  store::Store s(StoreBenchFile(state.range(0)));
  int64_t trades = 0;
  size_t listings = 0;
  for (auto _ : state) {
    StoreInputRead read = ReadStoreInput(s, StoreBenchYear(), 5);
    if (read.error) state.SkipWithError("store failed");
    listings = read.input.data.Listings().size();
    Backtester bt(std::move(read.input.data));
    trades = bt.Run(StoreBenchRule()).rule.figures.trades;
  }
  state.counters["listings"] = static_cast<double>(listings);
  state.counters["trades"] = static_cast<double>(trades);
}
BENCHMARK(BM_BacktestStore_ReadAndFirstRun)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One month of the same store: the bars of the month's stocks only.
void BM_BacktestStore_ReadAndFirstRunOneMonth(benchmark::State& state) {
  store::Store s(StoreBenchFile(state.range(0)));
  const DayRange june{*DayNumberOfText("2011-06-01"), *DayNumberOfText("2011-06-30")};
  Rule rule = StoreBenchRule();
  rule.range = june;
  int64_t trades = 0;
  size_t listings = 0;
  for (auto _ : state) {
    StoreInputRead read = ReadStoreInput(s, june, 5);
    if (read.error) state.SkipWithError("store failed");
    listings = read.input.data.Listings().size();
    Backtester bt(std::move(read.input.data));
    trades = bt.Run(rule).rule.figures.trades;
  }
  state.counters["listings"] = static_cast<double>(listings);
  state.counters["trades"] = static_cast<double>(trades);
}
BENCHMARK(BM_BacktestStore_ReadAndFirstRunOneMonth)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The read alone (where the time goes).
void BM_BacktestStore_Read(benchmark::State& state) {
  store::Store s(StoreBenchFile(state.range(0)));
  for (auto _ : state) {
    StoreInputRead read = ReadStoreInput(s, StoreBenchYear(), 5);
    benchmark::DoNotOptimize(read.input.data.Listings().size());
  }
}
BENCHMARK(BM_BacktestStore_Read)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the same listings' fields and the same bars read bare, each
// byte touched once, nothing taken apart.
void BM_BacktestStore_BareRead(benchmark::State& state) {
  store::Store s(StoreBenchFile(state.range(0)));
  size_t bars_read = 0;
  for (auto _ : state) {
    std::vector<int64_t> numbers;
    {
      store::StoreAccess a = s.OpenStore();
      numbers = a.RecordNumbersInDateRange("2011-01-01", "2011-12-31");
      a.CloseStore();
    }
    uint64_t sum = 0;
    listing::ForEachStoredListing(s, &numbers, [&sum](const listing::StoredListing& l) {
      for (std::string_view f :
           {l.date, l.name, l.code, l.reason, l.turnover, l.buy_block, l.sell_block})
        for (char c : f) sum += static_cast<unsigned char>(c);
      return true;
    });
    std::vector<store::CodeBars> codes;
    {
      store::StoreAccess a = s.OpenStore();
      a.ReadPriceBars("2010-12-12", "2012-01-29", &codes);
      a.CloseStore();
    }
    bars_read = 0;
    for (const auto& c : codes) bars_read += c.bars.size();
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bars"] = static_cast<double>(bars_read);
}
BENCHMARK(BM_BacktestStore_BareRead)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million listings: the listings and Seats read (no bars in that store),
// beside a bare pass over the same fields.
// The listings from the table itself (no packs read or written: the
// shared store stays as it is).
void BM_BacktestStore_ReadMillionListings(benchmark::State& state) {
  store::Store s(bench_support::CachedStore(1000000));
  size_t listings = 0;
  for (auto _ : state) {
    StoreInputRead read = ReadStoreInput(s, DayRange{}, 5, {}, false);
    listings = read.input.data.Listings().size();
  }
  state.counters["listings"] = static_cast<double>(listings);
}
BENCHMARK(BM_BacktestStore_ReadMillionListings)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_BacktestStore_BareMillionListings(benchmark::State& state) {
  store::Store s(bench_support::CachedStore(1000000));
  for (auto _ : state) {
    uint64_t sum = 0;
    listing::ForEachStoredListing(s, nullptr, [&sum](const listing::StoredListing& l) {
      for (std::string_view f :
           {l.date, l.name, l.code, l.reason, l.turnover, l.buy_block, l.sell_block})
        for (char c : f) sum += static_cast<unsigned char>(c);
      return true;
    });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_BacktestStore_BareMillionListings)->Unit(benchmark::kMillisecond)->Iterations(2);

// The 1,000,000 listings of the shared store (stocks 600000 to 603999,
// dates from 2000 to 2029) with every weekday's bar of every stock from
// the first listing day to the last, written through the price tables'
// own path so the packed rows exist. Made once from a copy: the shared
// store itself is not written.
constexpr int kMillionBarsStocks = 4000;

std::vector<std::string> MillionBarsWeekdays() {
  using namespace std::chrono;
  return bench_support::WeekdayDates(sys_days(year(2000) / 1 / 1), sys_days(year(2029) / 12 / 31));
}

fs::path MillionBarsFile() {
  const fs::path path =
      fs::temp_directory_path() / "quorvane-bench-stores" / "listings-1000000-with-bars.edb";
  if (fs::exists(path)) return path;
  fs::path side = path;
  side += ".building-" + std::to_string(::getpid());
  fs::copy_file(bench_support::CachedStore(1000000), side, fs::copy_options::overwrite_existing);
  {
    store::Store s(side);
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    const std::vector<std::string> days = MillionBarsWeekdays();
    const auto cents = [](double price) { return std::round(price * 100) / 100; };
    std::vector<store::PriceBar> bars;
    for (int k = 0; k < kMillionBarsStocks; ++k) {
      StoreBenchRandom r(static_cast<uint64_t>(k) + 11);
      bars.clear();
      double close = cents(5 + 20 * r.Unit());
      for (const std::string& d : days) {
        if (r.Next() % 200 == 0) continue;  // a suspension now and then
        const double open = cents(r.Unit() < 0.03 ? close * 1.1 : close * (0.97 + 0.06 * r.Unit()));
        const double high = std::max(open, cents(close * (1 + 0.05 * r.Unit())));
        const double low = std::min(open, cents(close * (1 - 0.05 * r.Unit())));
        close = std::max(0.01, cents(low + (high - low) * r.Unit()));
        bars.push_back({d, open, high, low, close, 1e4, 1e7});
      }
      store::PriceLogEntry log;
      log.code = std::to_string(600000 + k);
      log.fetched_at = "2030-01-02 18:00:00";
      log.bars = static_cast<int64_t>(bars.size());
      log.from = bars.front().date;
      log.to = bars.back().date;
      if (!a.StorePrices(bars, log)) {
        std::fprintf(stderr, "storing the bars failed\n");
        std::abort();
      }
    }
    a.CloseStore();
    s.Checkpoint();
  }
  fs::rename(side, path);
  return path;
}

Rule MillionBarsRule() {
  Rule rule;
  rule.seats.who = Who::kKind;
  rule.seats.kind = SeatKind::kInstitution;
  rule.seats.min_buy = 1000;
  rule.plan.hold = 5;
  rule.plan.stop = 0.07;
  return rule;
}

// The first run as the command line makes it over the whole store: the
// listings and their bars read, then the rule and its baseline. Arg: the
// longest hold read (the command line's hold 5, the page's 20). The store
// has the copies an earlier back-test made (listing packs, bar excerpts):
// a read made first makes those missing, as a user's first back-test does.
void BM_BacktestStore_FirstRunMillionWithBars(benchmark::State& state) {
  store::Store s(MillionBarsFile());
  const int max_hold = static_cast<int>(state.range(0));
  if (ReadStoreInput(s, DayRange{}, max_hold).error) state.SkipWithError("store failed");
  int64_t trades = 0;
  size_t listings = 0;
  size_t bars = 0;
  for (auto _ : state) {
    auto read = std::make_unique<StoreInputRead>(ReadStoreInput(s, DayRange{}, max_hold));
    if (read->error) state.SkipWithError("store failed");
    listings = read->input.data.Listings().size();
    bars = 0;
    for (uint32_t c = 0; c < read->input.data.CodeCount(); ++c)
      bars += read->input.data.BarsOf(c).size();
    auto bt = std::make_unique<Backtester>(std::move(read->input.data));
    auto result = std::make_unique<Result>(bt->Run(MillionBarsRule()));
    trades = result->rule.figures.trades;
    // Giving the memory back is no part of the first run.
    state.PauseTiming();
    result.reset();
    bt.reset();
    read.reset();
    state.ResumeTiming();
  }
  state.counters["listings"] = static_cast<double>(listings);
  state.counters["bars"] = static_cast<double>(bars);
  state.counters["trades"] = static_cast<double>(trades);
}
BENCHMARK(BM_BacktestStore_FirstRunMillionWithBars)
    ->Arg(5)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

// The same first run with every stock's bars from its packed row (no
// excerpts read or made), as before the store kept excerpts.
void BM_BacktestStore_FirstRunMillionFromPackedRows(benchmark::State& state) {
  store::Store s(MillionBarsFile());
  int64_t trades = 0;
  for (auto _ : state) {
    StoreInputRead read = ReadStoreInput(s, DayRange{}, 5, {}, true, false);
    if (read.error) state.SkipWithError("store failed");
    Backtester bt(std::move(read.input.data));
    trades = bt.Run(MillionBarsRule()).rule.figures.trades;
  }
  state.counters["trades"] = static_cast<double>(trades);
}
BENCHMARK(BM_BacktestStore_FirstRunMillionFromPackedRows)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

// A whole read of the store whose excerpts are gone (the first back-test
// of the usual rule on a store): every stock unpacked from its packed row
// and its excerpt made and written. The store is left with its excerpts.
void BM_BacktestStore_MakeMillionBarExcerpts(benchmark::State& state) {
  const fs::path file = MillionBarsFile();
  store::Store s(file);
  bool wrote = false;
  for (auto _ : state) {
    state.PauseTiming();
    s.DropIdleConnections();
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const int rc = sqlite3_exec(db,
                                "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; "
                                "DELETE FROM \"日线节选\";",
                                nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK) state.SkipWithError("could not empty the excerpts");
    state.ResumeTiming();
    StoreInputRead read = ReadStoreInput(s, DayRange{}, 5);
    if (read.error) state.SkipWithError("store failed");
    wrote = read.wrote_bar_excerpts;
  }
  state.counters["wrote"] = wrote ? 1 : 0;
}
BENCHMARK(BM_BacktestStore_MakeMillionBarExcerpts)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

// The bars part of that read alone: the bars the store's listings reach.
void BM_BacktestStore_MillionBarsPart(benchmark::State& state) {
  store::Store s(MillionBarsFile());
  std::vector<std::pair<DayNumber, std::string>> listed;
  {
    StoreInputRead read = ReadStoreInput(s, DayRange{}, 5);
    if (read.error) state.SkipWithError("store failed");
    for (const Listing& l : read.input.data.Listings())
      listed.emplace_back(l.day, read.input.data.Code(l.code));
  }
  size_t bars = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MarketData data;
    ListingInput l;
    for (const auto& [day, code] : listed) {
      l.day = day;
      l.code = code;
      data.AddListing(l);
    }
    state.ResumeTiming();
    if (ReadStoreInputBars(s, DayRange{}, 5, data)) state.SkipWithError("store failed");
    bars = 0;
    for (uint32_t c = 0; c < data.CodeCount(); ++c) bars += data.BarsOf(c).size();
    state.PauseTiming();
    data = MarketData();
    state.ResumeTiming();
  }
  state.counters["bars"] = static_cast<double>(bars);
}
BENCHMARK(BM_BacktestStore_MillionBarsPart)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

// The floors: the same listings' fields passed over bare, and every packed
// row of the bars stepped through with the engine alone (each blob's bytes
// touched, nothing decoded or kept).
void BM_BacktestStore_BareMillionListingsWithBars(benchmark::State& state) {
  store::Store s(MillionBarsFile());
  for (auto _ : state) {
    uint64_t sum = 0;
    listing::ForEachStoredListing(s, nullptr, [&sum](const listing::StoredListing& l) {
      for (std::string_view f :
           {l.date, l.name, l.code, l.reason, l.turnover, l.buy_block, l.sell_block})
        for (char c : f) sum += static_cast<unsigned char>(c);
      return true;
    });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_BacktestStore_BareMillionListingsWithBars)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

void BM_BacktestStore_BarePackedMillionBars(benchmark::State& state) {
  const fs::path file = MillionBarsFile();
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096;", nullptr,
               nullptr, nullptr);
  const bench_support::PackedBarsPass pass = bench_support::BarePackedBarsPasses(state, db);
  sqlite3_close(db);
  if (pass.rows == 0) state.SkipWithError("no packed rows");
  state.counters["rows"] = static_cast<double>(pass.rows);
  state.counters["blob_MB"] = static_cast<double>(pass.bytes) / 1e6;
}
BENCHMARK(BM_BacktestStore_BarePackedMillionBars)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

// CPU seconds of every thread of the process so far.
double StoreBenchProcessCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A copied store and its log files.
void StoreBenchRemoveCopy(const fs::path& copy) {
  std::error_code ec;
  for (const char* side : {"", "-wal", "-shm"}) {
    fs::path p = copy;
    p += side;
    fs::remove(p, ec);
  }
}

// The first read of a copy of the million-listing store: every listing from
// the table, packed and the packs written.
void BM_BacktestStore_FillMillionListingPacks(benchmark::State& state) {
  double cpu = 0;
  bool wrote = false;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path copy = bench_support::CopyOfCachedStore(1000000, "packs-fill");
    state.ResumeTiming();
    {
      store::Store s(copy);
      const double before = StoreBenchProcessCpu();
      StoreInputRead read = ReadStoreInput(s, DayRange{}, 5);
      cpu += StoreBenchProcessCpu() - before;
      wrote = read.wrote_listing_packs;
      if (read.error) state.SkipWithError("store failed");
    }
    state.PauseTiming();
    StoreBenchRemoveCopy(copy);
    state.ResumeTiming();
  }
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["wrote"] = wrote ? 1 : 0;
}
BENCHMARK(BM_BacktestStore_FillMillionListingPacks)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The listings read of a copy whose packs are all there (one fill first,
// untimed), beside the bare pass above.
void BM_BacktestStore_PackedMillionListings(benchmark::State& state) {
  const fs::path copy = bench_support::CopyOfCachedStore(1000000, "packs-read");
  {
    store::Store s(copy);
    if (!ReadStoreInput(s, DayRange{}, 5).wrote_listing_packs) state.SkipWithError("no fill");
    s.Checkpoint();
  }
  store::Store s(copy);
  size_t listings = 0;
  int64_t from_packs = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double before = StoreBenchProcessCpu();
    StoreInputRead read = ReadStoreInput(s, DayRange{}, 5);
    cpu += StoreBenchProcessCpu() - before;
    listings = read.input.data.Listings().size();
    from_packs = read.listings_from_packs;
  }
  state.counters["listings"] = static_cast<double>(listings);
  state.counters["from_packs"] = static_cast<double>(from_packs);
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  s.DropIdleConnections();
  StoreBenchRemoveCopy(copy);
}
BENCHMARK(BM_BacktestStore_PackedMillionListings)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// "更新原数据"'s emptying of a million listings: Arg 0 on a file without
// packs (the floor), Arg 1 once the packs and their triggers are there.
void BM_BacktestStore_RemoveAllMillion(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path copy = bench_support::CopyOfCachedStore(1000000, "packs-remove");
    if (state.range(0) == 1) {
      store::Store s(copy);
      if (!ReadStoreInput(s, DayRange{}, 5).wrote_listing_packs) state.SkipWithError("no fill");
    }
    state.ResumeTiming();
    {
      store::Store s(copy);
      store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
      if (!a.RemoveAll() || a.CloseStore()) state.SkipWithError("remove failed");
    }
    state.PauseTiming();
    StoreBenchRemoveCopy(copy);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BacktestStore_RemoveAllMillion)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
