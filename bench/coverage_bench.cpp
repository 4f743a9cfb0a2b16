// The download log's costs: a page's scrape-and-store with and without its
// row (pages of 8 and 60 stocks), the page "下载记录" filled for ten years
// (2,609 weekdays x 3 boards), and the gap fill's plan for a ten-year range
// on a store of 1,000,000 listings, with the store's connections kept and
// with a fresh store object each time (the key derived again). Also the
// rebuild of the log from those million listings, once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/store_bench_data.h"
#include "download_log/coverage_page.h"
#include "download/log_plan.h"
#include "download/download_run.h"
#include "download/page_scraper.h"
#include "program/program_context.h"
#include "tools/sample-source/sample_pages.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

using text::DateTime;

const std::vector<std::string>& TenYears() {
  static const std::vector<std::string> dates =
      coverage::RangeWeekdays(DateTime::FromParts(2000, 1, 1), DateTime::FromParts(2009, 12, 31));
  return dates;
}

std::filesystem::path FreshStorePath(const std::string& tag) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("quorvane-coverage-bench-" + tag + "-" + std::to_string(::getpid()) + ".edb");
  for (const char* side : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + side);
  return path;
}

void RemoveStore(const std::filesystem::path& path) {
  for (const char* side : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + side);
}

// Writes a row for every board and date of ten years: mostly stored, every
// 50th page failed, every 97th day missing.
void WriteTenYearsOfLog(store::Store& store) {
  auto access = store.OpenStore(store::AccessMode::kWriter);
  access.BeginBatch();
  int n = 0;
  for (const std::string& date : TenYears()) {
    if (++n % 97 == 0) continue;
    for (int board = 0; board < 3; ++board) {
      store::PageLogEntry e;
      e.board = board;
      e.date = date;
      e.outcome = (n + board) % 50 == 0 ? store::PageOutcome::kFailed : store::PageOutcome::kStored;
      e.failure = e.outcome == store::PageOutcome::kFailed ? store::PageFailure::kTimeout
                                                           : store::PageFailure::kNone;
      e.listings = e.outcome == store::PageOutcome::kStored ? 5 + (n + board) % 20 : 0;
      e.bytes = 20000;
      e.status = 200;
      e.fetched_at = date + " 20:00:00";
      access.WritePageLog(e);
    }
  }
  access.CommitBatch();
  access.CloseStore();
}

// One page parsed and stored in its batch, as the download does it; arg 0
// is the page's stocks, arg 1 whether its log row goes into the batch.
void BM_ScrapeAndStorePage(benchmark::State& state) {
  const int stocks = static_cast<int>(state.range(0));
  const bool with_log = state.range(1) != 0;
  const std::string page =
      sample_source::RenderPage(1, "2010-06-04", sample_source::GenerateStocks(1, 42, stocks));
  const auto path = FreshStorePath(with_log ? "log" : "plain");
  store::Store store(path);
  if (store.EnsureStore()) {
    state.SkipWithError("no store");
    return;
  }
  auto access = store.OpenStore(store::AccessMode::kWriter);
  const auto& dates = TenYears();
  size_t i = 0;
  for (auto _ : state) {
    const std::string& date = dates[i % dates.size()];
    const download::PageKey key{download::kMarkets[i / dates.size() % 3], date};
    ++i;
    download::SourcePage fetched;
    fetched.fetch.ok = true;
    fetched.fetch.status = 200;
    fetched.fetch.body_bytes = page.size();
    fetched.parsed = download::ParseListingPage(download::Market::kShenzhen, page);
    const store::PageLogEntry row =
        download::PageLogOf(key, fetched, "2010-06-07", DateTime::FromParts(2010, 6, 7, 20));
    const auto result =
        download::StoreListings(fetched.parsed, date, access, with_log ? &row : nullptr);
    if (result.error || result.stored != stocks) {
      state.SkipWithError("store failed");
      break;
    }
  }
  access.CloseStore();
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  RemoveStore(path);
}
BENCHMARK(BM_ScrapeAndStorePage)
    ->ArgsProduct({{8, 60}, {0, 1}})
    ->ArgNames({"stocks", "log"})
    ->Unit(benchmark::kMicrosecond);

// The page "下载记录" for ten years: the log read, the grid filled, the
// totals counted, as the page's refresh does on the user-interface thread.
void BM_FillLogPageTenYears(benchmark::State& state) {
  const auto path = FreshStorePath("grid");
  store::Store store(path);
  store.EnsureStore();
  WriteTenYearsOfLog(store);
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  program::ProgramState program_state;
  program::ProgramSettings settings;
  program::ProgramContext ctx{window, platform, store, program_state, settings};
  for (ui::RadioButton* b : window.download_log.quick_ranges()) b->SetChecked(false);
  window.download_log.日期框_记录开始.SetValue(DateTime::FromParts(2000, 1, 1));
  window.download_log.日期框_记录结束.SetValue(DateTime::FromParts(2009, 12, 31));
  coverage::RefreshDownloadLogPage(ctx);  // the connection is kept from here on
  for (auto _ : state) {
    coverage::RefreshDownloadLogPage(ctx);
    benchmark::DoNotOptimize(window.download_log.高级表格_下载记录.RowCount());
  }
  if (window.download_log.高级表格_下载记录.RowCount() != 2610) state.SkipWithError("rows lost");
  state.counters["cells"] = 2609 * 3;
  store.DropIdleConnections();
  RemoveStore(path);
}
BENCHMARK(BM_FillLogPageTenYears)->Unit(benchmark::kMillisecond);

// A copy of the cached million-listing store with ten years of log, made
// on first use and removed when the program ends.
const std::filesystem::path& MillionWithLog() {
  struct Copy {
    Copy() : path(bench_support::CopyOfCachedStore(1'000'000, "coverage")) {
      store::Store store(path);
      WriteTenYearsOfLog(store);
    }
    ~Copy() { RemoveStore(path); }
    std::filesystem::path path;
  };
  static const Copy copy;
  return copy.path;
}

// arg 0: 1 keeps the store's connections between plans, 0 opens the file
// afresh every time.
void BM_PlanGapFillTenYearsMillionListings(benchmark::State& state) {
  const bool kept = state.range(0) != 0;
  store::Store kept_store(MillionWithLog());
  size_t pages = 0;
  for (auto _ : state) {
    if (kept) {
      pages = coverage::PlanMissingPages(kept_store, TenYears()).pages.size();
    } else {
      store::Store store(MillionWithLog());
      pages = coverage::PlanMissingPages(store, TenYears()).pages.size();
    }
  }
  // 26 missing days and the failed pages.
  if (pages < 26 * 3) state.SkipWithError("plan too short");
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_PlanGapFillTenYearsMillionListings)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("kept")
    ->Unit(benchmark::kMillisecond);

void BM_RebuildLogMillionListings(benchmark::State& state) {
  store::Store store(MillionWithLog());
  int64_t rows = 0;
  for (auto _ : state) {
    auto access = store.OpenStore(store::AccessMode::kWriter);
    if (!access.RebuildPageLog(&rows)) state.SkipWithError("rebuild failed");
    access.CloseStore();
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RebuildLogMillionListings)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
