// The page "席位统计" on the window model: a ranking on a worker when the
// page comes up, a result whose range changed meanwhile dropped, quick
// ranges and date boxes, the kinds and the repeat switch, stable header
// sorts, and a row's listings opening on 上榜明细.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "listing/statistics_refresh.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::SeatsListing;
using testing_support::U;

class RankingPageTest : public ::testing::Test {
 protected:
  RankingPageTest() {
    app::WireEvents(p.ctx);
    // Today is 2010-04-09 (the scripted clock): 近一月 holds the April
    // listings, the whole store also the one of 2009.
    testing_support::WriteListings(
        p.store,
        {SeatsListing("2009-06-01", "老股", "000009", {{"Z", "9000000.00", "0"}}, {}),
         SeatsListing("2010-04-07", "甲", "600001",
                      {{"A", "30000.00", "0"}, {"B", "20000.00", "0"}}, {{"C", "0", "10000.00"}}),
         SeatsListing("2010-04-08", "乙", "600002",
                      {{"A", "0", "50000.00"}, {"C", "20000.00", "0"}}, {{"B", "0", "20000.00"}}),
         SeatsListing("2010-04-08", "乙", "600002", {{"A", "1.00", "0"}}, {})});
  }
  ui::RankingPage& page() { return p.window.ranking; }
  ui::Grid& grid() { return page().高级表格_席位排行; }
  std::vector<std::string> Column(const ui::Grid& g, int column, int rows) {
    std::vector<std::string> out;
    for (int r = 1; r <= rows; ++r) out.push_back(U(g.Text(r, column)));
    return out;
  }
  void TurnToPage() {
    p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  testing_support::TestProgram p;
};

TEST_F(RankingPageTest, TheRankingComesUpWithThePageSortedByNetWithItsCaptionAndChart) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  EXPECT_EQ(page().日期框_统计起.value().DateText(), "2010-03-10");
  EXPECT_EQ(page().日期框_统计止.value().DateText(), "2010-04-09");
  EXPECT_EQ(U(grid().Text(0, 0)), "营业部名称");
  // Nets: A 3 - 5 = -2, B 2 - 2 = 0, C 2 - 1 = 1 (万); the repeat of 乙 is
  // left out.
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Column(grid(), 6, 3), (std::vector<std::string>{"1.00", "0.00", "-2.00"}));
  EXPECT_EQ(Column(grid(), 1, 3), (std::vector<std::string>{"2", "2", "2"}));
  EXPECT_EQ(grid().Text(4, 0), "");
  EXPECT_EQ(grid().At(3, 6).TextColour(), (ui::Colour{0, 128, 0}));
  EXPECT_EQ(grid().At(1, 6).TextColour(), (ui::Colour{255, 0, 0}));
  EXPECT_EQ(U(page().透明标签_排行排序标.caption()), "↓");
  const std::string caption = U(page().标签_排行说明.caption());
  EXPECT_NE(caption.find("2010-03-10 至 2010-04-09"), std::string::npos) << caption;
  EXPECT_NE(caption.find("营业部 3 个"), std::string::npos) << caption;
  EXPECT_NE(caption.find("同股同日只计首条，略去 1 条"), std::string::npos) << caption;
  EXPECT_NE(caption.find("耗时"), std::string::npos) << caption;

  // The top row's chart and listings.
  const ui::ChartData& chart = page().图表_席位净额.data();
  EXPECT_EQ(chart.categories, (std::vector<std::string>{"2010-04-07", "2010-04-08"}));
  EXPECT_EQ(chart.bars, (std::vector<double>{-1.0, 2.0}));
  EXPECT_EQ(chart.line, (std::vector<double>{-1.0, 1.0}));
  const ui::Grid& listings = page().高级表格_排行明细;
  EXPECT_EQ(Column(listings, 1, 2), (std::vector<std::string>{"乙", "甲"}));
  EXPECT_EQ(Column(listings, 3, 2), (std::vector<std::string>{"买入", "卖出"}));
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(RankingPageTest, AResultWhoseRangeChangedMeanwhileIsDropped) {
  // Workers run at once; what they post waits until the queue is pumped.
  p.platform.set_run_workers_inline(true);
  std::vector<std::string> captions;
  page().标签_排行说明.AddListener([&](ui::Component& c, ui::Property property) {
    if (property == ui::Property::kCaption) captions.push_back(U(c.caption()));
  });
  page().RaiseShown();             // 近一月
  page().单选框_全部.UserClick();  // before the month's result was shown
  p.platform.RunPending();
  for (const std::string& c : captions) EXPECT_EQ(c.find("2010-03-10"), std::string::npos) << c;
  EXPECT_EQ(U(grid().Text(1, 0)), "Z");
  EXPECT_NE(U(page().标签_排行说明.caption()).find("全部(2009-06-01 至 2010-04-08)"),
            std::string::npos);
  // The boxes show the days the store holds.
  EXPECT_EQ(page().日期框_统计起.value().DateText(), "2009-06-01");
  EXPECT_EQ(page().日期框_统计止.value().DateText(), "2010-04-08");

  // A date picked by hand ends the quick range.
  page().日期框_统计止.UserSetValue(text::DateTime::FromParts(2010, 4, 7));
  p.platform.RunPending();
  EXPECT_FALSE(page().单选框_全部.checked());
  EXPECT_EQ(Column(grid(), 0, 2), (std::vector<std::string>{"Z", "A"}));
}

TEST_F(RankingPageTest, KindsAndTheRepeatSwitchShowTheirRowsAndSayWhichCountingHolds) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  // The shown ranking has every kind: the rows are there at once.
  page().单选框_个股统计.UserClick();
  EXPECT_EQ(U(grid().Text(0, 1)), "股名");
  EXPECT_EQ(Column(grid(), 0, 2), (std::vector<std::string>{"600001", "600002"}));
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_NE(U(page().标签_排行说明.caption()).find("股票 2 只"), std::string::npos);

  page().选择框_含重复上榜.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_NE(U(page().标签_排行说明.caption()).find("上榜 3 条（含重复上榜）"), std::string::npos);
  // 乙 now counts twice.
  EXPECT_EQ(Column(grid(), 2, 2), (std::vector<std::string>{"1", "2"}));

  page().单选框_机构追踪.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(grid().Text(1, 0), "");  // no 机构专用 in these listings
  EXPECT_TRUE(page().图表_席位净额.data().categories.empty());
}

TEST_F(RankingPageTest, HeaderClicksSortStablyNumbersAsNumbersAndTextAsText) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  // 上榜次数 is 2 for every Seat: both ways the rows keep their order.
  grid().UserHeaderClick(1);
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"C", "B", "A"}));
  grid().UserHeaderClick(1);
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"C", "B", "A"}));
  // Text ascending first, then descending.
  grid().UserHeaderClick(0);
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"A", "B", "C"}));
  // The current row moved with C's line: the chart on show is still C's.
  EXPECT_EQ(grid().CurrentRow(), 3);
  EXPECT_EQ(page().图表_席位净额.data().bars, (std::vector<double>{-1.0, 2.0}));
  EXPECT_EQ(U(page().透明标签_排行排序标.caption()), "↑");
  EXPECT_EQ(page().透明标签_排行排序标.place().left,
            grid().place().left + grid().ColumnWidth(0) - page().透明标签_排行排序标.place().width);
  grid().UserHeaderClick(0);
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"C", "B", "A"}));
  // 买入额: 3.000, 2.000, 2.000 as numbers; the whole row moves.
  grid().UserHeaderClick(4);
  EXPECT_EQ(Column(grid(), 4, 3), (std::vector<std::string>{"3.00", "2.00", "2.00"}));
  EXPECT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"A", "C", "B"}));
  EXPECT_EQ(grid().At(1, 6).TextColour(), (ui::Colour{0, 128, 0}));  // A's net, with its colour
}

TEST_F(RankingPageTest, ARowsListingsComeOnADoubleClickAndOneOfThemOpensOnTheDetailsPage) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  grid().UserDoubleClick(3, 0);  // A
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::Grid& listings = page().高级表格_排行明细;
  EXPECT_EQ(Column(listings, 0, 2), (std::vector<std::string>{"2010-04-08", "2010-04-07"}));
  EXPECT_EQ(Column(listings, 6, 2), (std::vector<std::string>{"-5.00", "3.00"}));
  // A single click changes only the chart.
  grid().UserLeftButtonUp(1, 0);  // C
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(page().图表_席位净额.data().bars, (std::vector<double>{-1.0, 2.0}));
  EXPECT_EQ(Column(listings, 6, 2), (std::vector<std::string>{"-5.00", "3.00"}));

  // As at the program's start, the statistics grid holds the listings.
  listing::RefreshStatistics(p.ctx);
  listings.UserDoubleClick(2, 0);
  EXPECT_EQ(p.window.高级选择夹1.current_page(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()).rfind("甲(600001)", 0), 0u)
      << U(p.window.标签_明细标题.caption());
}

TEST_F(RankingPageTest, TheListingsFollowTheRowDoubleClickedAsTheMouseSendsIt) {
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  ui::Grid& listings = page().高级表格_排行明细;
  // What the mouse sends for a double-click: up, double-click, up again,
  // before any worker's answer comes back.
  auto double_click = [&](int row) {
    grid().UserLeftButtonUp(row, 0);
    grid().UserDoubleClick(row, 0);
    grid().UserLeftButtonUp(row, 0);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  };
  ASSERT_EQ(Column(grid(), 0, 3), (std::vector<std::string>{"C", "B", "A"}));
  double_click(3);  // A
  EXPECT_EQ(Column(listings, 0, 2), (std::vector<std::string>{"2010-04-08", "2010-04-07"}));
  EXPECT_EQ(Column(listings, 6, 2), (std::vector<std::string>{"-5.00", "3.00"}));
  EXPECT_EQ(page().图表_席位净额.data().bars, (std::vector<double>{3.0, -5.0}));
  double_click(2);  // B
  EXPECT_EQ(Column(listings, 6, 2), (std::vector<std::string>{"-2.00", "2.00"}));
  EXPECT_EQ(page().图表_席位净额.data().bars, (std::vector<double>{2.0, -2.0}));
}

// Amounts over a long range: thousands separated, two decimals, a column
// whose largest amount reaches one 亿 in 亿 (its title says so), and wide
// enough for its widest figure.
TEST_F(RankingPageTest, LargeAmountsTurnTheirColumnToYiAndWidenIt) {
  testing_support::WriteListings(
      p.store, {SeatsListing("2010-04-09", "丙", "600003", {{"D", "1234567890123.00", "0"}},
                             {{"E", "0", "1234567.00"}})});
  ASSERT_NO_FATAL_FAILURE(TurnToPage());
  EXPECT_EQ(U(grid().Text(0, 4)), "买入额(亿)");
  EXPECT_EQ(U(grid().Text(0, 5)), "卖出额(万)");
  // Largest net first: D.
  EXPECT_EQ(U(grid().Text(1, 0)), "D");
  EXPECT_EQ(U(grid().Text(1, 4)), "12,345.68");
  EXPECT_EQ(U(grid().Text(1, 6)), "12,345.68");
  EXPECT_EQ(Column(grid(), 5, 5).back(), "123.46");  // E, the smallest net
  grid().UserHeaderClick(5);  // separators do not stop the numbers' sort
  EXPECT_EQ(Column(grid(), 0, 1), (std::vector<std::string>{"E"}));

  ui::Grid& listings = page().高级表格_排行明细;
  int d_row = 1;
  while (d_row < 5 && grid().Text(d_row, 0) != "D") ++d_row;
  grid().UserDoubleClick(d_row, 0);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(U(listings.Text(0, 4)), "买入(亿)");
  EXPECT_EQ(U(listings.Text(1, 4)), "12,345.68");
  EXPECT_GE(listings.ColumnWidth(4), 9 * 7);
}

}  // namespace
