// The window's thread showing a back-test on the page "回测", on the real Qt
// window: the three grids swapped in, the chart rebuilt with both curves,
// the old cells freed and the page painted. Everything before that (the
// store read, the run, the cells) happens on the worker. A large result
// (12,470 trades, ten years of daily equity: backtest_bench's first run)
// beside a small one (10 trades, a month), the floor. And the pick list of
// "席位" filled with a large store's names and nicknames (5,000 identities)
// beside ten names, its floor.
// Runs on the offscreen platform unless another is named.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "backtest/backtest_shown.h"
#include "text/gbk.h"
#include "ui/main_window.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/window_view.h"

namespace {

struct PageOnScreen {
  ui::MainWindow window;
  ui::qt::QtPlatform platform;
  std::unique_ptr<ui::qt::WindowView> view;
};

// Views must go before the application object does.
std::unique_ptr<PageOnScreen>& Screen() {
  static std::unique_ptr<PageOnScreen> screen;
  return screen;
}

PageOnScreen& ShownPage() {
  std::unique_ptr<PageOnScreen>& s = Screen();
  if (s) return *s;
  s = std::make_unique<PageOnScreen>();
  ui::BacktestPage& page = s->window.backtest;
  backtest::SetUpBacktestGrids(page.高级表格_回测指标, page.高级表格_回测年度, page.高级表格_回测交易);
  s->view = std::make_unique<ui::qt::WindowView>(s->window, s->platform);
  s->platform.SetWindow(s->view.get());
  s->window.高级选择夹1.SetCurrentPage(ui::MainWindow::kBacktestPage);
  s->view->show();
  QApplication::processEvents();
  return *s;
}

ui::Cell BenchCell(std::string text, bool number = false) {
  ui::Cell c;
  c.text = std::move(text);
  c.is_number = number;
  if (number) c.align = static_cast<uint32_t>(ui::Align::kRight);
  return c;
}

// A result of `trades` trade rows and `days` equity points, with the texts
// a real one carries.
backtest::ShownBacktest BenchResult(int trades, int days) {
  backtest::ShownBacktest s;
  s.figures.resize(3);
  for (int r = 0; r < 16; ++r) {
    s.figures.push_back(BenchCell(text::Gbk("平均收益%")));
    s.figures.push_back(BenchCell("1.22", true));
    s.figures.push_back(BenchCell("-0.57", true));
  }
  s.years.resize(3);
  for (int y = 0; y < days / 250 + 1; ++y) {
    s.years.push_back(BenchCell(std::to_string(2010 + y)));
    s.years.push_back(BenchCell("8.29", true));
    s.years.push_back(BenchCell("10.42", true));
  }
  const std::string name = text::Gbk("三一重工");
  const std::string seat = text::Gbk("中信证券股份有限公司上海溧阳路证券营业部");
  s.trades.resize(10);
  for (int t = 0; t < trades; ++t) {
    s.trades.push_back(BenchCell("2016-11-10"));
    s.trades.push_back(BenchCell(std::to_string(600000 + t % 2000)));
    s.trades.push_back(BenchCell(name));
    s.trades.push_back(BenchCell(seat));
    s.trades.push_back(BenchCell("2016-11-11"));
    s.trades.push_back(BenchCell(std::to_string(10 + t % 90) + ".25", true));
    s.trades.push_back(BenchCell("2016-11-15"));
    s.trades.push_back(BenchCell(std::to_string(11 + t % 90) + ".03", true));
    s.trades.push_back(BenchCell(std::to_string(t % 7) + ".51", true));
    s.trades.push_back(BenchCell({}));
    s.record_numbers.push_back(t + 1);
  }
  ui::ChartData& chart = s.chart;
  chart.title = text::Gbk("累计收益(%)");
  chart.line_name = text::Gbk("规则");
  chart.baseline_name = text::Gbk("全部上榜");
  for (int d = 0; d < days; ++d) {
    chart.categories.push_back("2016-11-" + std::to_string(10 + d % 20));
    chart.line.push_back(20 * std::sin(d / 40.0) + d * 0.01);
    chart.baseline.push_back(10 * std::sin(d / 55.0) + d * 0.005);
  }
  return s;
}

void BM_BacktestPage_ShowOnWindow(benchmark::State& state) {
  PageOnScreen& s = ShownPage();
  const backtest::ShownBacktest result =
      BenchResult(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    state.PauseTiming();
    backtest::ShownBacktest copy = result;  // made on the worker in the program
    state.ResumeTiming();
    backtest::PutShownBacktest(s.window.backtest, copy);
    s.view->repaint();
    QApplication::processEvents();
  }
  state.counters["trades"] = static_cast<double>(state.range(0));
  state.counters["days"] = static_cast<double>(state.range(1));
}
BENCHMARK(BM_BacktestPage_ShowOnWindow)
    ->Args({12'470, 2'500})
    ->Args({10, 20})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The pick list takes new items after a read: two lists of `count` names
// taken in turn, so each fill changes every item.
void BM_BacktestPage_FillPickList(benchmark::State& state) {
  PageOnScreen& s = ShownPage();
  const int count = static_cast<int>(state.range(0));
  std::vector<std::string> lists[2];
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < count; ++i)
      lists[k].push_back(text::Gbk(k == 0 ? "某某证券股份有限公司第" : "另一证券有限责任公司第") +
                         std::to_string(i) + text::Gbk("路证券营业部"));
  }
  int turn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> items = lists[turn++ % 2];  // made on the worker in the program
    state.ResumeTiming();
    s.window.backtest.组合框_回测席位.SetItems(std::move(items));
    QApplication::processEvents();
  }
  state.counters["items"] = count;
}
BENCHMARK(BM_BacktestPage_FillPickList)
    ->Arg(5'000)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Screen().reset();
  return 0;
}
