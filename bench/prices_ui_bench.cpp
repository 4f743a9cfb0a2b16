// How long the user-interface thread goes without running its events while
// 席位统计 ranks a ten-year store (1,000,000 listings, 4,000 stocks with ten
// years of daily bars each) with the track record, and while "更新行情"
// fetches the bars of a range from the loopback sample source (the fetch on
// its worker, its progress posted to the window, the ranking redone at the
// end): a timer due every millisecond notes the longest gap between its
// runs. Beside them the same probe on the idle window (the floor). Runs on
// the offscreen platform unless another is named.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt_program.h"
#include "bench/store_bench_data.h"
#include "program/jobs.h"
#include "store/price_bars.h"
#include "store/record_store.h"
#include "tools/sample-source/sample_server.h"
#include "ui/qt/answer_script.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPricesUiCodes = 4000;
constexpr int kPricesUiWeekdays = 2609;  // 2001-01-01 .. 2010-12-31

// The ranking bench's ten-year store (built there, or here on first use)
// with bars for its stocks, copied and filled once per run.
fs::path PricesUiStore() {
  static const fs::path folder = [] {
    const fs::path listings = fs::temp_directory_path() / "quorvane-bench-stores" /
                              "ten-years-1000000.edb";
    const fs::path dir =
        fs::temp_directory_path() / ("quorvane-prices-ui-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    if (fs::exists(listings)) {
      fs::copy_file(listings, dir / "Data.edb");
    } else {
      bench_support::BuildStoreOnce(dir / "Data.edb", 1'000'000, bench_support::RealisticListing);
    }
    store::Store s(dir / "Data.edb");
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    using namespace std::chrono;
    const std::vector<std::string> days = bench_support::WeekdayDates(
        sys_days(year(2001) / 1 / 1), sys_days::max(), kPricesUiWeekdays);
    for (int k = 0; k < kPricesUiCodes; ++k) {
      std::vector<store::PriceBar> bars;
      double close = 10 + k % 50;
      uint64_t seed = static_cast<uint64_t>(k) + 1;
      for (const std::string& day : days) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const double open = close;
        const double change = 0.95 + static_cast<double>((seed >> 33) % 1001) / 10000;
        close = std::round(std::max(1.0, close * change) * 100) / 100;  // two decimals
        bars.push_back({day, open, std::max(open, close), std::min(open, close), close, 1000, 1e6});
      }
      a.StorePrices(bars, {std::to_string(600000 + k), "2011-01-01 18:00:00",
                           store::PriceFetchResult::kBars, "", kPricesUiWeekdays, days.front(),
                           days.back()});
    }
    a.CloseStore();
    s.Checkpoint();
    return dir;
  }();
  return folder;
}

// The loopback sample source the price updates ask, started on first use.
sample_source::SampleSource& PricesUiSource() {
  static sample_source::SampleSource* source = [] {
    auto* s = new sample_source::SampleSource;
    if (s->Start(0) < 0) std::abort();
    return s;
  }();
  return *source;
}

// Every message box (the closing messages) answered OK at once.
std::shared_ptr<ui::qt::AnswerScript> PricesUiAnswers() {
  static const std::shared_ptr<ui::qt::AnswerScript> answers = [] {
    auto a = std::make_shared<ui::qt::AnswerScript>();
    a->SetAnswerEveryQuestion(true);
    return a;
  }();
  return answers;
}

program::ProgramSettings PricesUiSettings() {
  program::ProgramSettings settings;
  settings.source_host = PricesUiSource().Host();
  settings.prices_gap_ms = 0;  // the sample source is local
  return settings;
}

// Made on first use; gone before the application object is.
std::unique_ptr<app::QtProgram>& PricesUiWindow() {
  static std::unique_ptr<app::QtProgram> program;
  return program;
}

// The processor time this thread has used, in milliseconds.
double ThreadBusyMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The longest time in milliseconds the event loop went without running the
// probe, until `done` says so (checked by the probe). `busy`, when given,
// takes the most processor time the thread used between two runs of the
// probe: on a loaded machine the gap also holds the time the thread waited
// for a core, the processor time only its own work.
double LongestStall(const std::function<bool()>& done, double* busy = nullptr) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.elapsed();
  qint64 longest = 0;
  double last_busy = ThreadBusyMs();
  double longest_busy = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
    const double now_busy = ThreadBusyMs();
    longest_busy = std::max(longest_busy, now_busy - last_busy);
    last_busy = now_busy;
  });
  probe.start();
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  probe.stop();
  if (busy) *busy = std::max(*busy, longest_busy);
  return static_cast<double>(longest);
}

bool PricesUiIdle(app::QtProgram& p) {
  return p.platform().running_workers() == 0;
}

app::QtProgram& PricesUiProgram() {
  std::unique_ptr<app::QtProgram>& program = PricesUiWindow();
  if (!program) {
    program = std::make_unique<app::QtProgram>(app::StoreFile{PricesUiStore() / "Data.edb"},
                                               PricesUiSettings(), "http://127.0.0.1:9/");
    program->platform().AnswerFrom(PricesUiAnswers());
    program->Start();
    // The first statistics refresh of the window runs before anything is
    // measured.
    LongestStall([&] { return PricesUiIdle(*program); });
  }
  return *program;
}

// The whole store ranked with the track record: the scan, the bars read,
// the returns and the grid's lines on a worker, the grid filled here.
void BM_UiStallWhileRanking(benchmark::State& state) {
  app::QtProgram& p = PricesUiProgram();
  ui::RankingPage& page = p.window().ranking;
  double stall = 0, busy = 0;
  p.window().高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  LongestStall([&] { return PricesUiIdle(p); });
  for (auto _ : state) {
    QElapsedTimer took;
    took.start();
    page.单选框_近一月.UserClick();
    LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); });
    took.restart();
    page.单选框_全部.UserClick();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); },
                                         &busy));
    // The same range with repeats counted, and back: no bars read again.
    for (int k = 0; k < 2; ++k) {
      took.restart();
      page.选择框_含重复上榜.UserClick();
      stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); },
                                           &busy));
    }
  }
  state.counters["longest_stall_ms"] = stall;
  state.counters["longest_busy_ms"] = busy;
}
BENCHMARK(BM_UiStallWhileRanking)->Unit(benchmark::kMillisecond)->Iterations(2);

// The floor: the same probe for a second on the idle window.
void BM_UiStallIdle(benchmark::State& state) {
  app::QtProgram& p = PricesUiProgram();
  double stall = 0, busy = 0;
  for (auto _ : state) {
    QElapsedTimer took;
    took.start();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 1000; }, &busy));
  }
  (void)p;
  state.counters["longest_stall_ms"] = stall;
  state.counters["longest_busy_ms"] = busy;
}
BENCHMARK(BM_UiStallIdle)->Unit(benchmark::kMillisecond)->Iterations(2);

bool PricesUiJobDone(app::QtProgram& p) {
  return p.state().job == program::Job::kNone && PricesUiIdle(p);
}

// A store holding the listings of the last month downloaded from the sample
// source, without bars: made once, copied for every update measured.
fs::path PricesUiMonthStore() {
  static const fs::path folder = [] {
    const fs::path dir =
        fs::temp_directory_path() / ("quorvane-prices-month-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    app::QtProgram p(app::StoreFile{dir / "Data.edb"}, PricesUiSettings(), "http://127.0.0.1:9/");
    p.platform().AnswerFrom(PricesUiAnswers());
    p.Start();
    LongestStall([&] { return PricesUiIdle(p); });
    p.window().单选框_月.UserClick();
    p.window().超级按钮_开始下载.UserClick();
    LongestStall([&] { return PricesUiJobDone(p); });
    p.Finish();
    return dir;
  }();
  return folder;
}

// "更新行情" on 席位统计 over the last month of a store downloaded from the
// sample source: every listed stock's bars fetched, the progress shown per
// stock, and the ranking with its track record redone at the end.
void BM_UiStallWhileUpdatingPricesOfAMonth(benchmark::State& state) {
  double stall = 0, idle = 0, busy = 0, idle_busy = 0;
  int iteration = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path dir = PricesUiMonthStore().string() + "-" + std::to_string(iteration++);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(PricesUiMonthStore() / "Data.edb", dir / "Data.edb");
    auto p = std::make_unique<app::QtProgram>(app::StoreFile{dir / "Data.edb"}, PricesUiSettings(),
                                              "http://127.0.0.1:9/");
    p->platform().AnswerFrom(PricesUiAnswers());
    p->Start();
    LongestStall([&] { return PricesUiIdle(*p); });
    p->window().高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
    p->window().ranking.单选框_近一月.UserClick();
    LongestStall([&] { return PricesUiIdle(*p); });
    // The floor: the same window idle for a second.
    QElapsedTimer took;
    took.start();
    idle = std::max(idle, LongestStall([&] { return took.elapsed() > 1000; }, &idle_busy));
    state.ResumeTiming();
    took.restart();
    p->window().ranking.超级按钮_更新行情.UserClick();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiJobDone(*p); },
                                         &busy));
    state.PauseTiming();
    p->Finish();
    p.reset();
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  state.counters["longest_stall_ms"] = stall;
  state.counters["idle_stall_ms"] = idle;
  state.counters["longest_busy_ms"] = busy;
  state.counters["idle_busy_ms"] = idle_busy;
}
BENCHMARK(BM_UiStallWhileUpdatingPricesOfAMonth)->Unit(benchmark::kMillisecond)->Iterations(2);

// "更新行情" on the ten-year store with the page on its last month
// (2010-12): its ~4,000 stocks lack the bars after the store's end, so each
// is asked; then the month is ranked again with the track record. Once:
// a second run would find every stock held.
void BM_UiStallWhileUpdatingPricesOfTheTenYearStore(benchmark::State& state) {
  app::QtProgram& p = PricesUiProgram();
  ui::RankingPage& page = p.window().ranking;
  p.window().高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  for (ui::RadioButton* quick : page.quick_ranges()) quick->SetChecked(false);
  page.日期框_统计起.UserSetValue(ui::DateTime::FromParts(2010, 12, 1));
  page.日期框_统计止.UserSetValue(ui::DateTime::FromParts(2010, 12, 31));
  LongestStall([&] { return PricesUiIdle(p); });
  double stall = 0, busy = 0;
  for (auto _ : state) {
    QElapsedTimer took;
    took.start();
    page.超级按钮_更新行情.UserClick();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiJobDone(p); },
                                         &busy));
  }
  state.counters["longest_stall_ms"] = stall;
  state.counters["longest_busy_ms"] = busy;
}
BENCHMARK(BM_UiStallWhileUpdatingPricesOfTheTenYearStore)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (PricesUiWindow()) {
    PricesUiWindow()->Finish();
    PricesUiWindow().reset();
    fs::remove_all(PricesUiStore());
  }
  fs::remove_all(fs::temp_directory_path() /
                 ("quorvane-prices-month-" + std::to_string(::getpid())));
  PricesUiSource().Stop();
  return 0;
}
