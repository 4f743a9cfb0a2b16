// How long the user-interface thread goes without running its events while
// 席位统计 ranks a ten-year store (1,000,000 listings, 4,000 stocks with ten
// years of daily bars each) with the track record: a timer due every
// millisecond notes the longest gap between its runs. Beside it the same
// probe on the idle window (the floor). Runs on the offscreen platform
// unless another is named.
#include <benchmark/benchmark.h>
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
#include "store/price_bars.h"
#include "store/record_store.h"

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
    std::vector<std::string> days;
    using namespace std::chrono;
    for (sys_days d = sys_days(year(2001) / 1 / 1); days.size() < kPricesUiWeekdays;
         d += std::chrono::days(1)) {
      const unsigned w = weekday(d).c_encoding();
      if (w == 0 || w == 6) continue;
      const year_month_day ymd(d);
      char t[16];
      std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                    static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
      days.push_back(t);
    }
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

// Made on first use; gone before the application object is.
std::unique_ptr<app::QtProgram>& PricesUiWindow() {
  static std::unique_ptr<app::QtProgram> program;
  return program;
}

// The longest time in milliseconds the event loop went without running the
// probe, until `done` says so (checked by the probe).
double LongestStall(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.elapsed();
  qint64 longest = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  probe.start();
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  probe.stop();
  return static_cast<double>(longest);
}

bool PricesUiIdle(app::QtProgram& p) {
  return p.platform().running_workers() == 0;
}

app::QtProgram& PricesUiProgram() {
  std::unique_ptr<app::QtProgram>& program = PricesUiWindow();
  if (!program) {
    program =
        std::make_unique<app::QtProgram>(PricesUiStore(), "127.0.0.1:9", "http://127.0.0.1:9/");
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
  double stall = 0;
  p.window().高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  LongestStall([&] { return PricesUiIdle(p); });
  for (auto _ : state) {
    QElapsedTimer took;
    took.start();
    page.单选框_近一月.UserClick();
    LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); });
    took.restart();
    page.单选框_全部.UserClick();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); }));
    // The same range with repeats counted, and back: no bars read again.
    for (int k = 0; k < 2; ++k) {
      took.restart();
      page.选择框_含重复上榜.UserClick();
      stall = std::max(stall, LongestStall([&] { return took.elapsed() > 50 && PricesUiIdle(p); }));
    }
  }
  state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_UiStallWhileRanking)->Unit(benchmark::kMillisecond)->Iterations(2);

// The floor: the same probe for a second on the idle window.
void BM_UiStallIdle(benchmark::State& state) {
  app::QtProgram& p = PricesUiProgram();
  double stall = 0;
  for (auto _ : state) {
    QElapsedTimer took;
    took.start();
    stall = std::max(stall, LongestStall([&] { return took.elapsed() > 1000; }));
  }
  (void)p;
  state.counters["longest_stall_ms"] = stall;
}
BENCHMARK(BM_UiStallIdle)->Unit(benchmark::kMillisecond)->Iterations(2);

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
  return 0;
}
