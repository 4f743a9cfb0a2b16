// The page 席位档案 over 50,000 identities (goal: open in under 200 ms):
// from the page coming up to its grid holding every stored identity, on the
// window model with the page's own worker, beside the floor: the same rows
// of the two tables read bare with SQLCipher in the same run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "app/event_wiring.h"
#include "program/program_context.h"
#include "ranking/range_scan.h"
#include "ranking/ranking_grids.h"
#include "ranking/rankings.h"
#include "ranking/seat_identities.h"
#include "ranking/seat_identity_lines.h"
#include "seats/seat_book.h"
#include "store/seat_book.h"
#include "text/gbk.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

constexpr int kIdentities = 50'000;

const std::filesystem::path& ArchiveStore() {
  struct File {
    File()
        : path(std::filesystem::temp_directory_path() /
               ("quorvane-seats-bench-" + std::to_string(::getpid()) + ".edb")) {
      Remove();
      store::Store store(path);
      store.EnsureStore();
      // Branch names of the listings' length; every tenth identity has an
      // older name, every fiftieth a nickname and a note.
      store::SeatBookRows rows;
      rows.present = true;
      const std::string branch = text::Gbk("证券股份有限公司上海浦东新区世纪大道证券营业部");
      for (int k = 1; k <= kIdentities; ++k) {
        store::SeatIdentityRow identity{k, std::to_string(100000 + k), text::Gbk("营业部"), {}, {}};
        if (k % 50 == 0) {
          identity.nickname = text::Gbk("昵称") + std::to_string(k);
          identity.note = text::Gbk("备注");
        }
        rows.identities.push_back(identity);
        const std::string name = text::Gbk("券商") + std::to_string(k) + branch;
        rows.names.push_back({name, k, "2005-01-04", "2010-12-31"});
        if (k % 10 == 0)
          rows.names.push_back({name + text::Gbk("旧"), k, "2001-01-04", "2004-12-31"});
      }
      std::sort(rows.names.begin(), rows.names.end(),
                [](const auto& a, const auto& b) { return a.name < b.name; });
      rows.watch.push_back({0, "500"});
      auto access = store.OpenStore(store::AccessMode::kWriter);
      if (!access.WriteSeatBook(rows) || access.CloseStore()) std::abort();
    }
    ~File() { Remove(); }
    void Remove() const {
      for (const char* side : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + side);
    }
    std::filesystem::path path;
  };
  static const File file;
  return file.path;
}

// Turning to the page until its grid shows the stored identities; the
// page's pass over the listings that follows is left to finish untimed.
void BM_SeatArchive_Open(benchmark::State& state) {
  store::Store store(ArchiveStore());
  { auto warm = store.OpenStore(); }
  int rows = 0;
  // The program of one opening, made and dropped untimed.
  struct Program {
    explicit Program(store::Store& store) : ctx{window, platform, store, program_state, settings} {
      app::WireEvents(ctx);
    }
    ui::MainWindow window;
    ui::ScriptedPlatform platform;
    program::ProgramState program_state;
    program::ProgramSettings settings;
    program::ProgramContext ctx;
  };
  for (auto _ : state) {
    state.PauseTiming();
    auto program = std::make_unique<Program>(store);
    ui::Grid& grid = program->window.seat_archive.高级表格_席位档案;
    state.ResumeTiming();
    program->window.高级选择夹1.UserSelectPage(ui::MainWindow::kSeatArchivePage);
    while (grid.RowCount() <= kIdentities) {
      if (program->platform.RunPending() == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    state.PauseTiming();
    rows = grid.RowCount() - 1;
    program->platform.RunUntilWorkersDone();
    program->platform.RunPending();
    program.reset();
    state.ResumeTiming();
  }
  state.counters["identities"] = rows;
}
BENCHMARK(BM_SeatArchive_Open)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(10);

// The part of the opening spent on the worker: the book read through the
// store and indexed.
void BM_SeatArchive_ReadBook(benchmark::State& state) {
  store::Store store(ArchiveStore());
  size_t identities = 0;
  for (auto _ : state) {
    seats::SeatBook book;
    store::StoreAccess access = store.OpenStore();
    if (!seats::LoadSeatBook(access, &book)) state.SkipWithError("read failed");
    identities = book.rows().identities.size();
  }
  state.counters["identities"] = static_cast<double>(identities);
}
BENCHMARK(BM_SeatArchive_ReadBook)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(10);

// The floor: the identities and their names, every field copied out, by
// two prepared statements on the same file.
void BM_SeatArchive_BareRows(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(ArchiveStore().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096;", nullptr,
               nullptr, nullptr);
  sqlite3_stmt* statements[2] = {nullptr, nullptr};
  sqlite3_prepare_v2(db, "SELECT 编号,营业部代码,类别,昵称,备注 FROM 席位 ORDER BY 编号", -1,
                     &statements[0], nullptr);
  sqlite3_prepare_v2(db, "SELECT 名称,席位,首见,末见 FROM 席位名称 ORDER BY 名称", -1,
                     &statements[1], nullptr);
  if (!statements[0] || !statements[1]) state.SkipWithError("prepare failed");
  std::string out[5];
  int64_t rows = 0;
  for (auto _ : state) {
    if (!statements[0] || !statements[1]) break;
    rows = 0;
    for (sqlite3_stmt* s : statements) {
      while (sqlite3_step(s) == SQLITE_ROW) {
        ++rows;
        for (int k = 0; k < sqlite3_column_count(s); ++k) {
          const void* data = sqlite3_column_blob(s, k);
          out[k].assign(data ? static_cast<const char*>(data) : "",
                        static_cast<size_t>(sqlite3_column_bytes(s, k)));
        }
      }
      sqlite3_reset(s);
    }
    benchmark::DoNotOptimize(out);
  }
  state.counters["rows"] = static_cast<double>(rows);
  for (sqlite3_stmt* s : statements) sqlite3_finalize(s);
  sqlite3_close(db);
}
BENCHMARK(BM_SeatArchive_BareRows)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(10);

// 营业部排行 by identity over the ten-year store of 1,000,000 listings that
// ranking_bench builds (run it first): what the window's worker adds to the
// ranking (nicknames beside the names, every Seat's kind and older names)
// beside the ranking by identity itself, in the same iteration.
void BM_SeatRanking_WindowIdentityFacts(benchmark::State& state) {
  const auto path =
      std::filesystem::temp_directory_path() / "quorvane-bench-stores" / "ten-years-1000000.edb";
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("no ten-year store: run ranking_bench first");
    return;
  }
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  store::Store store(path);
  double ranking_ms = 0, facts_ms = 0;
  size_t rows = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    ranking::RangeScan scan = ranking::ScanRange(store, {{}, {}, true}, false);
    seats::SeatBook book;
    ranking::BookWithNames(store, scan.data, false, &book);
    const std::vector<int64_t> identities = ranking::CountByIdentity(scan.data, book);
    const ranking::Rankings r = ranking::MakeRankings(scan.data);
    ranking::GridLines lines = ranking::RankingLines(scan.data, r, ranking::RankingKind::kSeats);
    const auto t1 = Clock::now();
    ranking::AddNicknames(lines, identities, book);
    const ranking::SeatRowFacts facts = ranking::MakeSeatRowFacts(scan.data, identities, book);
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(facts.kinds.data());
    ranking_ms += ms(t1 - t0);
    facts_ms += ms(t2 - t1);
    rows = static_cast<size_t>(lines.rows());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ranking_ms"] = ranking_ms / n;
  state.counters["window_facts_ms"] = facts_ms / n;
  state.counters["seat_rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SeatRanking_WindowIdentityFacts)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
