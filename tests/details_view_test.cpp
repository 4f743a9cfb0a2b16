#include "duplicates/details_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/store_error.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;
using ui::Align;

class DetailsViewTest : public ::testing::Test {
 protected:
  DetailsViewTest() {
    // The statistics page shows listings: the details view reads the store.
    ui::Grid& stats = p.window.高级表格_龙虎统计;
    stats.SetColumnCount(10);
    stats.SetRowCount(16);
    stats.SetText(1, 0, "2010-04-09");
  }

  // Lays out and shows record n, as the page switch and "查看>>" do.
  void Show(int64_t n) {
    details::LayOutDetailsGrid(p.ctx);
    details::ShowListingDetails(p.ctx, n);
  }

  // The seven cells of a details row, UTF-8.
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> cells;
    for (int c = 0; c < 7; ++c) cells.push_back(U(grid().Text(row, c)));
    return cells;
  }
  const ui::Grid& grid() const { return p.window.高级表格_上榜明细; }

  TestProgram p;
};

using Cells = std::vector<std::string>;

TEST_F(DetailsViewTest, LayoutHasItsRowsTitlesWidthsAlignmentAndMerges) {
  p.window.透明标签_排序标.SetCaption(G("↑"));
  details::LayOutDetailsGrid(p.ctx);
  const ui::Grid& g = grid();
  EXPECT_EQ(g.RowCount(), 15);
  EXPECT_EQ(g.ColumnCount(), 7);
  EXPECT_EQ(g.HeaderRowCount(), 1);
  EXPECT_EQ(g.RowHeight(0), 36);
  EXPECT_EQ(g.RowHeight(1), ui::Grid::kDefaultRowHeight);
  const std::vector<int> widths = {29, 330, 95, 95, 95, 48, 48};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(g.ColumnWidth(c), widths[static_cast<size_t>(c)]) << c;
  EXPECT_EQ(p.window.透明标签_排序标.caption(), "");

  const Cells titles = {"",       "交 易 营 业 部", "买入金额(元)", "卖出金额(元)", "净流金额(元)",
                        "介入度", "抛售度"};
  EXPECT_EQ(Row(2), titles);
  EXPECT_EQ(Row(9), titles);
  EXPECT_EQ(U(g.Text(1, 0)), "  买入金额最大的前5名");
  EXPECT_EQ(U(g.Text(8, 0)), "  卖出金额最大的前5名");

  // Later ranges override earlier ones: only columns 0 and 1 of the title
  // rows stay centred.
  for (int row : {2, 9}) {
    EXPECT_EQ(g.At(row, 0).Alignment(), Align::kCentre);
    EXPECT_EQ(g.At(row, 1).Alignment(), Align::kCentre);
    for (int c = 2; c <= 6; ++c) EXPECT_EQ(g.At(row, c).Alignment(), Align::kRight) << row << c;
  }
  for (int row : {3, 7, 10, 14}) {
    EXPECT_EQ(g.At(row, 0).Alignment(), Align::kCentre) << row;
    EXPECT_EQ(g.At(row, 1).Alignment(), Align::kDefault) << row;
  }
  EXPECT_EQ(g.At(1, 0).Alignment(), Align::kDefault);
  EXPECT_EQ(g.At(8, 0).Alignment(), Align::kDefault);
  EXPECT_EQ(g.At(1, 2).Alignment(), Align::kRight);
  EXPECT_EQ(g.At(14, 6).Alignment(), Align::kRight);
  EXPECT_EQ(g.At(0, 3).Alignment(), Align::kDefault);

  const std::vector<ui::CellRange> merges = {{0, 0, 0, 6}, {1, 0, 1, 6}, {8, 0, 8, 6}};
  EXPECT_EQ(g.Merges(), merges);
  details::LayOutDetailsGrid(p.ctx);  // again: the same structure, not more of it
  EXPECT_EQ(g.Merges(), merges);
}

TEST_F(DetailsViewTest, SeatRowsKeepStoredAmountsAndComputeNetAndShares) {
  ListingRecord r = MakeListing("2010-04-09", "某某股份", "600000", "10");
  r[store::kBuySeats] = "A|100.00|0.00|B|200|50|C|0|0|D|1|2|E|3|4";
  ListingRecord big = MakeListing("2010-04-09", "乙", "000002", "100");
  big[store::kBuySeats] = "X|1250|0|Y|7|7|Z|0|300|V|0|0|W|0|0";
  WriteListings(p.store, {r, big});

  Show(1);
  EXPECT_EQ(Row(3), (Cells{"1", "A", "100.00", "0.00", "100.00", "0.10", "0.00"}));
  EXPECT_EQ(Row(4), (Cells{"2", "B", "200.00", "50.00", "150.00", "0.20", "0.05"}));
  EXPECT_TRUE(grid().At(3, 0).is_number);
  EXPECT_TRUE(grid().At(3, 5).is_number);
  EXPECT_TRUE(grid().At(4, 6).is_number);
  // The sell block is written the same way, into rows 10 to 14.
  EXPECT_EQ(Row(10), (Cells{"1", U(G("卖1")), "0.00", "50000.00", "-50000.00", "0.00", "50.00"}));
  EXPECT_EQ(Row(14)[0], "5");

  Show(2);
  EXPECT_EQ(Row(3), (Cells{"1", "X", "1250.00", "0.00", "1250.00", "0.13", "0.00"}));  // 0.125 rounds up
  EXPECT_EQ(Row(4)[4], "0.00");                                               // equal amounts
  EXPECT_EQ(Row(5)[4], "-300.00");
  EXPECT_EQ(Row(5)[6], "0.03");
}

TEST_F(DetailsViewTest, HeadingPageTitleAndElapsedCaption) {
  ListingRecord r = MakeListing("2010-04-09", "某某股份", "600000", "1,234.5");
  r[store::kValue] = "";
  WriteListings(p.store, {r});
  p.platform.SetTickCount(5000);

  Show(1);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "某某股份(600000)成交明细 2010-04-09");
  EXPECT_EQ(U(grid().Text(0, 0)),
            "  2010-04-09上榜原因：日涨幅偏离值达7%     成交量：1,234.56万股  成交额：1,234.5万元");
  EXPECT_EQ(p.state.start_time, 5000);
  EXPECT_EQ(U(p.window.标签_数据耗时.caption()), "明细耗时:0秒");
  EXPECT_TRUE(p.platform.messages().empty());
}

// A data-centre listing without a volume, and reasons too long for one
// line: 成交额 always shows, a missing figure is a dash, not a bare unit.
TEST_F(DetailsViewTest, HeadingKeepsTheTurnoverInSightAndDashesMissingFigures) {
  ListingRecord no_volume = MakeListing("2010-04-09", "甲", "600001", "3,456.7");
  no_volume[store::kVolume] = "";
  ListingRecord long_reason = MakeListing("2010-04-09", "乙", "600002", "1,234.5");
  long_reason[store::kReason] = G("连续三个交易日内日收盘价格涨幅偏离值累计达到20%");
  WriteListings(p.store, {no_volume, long_reason});

  Show(1);
  EXPECT_EQ(U(grid().Text(0, 0)),
            "  2010-04-09上榜原因：日涨幅偏离值达7%   日涨幅偏9.52%  成交量：—  成交额：3,456.7万元");
  Show(2);
  EXPECT_EQ(U(grid().Text(0, 0)),
            "  2010-04-09上榜原因：连续三个交易日内日收盘价格涨幅偏离值累计达到20%\r\n"
            "  日涨幅偏9.52%  成交量：1,234.56万股  成交额：1,234.5万元");
}

TEST_F(DetailsViewTest, EmptyStatisticsPageShowsTheFirstUseMessageAndReadsNothing) {
  WriteListings(p.store, {MakeListing("2010-04-09", "甲", "600001", "10")});
  p.window.高级表格_龙虎统计.SetText(1, 0, "");
  details::LayOutDetailsGrid(p.ctx);
  p.window.高级表格_上榜明细.SetText(3, 1, "kept");
  const std::string title_before = p.window.标签_明细标题.caption();
  p.state.start_time = 77;

  Show(1);
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].text,
            "系统初次使用暂无龙虎榜数据\r\n\r\n      请下载最新数据");
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  // Laid out, but the data cells and captions keep what they held.
  EXPECT_EQ(U(grid().Text(2, 1)), "交 易 营 业 部");
  EXPECT_EQ(grid().Text(3, 1), "kept");
  EXPECT_EQ(grid().Text(0, 0), "");
  EXPECT_EQ(p.window.标签_明细标题.caption(), title_before);
  EXPECT_EQ(p.state.start_time, 77);
}

TEST_F(DetailsViewTest, RecordNumbersOutsideTheStoreShowTheNearestRecord) {
  WriteListings(p.store, {MakeListing("2010-04-01", "甲", "600001", "10"),
                          MakeListing("2010-04-02", "乙", "600002", "10"),
                          MakeListing("2010-04-03", "丙", "600003", "10")});
  Show(0);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "甲(600001)成交明细 2010-04-01");
  Show(99);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "丙(600003)成交明细 2010-04-03");
  Show(2);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()), "乙(600002)成交明细 2010-04-02");
}

TEST_F(DetailsViewTest, SeatsAShortBlockLacksLeaveTheirCellsEmpty) {
  ListingRecord full = MakeListing("2010-04-09", "甲", "600001", "10");
  ListingRecord shortened = MakeListing("2010-04-09", "乙", "600002", "10");
  shortened[store::kBuySeats] = "A|1000|2000|B|3000";  // B's sell amount and Seats 3-5 missing
  WriteListings(p.store, {full, shortened});

  Show(1);  // rows full of the first listing
  Show(2);  // must not leave any of it behind
  EXPECT_EQ(Row(3), (Cells{"1", "A", "1000.00", "2000.00", "-1000.00", "1.00", "2.00"}));
  EXPECT_EQ(Row(4), (Cells{"2", "B", "3000.00", "", "3000.00", "3.00", "0.00"}));
  for (int row = 5; row <= 7; ++row) EXPECT_EQ(Row(row), Cells(7, "")) << row;
  EXPECT_EQ(grid().At(5, 0).Alignment(), Align::kCentre);  // emptied, not un-aligned
  EXPECT_EQ(Row(10)[1], U(G("卖1")));
}

TEST_F(DetailsViewTest, TurnoverWithoutANumberOrZeroLeavesSharesEmptyAndSeparatorsCount) {
  ListingRecord zero = MakeListing("2010-04-09", "甲", "600001", "0", "500", "0");
  ListingRecord none = MakeListing("2010-04-09", "乙", "600002", "--", "500", "0");
  ListingRecord thousands = MakeListing("2010-04-09", "丙", "600003", "1,234", "12340", "0");
  WriteListings(p.store, {zero, none, thousands});

  for (int n : {1, 2}) {
    Show(n);
    EXPECT_EQ(Row(3), (Cells{"1", U(G("买1")), "500.00", "0.00", "500.00", "", ""})) << n;
    EXPECT_FALSE(grid().At(3, 5).is_number);
  }
  Show(3);
  // 12340 yuan of a turnover of 1,234 x 10,000 yuan: 0.1 %, not 100 %.
  EXPECT_EQ(Row(3)[5], "0.10");
}

TEST_F(DetailsViewTest, StoreThatCannotBeOpenedIsReportedAndNothingChanges) {
  WriteListings(p.store, {MakeListing("2010-04-09", "甲", "600001", "10")});
  p.store.DropIdleConnections();
  testing_support::WriteFileBytes(p.store.Path(), std::string(8192, 'x'));
  details::LayOutDetailsGrid(p.ctx);
  const std::string title_before = p.window.标签_明细标题.caption();

  details::ShowListingDetails(p.ctx, 1);
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  auto access = p.store.OpenStore();
  ASSERT_TRUE(access.error().has_value());
  EXPECT_EQ(p.platform.messages()[0].text, U(store::ErrorMessage(*access.error())));
  EXPECT_EQ(p.window.标签_明细标题.caption(), title_before);
  EXPECT_EQ(grid().Text(0, 0), "");
  EXPECT_EQ(grid().Text(3, 1), "");
}

}  // namespace
