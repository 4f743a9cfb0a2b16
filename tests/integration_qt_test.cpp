// The program's handlers behind the real widgets: header clicks on the
// views sort and move the arrow, the context menu exports a CSV that reads
// back to the cells, a click on a Seat cell pops up the balloon, a
// double-click on "查看>>" opens the details page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabBar>
#include <QTextDocument>
#include <QtTest/QTest>
#include <memory>
#include <optional>

#include "tests/e2e_support.h"
#include "tests/program_fixture.h"
#include "tests/qt_test_support.h"
#include "tests/test_support.h"
#include "ui/qt/balloon_popup.h"
#include "ui/qt/tab_control_view.h"

namespace {

using namespace e2e;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::SeatBlock;
using testing_support::U;

class QtIntegration : public ::testing::Test {
 protected:
  // Starts the program on a store holding `records`.
  void StartWith(const std::vector<ListingRecord>& records) {
    {
      store::Store store(store::StorePath(folder.path()));
      ASSERT_FALSE(store.EnsureStore().has_value());
      testing_support::WriteListings(store, records);
    }
    program = std::make_unique<app::QtProgram>(folder.path(), "127.0.0.1:9", "http://127.0.0.1:9/");
    boxes.Attach(*program);
    program->Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program->view()));
    ASSERT_TRUE(Settle(*program));
  }

  ui::MainWindow& w() { return program->window(); }
  ui::qt::GridView& Statistics() { return View(*program, w().高级表格_龙虎统计); }
  ui::qt::GridView& Results() { return View(*program, w().高级表格_搜索结果); }

  std::vector<QString> Column(ui::qt::GridView& view, int column) {
    std::vector<QString> cells;
    for (int r = 1; r <= ListingRowsShown(view); ++r) cells.push_back(CellShown(view, r, column));
    return cells;
  }

  // Opens the view's context menu at a cell and chooses `item` as a user
  // would: highlighted, then Enter. Returns once the menu (and whatever
  // the item opened) is closed.
  void ChooseFromContextMenu(ui::qt::GridView& view, int row, int column, const QString& item) {
    bool chosen = false;
    qt_testing::WhenShown user(QMenu::staticMetaObject, [&](QWidget* widget) {
      auto* menu = static_cast<QMenu*>(widget);
      for (QAction* action : menu->actions()) {
        if (action->text() != item) continue;
        chosen = true;
        menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
        return;
      }
      menu->close();
    });
    const QPoint at = CellCentre(view, row, column);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &event);
    EXPECT_TRUE(user.shown()) << "no menu";
    EXPECT_TRUE(chosen) << item.toStdString() << " is not in the menu";
  }

  testing_support::TempDir folder;
  ModalScript boxes;
  std::unique_ptr<app::QtProgram> program;
};

TEST_F(QtIntegration, HeaderClicksSortTheRealViewsAndMoveTheArrow) {
  // Bought totals 9.5 and 10 (in 10,000 yuan): as numbers 9.5 is the
  // smaller, as texts "10.000" sorts first.
  StartWith({MakeListing("2010-04-08", "甲", "600001", "100", "20000.00", "0.00"),
             MakeListing("2010-04-09", "乙", "000002", "100", "19000.00", "0.00"),
             MakeListing("2010-04-07", "丙", "300003", "100", "30000.00", "0.00")});
  EXPECT_EQ(Column(Statistics(), 0),
            (std::vector{Q("2010-04-09"), Q("2010-04-08"), Q("2010-04-07")}));
  EXPECT_TRUE(Shown(*program, w().透明标签_排序标).isEmpty());

  ClickHeader(Statistics(), 4);
  EXPECT_EQ(Column(Statistics(), 4), (std::vector{Q("9.500"), Q("10.000"), Q("15.000")}));
  EXPECT_EQ(Column(Statistics(), 1), (std::vector{Q("乙"), Q("甲"), Q("丙")}));  // whole rows
  ExpectArrowAt(*program, Statistics(), 4, "↑");
  ClickHeader(Statistics(), 4);
  EXPECT_EQ(Column(Statistics(), 4), (std::vector{Q("15.000"), Q("10.000"), Q("9.500")}));
  ExpectArrowAt(*program, Statistics(), 4, "↓");

  // Codes sort as text.
  ClickHeader(Statistics(), 2);
  EXPECT_EQ(Column(Statistics(), 2), (std::vector{Q("000002"), Q("300003"), Q("600001")}));
  ExpectArrowAt(*program, Statistics(), 2, "↑");

  // "详情" is no sort key: the rows stay, the arrow moves all the same.
  ClickHeader(Statistics(), 8);
  EXPECT_EQ(Column(Statistics(), 2), (std::vector{Q("000002"), Q("300003"), Q("600001")}));
  ExpectArrowAt(*program, Statistics(), 8, "↓");

  // The search page's first click sorts descending.
  ClickTab(*program, ui::MainWindow::kSearchPage);
  ASSERT_NO_FATAL_FAILURE(Click(*program, w().单选框_日期));
  ASSERT_NO_FATAL_FAILURE(TypeSearch(*program, Q("2010-04")));
  ASSERT_NO_FATAL_FAILURE(Click(*program, w().超级按钮_查询));
  ASSERT_EQ(ListingRowsShown(Results()), 3);
  ClickHeader(Results(), 0);
  EXPECT_EQ(Column(Results(), 0), (std::vector{Q("2010-04-09"), Q("2010-04-08"), Q("2010-04-07")}));
  ExpectArrowAt(*program, Results(), 0, "↓");
  ClickHeader(Results(), 0);
  EXPECT_EQ(Column(Results(), 0), (std::vector{Q("2010-04-07"), Q("2010-04-08"), Q("2010-04-09")}));
  ExpectArrowAt(*program, Results(), 0, "↑");
  EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(QtIntegration, ExportFromTheContextMenuReadsBackToTheCells) {
  // Texts that CSV must quote: a comma, a quote, and a Seat with both.
  ListingRecord quoted = MakeListing("2010-04-09", "A,\"B", "600000", "1,234.56");
  quoted[store::kBuySeats] = SeatBlock({{G("机构,\"专用\""), "100000.00", "0.00"},
                                        {G("乙"), "1.00", "0.00"},
                                        {G("丙"), "1.00", "0.00"},
                                        {G("丁"), "1.00", "0.00"},
                                        {G("戊"), "1.00", "0.00"}});
  StartWith({MakeListing("2010-04-08", "浦发银行", "600000", "100"), quoted,
             MakeListing("2010-04-07", "深发展Ａ", "000001", "0", "0.00", "100000.00")});
  boxes.SaveAs(folder / "统计.csv");
  ChooseFromContextMenu(Statistics(), 2, 1, Q("导出CSV…"));
  EXPECT_EQ(boxes.Take(), std::vector<std::string>{"[file dialog] 导出CSV"});

  const std::string csv = testing_support::ReadFileBytes(folder / "统计.csv");
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  const auto rows = ParseCsv(csv);
  // The title row and the three listings; the blank rows below are left
  // out, and so are the hidden record-number column and the column of
  // links. The titles are plain.
  ASSERT_EQ(rows.size(), 4u);
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    ASSERT_EQ(rows[static_cast<size_t>(r)].size(), 8u);
    for (int c = 0; c < 8 && r > 0; ++c) {
      const QString cell = CellShown(Statistics(), r, c);
      EXPECT_EQ(rows[static_cast<size_t>(r)][static_cast<size_t>(c)], cell.toStdString())
          << "column " << c;
    }
  }
  EXPECT_EQ(rows[1][1], "A,\"B");
  EXPECT_EQ(rows[1][3], "机构,\"专用\"");
  EXPECT_EQ(rows[0][0], "日期");
  EXPECT_EQ(rows[0][3], "席位");

  // The spreadsheet entry beside it writes an .xlsx (a zip) where asked.
  boxes.SaveAs(folder / "统计.xlsx");
  ChooseFromContextMenu(Statistics(), 2, 1, Q("导出Excel…"));
  EXPECT_EQ(boxes.Take(), std::vector<std::string>{"[file dialog] 导出Excel"});
  EXPECT_EQ(testing_support::ReadFileBytes(folder / "统计.xlsx").substr(0, 2), "PK");
}

TEST_F(QtIntegration, AClickOnAnySeatCellPopsUpThatListingsBalloonAtItsRow) {
  ListingRecord marked = MakeListing("2010-04-05", "A&B", "600000", "10");
  marked[store::kBuySeats] = SeatBlock({{"<b>Seat & Co</b>", "100.00", "0.00"},
                                        {G("乙"), "1.00", "0.00"},
                                        {G("丙"), "1.00", "0.00"},
                                        {G("丁"), "1.00", "0.00"},
                                        {G("戊"), "1.00", "0.00"}});
  // 15 buying values and 12 selling ones: 27 items, one name short.
  ListingRecord short_block = MakeListing("2010-04-01", "缺席", "600001", "10");
  short_block[store::kSellSeats] = "a|0|1|b|0|1|c|0|1|d|0|1";
  // Newer listings above them fill more rows than the grid shows at once;
  // each has its date as the name of its first buying Seat.
  std::vector<ListingRecord> records = {short_block, marked};
  for (int day = 1; day <= 20; ++day) {
    char date[11];
    std::snprintf(date, sizeof date, "2010-05-%02d", day);
    ListingRecord r =
        MakeListing(date, "甲" + std::to_string(day), "6000" + std::to_string(10 + day), "10");
    r[store::kBuySeats] = SeatBlock({{std::string("S") + date, "1.00", "0.00"}});
    r[store::kBuySeats] += "|b|0|0|c|0|0|d|0|0|e|0|0";
    records.push_back(r);
  }
  StartWith(records);
  ui::qt::BalloonPopup& balloon = program->view().balloon();

  // A real click in the middle of a cell, the pointer standing there.
  const auto click = [&](ui::qt::GridView& view, int row, int column) {
    const QPoint cell = CellCentre(view, row, column);
    QCursor::setPos(view.viewport()->mapToGlobal(cell));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell);
    QCoreApplication::processEvents();
  };
  const auto row_top_on_screen = [&](ui::qt::GridView& view, int row) {
    const QModelIndex index = view.model()->index(view.grid_model()->ModelRow(row), 3);
    return view.viewport()->mapToGlobal(view.visualRect(index).topLeft()).y();
  };
  // The balloon of the listing in `row`, with its top at that row's top.
  const auto expect_balloon_at = [&](ui::qt::GridView& view, int row, const QString& first_seat) {
    SCOPED_TRACE("row " + std::to_string(row));
    balloon.hide();
    click(view, row, 3);
    ASSERT_TRUE(WaitFor([&] { return balloon.isVisible(); }, 2000));
    EXPECT_EQ(balloon.pos().x(), program->view().frameGeometry().left() + 210);
    EXPECT_EQ(balloon.pos().y(), row_top_on_screen(view, row));
    const QStringList lines =
        balloon.document().toPlainText().split(QChar('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[0].trimmed(),
              CellShown(view, row, 0) + " [" + CellShown(view, row, 1) + Q("] 龙虎榜交易席位列表"));
    EXPECT_EQ(lines[1].trimmed(), "1. " + first_seat);
  };

  // The newest listings first: rows 1 and 2, and the last row in sight.
  expect_balloon_at(Statistics(), 1, "S2010-05-20");
  expect_balloon_at(Statistics(), 2, "S2010-05-19");
  const int last_visible =
      Statistics().grid_model()->GridRow(Statistics().rowAt(Statistics().viewport()->height() - 1));
  ASSERT_GT(last_visible, 10);
  expect_balloon_at(Statistics(), last_visible, CellShown(Statistics(), last_visible, 3));

  // Another column shows nothing.
  balloon.hide();
  click(Statistics(), 1, 2);
  QTest::qWait(50);
  EXPECT_FALSE(balloon.isVisible());

  // The window moved: the pop-up moves with its row.
  program->view().move(300, 170);
  ASSERT_TRUE(
      WaitFor([&] { return program->view().frameGeometry().topLeft() == QPoint(300, 170); }));
  expect_balloon_at(Statistics(), 1, "S2010-05-20");

  // Scrolled to the end: markup from a page shows as text.
  const int marked_row = 21;
  ASSERT_EQ(CellShown(Statistics(), marked_row, 1), Q("A&B"));
  expect_balloon_at(Statistics(), marked_row, Q("<b>Seat & Co</b>"));
  EXPECT_TRUE(boxes.Take().empty());

  // The damaged listing: a message, no balloon.
  balloon.hide();
  click(Statistics(), marked_row + 1, 3);
  EXPECT_EQ(boxes.Take(), std::vector{Told("交易席位数据读取错误")});
  EXPECT_FALSE(balloon.isVisible());

  // The search grid pops up the same way: every listing of one date there.
  w().编辑框_搜索.SetCaption("2010-05-03");
  w().单选框_日期.UserClick();
  ClickTab(*program, ui::MainWindow::kSearchPage);
  Click(*program, w().超级按钮_查询);
  ASSERT_TRUE(Settle(*program));
  ASSERT_EQ(CellShown(Results(), 1, 0), Q("2010-05-03"));
  expect_balloon_at(Results(), 1, "S2010-05-03");
}

TEST_F(QtIntegration, ADoubleClickOnViewOpensTheRowsDetails) {
  ListingRecord example = MakeListing("2010-04-08", "某某股份", "600000", "10");
  example[store::kReason] = G("日涨幅偏离值达7%");
  example[store::kBuySeats] = "A|100.00|0.00|B|200|50|C|0|0|D|1|2|E|3|4";
  // The turnover keeps the page's thousands separator.
  ListingRecord separated = MakeListing("2010-04-09", "浦发银行", "600001", "1,000");
  separated[store::kBuySeats] = SeatBlock({{G("甲"), "100000", "50000"},
                                           {G("乙"), "1.00", "0.00"},
                                           {G("丙"), "1.00", "0.00"},
                                           {G("丁"), "1.00", "0.00"},
                                           {G("戊"), "1.00", "0.00"}});
  StartWith({example, separated});
  ASSERT_EQ(CellShown(Statistics(), 2, 1), Q("某某股份"));  // newest first

  QTest::mouseDClick(Statistics().viewport(), Qt::LeftButton, {}, CellCentre(Statistics(), 2, 8));
  EXPECT_EQ(program->view().tab_control()->heads()->currentIndex(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(Shown(*program, w().标签_明细标题), Q("某某股份(600000)成交明细 2010-04-08"));
  ui::qt::GridView& details = View(*program, w().高级表格_上榜明细);
  EXPECT_EQ(CellShown(details, 0, 0),
            Q("  2010-04-08上榜原因：日涨幅偏离值达7%   日涨幅偏9.52%  成交量：1,234.56万股  "
              "成交额：10万元"));
  const auto row = [&](int r) {
    std::vector<QString> cells;
    for (int c = 0; c < 7; ++c) cells.push_back(CellShown(details, r, c));
    return cells;
  };
  using Cells = std::vector<QString>;
  EXPECT_EQ(row(3), (Cells{Q("1"), Q("A"), Q("100.00"), Q("0.00"), Q("100.00"), Q("0.10"), Q("0.00")}));
  EXPECT_EQ(row(4), (Cells{Q("2"), Q("B"), Q("200.00"), Q("50.00"), Q("150.00"), Q("0.20"), Q("0.05")}));

  // From the search page too; the ratios count the turnover as 1000.
  ClickTab(*program, ui::MainWindow::kSearchPage);
  ASSERT_NO_FATAL_FAILURE(Click(*program, w().单选框_代码));
  ASSERT_NO_FATAL_FAILURE(TypeSearch(*program, Q("600001")));
  QTest::keyClick(program->view().WidgetFor(w().编辑框_搜索), Qt::Key_Return);
  ASSERT_EQ(ListingRowsShown(Results()), 1);
  QTest::mouseDClick(Results().viewport(), Qt::LeftButton, {}, CellCentre(Results(), 1, 8));
  EXPECT_EQ(program->view().tab_control()->heads()->currentIndex(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(Shown(*program, w().标签_明细标题), Q("浦发银行(600001)成交明细 2010-04-09"));
  EXPECT_EQ(row(3),
            (Cells{Q("1"), Q("甲"), Q("100000.00"), Q("50000.00"), Q("50000.00"), Q("1.00"), Q("0.50")}));
  EXPECT_TRUE(boxes.Take().empty());
}

}  // namespace

namespace {

// The program folder as Qt names it, with Chinese and a blank in it: the
// store is made there, filled and read back under exactly that name.
TEST(QtProgramFolder, AFolderWithANonAsciiNameHoldsTheStore) {
  testing_support::TempDir dir;
  const QString folder = QString::fromStdU16String(dir.path().u16string()) + Q("/数据 张三");
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    app::QtProgram program(app::PathFromQt(folder), "127.0.0.1:9", "http://127.0.0.1:9/");
    program.Start();
    ASSERT_TRUE(Settle(program));
    EXPECT_TRUE(program.platform().running_workers() == 0);
    testing_support::WriteListings(program.store(),
                                   {MakeListing("2010-04-09", "甲", "600000", "10")});
  }
  EXPECT_TRUE(QFileInfo::exists(folder + Q("/Data.edb")));
  store::Store reopened(store::StorePath(app::PathFromQt(folder)));
  EXPECT_EQ(testing_support::ReadColumn(reopened, store::kCode),
            std::vector<std::string>{"600000"});
}

}  // namespace
