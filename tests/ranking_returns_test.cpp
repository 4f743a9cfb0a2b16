// The page 席位统计 with daily bars in the store: the track record of each
// Seat over its buys by the page's counting rule, a stock's means, each
// listing's returns behind a row, and sorts on the new columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "store/price_bars.h"
#include "store/record_store.h"
#include "tests/program_fixture.h"
#include "tests/two_stock_bars.h"

namespace {

using testing_support::SeatsListing;
using testing_support::U;

class RankingReturnsTest : public ::testing::Test {
 protected:
  RankingReturnsTest() {
    app::WireEvents(p.ctx);
    testing_support::WriteListings(
        p.store,
        {SeatsListing("2010-04-07", "甲", "600001",
                      {{"A", "30000.00", "0"}, {"B", "20000.00", "0"}}, {{"C", "0", "10000.00"}}),
         SeatsListing("2010-04-08", "乙", "600002", {{"C", "20000.00", "0"}},
                      {{"A", "0", "50000.00"}, {"B", "0", "20000.00"}}),
         // A repeat of 乙 on the same day, A buying: counted only with
         // 含重复上榜.
         SeatsListing("2010-04-08", "乙", "600002", {{"A", "1.00", "0"}}, {})});
    testing_support::StoreTwoStocksBars(p.store);
  }
  ui::RankingPage& page() { return p.window.ranking; }
  ui::Grid& grid() { return page().高级表格_席位排行; }
  static int ColumnOf(const ui::Grid& g, const std::string& title) {
    for (int c = 0; c < g.ColumnCount(); ++c)
      if (U(g.Text(0, c)) == title) return c;
    ADD_FAILURE() << "no column " << title;
    return 0;
  }
  std::vector<std::string> Column(const ui::Grid& g, const std::string& title, int rows) {
    std::vector<std::string> out;
    const int c = ColumnOf(g, title);
    for (int r = 1; r <= rows; ++r) out.push_back(U(g.Text(r, c)));
    return out;
  }
  void TurnToPage() {
    p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  testing_support::TestProgram p;
};

TEST_F(RankingReturnsTest, SeatsShowTheirTrackRecordOverTheirBuysByThePagesCountingRule) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  // Sorted by net: C, B, A. B and A bought 甲, C bought 乙; A sold 乙.
  EXPECT_EQ(Column(grid(), "营业部名称", 3), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Column(grid(), "样本", 3), (std::vector<std::string>{"1", "1", "1"}));
  EXPECT_EQ(Column(grid(), "次日溢价", 3), (std::vector<std::string>{"-5.00", "10.00", "10.00"}));
  EXPECT_EQ(Column(grid(), "次日胜率", 3), (std::vector<std::string>{"0.0", "100.0", "100.0"}));
  // Nothing reaches D+5 or D+10.
  EXPECT_EQ(Column(grid(), "5日均涨", 3), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Column(grid(), "5日胜率", 3), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Column(grid(), "10日均涨", 3), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(grid().At(1, ColumnOf(grid(), "次日溢价")).TextColour(), (ui::Colour{0, 128, 0}));

  // A sort on a new column: numbers largest first, stably.
  grid().UserHeaderClick(ColumnOf(grid(), "次日溢价"));
  EXPECT_EQ(Column(grid(), "营业部名称", 3), (std::vector<std::string>{"B", "A", "C"}));

  // With repeats A's buy of 乙 counts too.
  page().选择框_含重复上榜.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(Column(grid(), "营业部名称", 3), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Column(grid(), "样本", 3), (std::vector<std::string>{"1", "1", "2"}));
  EXPECT_EQ(Column(grid(), "次日溢价", 3), (std::vector<std::string>{"-5.00", "10.00", "2.50"}));
  EXPECT_EQ(Column(grid(), "次日胜率", 3), (std::vector<std::string>{"0.0", "100.0", "50.0"}));
}

TEST_F(RankingReturnsTest, TheChartsSecondViewShowsASeatsPathBesideTheRangesBaseline) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  page().选择框_收益路径.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  // The top row, C, bought 乙: 20 -> 18. Every listing: 甲 10 -> 12 -> 9
  // and 乙, each point over the listings that reach it.
  const ui::ChartData& chart = page().图表_席位净额.data();
  ASSERT_EQ(chart.categories.size(), 11u);
  EXPECT_EQ(chart.categories.front(), "D0");
  EXPECT_EQ(chart.categories.back(), "D+10");
  EXPECT_TRUE(chart.bars.empty());
  ASSERT_EQ(chart.line.size(), 2u);
  EXPECT_DOUBLE_EQ(chart.line[0], 0);
  EXPECT_NEAR(chart.line[1], -10, 1e-9);
  ASSERT_EQ(chart.baseline.size(), 3u);
  EXPECT_NEAR(chart.baseline[1], 5, 1e-9);
  EXPECT_NEAR(chart.baseline[2], -10, 1e-9);
  EXPECT_EQ(chart.baseline_colour, (ui::Colour{160, 160, 160}));

  // A stock has no second view; unchecked, a Seat's net comes back.
  page().单选框_个股统计.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_TRUE(page().图表_席位净额.data().baseline.empty());
  EXPECT_FALSE(page().图表_席位净额.data().bars.empty());
  page().单选框_营业部排行.UserClick();
  page().选择框_收益路径.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_TRUE(page().图表_席位净额.data().baseline.empty());
  EXPECT_EQ(page().图表_席位净额.data().bars, (std::vector<double>{-1.0, 2.0}));
}

TEST_F(RankingReturnsTest, StocksShowTheirMeansAndARowsListingsTheirOwnReturns) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  grid().UserDoubleClick(3, 0);  // A: 乙 sold, 甲 bought
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  const ui::Grid& listings = page().高级表格_排行明细;
  EXPECT_EQ(Column(listings, "日期", 2), (std::vector<std::string>{"2010-04-08", "2010-04-07"}));
  EXPECT_EQ(Column(listings, "次日开盘", 2), (std::vector<std::string>{"-5.00", "10.00"}));
  EXPECT_EQ(Column(listings, "1日", 2), (std::vector<std::string>{"-10.00", "20.00"}));
  EXPECT_EQ(Column(listings, "5日", 2), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Column(listings, "10日", 2), (std::vector<std::string>{"", ""}));
  // The record number stays the last column, which opens a listing.
  EXPECT_EQ(listings.Text(2, listings.ColumnCount() - 1), "1");
  EXPECT_EQ(listings.Text(1, listings.ColumnCount() - 1), "2");

  page().单选框_个股统计.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  const std::vector<std::string> codes = Column(grid(), "代码", 2);
  const std::vector<std::string> means = Column(grid(), "次日溢价", 2);
  for (size_t k = 0; k < codes.size(); ++k)
    EXPECT_EQ(means[k], codes[k] == "600001" ? "10.00" : "-5.00") << codes[k];
  EXPECT_EQ(Column(grid(), "5日均涨", 2), (std::vector<std::string>{"", ""}));
}

}  // namespace
