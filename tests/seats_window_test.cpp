// Seat identities on 席位统计 and 今日关注: 营业部排行's kind filter, the
// nickname beside the newest name with the older names as its tooltip, the
// Seat box that takes a nickname, and the watched Seat's track record on
// 今日关注 against the ranking's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "seats/seat_book.h"
#include "store/price_bars.h"
#include "tests/program_fixture.h"
#include "tests/two_stock_bars.h"
#include "text/numbers.h"

namespace {

using testing_support::G;
using testing_support::SeatsListing;
using testing_support::U;

const char* const kOldName = "东吴证券苏州干将路证券营业部";
const char* const kNewName = "东吴证券苏州人民路证券营业部";
const char* const kOther = "国信证券深圳深南大道证券营业部";
const char* const kTrader = "华泰证券南京中山路证券营业部";

class SeatIdentityWindowTest : public ::testing::Test {
 protected:
  SeatIdentityWindowTest() {
    app::WireEvents(p.ctx);
    // The old name up to 04-07, the new one after: one branch code.
    testing_support::WriteListings(
        p.store, {SeatsListing("2010-04-07", "甲", "600001",
                               {{G(kOldName), "30000.00", "0"}, {G("沪股通专用"), "10000.00", "0"}},
                               {{G("机构专用"), "0", "5000.00"}}),
                  SeatsListing("2010-04-08", "乙", "600002",
                               {{G(kNewName), "20000.00", "0"}, {G(kOther), "8000.00", "0"}},
                               {{G("机构专用"), "0", "1000.00"}, {G(kTrader), "0", "4000.00"}}),
                  SeatsListing("2010-04-09", "丙", "600003", {{G(kTrader), "6000.00", "0"}},
                               {{G(kNewName), "0", "2000.00"}, {G(kOther), "0", "3000.00"}})});
    seats::SeatBook book;
    book.Absorb({{G(kOldName), "2010-04-07", "2010-04-07", "B1"},
                 {G(kNewName), "2010-04-08", "2010-04-09", "B1"},
                 {G(kTrader), "2010-04-08", "2010-04-09", "B2"}});
    identity_ = *book.IdentityOfName(G(kNewName));
    book.FindMutable(identity_)->nickname = G("老周");
    book.FindMutable(*book.IdentityOfName(G(kTrader)))->kind = G("游资");
    store::StoreAccess access = p.store.OpenStore(store::AccessMode::kWriter);
    EXPECT_TRUE(seats::SaveSeatBook(access, book));
    EXPECT_FALSE(access.CloseStore());
  }
  ui::RankingPage& page() { return p.window.ranking; }
  ui::Grid& grid() { return page().高级表格_席位排行; }
  void ShowRanking() {
    p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
    page().单选框_全部.UserClick();
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  int ColumnOf(const ui::Grid& g, const std::string& title) {
    for (int c = 0; c < g.ColumnCount(); ++c)
      if (U(g.Text(0, c)) == title) return c;
    ADD_FAILURE() << "no column " << title;
    return 0;
  }
  // Name (as shown) → row, over the rows shown.
  std::map<std::string, int> Rows() {
    std::map<std::string, int> out;
    for (int r = 1; r < grid().RowCount() && !grid().Text(r, 0).empty(); ++r)
      out[U(grid().Text(r, 0))] = r;
    return out;
  }
  double Sum(const std::string& title) {
    double sum = 0;
    const int c = ColumnOf(grid(), title);
    for (const auto& [name, row] : Rows())
      sum += text::NumberFromTextSkippingSeparators(grid().Text(row, c));
    return sum;
  }
  seats::SeatBook Stored() {
    seats::SeatBook book;
    store::StoreAccess access = p.store.OpenStore();
    EXPECT_TRUE(seats::LoadSeatBook(access, &book));
    return book;
  }

  testing_support::TestProgram p;
  int64_t identity_ = 0;
};

TEST_F(SeatIdentityWindowTest, TheKindsRowsAddUpToAllWithTheNicknameAndTheOlderNames) {
  ShowRanking();
  const std::string shown = std::string(kNewName) + "（老周）";
  std::map<std::string, int> all = Rows();
  ASSERT_EQ(all.size(), 5u);
  ASSERT_TRUE(all.contains(shown));
  EXPECT_FALSE(all.contains(kOldName));
  EXPECT_EQ(U(grid().Text(all[shown], ColumnOf(grid(), "上榜次数"))), "3");
  // The older name is the tooltip of the name; a Seat of one name has none,
  // and a header sort keeps each tooltip with its row.
  EXPECT_NE(U(grid().ToolTip(all[shown], 0)).find(kOldName), std::string::npos);
  EXPECT_EQ(grid().ToolTip(all[kOther], 0), "");
  grid().UserHeaderClick(0);
  all = Rows();
  EXPECT_NE(U(grid().ToolTip(all[shown], 0)).find(kOldName), std::string::npos);
  EXPECT_EQ(grid().ToolTip(all[kOther], 0), "");
  EXPECT_EQ(grid().ToolTip(all["机构专用"], 0), "");

  // Each kind alone, then their rows and sums together: 全部.
  ui::ComboBox& kinds = page().组合框_席位类别;
  ASSERT_EQ(kinds.items().size(), 5u);
  const std::vector<std::string> titles = {"上榜次数", "买入额(万)", "卖出额(万)", "净额(万)"};
  std::map<std::string, double> whole;
  for (const std::string& t : titles) whole[t] = Sum(t);
  std::set<std::string> together;
  std::map<std::string, double> sums;
  const std::map<int, std::set<std::string>> expected = {
      {1, {"机构专用"}}, {2, {"沪股通专用"}}, {3, {kTrader}}, {4, {shown, kOther}}};
  for (int k = 1; k <= 4; ++k) {
    kinds.UserSelect(k);
    std::set<std::string> names;
    for (const auto& [name, row] : Rows()) names.insert(name);
    EXPECT_EQ(names, expected.at(k)) << U(kinds.items()[static_cast<size_t>(k)]);
    together.insert(names.begin(), names.end());
    for (const std::string& t : titles) sums[t] += Sum(t);
  }
  EXPECT_EQ(together.size(), all.size());
  for (const std::string& t : titles) EXPECT_NEAR(sums[t], whole[t], 1e-6) << t;
  kinds.UserSelect(0);
  EXPECT_EQ(Rows().size(), all.size());
  // The filter is of Seats: it stands still for the stock rankings.
  page().单选框_个股统计.UserClick();
  EXPECT_FALSE(kinds.enabled());
}

TEST_F(SeatIdentityWindowTest, TheSeatBoxTakesANicknameANameOrAPart) {
  ShowRanking();
  ui::ComboBox& kinds = page().组合框_席位类别;
  ui::EditBox& box = page().编辑框_席位查找;
  const auto find = [&](const std::string& text) {
    box.UserEdit(G(text));
    box.UserKeyDown(13);
    EXPECT_TRUE(p.platform.RunUntilWorkersDone());
    return grid().CurrentRow();
  };
  // Filtered to 机构, the nickname brings back 全部 and its row.
  kinds.UserSelect(1);
  const int row = find("老周");
  EXPECT_EQ(kinds.selected(), 0);
  EXPECT_EQ(U(grid().Text(row, 0)), std::string(kNewName) + "（老周）");
  // The older name finds the same identity; so does a part only it holds.
  grid().SetCurrentCell(1, 0);
  EXPECT_EQ(find(kOldName), row);
  grid().SetCurrentCell(1, 0);
  EXPECT_EQ(find("人民路"), row);
  EXPECT_EQ(U(grid().Text(find("深南"), 0)), kOther);
  // From 个股统计 too; a Seat the range lacks is said so.
  page().单选框_个股统计.UserClick();
  EXPECT_EQ(U(grid().Text(find("老周"), 0)), std::string(kNewName) + "（老周）");
  EXPECT_TRUE(page().单选框_营业部排行.checked());
  find("无此席位");
  EXPECT_NE(U(page().标签_排行说明.caption()).find("无此席位"), std::string::npos);
}

TEST_F(SeatIdentityWindowTest, TodaysWatchShowsTheRankingsTrackRecordOfTheWatchedSeat) {
  testing_support::StoreTwoStocksBars(p.store);
  {
    seats::SeatBook book = Stored();
    book.SetWatch(0, std::to_string(identity_), true);
    store::StoreAccess access = p.store.OpenStore();
    ASSERT_TRUE(seats::SaveSeatBook(access, book));
    ASSERT_FALSE(access.CloseStore());
  }
  // 营业部排行 over the year to today (the test clock's 2010-04-09).
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  page().单选框_近一年.UserClick();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  const int row = Rows()[std::string(kNewName) + "（老周）"];
  ASSERT_GT(row, 0);
  const std::vector<std::string> titles = {"样本",    "次日溢价", "次日胜率",
                                           "5日均涨", "5日胜率",  "10日均涨"};
  std::vector<std::string> ranking;
  for (const std::string& t : titles) ranking.push_back(U(grid().Text(row, ColumnOf(grid(), t))));
  // Its buys under both names, each with the next day's bar.
  EXPECT_EQ(ranking[0], "2");
  EXPECT_NE(ranking[1], "");

  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kTodaysWatchPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::Grid& watch = p.window.todays_watch.高级表格_今日关注;
  ASSERT_EQ(U(watch.Text(1, ui::TodaysWatchPage::kSeat)), kNewName);
  std::vector<std::string> shown;
  for (int c = ui::TodaysWatchPage::kSample; c <= ui::TodaysWatchPage::kTenDayMean; ++c)
    shown.push_back(U(watch.Text(1, c)));
  EXPECT_EQ(shown, ranking);
  for (size_t k = 0; k < titles.size(); ++k)
    EXPECT_EQ(U(watch.Text(0, ui::TodaysWatchPage::kSample + static_cast<int>(k))), titles[k]);

  // 关注 on a listing behind a ranking row watches its stock.
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  grid().SetCurrentCell(row, 0);
  grid().UserDoubleClick(row, 0);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::Grid& listings = page().高级表格_排行明细;
  ASSERT_EQ(listings.context_entries.size(), 1u);
  const std::string code = listings.Text(1, ColumnOf(listings, "代码"));
  ASSERT_FALSE(code.empty());
  listings.UserContextEntry(1, 0, 0);
  EXPECT_TRUE(Stored().WatchedCode(code));
  listings.UserContextEntry(1, 0, 0);
  EXPECT_FALSE(Stored().WatchedCode(code));
}

}  // namespace
