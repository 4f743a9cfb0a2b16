// The statistics refresh: on the user-interface thread and on a worker.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_records.h"
#include "listing/statistics_query.h"
#include "listing/statistics_refresh.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

// Listings on the given dates, codes 000001.. in record order.
std::vector<ListingRecord> Dated(const std::vector<std::string>& dates) {
  std::vector<ListingRecord> records;
  for (size_t i = 0; i < dates.size(); ++i) {
    std::string code = std::to_string(i + 1);
    code.insert(0, 6 - code.size(), '0');
    records.push_back(MakeListing(dates[i], "股" + std::to_string(i), code, "20000",
                                  std::to_string((i + 1) * 7000) + ".00",
                                  std::to_string((i % 3) * 30000) + ".00"));
  }
  return records;
}

std::vector<std::string> Column(const ui::Grid& grid, int column, int rows) {
  std::vector<std::string> out;
  for (int r = 1; r <= rows; ++r) out.push_back(grid.Text(r, column));
  return out;
}

// Everything a cell holds, for comparing two grids.
std::string Describe(const ui::Cell& cell) {
  return cell.text + "|" + std::to_string(cell.is_number) + "|" + std::to_string(cell.align) + "|" +
         std::to_string(cell.has_text_colour) + std::to_string(cell.text_colour) + "|" +
         std::to_string(cell.has_background) + std::to_string(cell.background);
}

class ListingRefreshTest : public ::testing::Test {
 protected:
  ui::Grid& stats() { return p.window.高级表格_龙虎统计; }
  void WaitForWorkersWithoutPumping() {
    while (p.platform.running_workers() > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  TestProgram p;
};

TEST_F(ListingRefreshTest, FewListingsAreShownNewestFirstWithTheNewestDate) {
  WriteListings(p.store, Dated({"2010-06-01", "2010-06-03", "2010-05-31", "2010-06-02"}));
  p.window.透明标签_排序标.SetCaption(G("↑"));
  p.state.statistics_sort_direction = 1;
  listing::RefreshStatistics(p.ctx);
  EXPECT_EQ(Column(stats(), 0, 4),
            (std::vector<std::string>{"2010-06-03", "2010-06-02", "2010-06-01", "2010-05-31"}));
  EXPECT_EQ(Column(stats(), 9, 4), (std::vector<std::string>{"2", "4", "1", "3"}));
  EXPECT_EQ(stats().RowCount(), 16);
  EXPECT_EQ(stats().Text(5, 0), "");
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（2010-06-03）");
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(4)条");
  EXPECT_EQ(p.state.shown_row_count, 5);
  EXPECT_EQ(p.state.statistics_listing_count, 4);
  EXPECT_EQ(p.window.透明标签_排序标.caption(), "");  // laid out anew
  EXPECT_EQ(p.state.statistics_sort_direction, 1);    // not the refresh's business
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(ListingRefreshTest, AnEmptyStoreGivesBlankRowsAndAnEmptyDate) {
  listing::RefreshStatistics(p.ctx);
  EXPECT_EQ(stats().RowCount(), 16);
  EXPECT_EQ(stats().ColumnCount(), 10);
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（）");
  EXPECT_EQ(p.state.shown_row_count, 1);
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(ListingRefreshTest, GivesTheGridThatFillAndDefaultSortGive) {
  std::vector<std::string> dates;
  for (int i = 0; i < 40; ++i)
    dates.push_back("2010-0" + std::to_string(4 + i % 3) + "-1" + std::to_string(i % 4));
  WriteListings(p.store, Dated(dates));
  ui::Grid& g = stats();
  listing::SetUpListingGrid(p.window.透明标签_排序标, g);
  listing::FillListingGrid(p.ctx, g, {});
  ASSERT_EQ(listing::SortGridRows(g, 41, 0, 1, false, false), 0);
  std::vector<std::string> expected;
  for (int r = 0; r < g.RowCount(); ++r)
    for (int c = 0; c < g.ColumnCount(); ++c) expected.push_back(Describe(g.At(r, c)));

  g.SetRowCount(0);
  listing::RefreshStatistics(p.ctx);
  std::vector<std::string> refreshed;
  for (int r = 0; r < g.RowCount(); ++r)
    for (int c = 0; c < g.ColumnCount(); ++c) refreshed.push_back(Describe(g.At(r, c)));
  EXPECT_EQ(refreshed, expected);

  // The rows are swapped in whole: nothing of a bigger or smaller grid
  // before (texts, colours, tooltips below the title row) stays.
  for (int rows : {300, 3}) {
    SCOPED_TRACE(rows);
    g.SetRowCount(rows);
    for (int r = 1; r < rows; ++r) {
      g.SetText(r, 3, "old");
      g.MutableAt(r, 1)->SetTextColour(ui::Colour{1, 2, 3});
    }
    g.SetToolTip(2, 2, "old tip");
    listing::RefreshStatistics(p.ctx);
    refreshed.clear();
    for (int r = 0; r < g.RowCount(); ++r)
      for (int c = 0; c < g.ColumnCount(); ++c) refreshed.push_back(Describe(g.At(r, c)));
    EXPECT_EQ(refreshed, expected);
    EXPECT_EQ(g.ToolTip(2, 2), "");
  }
}

TEST_F(ListingRefreshTest, AnEmptyDateLeavesTheStoreOrder) {
  WriteListings(p.store, Dated({"2010-06-01", "", "2010-06-03"}));
  listing::RefreshStatistics(p.ctx);
  EXPECT_EQ(Column(stats(), 9, 3), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(stats().At(1, 9).is_number);  // unsorted: still number cells
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（2010-06-01）");
}

TEST_F(ListingRefreshTest, OnAWorkerTheRowsArriveThroughTheUiQueue) {
  WriteListings(p.store, Dated({"2010-06-01", "2010-06-02"}));
  p.platform.StartWorker([this] { listing::RefreshStatistics(p.ctx); });
  WaitForWorkersWithoutPumping();
  EXPECT_EQ(stats().RowCount(), 0);       // nothing touched the window from the worker
  EXPECT_EQ(p.platform.RunPending(), 2);  // the page made unavailable, then the rows
  EXPECT_EQ(Column(stats(), 0, 2), (std::vector<std::string>{"2010-06-02", "2010-06-01"}));
  EXPECT_EQ(U(p.window.标签_上榜日期.caption()), "最新更新：（2010-06-02）");
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
  EXPECT_EQ(p.state.shown_row_count, 3);
}

TEST_F(ListingRefreshTest, AnOlderRefreshNeverReplacesANewerOne) {
  WriteListings(p.store, Dated({"2010-06-01"}));
  p.platform.StartWorker([this] { listing::RefreshStatistics(p.ctx); });
  WaitForWorkersWithoutPumping();
  // A later refresh on the user-interface thread sees one more listing.
  WriteListings(p.store, Dated({"2010-06-02"}));
  listing::RefreshStatistics(p.ctx);
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(2)条");
  p.platform.RunPending();  // the worker's late rows
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(2)条");
  EXPECT_EQ(stats().Text(2, 0), "2010-06-01");
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
}

TEST_F(ListingRefreshTest, ADamagedBlockOnAWorkerIsReportedOnce) {
  std::vector<ListingRecord> records = Dated({"2010-06-01", "2010-06-02", "2010-06-03"});
  records[2][store::kBuySeats] = "";
  WriteListings(p.store, records);
  p.platform.StartWorker([this] { listing::RefreshStatistics(p.ctx); });
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ASSERT_EQ(p.platform.message_texts(),
            (std::vector<std::string>{"调用数据库出错，请重新下载数据！"}));
  EXPECT_EQ(Column(stats(), 0, 3), (std::vector<std::string>{"2010-06-02", "2010-06-01", ""}));
  EXPECT_EQ(p.state.shown_row_count, 3);
}

TEST_F(ListingRefreshTest, AnUnreadableStoreIsReportedAndTheGridStays) {
  WriteListings(p.store, Dated({"2010-06-01"}));
  listing::RefreshStatistics(p.ctx);
  p.store.DropIdleConnections();
  testing_support::WriteFileBytes(p.store.Path(), std::string(4096, '\0') + "garbage");
  p.platform.StartWorker([this] { listing::RefreshStatistics(p.ctx); });
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(stats().Text(1, 0), "2010-06-01");
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
}

TEST_F(ListingRefreshTest, TheSearchPageKeepsItsShownRowCount) {
  WriteListings(p.store, Dated({"2010-06-01", "2010-06-02"}));
  p.window.高级选择夹1.SetCurrentPage(ui::MainWindow::kSearchPage);
  p.state.shown_row_count = 4;
  listing::RefreshStatistics(p.ctx);
  EXPECT_EQ(p.state.shown_row_count, 4);
  EXPECT_EQ(p.state.statistics_listing_count, 2);
}

// Many listings with long runs of equal dates and figures, so that each
// sort's order depends on the order the one before left.
std::vector<ListingRecord> ManyTies() {
  std::vector<ListingRecord> records;
  for (int i = 0; i < 300; ++i) {
    const std::string code = std::to_string(600000 + i % 37);
    records.push_back(MakeListing("2011-03-0" + std::to_string(1 + i % 4), "股" + code, code,
                                  std::to_string(10000 + (i % 5) * 1000),
                                  std::to_string((i % 6) * 10000) + ".00",
                                  std::to_string((i % 4) * 10000) + ".00"));
  }
  return records;
}

void ExpectSameGrids(const ui::Grid& a, const ui::Grid& b) {
  ASSERT_EQ(a.RowCount(), b.RowCount());
  for (int r = 0; r < a.RowCount(); ++r)
    for (int c = 0; c < a.ColumnCount(); ++c)
      ASSERT_EQ(Describe(a.At(r, c)), Describe(b.At(r, c))) << r << " " << c;
}

void Click(TestProgram& t, int column) {
  ui::Grid& grid = t.window.高级表格_龙虎统计;
  grid.UserHeaderClick(column);
  listing::OnListingHeaderClicked(t.ctx, grid);
}

TEST_F(ListingRefreshTest, ClicksWhileAWorkerSortsEndAsClicksOneAfterTheOther) {
  // The same store twice: one program sorts on the spot, the other on a
  // worker, with every click made before any sort is back.
  TestProgram at_once;
  WriteListings(at_once.store, ManyTies());
  WriteListings(p.store, ManyTies());
  listing::RefreshStatistics(at_once.ctx);
  listing::RefreshStatistics(p.ctx);
  listing::ListingSourceOf(stats())->off_ui_sorts().from_rows = 1;
  const std::vector<int> columns = {5, 0, 6, 6, 2, 7, 0};
  for (int column : columns) Click(at_once, column);
  EXPECT_FALSE(at_once.window.高级表格_龙虎统计.busy());
  const std::string first_date = stats().Text(1, 0);
  const std::string first_number = stats().Text(1, 9);
  for (size_t k = 0; k < columns.size(); ++k) {
    Click(p, columns[k]);
    // Some clicks come while the worker runs, others after it finished but
    // before the user-interface thread took its order.
    if (k % 2 == 1) WaitForWorkersWithoutPumping();
  }
  // Nothing is swapped in before the user-interface thread takes it.
  EXPECT_TRUE(stats().busy());
  EXPECT_EQ(stats().Text(1, 0), first_date);
  EXPECT_EQ(stats().Text(1, 9), first_number);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_FALSE(stats().busy());
  ExpectSameGrids(at_once.window.高级表格_龙虎统计, stats());
  // And a click after they are all back starts from the order shown.
  Click(at_once, 3);
  Click(p, 3);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ExpectSameGrids(at_once.window.高级表格_龙虎统计, stats());
}

TEST_F(ListingRefreshTest, ARefreshWhileAWorkerSortsShowsTheRefreshedRows) {
  TestProgram refreshed;
  WriteListings(refreshed.store, ManyTies());
  WriteListings(p.store, ManyTies());
  listing::RefreshStatistics(p.ctx);
  listing::ListingSourceOf(stats())->off_ui_sorts().from_rows = 1;
  Click(p, 5);
  Click(p, 1);
  listing::RefreshStatistics(p.ctx);
  listing::RefreshStatistics(refreshed.ctx);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_FALSE(stats().busy());
  ExpectSameGrids(refreshed.window.高级表格_龙虎统计, stats());
}

}  // namespace
