// The search page's search over the statistics grid.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_grid.h"
#include "listing/search.h"
#include "listing/statistics_refresh.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

class ListingSearchTest : public ::testing::Test {
 protected:
  ListingSearchTest() {
    std::vector<ListingRecord> records = {
        MakeListing("2010-05-31", "中国平安", "601318", "10000"),
        MakeListing("2010-06-01", "平安银行", "000001", "10000"),
        MakeListing("2010-06-26", "中国国航", "601111", "10000"),
        MakeListing("2011-06-01", "万科Ａ", "000002", "10000"),
    };
    // Record 3: "机构专用" heads the buying side; record 1 names it second.
    records[2][store::kBuySeats] = G("机构专用|100.00|0.00|甲|0|0");
    records[0][store::kBuySeats] = G("乙|100.00|0.00|机构专用|0|0");
    WriteListings(p.store, records);
    listing::RefreshStatistics(p.ctx);  // newest first: records 4, 3, 2, 1
    // Opening the search page lays its grid out.
    listing::SetUpListingGrid(p.window.透明标签_排序标, p.window.高级表格_搜索结果);
    p.platform.ClearMessages();
  }

  // Searches for `keyword_utf8` as the kind of radio button `kind`.
  void Search(ui::RadioButton& kind, const std::string& keyword_utf8) {
    kind.SetChecked(true);
    p.window.编辑框_搜索.UserEdit(G(keyword_utf8));
    listing::RunSearch(p.ctx);
  }
  std::vector<std::string> Messages() { return p.platform.message_texts(); }
  const std::vector<int64_t>& Found() { return p.state.search_record_numbers; }
  ui::MainWindow& w() { return p.window; }
  TestProgram p;
};

using Numbers = std::vector<int64_t>;
using Texts = std::vector<std::string>;

TEST_F(ListingSearchTest, CodeSearchTrimsBlanksAndShowsTheListings) {
  Search(w().单选框_代码, "  601318　");  // ASCII and ideographic blanks
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Found(), (Numbers{1}));
  EXPECT_EQ(p.state.search_keyword, "601318");
  const ui::Grid& results = w().高级表格_搜索结果;
  EXPECT_EQ(results.Text(1, 2), "601318");
  EXPECT_EQ(results.Text(1, 9), "1");
  EXPECT_EQ(U(w().标签_搜索标题.caption()), "601318(上榜统计)");
}

TEST_F(ListingSearchTest, CodeChecks) {
  Search(w().单选框_代码, "   ");
  Search(w().单选框_代码, "60131");
  Search(w().单选框_代码, "701318");
  Search(w().单选框_代码, "6abcde");  // accepted, finds nothing
  EXPECT_EQ(Messages(), (Texts{"请输入要搜索的关键字", "请输入6位数的股票代码",
                               "请输入正确的股票代码", "系统没找到相关记录"}));
  for (const auto& m : p.platform.messages()) {
    EXPECT_EQ(m.title, "Ferrow提示");
    EXPECT_EQ(m.buttons, ui::MessageButtons::kOk);
  }
  EXPECT_EQ(p.state.search_keyword, "6abcde");  // stored also when nothing was found
}

TEST_F(ListingSearchTest, DateSearchByDayMonthAndYear) {
  Search(w().单选框_日期, "2010/06/26");
  EXPECT_EQ(Messages(), (Texts{"请输入正确的日期格式如:2010-06-26"}));
  Search(w().单选框_日期, "2010-06");
  EXPECT_EQ(Found(), (Numbers{3, 2}));  // in the statistics grid's order
  EXPECT_EQ(w().高级表格_搜索结果.Text(1, 0), "2010-06-26");
  EXPECT_EQ(w().高级表格_搜索结果.Text(3, 0), "");
  Search(w().单选框_日期, "2010-");
  EXPECT_EQ(Found(), (Numbers{3, 2, 1}));
  Search(w().单选框_日期, "2010.06-26");  // "-" at byte 8 passes too
  EXPECT_EQ(Messages().back(), "系统没找到相关记录");
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(ListingSearchTest, NameSearchByOneCharacterAndItsLengthCheck) {
  Search(w().单选框_股名, "平");
  EXPECT_EQ(Found(), (Numbers{2, 1}));
  Search(w().单选框_股名, "中国平安银");  // ten bytes
  EXPECT_EQ(Messages(), (Texts{"请输入正确股票名称"}));
  EXPECT_EQ(Found(), (Numbers{2, 1}));  // a refused search keeps the last hits
  Search(w().单选框_股名, "中国平安");  // eight bytes
  EXPECT_EQ(Found(), (Numbers{1}));
}

TEST_F(ListingSearchTest, SeatSearchFindsOnlyTheFirstBuyer) {
  Search(w().单选框_席位, "机构专用");
  EXPECT_EQ(Found(), (Numbers{3}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ListingSearchTest, TheTitleRowIsNeverAHit) {
  // Part of the Seat column's title "交 易 营 业 部 (单击查看全部席位)".
  Search(w().单选框_席位, "单击查看");
  EXPECT_EQ(Messages(), (Texts{"系统没找到相关记录"}));
  EXPECT_TRUE(Found().empty());
}

TEST_F(ListingSearchTest, MatchesStartOnCharacterBoundaries) {
  // The second byte of 国 and the first byte of 平 stand side by side in
  // 中国平安, but not as a character: no match there.
  const std::string guo = G("国");
  const std::string ping = G("平");
  p.window.单选框_股名.SetChecked(true);
  p.window.编辑框_搜索.UserEdit(guo.substr(1) + ping.substr(0, 1));
  listing::RunSearch(p.ctx);
  EXPECT_EQ(Messages(), (Texts{"系统没找到相关记录"}));
  Search(w().单选框_股名, "国平");
  EXPECT_EQ(Found(), (Numbers{1}));
}

TEST_F(ListingSearchTest, ASearchOnTheSearchPageSetsTheRowsAHeaderClickSorts) {
  p.window.高级选择夹1.SetCurrentPage(ui::MainWindow::kSearchPage);
  Search(w().单选框_日期, "2010-");
  EXPECT_EQ(p.state.shown_row_count, 4);
  Search(w().单选框_代码, "601111");
  EXPECT_EQ(p.state.shown_row_count, 2);
  Search(w().单选框_代码, "600000");  // nothing found: the grid and its count stay
  EXPECT_EQ(p.state.shown_row_count, 2);
}

}  // namespace
