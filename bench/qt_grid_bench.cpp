// How the grid view copes with a listing grid of a million rows: a model
// reset (a refresh or a sort), painting the viewport, and scrolling to a
// far row and painting there; the same on a thousand rows as the baseline.
// Runs on the offscreen platform unless another is named.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <map>
#include <memory>
#include <random>
#include <span>

#include "text/gbk.h"
#include "ui/grid.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/qt_platform.h"

namespace {

struct Shown {
  std::unique_ptr<ui::qt::QtPlatform> platform;  // the view's exports would ask it
  std::unique_ptr<ui::Grid> grid;
  std::unique_ptr<ui::qt::GridView> view;
};

// A filled listing grid with its view on screen: ten columns of short texts
// (dates, names, codes, figures) as a refresh leaves them.
// Views must go before the application object does.
std::map<int, Shown>& Fixtures() {
  static std::map<int, Shown> fixtures;
  return fixtures;
}

Shown& Fixture(int rows) {
  Shown& shown = Fixtures()[rows];
  if (shown.grid) return shown;
  shown.grid = std::make_unique<ui::Grid>("g", nullptr, -1, ui::Rect{0, 0, 760, 410}, "");
  ui::Grid& g = *shown.grid;
  {
    ui::Grid::UpdateScope scope(g);
    g.SetColumnCount(10);
    g.SetRowCount(rows + 1);
    const std::string name = text::Gbk("浦发银行");
    const std::string seat = text::Gbk("中信证券上海溧阳路");
    for (int r = 1; r <= rows; ++r) {
      std::span<ui::Cell> row = g.MutableRow(r);
      row[0].text = "2010-04-09";
      row[1].text = name;
      row[2].text = std::to_string(600000 + r % 1000);
      row[3].text = seat;
      for (int c = 4; c < 9; ++c) {
        row[c].text = std::to_string(r % 9973) + ".125";
        row[c].align = static_cast<uint32_t>(ui::Align::kRight);
      }
      row[9].text = std::to_string(r);
    }
    g.SetStriping(ui::Striping{true, ui::Colour{255, 255, 255}, ui::Colour{232, 242, 254}});
  }
  shown.platform = std::make_unique<ui::qt::QtPlatform>();
  shown.view =
      std::make_unique<ui::qt::GridView>(g, ui::qt::GridView::Style::kListing, *shown.platform);
  shown.view->resize(760, 410);
  shown.view->show();
  QApplication::processEvents();
  return shown;
}

void PaintViewport(ui::qt::GridView& view) {
  view.viewport()->repaint();
  QApplication::processEvents();
}

// A refresh or a sort ends in one reset notification; the view re-reads
// counts, widths and heights, then paints what shows.
void BM_ResetAndPaint(benchmark::State& state) {
  Shown& s = Fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    {
      ui::Grid::UpdateScope scope(*s.grid);
      s.grid->SetRowCount(s.grid->RowCount() - 1);
      s.grid->SetRowCount(s.grid->RowCount() + 1);
    }
    PaintViewport(*s.view);
  }
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ResetAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Scrolling: jump to a random row and paint the viewport there.
void BM_ScrollAndPaint(benchmark::State& state) {
  Shown& s = Fixture(static_cast<int>(state.range(0)));
  QScrollBar* bar = s.view->verticalScrollBar();
  std::mt19937 random(7);
  for (auto _ : state) {
    bar->setValue(static_cast<int>(random() % static_cast<unsigned>(bar->maximum() + 1)));
    PaintViewport(*s.view);
  }
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ScrollAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Scrolling one step down, as the wheel does.
void BM_WheelStepAndPaint(benchmark::State& state) {
  Shown& s = Fixture(static_cast<int>(state.range(0)));
  QScrollBar* bar = s.view->verticalScrollBar();
  bar->setValue(bar->maximum() / 2);
  for (auto _ : state) {
    bar->setValue(bar->value() + 3 > bar->maximum() ? 0 : bar->value() + 3);
    PaintViewport(*s.view);
  }
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_WheelStepAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Fixtures().clear();
  return 0;
}
