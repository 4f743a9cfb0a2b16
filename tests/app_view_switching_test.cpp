// Turning the tab control's pages prepares each page.
#include <gtest/gtest.h>

#include "app/event_wiring.h"
#include "program/jobs.h"
#include "tests/program_fixture.h"

namespace {

using namespace testing_support;

class ViewSwitching : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteListings(p.store, {MakeListing("2010-04-07", "浦发银行", "600000", "1,000.00"),
                            MakeListing("2010-04-09", "深发展Ａ", "000001", "2,000.00"),
                            MakeListing("2010-04-08", "万科Ａ", "000002", "3,000.00")});
    app::WireEvents(p.ctx);
    p.window.RaiseCreated();
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
    ASSERT_TRUE(p.platform.messages().empty());
    w.标签_耗时.SetVisible(true);
  }
  TestProgram p;
  ui::MainWindow& w = p.window;
};

TEST_F(ViewSwitching, DownloadPageGetsItsHeadingAndHidesTheElapsedTime) {
  w.标签_下载标题.SetCaption(G("数据下载完毕！"));
  w.高级选择夹1.UserSelectPage(3);
  EXPECT_EQ(U(w.标签_下载标题.caption()), "沪深两市交易龙虎榜数据下载");
  EXPECT_FALSE(w.标签_耗时.visible());
}

TEST_F(ViewSwitching, SearchPageKeepsItsResultsAndClearsTheArrow) {
  p.state.search_record_numbers = {2, 3};
  w.透明标签_排序标.SetCaption(G("↑"));
  w.高级表格_搜索结果.SetColumnCount(10);
  w.高级表格_搜索结果.SetRowCount(16);
  w.高级表格_搜索结果.SetText(1, 2, "000001");
  w.高级选择夹1.UserSelectPage(1);
  EXPECT_EQ(p.state.shown_row_count, 3);
  EXPECT_EQ(w.透明标签_排序标.caption(), "");
  EXPECT_EQ(w.高级表格_搜索结果.ColumnCount(), 10);
  EXPECT_EQ(w.高级表格_搜索结果.Text(1, 2), "000001");
  EXPECT_FALSE(w.标签_耗时.visible());
}

TEST_F(ViewSwitching, StatisticsPageCountsTheListingsShownAndTheTitleRow) {
  w.高级选择夹1.UserSelectPage(3);
  w.标签_统计标题.SetCaption("x");
  p.state.shown_row_count = 0;
  w.高级选择夹1.UserSelectPage(0);
  // Three listings and the title row; the grid itself has 16 rows.
  EXPECT_EQ(p.state.shown_row_count, 4);
  EXPECT_EQ(w.高级表格_龙虎统计.RowCount(), 16);
  EXPECT_EQ(U(w.标签_统计标题.caption()), "沪深两市成交龙虎榜统计列表");
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(ViewSwitching, StatisticsPageIsRefusedDuringADownloadAndTheSearchPageIsPrepared) {
  w.高级选择夹1.UserSelectPage(3);
  w.标签_统计标题.SetCaption("x");
  w.透明标签_排序标.SetCaption(G("↓"));
  p.state.search_record_numbers = {1};
  program::BeginJob(p.ctx, program::Job::kDownload);
  w.高级选择夹1.UserSelectPage(0);
  const auto messages = p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "数据下载中……，请勿操作，稍候！");
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_EQ(w.高级选择夹1.current_page(), 1);
  EXPECT_EQ(p.state.shown_row_count, 2);
  EXPECT_EQ(w.透明标签_排序标.caption(), "");
  EXPECT_EQ(w.标签_统计标题.caption(), "x");
}

TEST_F(ViewSwitching, DetailsPageShowsTheStatisticsPagesFirstRow) {
  // Newest first: row 1 is the 2010-04-09 listing, record 2.
  ASSERT_EQ(w.高级表格_龙虎统计.Text(1, 9), "2");
  w.高级选择夹1.UserSelectPage(2);
  EXPECT_EQ(U(w.标签_明细标题.caption()).rfind("深发展Ａ(000001)", 0), 0u)
      << U(w.标签_明细标题.caption());
  EXPECT_FALSE(w.标签_耗时.visible());
  EXPECT_TRUE(p.platform.messages().empty());
}

}  // namespace
