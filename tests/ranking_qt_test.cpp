// The page "席位统计" on the real widgets: every component a widget inside
// the page's frame, named for assistive tools by its caption; header
// clicks on the ranking view sort it; "导出CSV…" writes what the view
// shows; the chart view shows the bars in two colours and the running net.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QBarSet>
#include <QContextMenuEvent>
#include <QLineSeries>
#include <QMenu>
#include <QStackedBarSeries>
#include <QtTest/QTest>
#include <memory>

#include "tests/e2e_support.h"
#include "store/price_bars.h"
#include "tests/program_fixture.h"
#include "ui/qt/chart_view.h"
#include "ui/qt/fonts.h"

namespace {

using namespace e2e;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::SeatBlock;

ListingRecord Listing(const std::string& date, const std::string& code,
                      const std::vector<testing_support::Seat>& buys) {
  ListingRecord r = testing_support::MakeListing(date, "股" + code, code, "10000");
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock({{"B", "0", "5000.00"}});
  return r;
}

class RankingQt : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      store::Store store(store::StorePath(folder.path()));
      ASSERT_FALSE(store.EnsureStore().has_value());
      // Three days before the scripted today of the Qt platform's clock do
      // not matter: the page is given its range by hand below.
      testing_support::WriteListings(
          store,
          {Listing("2010-04-07", "600001", {{"A", "90000.00", "0"}, {G("机构专用"), "10.00", "0"}}),
           Listing("2010-04-08", "600002", {{"A", "0", "30000.00"}, {"C", "100000.00", "0"}}),
           Listing("2010-04-09", "600001", {{"A", "20000.00", "0"}, {"D", "9.00", "0"}})});
      // Daily bars for the chart's second view: 600002 20 -> 18 after C's
      // buy; 600001 10 -> 12 -> 9.
      store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
      const auto bar = [](const char* date, double close) {
        return store::PriceBar{date, close, close, close, close, 1, 1};
      };
      ASSERT_TRUE(a.StorePrices({bar("2010-04-07", 10), bar("2010-04-08", 12), bar("2010-04-09", 9)},
                                store::PriceLogEntry{"600001", "2010-04-09 20:00:00",
                                                     store::PriceFetchResult::kBars, "", 3,
                                                     "2010-04-07", "2010-04-09"}));
      ASSERT_TRUE(a.StorePrices({bar("2010-04-08", 20), bar("2010-04-09", 18)},
                                store::PriceLogEntry{"600002", "2010-04-09 20:00:00",
                                                     store::PriceFetchResult::kBars, "", 2,
                                                     "2010-04-08", "2010-04-09"}));
      ASSERT_FALSE(a.CloseStore());
    }
    program = std::make_unique<app::QtProgram>(folder.path(), "127.0.0.1:9", "http://127.0.0.1:9/");
    boxes.Attach(*program);
    program->Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program->view()));
    ASSERT_TRUE(Settle(*program));
    ClickTab(*program, ui::MainWindow::kRankingPage);
    ASSERT_TRUE(Settle(*program));
    // The three days, picked in the date boxes as a user would.
    page().日期框_统计起.UserSetValue(text::DateTime::FromParts(2010, 4, 7));
    page().日期框_统计止.UserSetValue(text::DateTime::FromParts(2010, 4, 9));
    ASSERT_TRUE(Settle(*program));
  }
  ui::RankingPage& page() { return program->window().ranking; }
  ui::qt::GridView& Ranking() { return View(*program, page().高级表格_席位排行); }
  std::vector<QString> Column(ui::qt::GridView& view, int column, int rows) {
    std::vector<QString> cells;
    for (int r = 1; r <= rows; ++r) cells.push_back(CellShown(view, r, column));
    return cells;
  }

  testing_support::TempDir folder;
  ModalScript boxes;
  std::unique_ptr<app::QtProgram> program;
};

TEST_F(RankingQt, EveryComponentIsAWidgetInsideTheFrameNamedByItsCaption) {
  const ui::Rect frame = page().外形框_席位统计.place();
  EXPECT_EQ(frame, (ui::Rect{1, 58, 739, 384}));
  for (ui::Component* c : page().components()) {
    SCOPED_TRACE(c->name());
    QWidget* w = program->view().WidgetFor(*c);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QString::fromStdString(c->name()));
    if (c->container() == &page().外形框_席位统计) {
      const ui::Rect& r = c->place();
      EXPECT_GE(r.left, 0);
      EXPECT_GE(r.top, 0);
      EXPECT_LE(r.left + r.width, frame.width);
      EXPECT_LE(r.top + r.height, frame.height);
    }
    // What assistive tools read as the widget's name.
    if (!c->caption().empty()) {
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(accessible, nullptr);
      EXPECT_EQ(accessible->text(QAccessible::Name), ui::qt::FromGbk(c->caption()));
    }
  }
  EXPECT_EQ(program->view().WidgetFor(page().日期框_统计起)->accessibleName(), Q("开始日期"));
  EXPECT_EQ(Ranking().accessibleName(), Q("席位排行"));
  EXPECT_EQ(program->view().WidgetFor(page().图表_席位净额)->accessibleName(), Q("席位净额"));
  EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(RankingQt, HeaderClicksSortTheRealViewAndTheMenuExportsIt) {
  // Nets: C 10, A 8, 机构专用 0.001 -> 0, D 0, B -1.5.
  ASSERT_EQ(CellShown(Ranking(), 1, 0), Q("C"));
  EXPECT_EQ(Column(Ranking(), 0, 5), (std::vector{Q("C"), Q("A"), Q("机构专用"), Q("D"), Q("B")}));
  EXPECT_EQ(Shown(*program, page().透明标签_排行排序标), Q("↓"));
  ClickHeader(Ranking(), 1);  // 上榜次数: A 3, B 3, others 1
  EXPECT_EQ(Column(Ranking(), 1, 5), (std::vector{Q("3"), Q("3"), Q("1"), Q("1"), Q("1")}));
  EXPECT_EQ(Column(Ranking(), 0, 2), (std::vector{Q("A"), Q("B")}));
  ClickHeader(Ranking(), 1);
  EXPECT_EQ(Column(Ranking(), 0, 5), (std::vector{Q("C"), Q("机构专用"), Q("D"), Q("A"), Q("B")}));
  EXPECT_EQ(Shown(*program, page().透明标签_排行排序标), Q("↑"));

  boxes.SaveAs(folder.path() / "席位.csv");
  bool chosen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || chosen) return;
    for (QAction* action : menu->actions()) {
      if (action->text() != Q("导出CSV…")) continue;
      chosen = true;
      menu->setActiveAction(action);
      QTest::keyClick(menu, Qt::Key_Return);
    }
  });
  poll.start();
  const QPoint at = CellCentre(Ranking(), 1, 1);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, Ranking().viewport()->mapToGlobal(at));
  QApplication::sendEvent(Ranking().viewport(), &event);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(boxes.Take(), std::vector<std::string>{"[file dialog] 导出CSV"});
  const auto rows = ParseCsv(testing_support::ReadFileBytes(folder / "席位.csv"));
  // Title and five Seats; the hidden number column left out.
  ASSERT_EQ(rows.size(), 6u);
  // The ranking's ten columns and the six of the track record.
  const int columns = 16;
  for (int r = 0; r < 6; ++r) {
    ASSERT_EQ(rows[static_cast<size_t>(r)].size(), static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      const QString cell = r == 0 ? Ranking().model()->headerData(c, Qt::Horizontal).toString()
                                  : CellShown(Ranking(), r, c);
      EXPECT_EQ(rows[static_cast<size_t>(r)][static_cast<size_t>(c)], cell.toStdString())
          << r << "," << c;
    }
  }
  EXPECT_EQ(rows[0][6], "净额(万)");
  EXPECT_EQ(rows[0][11], "次日溢价");
  EXPECT_EQ(rows[4][0], "A");
}

TEST_F(RankingQt, TheChartShowsTheRowsDailyNetInTwoColoursAndTheRunningNet) {
  // A is the second row: a click makes the chart its own.
  const QPoint at = CellCentre(Ranking(), 2, 0);
  QTest::mouseClick(Ranking().viewport(), Qt::LeftButton, {}, at);
  ASSERT_TRUE(Settle(*program));
  auto* chart = qobject_cast<ui::qt::ChartView*>(program->view().WidgetFor(page().图表_席位净额));
  ASSERT_NE(chart, nullptr);
  ASSERT_NE(chart->bars(), nullptr);
  // A: +9 on the 7th, -3 on the 8th, +2 on the 9th (万).
  const auto values = [](QBarSet* set) {
    std::vector<double> v;
    for (qsizetype i = 0; i < set->count(); ++i) v.push_back(set->at(i));
    return v;
  };
  EXPECT_EQ(values(chart->rise()), (std::vector<double>{9, 0, 2}));
  EXPECT_EQ(values(chart->fall()), (std::vector<double>{0, -3, 0}));
  EXPECT_EQ(chart->rise()->color(), QColor(255, 0, 0));
  EXPECT_EQ(chart->fall()->color(), QColor(0, 128, 0));
  ASSERT_EQ(chart->line()->count(), 3);
  EXPECT_EQ(chart->line()->at(2), QPointF(2, 8));
  EXPECT_EQ(chart->bottom_labels(),
            (QStringList{Q("2010-04-07"), Q("2010-04-08"), Q("2010-04-09")}));
  EXPECT_TRUE(chart->chart()->title().contains(Q("已披露")));
  EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(RankingQt, TheCheckBoxTurnsTheChartToTheSeatsPathBesideAGreyBaseline) {
  QWidget* box = program->view().WidgetFor(page().选择框_收益路径);
  ASSERT_NE(box, nullptr);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  ASSERT_TRUE(Settle(*program));
  ASSERT_TRUE(page().选择框_收益路径.checked());
  auto* chart = qobject_cast<ui::qt::ChartView*>(program->view().WidgetFor(page().图表_席位净额));
  ASSERT_NE(chart, nullptr);
  // C, the top row, bought 600002: 0 and -10 %. No bars in this view.
  EXPECT_EQ(chart->bars(), nullptr);
  ASSERT_EQ(chart->chart()->series().size(), 2);
  ASSERT_NE(chart->line(), nullptr);
  ASSERT_EQ(chart->line()->count(), 2);
  EXPECT_NEAR(chart->line()->at(1).y(), -10, 1e-9);
  auto* baseline = qobject_cast<QLineSeries*>(chart->chart()->series().front());
  ASSERT_NE(baseline, nullptr);
  EXPECT_EQ(baseline->count(), 3);
  EXPECT_EQ(baseline->color(), QColor(160, 160, 160));
  EXPECT_EQ(chart->bottom_labels().front(), Q("D0"));
  EXPECT_EQ(chart->bottom_labels().back(), Q("D+10"));
  EXPECT_TRUE(boxes.Take().empty());
}

}  // namespace
