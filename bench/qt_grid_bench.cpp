// How the grid view copes with a listing grid of a million rows: a model
// reset (a refresh or a sort), painting the viewport, and scrolling to a
// far row and painting there, over cells and over the statistics grid's
// records; the same on a thousand rows as the baseline.
// Runs on the offscreen platform unless another is named.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <map>
#include <memory>
#include <random>
#include <span>

#include "listing/listing_grid.h"
#include "listing/listing_records.h"
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
BENCHMARK(BM_ResetAndPaint)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_ScrollAndPaint)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_WheelStepAndPaint)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The statistics grid as a refresh leaves it: one record per listing and
// the newest-first order, cells made as they are painted.
std::map<int, Shown>& RecordFixtures() {
  static std::map<int, Shown> fixtures;
  return fixtures;
}

Shown& RecordFixture(int rows) {
  Shown& shown = RecordFixtures()[rows];
  if (shown.grid) return shown;
  auto table = std::make_shared<listing::ListingTable>();
  for (int d = 0; d < 2500; ++d)
    table->texts[0].push_back("20" + std::to_string(10 + d / 250) + "-0" +
                              std::to_string(1 + d % 9) + "-" + std::to_string(10 + d % 18));
  for (int k = 0; k < 4000; ++k) {
    table->texts[1].push_back(text::Gbk("浦发银行") + std::to_string(k));
    table->texts[2].push_back(std::to_string(600000 + k));
  }
  for (int k = 0; k < 3000; ++k)
    table->texts[3].push_back(text::Gbk("中信证券上海溧阳路") + std::to_string(k));
  table->records.resize(static_cast<size_t>(rows));
  std::vector<uint32_t> order(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    listing::ListingRecord& record = table->records[static_cast<size_t>(r)];
    const auto u = static_cast<uint32_t>(r);
    record.text = {u / 400 % 2500, u * 7 % 4000, u * 7 % 4000, u * 13 % 3000};
    const int64_t buy = 1000 + r % 99991 * 17;
    const int64_t sell = 500 + r % 9973 * 31;
    record.figure = {buy, sell, buy - sell, r % 5 == 0 ? listing::kNoFigure : (buy - sell) % 2000};
    record.record_number = r + 1;
    order[static_cast<size_t>(r)] = static_cast<uint32_t>(rows - 1 - r);
  }
  auto source = std::make_shared<listing::ListingRowSource>(std::move(table), std::move(order),
                                                            rows, true);
  source->set_coloured(true);
  shown.grid = std::make_unique<ui::Grid>("g", nullptr, -1, ui::Rect{0, 0, 760, 410}, "");
  ui::Grid& g = *shown.grid;
  {
    ui::Grid::UpdateScope scope(g);
    g.SetColumnCount(listing::kListingColumnCount);
    g.SetRowSource(source, source->row_count());
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

// A repaint of the statistics grid over its records at a far row: every
// visible cell made from its record and painted.
void BM_ListingGridRepaint(benchmark::State& state) {
  Shown& s = RecordFixture(static_cast<int>(state.range(0)));
  QScrollBar* bar = s.view->verticalScrollBar();
  bar->setValue(bar->maximum() / 2);
  QApplication::processEvents();
  for (auto _ : state) PaintViewport(*s.view);
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ListingGridRepaint)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Fixtures().clear();
  RecordFixtures().clear();
  return 0;
}
