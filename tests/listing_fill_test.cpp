// The listing grids' layout and the statistics query that fills them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "listing/listing_grid.h"
#include "listing/listing_scan.h"
#include "listing/statistics_query.h"
#include "store/store_error.h"
#include "tests/program_fixture.h"
#include "text/numbers.h"
#include "text/text_ops.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::Seat;
using testing_support::SeatBlock;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

// n listings dated 2010-06-01.. with codes 600001.., every figure distinct.
std::vector<ListingRecord> Listings(int n) {
  std::vector<ListingRecord> records;
  for (int i = 1; i <= n; ++i) {
    char date[16];
    std::snprintf(date, sizeof date, "2010-06-%02d", (i - 1) % 28 + 1);
    records.push_back(MakeListing(date, "股票" + std::to_string(i), std::to_string(600000 + i),
                                  "10000", std::to_string(i * 10000) + ".00", "0.00"));
  }
  return records;
}

// The texts of row r, UTF-8.
std::vector<std::string> Row(const ui::Grid& grid, int r) {
  std::vector<std::string> cells;
  for (int c = 0; c < grid.ColumnCount(); ++c) cells.push_back(U(grid.Text(r, c)));
  return cells;
}

class ListingFillTest : public ::testing::Test {
 protected:
  ui::Grid& stats() { return p.window.高级表格_龙虎统计; }
  ui::Grid& results() { return p.window.高级表格_搜索结果; }
  void FillStatistics() {
    listing::SetUpListingGrid(p.window.透明标签_排序标, stats());
    listing::FillListingGrid(p.ctx, stats(), {});
  }
  TestProgram p;
};

TEST_F(ListingFillTest, LayoutGivesTitlesWidthsAlignmentAndStriping) {
  ui::Grid& g = stats();
  g.SetColumnCount(10);
  g.SetRowCount(20);
  p.window.透明标签_排序标.SetCaption(G("↑"));
  g.SetEnabled(false);
  listing::SetUpListingGrid(p.window.透明标签_排序标, g);

  EXPECT_EQ(p.window.透明标签_排序标.caption(), "");
  EXPECT_EQ(g.HeaderRowCount(), 1);
  EXPECT_EQ(g.ColumnCount(), 10);
  EXPECT_EQ(g.RowHeight(0), 24);
  EXPECT_TRUE(g.enabled());
  const std::vector<int> widths = {68, 62, 50, 247, 73, 73, 73, 50, 44, 1};
  for (int c = 0; c < 10; ++c) EXPECT_EQ(g.ColumnWidth(c), widths[c]) << c;
  EXPECT_EQ(Row(g, 0), (std::vector<std::string>{"上榜日期", "股票名称", "代 码",
                                                 "交 易 营 业 部 (单击查看全部席位)", "买 入(万)",
                                                 "卖 出(万)", "净 流(万)", "力度", "详情", ""}));
  for (int c = 0; c < 10; ++c) EXPECT_EQ(g.At(0, c).Alignment(), ui::Align::kCentre) << c;
  for (int r : {1, 19}) {
    EXPECT_EQ(g.At(r, 0).Alignment(), ui::Align::kCentre);
    EXPECT_EQ(g.At(r, 3).Alignment(), ui::Align::kLeft);
    for (int c = 4; c <= 7; ++c) EXPECT_EQ(g.At(r, c).Alignment(), ui::Align::kRight);
    EXPECT_EQ(g.At(r, 8).Alignment(), ui::Align::kCentre);
  }
  EXPECT_EQ(g.striping(), (ui::Striping{true, ui::kWhite, ui::Colour{231, 239, 231}}));
}

TEST_F(ListingFillTest, RowCountIsListingsPlusTitleAtLeastSixteen) {
  EXPECT_EQ(listing::ListingGridRowCount(0), 16);
  EXPECT_EQ(listing::ListingGridRowCount(14), 16);
  EXPECT_EQ(listing::ListingGridRowCount(15), 16);
  EXPECT_EQ(listing::ListingGridRowCount(40), 41);
  EXPECT_EQ(listing::ListingGridRowCount(100), 101);
}

TEST_F(ListingFillTest, RowCellsAreThreeDecimalFiguresAndTheRecordNumber) {
  ui::Grid& g = stats();
  listing::SetUpListingGrid(p.window.透明标签_排序标, g);
  g.SetRowCount(16);
  listing::ListingRow row{"2010-06-26", G("中国平安"), "601318", G("机构专用"), 1500, 0.5,
                          -7,           -0.125,        42};
  listing::WriteListingRow(g, 3, row);
  EXPECT_EQ(Row(g, 3),
            (std::vector<std::string>{"2010-06-26", "中国平安", "601318", "机构专用", "1500.000",
                                      "0.500", "-7.000", "-0.125", "查看>>", "42"}));
  EXPECT_TRUE(g.At(3, 9).is_number);
  EXPECT_FALSE(g.At(3, 4).is_number);
  EXPECT_EQ(g.At(3, 4).Alignment(), ui::Align::kRight);

  row.buy_total = 99.99;
  row.strength.reset();
  listing::WriteListingRow(g, 4, row);
  EXPECT_EQ(U(g.Text(4, 4)), "99.990");
  EXPECT_EQ(g.Text(4, 7), "");  // no strength, no text
  // Beyond the grid nothing is written and nothing breaks.
  listing::WriteListingRow(g, 16, row);
  listing::WriteListingRow(g, -1, row);
  EXPECT_EQ(g.RowCount(), 16);
}

TEST_F(ListingFillTest, TotalsOfBothBlocksNetAndStrength) {
  ListingRecord r = MakeListing("2010-06-25", "深发展", "000001", "10000");
  r[store::kBuySeats] = SeatBlock({{"A", "1000000.00", "0.00"},
                                   {"B", "500000.00", "0.00"},
                                   {"C", "0.00", "0.00"},
                                   {"D", "0.00", "0.00"},
                                   {"E", "0.00", "0.00"}});
  r[store::kSellSeats] = SeatBlock({{"F", "0.00", "0.00"},
                                    {"G", "0.00", "300000.00"},
                                    {"H", "0.00", "0.00"},
                                    {"I", "0.00", "0.00"},
                                    {"J", "0.00", "0.00"}});
  WriteListings(p.store, {r});
  FillStatistics();
  EXPECT_EQ(Row(stats(), 1),
            (std::vector<std::string>{"2010-06-25", "深发展", "000001", "A", "150.000", "30.000",
                                      "120.000", "0.012", "查看>>", "1"}));
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(ListingFillTest, HalvesRoundAwayFromZeroAndNetStaysTwoDecimals) {
  ListingRecord up = MakeListing("2010-06-25", "甲", "000001", "10000", "0.00", "0.00");
  up[store::kBuySeats] = SeatBlock({{"A", "123450.00", "0.00"}});  // 12.345 in 10,000 yuan
  up[store::kBuySeats] += "|B|0.00|0.00";
  ListingRecord down = up;
  down[store::kBuySeats] = SeatBlock({{"A", "-123450.00", "0.00"}, {"B", "0.00", "0.00"}});
  // 100.01 - 99.99 is 0.02000000000001 in binary arithmetic.
  ListingRecord close = MakeListing("2010-06-25", "丙", "000003", "10000", "0.00", "0.00");
  close[store::kBuySeats] = SeatBlock({{"A", "1000100.00", "0.00"}});
  close[store::kSellSeats] = SeatBlock({{"B", "0.00", "999900.00"}});
  WriteListings(p.store, {up, down, close});
  FillStatistics();
  EXPECT_EQ(stats().Text(1, 4), "12.350");
  EXPECT_EQ(stats().Text(2, 4), "-12.350");
  EXPECT_EQ(stats().Text(2, 6), "-12.350");
  EXPECT_EQ(stats().Text(3, 6), "0.020");
  EXPECT_EQ(stats().Text(3, 7), "0.000");
}

TEST_F(ListingFillTest, StatisticsModeRowCountsAndTotalCaption) {
  FillStatistics();  // empty store
  EXPECT_EQ(stats().RowCount(), 16);
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(0)条");
  EXPECT_EQ(stats().Text(1, 0), "");
  EXPECT_TRUE(p.platform.messages().empty());

  WriteListings(p.store, Listings(15));
  FillStatistics();
  EXPECT_EQ(stats().RowCount(), 16);
  EXPECT_EQ(stats().Text(15, 2), "600015");
  EXPECT_EQ(p.state.statistics_listing_count, 15);

  WriteListings(p.store, Listings(25));
  FillStatistics();
  EXPECT_EQ(stats().RowCount(), 41);
  EXPECT_EQ(stats().Text(40, 2), "600025");
  EXPECT_EQ(stats().Text(40, 9), "40");  // record numbers follow the store
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(40)条");
  EXPECT_EQ(p.state.statistics_listing_count, 40);
}

TEST_F(ListingFillTest, SearchModeShowsTheGivenRecordsInOrder) {
  WriteListings(p.store, Listings(10));
  p.state.search_keyword = G("中国");
  listing::SetUpListingGrid(p.window.透明标签_排序标, results());
  listing::FillListingGrid(p.ctx, results(), {7, 3, 7});
  EXPECT_EQ(results().RowCount(), 16);
  EXPECT_EQ(results().Text(1, 2), "600007");
  EXPECT_EQ(results().Text(2, 2), "600003");
  EXPECT_EQ(results().Text(3, 2), "600007");
  EXPECT_EQ(results().Text(3, 9), "7");
  EXPECT_EQ(results().Text(4, 2), "");
  EXPECT_EQ(U(p.window.标签_搜索标题.caption()), "中国(上榜统计)");
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(10)条");
  EXPECT_EQ(p.state.statistics_listing_count, 0);  // the statistics grid was not filled
  EXPECT_EQ(U(p.window.标签_数据耗时.caption()), "搜索耗时:0秒");
}

TEST_F(ListingFillTest, TimingCaptionAndStartTime) {
  p.platform.SetTickCount(1000);
  ui::TabControl& tabs = p.window.高级选择夹1;
  bool details_off_during_fill = false;
  tabs.AddListener([&](ui::Component&, ui::Property property) {
    if (property == ui::Property::kPageEnabled && !tabs.page_enabled(2))
      details_off_during_fill = true;
  });
  FillStatistics();
  EXPECT_EQ(p.state.start_time, 1000);
  EXPECT_TRUE(details_off_during_fill);
  EXPECT_TRUE(tabs.page_enabled(2));
  EXPECT_EQ(U(p.window.标签_数据耗时.caption()), "统计耗时:0秒");
}

TEST_F(ListingFillTest, EmptyBuyBlockStopsTheFillWithOneMessage) {
  std::vector<ListingRecord> records = Listings(5);
  records[2][store::kBuySeats] = "";
  records[3][store::kBuySeats] = "A|1";  // two values: damaged too, but no second message
  WriteListings(p.store, records);
  FillStatistics();
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].text, "调用数据库出错，请重新下载数据！");
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(p.platform.messages()[0].buttons, ui::MessageButtons::kOk);
  EXPECT_EQ(stats().Text(2, 2), "600002");
  EXPECT_EQ(stats().Text(3, 2), "");
  EXPECT_EQ(stats().Text(5, 2), "");
  EXPECT_EQ(p.state.statistics_listing_count, 2);
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
  EXPECT_EQ(stats().At(1, 6).TextColour(), (ui::Colour{255, 0, 0}));  // coloured all the same
}

TEST_F(ListingFillTest, ShortButUsableBlocksCountTheirMissingValuesAsZero) {
  ListingRecord r = MakeListing("2010-06-25", "甲", "000001", "10000");
  // The page left the last Seat's amounts empty: 13 values after the split.
  r[store::kBuySeats] = "A|100000.00|0.00|B|0|0|C|0|0|D|0|0|E|";
  r[store::kSellSeats] = "F|0|50000|G";
  ListingRecord next = MakeListing("2010-06-26", "乙", "000002", "10000");
  WriteListings(p.store, {r, next});
  FillStatistics();
  EXPECT_TRUE(p.platform.messages().empty());
  EXPECT_EQ(stats().Text(1, 4), "10.000");
  EXPECT_EQ(stats().Text(1, 5), "5.000");
  EXPECT_EQ(stats().Text(2, 2), "000002");  // the fill went on
}

TEST_F(ListingFillTest, TurnoverSeparatorsAndZeroTurnover) {
  ListingRecord grouped = MakeListing("2010-06-25", "甲", "000001", "1,234", "24680.00", "0.00");
  ListingRecord zero = MakeListing("2010-06-25", "乙", "000002", "0.00");
  ListingRecord words = MakeListing("2010-06-25", "丙", "000003", "--");
  WriteListings(p.store, {grouped, zero, words});
  FillStatistics();
  // 5 x 24680 yuan = 12.34 in 10,000 yuan; 12.34 / 1234 = 0.01.
  EXPECT_EQ(stats().Text(1, 6), "12.340");
  EXPECT_EQ(stats().Text(1, 7), "0.010");
  EXPECT_EQ(stats().Text(2, 6), "25.000");
  EXPECT_EQ(stats().Text(2, 7), "");
  EXPECT_EQ(stats().Text(3, 7), "");
  EXPECT_EQ(testing_support::ReadColumn(p.store, store::kTurnover)[0], "1,234");
}

TEST_F(ListingFillTest, RowsOfAnEarlierFillAreBlanked) {
  WriteListings(p.store, Listings(10));
  p.state.search_keyword = "x";
  listing::SetUpListingGrid(p.window.透明标签_排序标, results());
  listing::FillListingGrid(p.ctx, results(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  listing::FillListingGrid(p.ctx, results(), {9, 8, 7});
  EXPECT_EQ(results().Text(3, 2), "600007");
  for (int r = 4; r < results().RowCount(); ++r)
    for (int c = 0; c < 10; ++c) EXPECT_EQ(results().Text(r, c), "") << r << "," << c;
}

TEST_F(ListingFillTest, UnreadableStoreIsReportedAndTheGridKeepsItsRows) {
  WriteListings(p.store, Listings(3));
  FillStatistics();
  const std::vector<std::string> before = Row(stats(), 2);
  p.store.DropIdleConnections();
  testing_support::WriteFileBytes(p.store.Path(), std::string(8192, 'x'));
  listing::FillListingGrid(p.ctx, stats(), {});
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_FALSE(p.platform.messages()[0].text.empty());
  EXPECT_EQ(Row(stats(), 2), before);
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(3)条");
  EXPECT_TRUE(p.window.高级选择夹1.page_enabled(2));
}

TEST(ListingScanTest, SeatBlocksSumInOrderAndKeepTheFirstSeat) {
  listing::ScannedListing l;
  listing::TakeSeatBlocks("A|1|2|B|3|4", "C|5|6|D||7|E|8|9|F|10|11|G|12|13|H|99|99", l);
  EXPECT_EQ(l.row.first_buy_seat, "A");
  EXPECT_EQ(l.buy_block_values, 6);
  // Values 2, 5, 8, 11, 14 buy and 3, 6, 9, 12, 15 sell, in both blocks; an
  // empty value is 0 and a sixth Seat is not counted.
  EXPECT_DOUBLE_EQ(l.buying, 1 + 3 + 5 + 0 + 8 + 10 + 12);
  EXPECT_DOUBLE_EQ(l.selling, 2 + 4 + 6 + 7 + 9 + 11 + 13);
  listing::TakeSeatBlocks("", "", l);
  EXPECT_EQ(l.buy_block_values, 0);
  EXPECT_EQ(l.row.first_buy_seat, "");
  listing::TakeSeatBlocks("A|1|", "", l);  // an empty last remainder is no value
  EXPECT_EQ(l.buy_block_values, 2);
}

TEST(ListingScanTest, SeatBlocksSplitOnCharacterBoundariesAsSplitTextDoes) {
  // Pieces whose bytes look like separators inside a character: 81 7C is
  // one character, and a lone lead byte at the end swallows nothing.
  std::mt19937 random(3);
  const std::vector<std::string> pieces = {"|",        "|",    "|", "12.5",     "7", "\x81\x7C",
                                           "\xB0\xA1", "\x81", "A", "\xFE\x40", "-3"};
  for (int round = 0; round < 3000; ++round) {
    std::string block;
    const int length = static_cast<int>(random() % 30);
    for (int i = 0; i < length; ++i) block += pieces[random() % pieces.size()];
    const std::vector<std::string_view> split = text::SplitText(block, "|");
    double buying = 0, selling = 0;
    for (size_t k = 1; k <= std::min<size_t>(split.size(), 15); ++k) {
      if (k % 3 == 2) buying += text::NumberFromText(split[k - 1]);
      if (k % 3 == 0) selling += text::NumberFromText(split[k - 1]);
    }
    listing::ScannedListing l;
    listing::TakeSeatBlocks(block, "", l);
    ASSERT_EQ(l.buy_block_values, static_cast<int>(split.size())) << block;
    EXPECT_EQ(l.row.first_buy_seat, split.empty() ? "" : std::string(split[0])) << block;
    EXPECT_EQ(l.buying, buying) << block;
    EXPECT_EQ(l.selling, selling) << block;
  }
}

TEST(ListingScanTest, QuickNumberReadingsAgreeWithTheGeneralOnes) {
  std::mt19937_64 random(11);
  std::vector<std::string> texts = {"0.00",
                                    "-0",
                                    "0",
                                    "1.",
                                    ".5",
                                    "-",
                                    ".",
                                    "",
                                    "12,345.67",
                                    "1,234",
                                    "9999999999999999",
                                    "123456789012345.6",
                                    " 12",
                                    "+5",
                                    "1e3",
                                    "--1",
                                    "1.2.3",
                                    "00012.50",
                                    G("１２３"),
                                    G("１，２３４"),
                                    "7" + G("万")};
  for (int i = 0; i < 2000; ++i) {
    const uint64_t cents = random() % 100000000000ull;
    std::string t = std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) +
                    std::to_string(cents % 10);
    if (i % 3 == 0) t = "-" + t;
    if (i % 5 == 0) t = t.substr(0, t.size() - 1);
    texts.push_back(t);
  }
  const std::string alphabet = "0123456789999..-+e, ";
  for (int i = 0; i < 3000; ++i) {
    std::string t;
    for (size_t n = random() % 19; n > 0; --n) t += alphabet[random() % alphabet.size()];
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    const double general = text::NumberFromText(t);
    const double quick = listing::AmountFromText(t);
    EXPECT_EQ(std::memcmp(&general, &quick, sizeof general), 0) << t;
    EXPECT_EQ(listing::TurnoverFromText(t), text::NumberFromTextSkippingSeparators(t)) << t;
  }
}

TEST(ListingGridTextTest, FigureTextIsThePaddedNumberText) {
  std::mt19937_64 random(5);
  std::vector<double> values = {
      0.0,       -0.0,           0.5,          150,      12.5,  0.012, -0.01,          1234.56,
      -7,        99.99,          1e-5,         -0.0004,  2.675, 1e10,  9999999999.999, 1e15,
      0.1 + 0.2, 100.01 - 99.99, std::nan(""), 1.0 / 0.0};
  for (int i = 0; i < 5000; ++i) {
    const int64_t k = static_cast<int64_t>(random() % 20000000000000ull) - 10000000000000ll;
    values.push_back(static_cast<double>(k) / (i % 2 ? 100 : 1000));
    values.push_back(text::RoundHalfAway(static_cast<double>(k) / 7e6, 3));
  }
  for (double x : values)
    EXPECT_EQ(listing::ListingFigureText(x), text::PadThreeDecimals(text::NumberText(x))) << x;
}

}  // namespace
