// The grid views: the table model over ui::Grid, the layout the view takes
// from the grid, and the user's clicks raised as the grid's events.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QtTest/QTest>
#include <vector>

#include "tests/qt_test_support.h"
#include "tests/test_support.h"
#include "ui/export_action.h"
#include "ui/grid_export.h"
#include "ui/qt/grid_view.h"
#include "ui/scripted_platform.h"

namespace {

using testing_support::G;
using ui::qt::GridView;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Qt warnings (the model tester reports through them) become test failures.
class WarningsFail {
 public:
  WarningsFail() { previous_ = qInstallMessageHandler(&Handler); }
  ~WarningsFail() { qInstallMessageHandler(previous_); }

 private:
  static void Handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) ADD_FAILURE() << message.toStdString();
  }
  QtMessageHandler previous_;
};

// A listing-like grid: a title row and `rows` data rows of ten columns.
void Fill(ui::Grid& grid, int rows) {
  ui::Grid::UpdateScope scope(grid);
  grid.SetColumnCount(10);
  grid.SetRowCount(rows + 1);
  grid.SetHeaderRowCount(1);
  for (int c = 0; c < 10; ++c) grid.SetText(0, c, G("列") + std::to_string(c));
  for (int r = 1; r <= rows; ++r)
    for (int c = 0; c < 10; ++c) grid.SetText(r, c, std::to_string(r * 100 + c));
}

TEST(GridModel, PassesTheModelTesterThroughResetsAndChanges) {
  WarningsFail warnings;
  ui::ScriptedPlatform platform;
  ui::Grid grid("g", nullptr, -1, {0, 0, 400, 300}, "");
  Fill(grid, 20);
  GridView view(grid, GridView::Style::kListing, platform);
  QAbstractItemModelTester tester(view.grid_model(),
                                  QAbstractItemModelTester::FailureReportingMode::Warning);
  grid.SetRowCount(5);
  grid.SetRowCount(200);
  grid.SetText(3, 4, G("浦发银行"));
  grid.SetColumnCount(12);
  grid.SetRowCount(0);
  Fill(grid, 40);
  grid.SetStriping(ui::Striping{true, ui::Colour{255, 255, 255}, ui::Colour{240, 240, 240}});
  grid.SetText(0, 1, G("股名"));
  EXPECT_EQ(view.grid_model()->rowCount(), 40);
  EXPECT_EQ(view.grid_model()->columnCount(), 10);
}

TEST(GridModel, CellsShowTextAlignmentColoursAndTheTitleRowAsHeader) {
  ui::Grid grid("g", nullptr, -1, {0, 0, 400, 300}, "");
  Fill(grid, 3);
  grid.SetText(2, 1, G("深发展Ａ"));
  grid.SetAlignment({1, 4, 3, 4}, ui::Align::kRight);
  grid.SetTextColour(2, 6, ui::Colour{255, 0, 0});
  grid.SetStriping(ui::Striping{true, ui::Colour{255, 255, 255}, ui::Colour{230, 240, 250}});
  ui::qt::GridTableModel listing(grid, true);
  ui::qt::GridTableModel details(grid, false);

  EXPECT_EQ(listing.rowCount(), 3);
  EXPECT_EQ(details.rowCount(), 4);
  EXPECT_EQ(listing.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), Q("列1"));
  EXPECT_EQ(listing.data(listing.index(1, 1), Qt::DisplayRole).toString(), Q("深发展Ａ"));
  EXPECT_EQ(details.data(details.index(2, 1), Qt::DisplayRole).toString(), Q("深发展Ａ"));
  EXPECT_EQ(listing.data(listing.index(0, 4), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_EQ(listing.data(listing.index(1, 6), Qt::ForegroundRole).value<QBrush>().color(),
            QColor(255, 0, 0));
  EXPECT_FALSE(listing.data(listing.index(0, 6), Qt::ForegroundRole).isValid());
  // Stripes: grid rows 1, 3 odd, row 2 even.
  EXPECT_EQ(listing.data(listing.index(0, 0), Qt::BackgroundRole).value<QBrush>().color(),
            QColor(255, 255, 255));
  EXPECT_EQ(listing.data(listing.index(1, 0), Qt::BackgroundRole).value<QBrush>().color(),
            QColor(230, 240, 250));
  EXPECT_EQ(details.data(details.index(2, 0), Qt::BackgroundRole).value<QBrush>().color(),
            QColor(230, 240, 250));
}

TEST(GridView, HeightsWidthsAndSpansFollowTheGrid) {
  ui::ScriptedPlatform platform;
  ui::Grid grid("d", nullptr, -1, {0, 0, 760, 410}, "");
  grid.SetColumnCount(7);
  grid.SetRowCount(15);
  grid.SetRowHeight(0, 36);
  grid.SetColumnWidth(1, 330);
  grid.Merge({0, 0, 0, 6});
  grid.Merge({1, 0, 1, 2});
  GridView view(grid, GridView::Style::kDetails, platform);
  EXPECT_TRUE(view.horizontalHeader()->isHidden());
  EXPECT_EQ(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  EXPECT_EQ(view.rowHeight(0), 36);
  EXPECT_EQ(view.rowHeight(1), 24);
  EXPECT_EQ(view.columnWidth(1), 330);
  EXPECT_EQ(view.columnSpan(0, 0), 7);
  EXPECT_EQ(view.columnSpan(1, 0), 3);
  grid.SetRowHeight(0, 24);
  grid.SetRowHeight(3, 30);
  grid.ClearMerges();
  EXPECT_EQ(view.rowHeight(0), 24);
  EXPECT_EQ(view.rowHeight(3), 30);
  EXPECT_EQ(view.columnSpan(0, 0), 1);

  // A listing grid: the title row's height is the header's.
  ui::Grid listing("l", nullptr, -1, {0, 0, 760, 410}, "");
  Fill(listing, 30);
  listing.SetColumnWidth(3, 210);
  GridView listing_view(listing, GridView::Style::kListing, platform);
  EXPECT_FALSE(listing_view.horizontalHeader()->isHidden());
  EXPECT_EQ(listing_view.horizontalHeader()->height(), 24);
  EXPECT_EQ(listing_view.columnWidth(3), 210);
  EXPECT_EQ(listing_view.model()->rowCount(), 30);
}

class ShownGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    Fill(grid, 30);
    view.resize(760, 410);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }
  QPoint CellCentre(int model_row, int column) {
    return view.visualRect(view.model()->index(model_row, column)).center();
  }
  ui::ScriptedPlatform platform;
  ui::Grid grid{"高级表格_龙虎统计", nullptr, -1, {0, 0, 760, 410}, ""};
  GridView view{grid, GridView::Style::kListing, platform};
};

TEST_F(ShownGrid, AHeaderClickReachesTheGridWithRowOneCurrent) {
  std::vector<int> clicked;
  grid.on_header_clicked = [&](int, int column) { clicked.push_back(column); };
  grid.SetCurrentCell(7, 2);
  QHeaderView* header = view.horizontalHeader();
  const QPoint at(header->sectionViewportPosition(4) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(clicked, std::vector<int>{4});
  EXPECT_EQ(grid.CurrentRow(), 1);
  EXPECT_EQ(grid.CurrentColumn(), 4);
  EXPECT_EQ(view.currentIndex(), view.model()->index(0, 4));
  // Only that cell is selected, not the column.
  EXPECT_EQ(view.selectionModel()->selectedIndexes().size(), 1);
}

TEST_F(ShownGrid, ReleaseAndDoubleClickRaiseTheEventsOnTheCell) {
  std::vector<std::pair<int, int>> released, double_clicked;
  grid.on_left_button_up = [&] { released.emplace_back(grid.CurrentRow(), grid.CurrentColumn()); };
  grid.on_double_click = [&] {
    double_clicked.emplace_back(grid.CurrentRow(), grid.CurrentColumn());
  };
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CellCentre(2, 3));
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0], std::pair(3, 3));  // the title row is grid row 0
  QTest::mouseClick(view.viewport(), Qt::RightButton, {}, CellCentre(4, 3));
  EXPECT_EQ(released.size(), 1u);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, CellCentre(5, 1));
  ASSERT_EQ(double_clicked.size(), 1u);
  EXPECT_EQ(double_clicked[0], std::pair(6, 1));
}

TEST_F(ShownGrid, MouseMovesAndTheCurrentCellFollow) {
  int moves = 0;
  grid.on_mouse_move = [&] { ++moves; };
  QTest::mouseMove(view.viewport(), CellCentre(1, 1));
  QTest::mouseMove(view.viewport(), CellCentre(2, 2));
  EXPECT_TRUE(qt_testing::WaitUntil([&] { return moves >= 2; }, 2000));
  grid.SetCurrentCell(12, 5);
  EXPECT_EQ(view.currentIndex(), view.model()->index(11, 5));
  grid.SetCurrentCell(0, 0);  // the title row: no data cell is current
  EXPECT_FALSE(view.currentIndex().isValid());
}

TEST_F(ShownGrid, CopyAndExportUseTheSelectedCellsAndTheWholeGrid) {
  view.selectionModel()->select(
      QItemSelection(view.model()->index(1, 1), view.model()->index(2, 3)),
      QItemSelectionModel::ClearAndSelect);
  ASSERT_EQ(view.SelectedRange(), (ui::CellRange{2, 1, 3, 3}));
  view.CopySelection();
  const std::string expected = ui::CellsAsTabText(grid, {2, 1, 3, 3});
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);

  testing_support::TempDir dir;
  platform.QueueSaveFileName(dir / "grid.csv");
  view.Export(ui::CsvExport());
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "grid.csv"), ui::GridAsCsv(grid));
  platform.QueueSaveFileName(dir / "missing" / "grid.csv");
  view.Export(ui::CsvExport());
  ASSERT_EQ(platform.save_dialogs().size(), 2u);
  EXPECT_EQ(platform.save_dialogs()[0].title, "导出CSV");
  EXPECT_EQ(platform.message_texts(),
            std::vector<std::string>{"无法写入文件：" + (dir / "missing" / "grid.csv").string()});
}

}  // namespace
