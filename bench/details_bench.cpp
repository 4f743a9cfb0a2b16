// Duplicate removal against a bare SQL delete of the same rows, and the
// details view and Seat pop-up on a store of a million listings.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "bench/details_bench_data.h"
#include "duplicates/details_view.h"
#include "duplicates/seat_tooltip.h"
#include "program/program_context.h"
#include "program/program_state.h"
#include "store/duplicate_removal.h"
#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/platform.h"

namespace {

constexpr int64_t kListings = 1'000'000;

// A platform that answers at once and counts what it was asked to show.
class QuietPlatform : public ui::Platform {
 public:
  ui::MessageAnswer ShowMessage(std::string_view, std::string_view, ui::MessageButtons,
                                ui::MessageIcon) override {
    ++messages;
    return ui::MessageAnswer::kOk;
  }
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view, std::string_view,
                                                       std::string_view) override {
    return std::nullopt;
  }
  int64_t TickCount() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  ui::DateTime Now() override { return ui::DateTime::FromParts(2010, 4, 9); }
  ui::Point PointerScreenPosition() override { return pointer; }
  ui::Point WindowScreenPosition() override { return {50, 50}; }
  std::optional<int> GridDataTopOnScreen(const ui::Grid&) override { return 242; }
  void ShowBalloon(ui::Point, std::string_view html, std::string_view, int) override {
    balloon_bytes += html.size();
  }
  void SetFocus(ui::Component&) override {}
  void StartWorker(std::function<void()> work) override { work(); }
  void PostToUi(std::function<void()> work) override { work(); }
  bool OnUiThread() const override { return true; }
  void OpenUrl(std::string_view) override {}

  int messages = 0;
  size_t balloon_bytes = 0;
  ui::Point pointer{300, 250};
};

void BM_RemoveDuplicates(benchmark::State& state) {
  const auto source = bench_support::DuplicateStore(kListings);
  const size_t expected = bench_support::DuplicateRecordNumbers(kListings).size();
  for (auto _ : state) {
    state.PauseTiming();
    const auto copy = bench_support::CopyForOneRun(source);
    {
      store::Store s(copy);
      state.ResumeTiming();
      const store::DuplicateRemovalResult result = store::RemoveDuplicates(s);
      state.PauseTiming();
      if (result.error || result.removed != static_cast<int64_t>(expected)) {
        state.SkipWithError("duplicate removal did not remove the expected records");
      }
    }
    bench_support::RemoveStoreFiles(copy);
    state.ResumeTiming();
  }
  state.counters["removed"] = static_cast<double>(expected);
}
BENCHMARK(BM_RemoveDuplicates)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The floor: deleting the same rows by rowid in one transaction, nothing
// read, nothing else written.
void BM_BareSqlDelete(benchmark::State& state) {
  const auto source = bench_support::DuplicateStore(kListings);
  const std::vector<int64_t> rowids = bench_support::DuplicateRecordNumbers(kListings);
  for (auto _ : state) {
    state.PauseTiming();
    const auto copy = bench_support::CopyForOneRun(source);
    state.ResumeTiming();
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const std::string keying = "PRAGMA key = '" + std::string(store::kAccessPassword) +
                               "'; PRAGMA cipher_page_size = 4096; PRAGMA synchronous = NORMAL;"
                               " BEGIN;";
    ok = ok && sqlite3_exec(db, keying.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* del = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "DELETE FROM \"龙虎榜\" WHERE rowid = ?", -1, &del,
                                  nullptr) == SQLITE_OK;
    for (size_t i = 0; ok && i < rowids.size(); ++i) {
      sqlite3_bind_int64(del, 1, rowids[i]);
      ok = sqlite3_step(del) == SQLITE_DONE;
      sqlite3_reset(del);
    }
    sqlite3_finalize(del);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_changes(db) >= 0;
    state.PauseTiming();
    if (!ok) state.SkipWithError(sqlite3_errmsg(db));
    sqlite3_close(db);
    bench_support::RemoveStoreFiles(copy);
    state.ResumeTiming();
  }
  state.counters["removed"] = static_cast<double>(rowids.size());
}
BENCHMARK(BM_BareSqlDelete)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A program on the big store: window, platform and values, the pooled
// connection already opened once.
struct BigStoreProgram {
  BigStoreProgram()
      : store(bench_support::DuplicateStore(kListings)),
        ctx{window, platform, store, program_state, settings} {
    window.高级表格_龙虎统计.SetColumnCount(10);
    window.高级表格_龙虎统计.SetRowCount(16);
    window.高级表格_龙虎统计.SetText(1, 0, "2010-04-09");
    store.OpenStore().CloseStore();
  }
  store::Store store;
  ui::MainWindow window;
  QuietPlatform platform;
  program::ProgramState program_state;
  program::ProgramSettings settings;
  program::ProgramContext ctx;
};

void BM_ShowListingDetails(benchmark::State& state) {
  BigStoreProgram p;
  std::mt19937_64 random(7);
  details::LayOutDetailsGrid(p.ctx);
  for (auto _ : state) {
    const int64_t n = 1 + static_cast<int64_t>(random() % kListings);
    details::LayOutDetailsGrid(p.ctx);
    details::ShowListingDetails(p.ctx, n);
    benchmark::DoNotOptimize(p.window.高级表格_上榜明细.Text(14, 6).size());
  }
  if (p.platform.messages != 0) state.SkipWithError("the details view reported a failure");
}
BENCHMARK(BM_ShowListingDetails)->Unit(benchmark::kMicrosecond);

void BM_ShowSeatTooltip(benchmark::State& state) {
  BigStoreProgram p;
  std::mt19937_64 random(11);
  ui::Grid& grid = p.window.高级表格_龙虎统计;
  grid.SetCurrentCell(1, 3);
  for (auto _ : state) {
    grid.SetInteger(1, 9, 1 + static_cast<int64_t>(random() % kListings));
    details::ShowSeatTooltip(p.window.气球提示框_席位组, p.platform, p.store, grid);
  }
  if (p.platform.messages != 0 || p.platform.balloon_bytes == 0)
    state.SkipWithError("the pop-up did not show");
}
BENCHMARK(BM_ShowSeatTooltip)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
