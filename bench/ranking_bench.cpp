// The ranking page on a ten-year store of 1,000,000 listings: a full-range
// 营业部排行 beside a bare scan of the five fields it reads (the floor),
// with its peak memory; a one-month range; and the longest stretch the
// user-interface thread spends on the page's results.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "app/event_wiring.h"
#include "bench/store_bench_data.h"
#include "program/program_context.h"
#include "ranking/range_scan.h"
#include "ranking/ranking_grids.h"
#include "ranking/rankings.h"
#include "ranking/seat_identities.h"
#include "seats/summary.h"
#include "text/gbk.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

// Resident memory of the process: now, and the peak since the last reset.
double ResidentMegabytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024;
  return 0;
}
void ResetPeakResident() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A ten-year store: 1,000,000 listings over the weekdays of 2001 to 2010,
// with a few thousand branches of uneven activity, "机构专用" in most
// listings, and 3,000 stocks.
std::array<std::string, store::kFieldCount> TenYearListing(int64_t n) {
  static const char* const brokers[] = {
      "中信", "国泰君安", "华泰", "国信", "招商", "光大", "银河", "申万宏源", "东吴", "财通",
      "广发", "海通",     "安信", "长江", "兴业", "方正", "平安", "东方",     "中金", "湘财"};
  static const char* const cities[] = {"上海", "深圳", "宁波", "杭州", "温岭",
                                       "苏州", "绍兴", "无锡", "北京", "成都"};
  static const char* const roads[] = {"溧阳路", "解放南路", "泰然九路", "益田路", "江苏路",
                                      "福山路", "中华路",   "庆春路",   "西北街", "清扬路"};
  static constexpr int64_t kListings = 1'000'000;
  static constexpr int64_t kWeekdays = 2609;  // 2001-01-01 .. 2010-12-31
  std::array<std::string, store::kFieldCount> f = bench_support::RealisticListing(n);
  const int64_t weekday = (n - 1) * kWeekdays / kListings;
  f[0] = text::DateTime::FromParts(2001, 1, 1).AddDays(weekday / 5 * 7 + weekday % 5).DateText();
  uint64_t h = static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull;
  const auto next = [&h] {
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h >> 16;
  };
  char code[8];
  const uint64_t stock = next() % 3000;
  std::snprintf(code, sizeof code, "%06llu", static_cast<unsigned long long>(600000 + stock));
  f[2] = code;
  f[1] = text::Gbk("股") + std::to_string(stock);  // a name per stock
  for (int side = 0; side < 2; ++side) {
    std::string block;
    for (int k = 0; k < 5; ++k) {
      if (k) block += "|";
      if (next() % 10 < 3) {
        block += text::Gbk("机构专用");
      } else {
        // Uneven: low numbers come far more often.
        const uint64_t a = next() % 2000, b = next() % 2000;
        const uint64_t branch = a * b / 2000;
        block += text::Gbk(std::string(brokers[branch % 20]) + "证券股份有限公司" +
                           cities[branch / 20 % 10] + roads[branch / 200 % 10] + "证券营业部");
      }
      char amounts[64];
      std::snprintf(amounts, sizeof amounts, "|%llu.%02llu|%llu.%02llu",
                    static_cast<unsigned long long>(next() % 90000000 + 10000),
                    static_cast<unsigned long long>(next() % 100),
                    static_cast<unsigned long long>(next() % 90000000),
                    static_cast<unsigned long long>(next() % 100));
      block += amounts;
    }
    f[static_cast<size_t>(7 + side)] = block;
  }
  return f;
}

std::filesystem::path TenYearStore() {
  const auto path =
      std::filesystem::temp_directory_path() / "quorvane-bench-stores" / "ten-years-1000000.edb";
  return bench_support::BuildStoreOnce(path, 1'000'000, TenYearListing);
}

// What the page's worker does: the scan, the three rankings, their lines.
struct WorkerPart {
  int64_t listings = 0;
  size_t rows = 0;
  double scan_ms = 0, rankings_ms = 0, lines_ms = 0;
  double rankings_cpu_ms = 0;  // of the one thread that works them out
  double process_cpu_ms = 0;
};

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
WorkerPart RankWorkerPart(store::Store& store, const ranking::DateRange& range) {
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
  };
  WorkerPart part;
  const double process_start = ProcessCpuMs();
  const auto t0 = Clock::now();
  auto scan = ranking::ScanRange(store, range, false);
  const auto t1 = Clock::now();
  const double thread_start = ThreadCpuMs();
  const ranking::Rankings r = ranking::MakeRankings(scan.data);
  part.rankings_cpu_ms = ThreadCpuMs() - thread_start;
  const auto t2 = Clock::now();
  for (auto kind : {ranking::RankingKind::kSeats, ranking::RankingKind::kStocks,
                    ranking::RankingKind::kInstitutions})
    part.rows += static_cast<size_t>(ranking::RankingLines(scan.data, r, kind).rows());
  const auto t3 = Clock::now();
  part.listings = scan.data.range_listings;
  part.scan_ms = ms(t0, t1);
  part.rankings_ms = ms(t1, t2);
  part.lines_ms = ms(t2, t3);
  part.process_cpu_ms = ProcessCpuMs() - process_start;
  return part;
}

void Report(benchmark::State& state, const WorkerPart& part) {
  state.counters["listings"] = static_cast<double>(part.listings);
  state.counters["rows"] = static_cast<double>(part.rows);
  state.counters["scan_ms"] = part.scan_ms;
  state.counters["rankings_ms"] = part.rankings_ms;
  state.counters["lines_ms"] = part.lines_ms;
  state.counters["rankings_cpu_ms"] = part.rankings_cpu_ms;
  state.counters["process_cpu_ms"] = part.process_cpu_ms;
}

void BM_SeatRanking_FullRange(benchmark::State& state) {
  store::Store store(TenYearStore());
  { auto warm = store.OpenStore(); }
  WorkerPart part;
  double peak = 0;
  const double before = ResidentMegabytes("VmRSS:");
  for (auto _ : state) {
    ResetPeakResident();
    part = RankWorkerPart(store, {{}, {}, true});
    peak = std::max(peak, ResidentMegabytes("VmHWM:"));
  }
  Report(state, part);
  state.counters["rss_before_MB"] = before;
  state.counters["peak_rss_MB"] = peak;
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SeatRanking_FullRange)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same, counted by Seat identity (the book read and the names taken in
// on every run, as the page's worker does), on a store whose book has 400
// branches merged in pairs: against BM_SeatRanking_FullRange, the goal is
// within 1.1x.
void PrepareTenYearBook(store::Store& store) {
  seats::SeatBook book;
  {
    auto access = store.OpenStore();
    seats::LoadSeatBook(access, &book);
  }
  if (!book.rows().identities.empty()) return;
  const auto whole = ranking::ScanRange(store, {{}, {}, true}, false);
  ranking::BookWithNames(store, whole.data, false, &book);
  std::vector<int64_t> ids;
  for (const auto& row : book.rows().identities) ids.push_back(row.id);
  for (size_t k = 0; k + 1 < ids.size() && k < 400; k += 2) book.Merge(ids[k + 1], ids[k]);
  // A watch list for the summary: 20 identities and 5 codes.
  for (size_t k = 0; k < ids.size() && k < 40; k += 2) book.SetWatch(0, std::to_string(ids[k]), true);
  for (const char* code : {"600001", "600100", "600200", "600300", "600400"})
    book.SetWatch(1, code, true);
  auto access = store.OpenStore();
  seats::SaveSeatBook(access, book);
}

void BM_SeatRanking_FullRange_ByIdentity(benchmark::State& state) {
  store::Store store(TenYearStore());
  PrepareTenYearBook(store);
  using Clock = std::chrono::steady_clock;
  WorkerPart part;
  size_t rows = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    auto scan = ranking::ScanRange(store, {{}, {}, true}, false);
    const auto t1 = Clock::now();
    seats::SeatBook book;
    ranking::BookWithNames(store, scan.data, false, &book);
    ranking::CountByIdentity(scan.data, book);
    const ranking::Rankings r = ranking::MakeRankings(scan.data);
    const auto t2 = Clock::now();
    part.rows = 0;
    for (auto kind : {ranking::RankingKind::kSeats, ranking::RankingKind::kStocks,
                      ranking::RankingKind::kInstitutions})
      part.rows += static_cast<size_t>(ranking::RankingLines(scan.data, r, kind).rows());
    const auto t3 = Clock::now();
    rows = r.seats.size();
    part.listings = scan.data.range_listings;
    part.scan_ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    part.rankings_ms = std::chrono::duration<double, std::milli>(t2 - t1).count();
    part.lines_ms = std::chrono::duration<double, std::milli>(t3 - t2).count();
  }
  Report(state, part);
  state.counters["seat_rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SeatRanking_FullRange_ByIdentity)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The evening summary of one day on the ten-year store (goal: under
// 100 ms): the day's listings, the book, the items and their JSON.
void BM_Summary_OneDayOfTenYears(benchmark::State& state) {
  store::Store store(TenYearStore());
  PrepareTenYearBook(store);
  size_t items = 0;
  for (auto _ : state) {
    const auto scan = ranking::ScanRange(store, {"2008-06-11", "2008-06-11"}, true);
    seats::SeatBook book;
    ranking::BookWithNames(store, scan.data, false, &book);
    const seats::Summary s =
        seats::MakeSummary("2008-06-11", ranking::DayListings(scan.data), book);
    benchmark::DoNotOptimize(seats::SummaryJson(s));
    items = s.items.size();
  }
  state.counters["items"] = static_cast<double>(items);
}
BENCHMARK(BM_Summary_OneDayOfTenYears)->Unit(benchmark::kMillisecond)->Iterations(10);

// The floor: the five fields the ranking reads, in record order, by one
// prepared statement on the same file, each copied out.
void BM_BareScanOfTheFiveFields(benchmark::State& state) {
  const auto path = TenYearStore();
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096;", nullptr,
               nullptr, nullptr);
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(db, "SELECT 日期,股名,代码,席位金额买,席位金额卖 FROM 龙虎榜 ORDER BY rowid",
                     -1, &scan, nullptr);
  if (!scan) state.SkipWithError("prepare failed");
  std::string out[5];
  for (auto _ : state) {
    if (!scan) break;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      for (int k = 0; k < 5; ++k) {
        const void* data = sqlite3_column_blob(scan, k);
        out[k].assign(data ? static_cast<const char*>(data) : "",
                      static_cast<size_t>(sqlite3_column_bytes(scan, k)));
      }
    }
    sqlite3_reset(scan);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  sqlite3_finalize(scan);
  sqlite3_close(db);
}
BENCHMARK(BM_BareScanOfTheFiveFields)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SeatRanking_OneMonthOfTenYears(benchmark::State& state) {
  store::Store store(TenYearStore());
  { auto warm = store.OpenStore(); }
  WorkerPart part;
  for (auto _ : state) part = RankWorkerPart(store, {"2006-03-01", "2006-03-31"});
  Report(state, part);
}
BENCHMARK(BM_SeatRanking_OneMonthOfTenYears)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole page on the window model over 1,000,000 listings (全部): the
// longest time the user-interface thread spends at once on what the
// workers post, for the ranking, a double-click on the busiest row (its
// listings and chart), a kind change and a header-click sort.
void BM_RankingPage_LongestUiThreadStretch(benchmark::State& state) {
  store::Store store(TenYearStore());
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  program::ProgramState program_state;
  program::ProgramSettings settings;
  program::ProgramContext ctx{window, platform, store, program_state, settings};
  app::WireEvents(ctx);
  ui::RankingPage& page = window.ranking;
  double longest = 0;
  const auto pump_until_idle = [&] {
    for (;;) {
      while (platform.running_workers() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const auto start = std::chrono::steady_clock::now();
      const int ran = platform.RunPending();
      longest = std::max(longest, std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
      if (ran == 0 && platform.running_workers() == 0) return;
    }
  };
  const auto timed = [&](const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    longest = std::max(
        longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  };
  for (auto _ : state) {
    longest = 0;
    timed([&] { page.单选框_全部.UserClick(); });
    pump_until_idle();
    timed([&] { page.高级表格_席位排行.UserDoubleClick(1, 0); });
    pump_until_idle();
    timed([&] { page.单选框_个股统计.UserClick(); });
    pump_until_idle();
    timed([&] { page.高级表格_席位排行.UserHeaderClick(1); });
    timed([&] { page.单选框_营业部排行.UserClick(); });
    pump_until_idle();
    state.SetIterationTime(longest / 1000);
  }
  state.counters["ranking_rows"] = static_cast<double>(page.高级表格_席位排行.RowCount() - 1);
  state.counters["listing_rows"] = static_cast<double>(page.高级表格_排行明细.RowCount() - 1);
}
BENCHMARK(BM_RankingPage_LongestUiThreadStretch)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
