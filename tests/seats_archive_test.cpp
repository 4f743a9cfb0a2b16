// The pages "席位档案" and "今日关注" on the window model: the identities
// come up with the page, the search, edits saved to the store (a nickname
// another identity holds and an unknown kind refused), merge, undo and
// watch from the context menu; the newest day's watched listings and the
// count a finished download offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "seats/seat_book.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::SeatBlock;
using testing_support::U;
using Page = ui::SeatArchivePage;

class SeatArchivePageTest : public ::testing::Test {
 protected:
  SeatArchivePageTest() {
    app::WireEvents(p.ctx);
    ListingRecord r = testing_support::MakeListing("2010-04-08", "甲", "600001", "10000");
    r[store::kBuySeats] = SeatBlock({{G("华泰证券南京中山路营业部"), "30000.00", "0"},
                                     {G("国信证券深圳泰然九路营业部"), "20000.00", "0"}});
    r[store::kSellSeats] = SeatBlock({{G("机构专用"), "0", "10000.00"}});
    testing_support::WriteListings(p.store, {r});
  }
  ui::Grid& grid() { return p.window.seat_archive.高级表格_席位档案; }
  void TurnToPage() {
    p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kSeatArchivePage);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  // The grid row showing a name (in either name column), 0 for none.
  int RowOf(const std::string& name_utf8) {
    for (int r = 1; r < grid().RowCount(); ++r) {
      if (U(grid().Text(r, Page::kNewestName)) == name_utf8 ||
          U(grid().Text(r, Page::kOtherNames)).find(name_utf8) != std::string::npos)
        return r;
    }
    return 0;
  }
  int ShownRows() {
    int n = 0;
    for (int r = 1; r < grid().RowCount(); ++r) n += !grid().Text(r, Page::kNewestName).empty();
    return n;
  }
  seats::SeatBook Stored() {
    seats::SeatBook book;
    store::StoreAccess access = p.store.OpenStore();
    EXPECT_TRUE(seats::LoadSeatBook(access, &book));
    return book;
  }
  testing_support::TestProgram p;
};

TEST_F(SeatArchivePageTest, EditsAreSavedAndBadOnesRefusedWithTheCellPutBack) {
  TurnToPage();
  ASSERT_EQ(ShownRows(), 3);
  const int huatai = RowOf("华泰证券南京中山路营业部");
  const int guoxin = RowOf("国信证券深圳泰然九路营业部");
  ASSERT_GT(huatai, 0);
  ASSERT_GT(guoxin, 0);
  EXPECT_EQ(U(grid().Text(RowOf("机构专用"), Page::kKind)), "机构");

  // A nickname that looks like markup is kept as it was typed.
  grid().UserEditCell(huatai, Page::kNickname, G("<b>老张</b>"));
  grid().UserEditCell(huatai, Page::kNote, G("只做首板"));
  grid().UserEditCell(huatai, Page::kKind, G("游资"));
  {
    const seats::SeatBook book = Stored();
    const auto id = book.IdentityOfName(G("华泰证券南京中山路营业部"));
    ASSERT_TRUE(id);
    EXPECT_EQ(U(book.Find(*id)->nickname), "<b>老张</b>");
    EXPECT_EQ(U(book.Find(*id)->note), "只做首板");
    EXPECT_EQ(U(book.Find(*id)->kind), "游资");
  }
  EXPECT_TRUE(p.platform.messages().empty());

  // The same nickname for another identity, and a kind that is none.
  grid().UserEditCell(guoxin, Page::kNickname, G("<b>老张</b>"));
  grid().UserEditCell(guoxin, Page::kKind, G("散户"));
  EXPECT_EQ(p.platform.messages().size(), 2u);
  EXPECT_EQ(grid().Text(guoxin, Page::kNickname), "");
  EXPECT_EQ(U(grid().Text(guoxin, Page::kKind)), "营业部");
  const seats::SeatBook book = Stored();
  const auto id = book.IdentityOfName(G("国信证券深圳泰然九路营业部"));
  ASSERT_TRUE(id);
  EXPECT_EQ(book.Find(*id)->nickname, "");
  EXPECT_EQ(U(book.Find(*id)->kind), "营业部");

  // The search matches a part of a nickname as well as of a name.
  p.window.seat_archive.编辑框_席位搜索.UserEdit(G("老张"));
  p.window.seat_archive.超级按钮_席位查找.UserClick();
  EXPECT_EQ(ShownRows(), 1);
  p.window.seat_archive.编辑框_席位搜索.UserEdit(G("泰然"));
  p.window.seat_archive.超级按钮_席位查找.UserClick();
  ASSERT_EQ(ShownRows(), 1);
  EXPECT_EQ(U(grid().Text(1, Page::kNewestName)), "国信证券深圳泰然九路营业部");
}

TEST_F(SeatArchivePageTest, AMergeByNicknameIsSavedAndUndoneAndAWatchIsStored) {
  TurnToPage();
  grid().UserEditCell(RowOf("华泰证券南京中山路营业部"), Page::kNickname, G("老张"));

  // 国信 merged into the identity nicknamed 老张.
  p.platform.QueueText(G("老张"));
  grid().UserContextEntry(RowOf("国信证券深圳泰然九路营业部"), 0, Page::kMerge);
  EXPECT_TRUE(p.platform.messages().empty());
  EXPECT_EQ(ShownRows(), 2);
  {
    const seats::SeatBook book = Stored();
    EXPECT_EQ(book.rows().identities.size(), 2u);
    EXPECT_EQ(book.IdentityOfName(G("国信证券深圳泰然九路营业部")),
              book.IdentityOfName(G("华泰证券南京中山路营业部")));
  }
  const int merged = RowOf("国信证券深圳泰然九路营业部");
  EXPECT_EQ(merged, RowOf("华泰证券南京中山路营业部"));
  EXPECT_EQ(U(grid().Text(merged, Page::kNickname)), "老张");

  // Watched, then the merge undone: both identities back.
  grid().UserContextEntry(merged, 0, Page::kWatch);
  EXPECT_EQ(U(grid().Text(merged, Page::kWatched)), "关注");
  {
    const seats::SeatBook book = Stored();
    EXPECT_TRUE(book.Watched(*book.IdentityOfName(G("华泰证券南京中山路营业部"))));
  }
  grid().UserContextEntry(merged, 0, Page::kUndo);
  EXPECT_EQ(ShownRows(), 3);
  const seats::SeatBook book = Stored();
  EXPECT_EQ(book.rows().identities.size(), 3u);
  const auto huatai = book.IdentityOfName(G("华泰证券南京中山路营业部"));
  const auto guoxin = book.IdentityOfName(G("国信证券深圳泰然九路营业部"));
  ASSERT_TRUE(huatai && guoxin);
  EXPECT_NE(*huatai, *guoxin);

  // A merge into nothing known changes nothing and says so.
  p.platform.QueueText(G("没有这个席位"));
  grid().UserContextEntry(RowOf("机构专用"), 0, Page::kMerge);
  EXPECT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(Stored().rows().identities.size(), 3u);
}

class TodaysWatchPageTest : public ::testing::Test {
 protected:
  TodaysWatchPageTest() {
    app::WireEvents(p.ctx);
    ListingRecord a = testing_support::MakeListing("2010-04-08", "甲", "600001", "10000");
    a[store::kBuySeats] = SeatBlock({{G("华泰证券南京中山路营业部"), "30000.00", "0"},
                                     {G("国信证券深圳泰然九路营业部"), "20000.00", "0"}});
    ListingRecord b = testing_support::MakeListing("2010-04-08", "乙", "600002", "10000",
                                                   "80000.00");
    b[store::kSellSeats] = SeatBlock({{G("国信证券深圳泰然九路营业部"), "0", "50000.00"}});
    ListingRecord older = testing_support::MakeListing("2010-04-01", "丙", "600003", "10000");
    older[store::kBuySeats] = SeatBlock({{G("国信证券深圳泰然九路营业部"), "70000.00", "0"}});
    testing_support::WriteListings(p.store, {older, a, b});
  }
  ui::Grid& grid() { return p.window.todays_watch.高级表格_今日关注; }
  std::string Row(int row) {
    std::string out;
    for (int c = 0; c <= ui::TodaysWatchPage::kListingNet; ++c)
      out += (c ? "|" : "") + U(grid().Text(row, c));
    return out;
  }
  testing_support::TestProgram p;
};

TEST_F(TodaysWatchPageTest, TheNewestDaysWatchedListingsAndTheirCount) {
  // Nothing watched yet: the page says so.
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kTodaysWatchPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(grid().Text(1, 0), "");
  EXPECT_NE(p.window.todays_watch.标签_今日关注提示.caption(), "");

  // 国信 watched on 席位档案 (nicknamed there), 600001 by code.
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kSeatArchivePage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::Grid& archive = p.window.seat_archive.高级表格_席位档案;
  int guoxin = 0;
  for (int r = 1; r < archive.RowCount(); ++r)
    if (U(archive.Text(r, Page::kNewestName)) == "国信证券深圳泰然九路营业部") guoxin = r;
  ASSERT_GT(guoxin, 0);
  archive.UserEditCell(guoxin, Page::kNickname, G("泰然"));
  archive.UserContextEntry(guoxin, 0, Page::kWatch);
  {
    seats::SeatBook book;
    store::StoreAccess access = p.store.OpenStore();
    ASSERT_TRUE(seats::LoadSeatBook(access, &book));
    book.SetWatch(1, "600001", true);
    ASSERT_TRUE(seats::SaveSeatBook(access, book));
    ASSERT_FALSE(access.CloseStore());
  }

  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kTodaysWatchPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.window.todays_watch.日期框_关注日期.value().DateText(), "2010-04-08");
  // The listing of a watched code with its totals (the sums of its Seat
  // blocks), then the watched Seat in it, then the Seat on the sell side
  // of the other listing; the last column is the whole listing's net.
  EXPECT_EQ(Row(1), "600001|甲|||||5.00|25.00|-20.00|-20.00");
  EXPECT_EQ(Row(2), "600001|甲|国信证券深圳泰然九路营业部|泰然|营业部|买|2.00|0.00|2.00|-20.00");
  EXPECT_EQ(Row(3), "600002|乙|国信证券深圳泰然九路营业部|泰然|营业部|卖|0.00|5.00|-5.00|35.00");
  EXPECT_EQ(grid().Text(4, 0), "");

  // The older day chosen in the date box.
  p.window.todays_watch.日期框_关注日期.UserSetValue(ui::DateTime::FromParts(2010, 4, 1));
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(Row(1), "600003|丙|国信证券深圳泰然九路营业部|泰然|营业部|买|7.00|0.00|7.00|-18.00");
  EXPECT_EQ(grid().Text(2, 0), "");

  // What a download of both days offers: three listings involve something
  // watched.
  EXPECT_EQ(p.window.todays_watch.count_watched_listings({"2010-04-01", "2010-04-08"}), 3u);
  EXPECT_EQ(p.window.todays_watch.count_watched_listings({"2010-04-02"}), 0u);
}

TEST_F(TodaysWatchPageTest, TheRankingsContextMenuWatchesASeatAndThePageShowsIt) {
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::Grid& ranking = p.window.ranking.高级表格_席位排行;
  int row = 0;
  for (int r = 1; r < ranking.RowCount() && row == 0; ++r) {
    for (int c = 0; c < ranking.ColumnCount(); ++c)
      if (U(ranking.Text(r, c)) == "国信证券深圳泰然九路营业部") row = r;
  }
  ASSERT_GT(row, 0);
  ASSERT_EQ(ranking.context_entries.size(), 1u);
  ranking.UserContextEntry(row, 0, 0);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  const auto watched = [this] {
    seats::SeatBook book;
    store::StoreAccess access = p.store.OpenStore();
    EXPECT_TRUE(seats::LoadSeatBook(access, &book));
    const auto id = book.IdentityOfName(G("国信证券深圳泰然九路营业部"));
    return id && book.Watched(*id);
  };
  EXPECT_TRUE(watched());
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kTodaysWatchPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(U(grid().Text(1, ui::TodaysWatchPage::kSeat)), "国信证券深圳泰然九路营业部");
  EXPECT_EQ(U(grid().Text(2, ui::TodaysWatchPage::kSeat)), "国信证券深圳泰然九路营业部");

  // The same entry again: no longer watched.
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ranking.UserContextEntry(row, 0, 0);
  EXPECT_FALSE(watched());
}

}  // namespace
