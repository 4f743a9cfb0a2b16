#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "duplicates/click_navigation.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::MakeListing;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

struct ShownListing {
  std::string date;
  std::string name;  // UTF-8
  std::string code;
  std::string seat;  // UTF-8
  int64_t record_number;
};

class ClickNavigationTest : public ::testing::Test {
 protected:
  ClickNavigationTest() {
    std::vector<testing_support::ListingRecord> records;
    for (int i = 1; i <= 6; ++i)
      records.push_back(MakeListing("2010-04-0" + std::to_string(i), "股" + std::to_string(i),
                                    "60000" + std::to_string(i), "10"));
    WriteListings(p.store, records);
  }

  // Writes listing rows the way a fill leaves them: titles in row 0, the
  // record number in column 9, blank rows up to 16.
  static void ShowListings(ui::Grid& grid, const std::vector<ShownListing>& rows) {
    grid.SetColumnCount(10);
    grid.SetRowCount(std::max<int>(16, static_cast<int>(rows.size()) + 1));
    const char* titles[] = {
        "上榜日期",  "股票名称",  "代 码",     "交 易 营 业 部 (单击查看全部席位)",
        "买 入(万)", "卖 出(万)", "净 流(万)", "力度",
        "详情"};
    for (int c = 0; c < 9; ++c) grid.SetText(0, c, G(titles[c]));
    for (size_t i = 0; i < rows.size(); ++i) {
      const int r = static_cast<int>(i) + 1;
      grid.SetText(r, 0, rows[i].date);
      grid.SetText(r, 1, G(rows[i].name));
      grid.SetText(r, 2, rows[i].code);
      grid.SetText(r, 3, G(rows[i].seat));
      for (int c = 4; c <= 7; ++c) grid.SetText(r, c, "1.000");
      grid.SetText(r, 8, G("查看>>"));
      grid.SetInteger(r, 9, rows[i].record_number);
    }
  }

  void DoubleClick(ui::Grid& grid, int row, int column) {
    grid.UserDoubleClick(row, column);  // moves the current cell, raises nothing bound
    details::FollowListingCell(p.ctx, grid);
  }

  ui::Grid& stats() { return p.window.高级表格_龙虎统计; }
  ui::Grid& results() { return p.window.高级表格_搜索结果; }
  ui::TabControl& tabs() { return p.window.高级选择夹1; }

  TestProgram p;
};

TEST_F(ClickNavigationTest, DateSearchListsEveryListingOfThatDayInGridOrder) {
  ShowListings(stats(), {{"2010-04-09", "甲", "600001", "A", 5},
                         {"2010-04-08", "乙", "600002", "B", 2},
                         {"2010-04-09", "丙", "600003", "C", 1},
                         {"2010-04-09", "丁", "600004", "D", 4}});
  std::vector<int64_t> at_page_change;
  tabs().on_page_changed = [&] { at_page_change = p.state.search_record_numbers; };

  DoubleClick(stats(), 3, 0);
  EXPECT_EQ(p.state.search_keyword, "2010-04-09");
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{5, 1, 4}));
  EXPECT_EQ(p.state.shown_row_count, 4);
  EXPECT_EQ(tabs().current_page(), 1);
  // The page is turned last, when the search is complete.
  EXPECT_EQ(at_page_change, (std::vector<int64_t>{5, 1, 4}));

  // The search grid is laid out and shows those records, read from the store.
  const ui::Grid& shown = results();
  ASSERT_EQ(shown.ColumnCount(), 10);
  EXPECT_EQ(U(shown.Text(0, 0)), "上榜日期");
  const std::vector<std::string> names = {"股5", "股1", "股4"};
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(shown.Text(r, 9), std::to_string(p.state.search_record_numbers[r - 1]));
    EXPECT_EQ(U(shown.Text(r, 1)), names[static_cast<size_t>(r - 1)]);
  }
  EXPECT_EQ(shown.Text(4, 9), "");
}

TEST_F(ClickNavigationTest, NameSearchFindsLongerNamesThatContainIt) {
  ShowListings(stats(), {{"2010-04-01", "中国", "600001", "A", 1},
                         {"2010-04-02", "国中", "600002", "A", 2},
                         {"2010-04-03", "新中国", "600003", "A", 3},
                         {"2010-04-04", "中国石化", "600004", "A", 4},
                         {"2010-04-05", "中", "600005", "A", 5}});
  DoubleClick(stats(), 1, 1);
  EXPECT_EQ(U(p.state.search_keyword), "中国");
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{1, 3, 4}));
  EXPECT_EQ(p.state.shown_row_count, 4);
}

TEST_F(ClickNavigationTest, SeatSearchLooksAtTheFirstBuyingSeatOnly) {
  // Record 2's second buyer is the same branch, but the grid shows only its
  // first buyer, and only that is searched.
  ShowListings(stats(), {{"2010-04-01", "甲", "600001", "机构专用", 1},
                         {"2010-04-02", "乙", "600002", "华泰证券", 2},
                         {"2010-04-03", "丙", "600003", "机构专用", 3}});
  DoubleClick(stats(), 3, 3);
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{1, 3}));

  DoubleClick(stats(), 1, 2);  // a code
  EXPECT_EQ(p.state.search_keyword, "600001");
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{1}));
  EXPECT_EQ(p.state.shown_row_count, 2);
}

TEST_F(ClickNavigationTest, SearchOnTheSearchPageNarrowsItsOwnRows) {
  ShowListings(stats(), {{"2010-04-01", "甲", "600001", "机构专用", 1},
                         {"2010-04-02", "乙", "600002", "机构专用", 2},
                         {"2010-04-03", "丙", "600003", "机构专用", 3}});
  ShowListings(results(), {{"2010-04-01", "甲", "600001", "机构专用", 1},
                           {"2010-04-03", "丙", "600003", "机构专用", 3}});
  tabs().SetCurrentPage(1);
  DoubleClick(results(), 2, 3);
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{1, 3}));
  EXPECT_EQ(p.state.shown_row_count, 3);
  EXPECT_EQ(tabs().current_page(), 1);
}

TEST_F(ClickNavigationTest, DetailsLinkOpensTheRowsListingOnTheDetailsPage) {
  std::vector<ShownListing> rows;
  for (int64_t n : {6, 2, 4, 1, 3, 5})
    rows.push_back({"2010-04-0" + std::to_string(n), "股" + std::to_string(n), "x", "A", n});
  ShowListings(stats(), rows);
  std::string title_at_page_change;
  tabs().on_page_changed = [&] { title_at_page_change = U(p.window.标签_明细标题.caption()); };

  DoubleClick(stats(), 5, 8);
  EXPECT_EQ(tabs().current_page(), 2);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "股3(600003)成交明细 2010-04-03");
  EXPECT_EQ(U(p.window.高级表格_上榜明细.Text(3, 1)), "买1");
  // The page turns before the details are written, so they win over
  // whatever turning to the page showed.
  EXPECT_EQ(title_at_page_change, "交易席位及个股上榜明细列表");

  ShowListings(results(), {{"2010-04-06", "股6", "600006", "A", 6}});
  DoubleClick(results(), 1, 8);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "股6(600006)成交明细 2010-04-06");
}

TEST_F(ClickNavigationTest, TitleRowEmptyCellsAndFigureColumnsDoNothing) {
  ShowListings(stats(),
               {{"2010-04-01", "甲", "600001", "A", 1}, {"2010-04-02", "乙", "600002", "", 2}});
  p.state.search_keyword = "before";
  p.state.search_record_numbers = {42};
  p.state.shown_row_count = 2;
  const std::string details_title = p.window.标签_明细标题.caption();

  DoubleClick(stats(), 0, 0);  // title of the date column
  DoubleClick(stats(), 0, 8);  // title of the details column
  DoubleClick(stats(), 7, 1);  // blank row below the data
  DoubleClick(stats(), 7, 8);  // no "查看>>" there
  DoubleClick(stats(), 2, 3);  // a listing without a Seat name
  for (int c : {4, 5, 6, 7, 9}) DoubleClick(stats(), 1, c);

  EXPECT_EQ(p.state.search_keyword, "before");
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{42}));
  EXPECT_EQ(p.state.shown_row_count, 2);
  EXPECT_EQ(tabs().current_page(), 0);
  EXPECT_EQ(p.window.标签_明细标题.caption(), details_title);
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(ClickNavigationTest, TitleRowIsNeverAHit) {
  // "股票" is in the name column's title "股票名称"; the title row must not
  // bring in its record number 0 (which would show record 1).
  ShowListings(stats(), {{"2010-04-01", "股票", "600001", "A", 3}});
  DoubleClick(stats(), 1, 1);
  EXPECT_EQ(p.state.search_record_numbers, (std::vector<int64_t>{3}));
}

}  // namespace
