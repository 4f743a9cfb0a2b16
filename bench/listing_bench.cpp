// The listing grids on big stores: the statistics refresh end to end beside
// a bare scan of the same six fields (the floor), the share of the refresh
// that runs on the user-interface thread when a worker refreshes, a header
// click sort, the search over the full grid, and the memory of the filled
// grid per listing and the resident peak of the filled window.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "bench/store_bench_data.h"
#include "listing/grid_sort.h"
#include "listing/listing_records.h"
#include "listing/search.h"
#include "listing/statistics_refresh.h"
#include "program/program_context.h"
#include "program/program_state.h"
#include "store/record_store.h"
#include "text/gbk.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

// CPU seconds of every thread of the process so far: the refresh reads the
// store on a thread of its own, which the benchmark's CPU column leaves out.
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A whole program on one of the cached stores.
struct Program {
  explicit Program(int64_t listings)
      : store(bench_support::CachedStore(listings)),
        ctx{window, platform, store, state, settings} {}
  store::Store store;
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  program::ProgramState state;
  program::ProgramSettings settings;
  program::ProgramContext ctx;
};

void BM_RefreshStatistics(benchmark::State& state) {
  Program p(state.range(0));
  listing::RefreshStatistics(p.ctx);  // the store's connection is opened once before
  const double cpu = ProcessCpuSeconds();
  for (auto _ : state) listing::RefreshStatistics(p.ctx);
  state.counters["process_cpu_ms"] =
      (ProcessCpuSeconds() - cpu) * 1000 / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["listings"] = static_cast<double>(p.state.statistics_listing_count);
}
BENCHMARK(BM_RefreshStatistics)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The floor: the six fields the statistics read, in record order, by one
// prepared statement on the same file.
void BM_BareScanOfTheSixFields(benchmark::State& state) {
  const auto path = bench_support::CachedStore(state.range(0));
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096;", nullptr,
               nullptr, nullptr);
  sqlite3_stmt* scan = nullptr;
  sqlite3_prepare_v2(
      db, "SELECT 日期,股名,代码,成交额,席位金额买,席位金额卖 FROM 龙虎榜 ORDER BY rowid", -1,
      &scan, nullptr);
  if (!scan) state.SkipWithError("prepare failed");
  std::string out[6];
  const double cpu = ProcessCpuSeconds();
  for (auto _ : state) {
    if (!scan) break;
    int64_t n = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      for (int k = 0; k < 6; ++k) {
        const void* data = sqlite3_column_blob(scan, k);
        out[k].assign(data ? static_cast<const char*>(data) : "",
                      static_cast<size_t>(sqlite3_column_bytes(scan, k)));
      }
      ++n;
    }
    sqlite3_reset(scan);
    benchmark::DoNotOptimize(out);
    state.counters["listings"] = static_cast<double>(n);
  }
  state.counters["process_cpu_ms"] =
      (ProcessCpuSeconds() - cpu) * 1000 / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * state.range(0));
  sqlite3_finalize(scan);
  sqlite3_close(db);
}
BENCHMARK(BM_BareScanOfTheSixFields)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A refresh on a worker: the time the user-interface thread spends on the
// one task that puts the rows in.
void BM_RefreshOnAWorker_UiThreadShare(benchmark::State& state) {
  Program p(state.range(0));
  listing::RefreshStatistics(p.ctx);
  for (auto _ : state) {
    p.platform.StartWorker([&p] { listing::RefreshStatistics(p.ctx); });
    while (p.platform.running_workers() > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto start = std::chrono::steady_clock::now();
    p.platform.RunPending();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_RefreshOnAWorker_UiThreadShare)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// Header clicks on one column of the filled statistics grid; each click
// flips the direction, so every iteration really reorders the rows. A
// click on many rows sorts on a worker: the time runs until its order is
// shown, ui_ms is what the user-interface thread spent of it and
// process_cpu_ms the CPU of every thread.
void BM_HeaderClickSort(benchmark::State& state) {
  const int64_t listings = state.range(1);
  Program p(listings);
  listing::RefreshStatistics(p.ctx);
  ui::Grid& grid = p.window.高级表格_龙虎统计;
  const int column = static_cast<int>(state.range(0));
  double ui_seconds = 0;
  bool off_ui = false;
  const double cpu = ProcessCpuSeconds();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    grid.UserHeaderClick(column);
    listing::OnListingHeaderClicked(p.ctx, grid);
    ui_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (grid.busy()) {
      off_ui = true;
      while (p.platform.running_workers() > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      const auto swap = std::chrono::steady_clock::now();
      p.platform.RunPending();
      ui_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - swap).count();
    }
  }
  state.SetItemsProcessed(state.iterations() * listings);
  state.counters["ui_ms"] = ui_seconds * 1000 / static_cast<double>(state.iterations());
  // Every thread's CPU, the worker's included.
  state.counters["process_cpu_ms"] =
      (ProcessCpuSeconds() - cpu) * 1000 / static_cast<double>(state.iterations());
  state.counters["off_ui"] = off_ui ? 1 : 0;
}
// Every column that sorts: 0-3 texts (date, name, code, Seat), 4-7 figures.
BENCHMARK(BM_HeaderClickSort)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {100'000, 1'000'000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A code search over the full statistics grid: the scan of its rows and
// the fill of the search grid with its hits.
void BM_RunSearch(benchmark::State& state) {
  Program p(state.range(1));
  listing::RefreshStatistics(p.ctx);
  p.window.高级选择夹1.SetCurrentPage(ui::MainWindow::kSearchPage);
  const bool hits = state.range(0) != 0;
  p.window.单选框_代码.SetChecked(true);
  p.window.编辑框_搜索.UserEdit(hits ? "600001" : "699999");
  for (auto _ : state) {
    listing::RunSearch(p.ctx);
    p.platform.ClearMessages();
  }
  state.counters["hits"] = static_cast<double>(p.state.search_record_numbers.size());
}
// 0: a code no listing has (the bare scan); 1: a code with its listings.
BENCHMARK(BM_RunSearch)
    ->ArgsProduct({{0, 1}, {100'000, 1'000'000}})
    ->Unit(benchmark::kMillisecond);

// Heap bytes per listing that the filled statistics grid holds: measured by
// the allocator before and after the grid is filled, and counted from the
// cells (the row array plus the texts too long for a string's own buffer).
void BM_FilledGridMemory(benchmark::State& state) {
  const int64_t listings = state.range(0);
  for (auto _ : state) {
    Program p(listings);
    { auto warm = p.store.OpenStore(); }  // the connection and its caches count elsewhere
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    listing::RefreshStatistics(p.ctx);
    malloc_trim(0);
    const size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;
    const listing::ListingRowSource* source = listing::ListingSourceOf(p.window.高级表格_龙虎统计);
    if (!source) {
      state.SkipWithError("the grid holds no records");
      break;
    }
    const listing::ListingTable& table = source->table();
    size_t texts = 0;
    for (const auto& column : table.texts) texts += column.size();
    const double n = static_cast<double>(listings);
    state.counters["measured_bytes_per_listing"] = static_cast<double>(after - before) / n;
    // The record and its place in the order, then everything with the texts.
    state.counters["record_bytes_per_listing"] =
        static_cast<double>(sizeof(listing::ListingRecord) + sizeof(uint32_t));
    state.counters["counted_bytes_per_listing"] = static_cast<double>(source->Bytes()) / n;
    state.counters["interned_texts"] = static_cast<double>(texts);
  }
}
BENCHMARK(BM_FilledGridMemory)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The resident peak (VmHWM) of a process holding the window with the
// statistics grid of a whole store filled; run it in a process of its own
// (--benchmark_filter=BM_WindowPeakResident/1000000) for the window's figure.
void BM_WindowPeakResident(benchmark::State& state) {
  for (auto _ : state) {
    Program p(state.range(0));
    listing::RefreshStatistics(p.ctx);
    benchmark::DoNotOptimize(p.window.高级表格_龙虎统计.RowCount());
  }
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      state.counters["VmHWM_MB"] = std::stod(line.substr(6)) / 1024;
    if (line.rfind("VmRSS:", 0) == 0)
      state.counters["VmRSS_MB"] = std::stod(line.substr(6)) / 1024;
  }
}
BENCHMARK(BM_WindowPeakResident)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
