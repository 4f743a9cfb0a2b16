#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "duplicates/seat_tooltip.h"
#include "seats/seat_book.h"
#include "store/store_error.h"
#include "tests/program_fixture.h"
#include "ui/main_window.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

class SeatTooltipTest : public ::testing::Test {
 protected:
  SeatTooltipTest() {
    ui::Grid& g = grid();
    g.SetColumnCount(10);
    g.SetRowCount(16);
    p.platform.SetPointer({300, 250});
  }
  ui::Grid& grid() { return p.window.高级表格_龙虎统计; }

  // Row i of the listing grid shows record n.
  void ShowRow(int i, int64_t n, const std::string& seat = "A") {
    grid().SetText(i, 0, "2010-04-09");
    grid().SetText(i, 3, seat);
    grid().SetInteger(i, 9, n);
  }
  void ClickSeat(int row, int column = 3) {
    grid().SetCurrentCell(row, column);
    details::ShowSeatTooltip(p.window.气球提示框_席位组, p.platform, p.store, grid());
  }
  // Any store access from here on fails with a message.
  void BreakStore() {
    p.store.DropIdleConnections();
    std::filesystem::remove(p.store.Path());
  }

  TestProgram p;
};

TEST_F(SeatTooltipTest, BalloonListsAllTenSeatsUnderTheDateAndName) {
  WriteListings(p.store, {MakeListing("2010-04-09", "某某股份", "600000", "10")});
  ShowRow(1, 1);
  ClickSeat(1);
  ASSERT_EQ(p.platform.balloons().size(), 1u);
  const ui::RecordedBalloon b = p.platform.balloons()[0];
  EXPECT_EQ(b.html,
            "<h1>  2010-04-09 [某某股份] 龙虎榜交易席位列表</h1>\r\n\r\n"
            "1. 买1\r\n2. 买2\r\n3. 买3\r\n4. 买4\r\n5. 买5\r\n"
            "6. 卖1\r\n7. 卖2\r\n8. 卖3\r\n9. 卖4\r\n10. 卖5\r\n");
  EXPECT_EQ(b.style, ui::kBalloonStyle);
  EXPECT_EQ(b.duration_ms, 3000);
  EXPECT_EQ(b.point, (ui::Point{50 + 210, 242}));
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(SeatTooltipTest, FewerThanTwentyEightItemsIsAReadError) {
  ListingRecord short27 = MakeListing("2010-04-09", "甲", "600001", "10");
  short27[store::kSellSeats] = "S1|0|1|S2|0|2|S3|0|3|S4|0|4";  // 15 + 12 items
  ListingRecord just28 = short27;
  just28[store::kSellSeats] += "|S5";
  WriteListings(p.store, {short27, just28});

  ShowRow(1, 1);
  ClickSeat(1);
  EXPECT_TRUE(p.platform.balloons().empty());
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].text, "交易席位数据读取错误");
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");

  ShowRow(1, 2);
  ClickSeat(1);
  ASSERT_EQ(p.platform.balloons().size(), 1u);
  EXPECT_NE(p.platform.balloons()[0].html.find("9. S4\r\n10. S5\r\n"), std::string::npos);
  EXPECT_EQ(p.platform.messages().size(), 1u);
}

TEST_F(SeatTooltipTest, PopUpSnapsToTheRowBandUnderThePointer) {
  WriteListings(p.store, {MakeListing("2010-04-09", "甲", "600001", "10")});
  ShowRow(1, 1);
  for (auto [pointer_y, balloon_y] : {std::pair{242, 242}, {265, 242}, {266, 266}, {500, 482}}) {
    p.platform.SetPointer({400, pointer_y});
    ClickSeat(1);
    ASSERT_FALSE(p.platform.balloons().empty());
    EXPECT_EQ(p.platform.balloons().back().point, (ui::Point{260, balloon_y})) << pointer_y;
  }
  // Above the first band: nothing, and the store is not touched.
  const size_t shown = p.platform.balloons().size();
  BreakStore();
  p.platform.SetPointer({400, 241});
  ClickSeat(1);
  EXPECT_EQ(p.platform.balloons().size(), shown);
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(SeatTooltipTest, BandsAndOffsetFollowAMovedWindow) {
  WriteListings(p.store, {MakeListing("2010-04-09", "甲", "600001", "10")});
  ShowRow(1, 1);
  p.platform.SetWindowPosition({300, 130});  // 250 right, 80 down of the initial place
  p.platform.SetPointer({600, 321});
  ClickSeat(1);
  EXPECT_TRUE(p.platform.balloons().empty());
  for (auto [pointer_y, balloon_y] : {std::pair{322, 322}, {345, 322}, {346, 346}}) {
    p.platform.SetPointer({600, pointer_y});
    ClickSeat(1);
    ASSERT_FALSE(p.platform.balloons().empty());
    EXPECT_EQ(p.platform.balloons().back().point, (ui::Point{510, balloon_y})) << pointer_y;
  }
}

TEST_F(SeatTooltipTest, OtherCellsAndAnEmptyGridShowNothingAndOpenNoStore) {
  WriteListings(p.store, {MakeListing("2010-04-09", "甲", "600001", "10")});
  BreakStore();
  ClickSeat(1);  // no listings in the grid
  ShowRow(1, 1);
  ClickSeat(0);     // title row
  ClickSeat(1, 2);  // code column
  ClickSeat(1, 4);
  EXPECT_TRUE(p.platform.balloons().empty());
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(SeatTooltipTest, BlankRowBelowTheDataShowsRecordOne) {
  ListingRecord first = MakeListing("2010-04-01", "甲", "600001", "10");
  ListingRecord second = MakeListing("2010-04-02", "乙", "600002", "10");
  WriteListings(p.store, {first, second});
  ShowRow(1, 2);
  ClickSeat(5);  // no record number there: 0, the first record
  ASSERT_EQ(p.platform.balloons().size(), 1u);
  EXPECT_NE(p.platform.balloons()[0].html.find("2010-04-01 [甲]"), std::string::npos);
}

TEST_F(SeatTooltipTest, MarkupInNamesIsShownAsText) {
  ListingRecord r = MakeListing("2010-04-09", "A&B\"C", "600001", "10");
  r[store::kBuySeats] = G("<b>机构</b>专用&席位|1|0|") + "x|1|0|x|1|0|x|1|0|x|1|0";
  WriteListings(p.store, {r});
  ShowRow(1, 1);
  ClickSeat(1);
  ASSERT_EQ(p.platform.balloons().size(), 1u);
  const std::string html = p.platform.balloons()[0].html;
  EXPECT_NE(html.find("[A&amp;B&quot;C]"), std::string::npos) << html;
  EXPECT_NE(html.find("1. &lt;b&gt;机构&lt;/b&gt;专用&amp;席位\r\n"), std::string::npos) << html;
  EXPECT_EQ(html.find("<b>"), std::string::npos);
}

// A nickname and a note are the user's own text: shown after the Seat's
// name, as text, whatever they hold.
TEST_F(SeatTooltipTest, ANicknameAndANoteShowAfterTheNameAsText) {
  WriteListings(p.store, {MakeListing("2010-04-09", "某某股份", "600000", "10")});
  {
    seats::SeatBook book;
    book.Absorb({{G("买2"), "2010-04-09", "2010-04-09", {}},
                 {G("卖1"), "2010-04-09", "2010-04-09", {}},
                 {G("卖3"), "2010-04-09", "2010-04-09", {}}});
    book.FindMutable(*book.IdentityOfName(G("买2")))->nickname = G("<b>x</b>&");
    book.FindMutable(*book.IdentityOfName(G("买2")))->note = G("首板\"<i>");
    book.FindMutable(*book.IdentityOfName(G("卖1")))->note = G("<script>");
    store::StoreAccess access = p.store.OpenStore();
    ASSERT_TRUE(seats::SaveSeatBook(access, book));
    ASSERT_FALSE(access.CloseStore());
  }
  ShowRow(1, 1);
  ClickSeat(1);
  ASSERT_EQ(p.platform.balloons().size(), 1u);
  EXPECT_EQ(p.platform.balloons()[0].html,
            "<h1>  2010-04-09 [某某股份] 龙虎榜交易席位列表</h1>\r\n\r\n"
            "1. 买1\r\n2. 买2（&lt;b&gt;x&lt;/b&gt;&amp;，首板&quot;&lt;i&gt;）\r\n3. 买3\r\n"
            "4. 买4\r\n5. 买5\r\n6. 卖1（&lt;script&gt;）\r\n7. 卖2\r\n8. 卖3\r\n9. 卖4\r\n"
            "10. 卖5\r\n");
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(SeatTooltipTest, StoreThatCannotBeOpenedIsReported) {
  ShowRow(1, 1);
  BreakStore();
  ClickSeat(1);
  EXPECT_TRUE(p.platform.balloons().empty());
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(p.platform.messages()[0].text,
            U(store::ErrorMessage(store::StoreError{store::ErrorKind::kMissing, 0, {}})));
}

}  // namespace
