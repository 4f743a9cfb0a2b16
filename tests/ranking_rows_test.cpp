// What lies behind a row: its listings newest first with the row's own
// amounts, and the chart's series over a three-day range and over a range
// long enough to go by months.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ranking/ranking_control.h"
#include "ranking/ranking_grids.h"
#include "ranking/row_listings.h"
#include "tests/program_fixture.h"

namespace {

using ranking::RankingKind;
using ranking::RowKey;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::SeatBlock;
using testing_support::U;

ListingRecord Listing(const std::string& date, const std::string& code,
                      const std::vector<Seat>& buys, const std::vector<Seat>& sells) {
  ListingRecord r = testing_support::MakeListing(date, "股" + code, code, "10000");
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = sells.empty() ? "" : SeatBlock(sells);
  return r;
}

class RankingRowsTest : public ::testing::Test {
 protected:
  RankingRowsTest() : store(store::StorePath(dir.path())) {
    EXPECT_FALSE(store.EnsureStore());
    // Three days; Seat A buys and sells, 机构专用 on two stocks.
    testing_support::WriteListings(
        store,
        {Listing("2010-04-07", "600001", {{"A", "30000.00", "0"}, {G("机构专用"), "10000.00", "0"}},
                 {{"A", "30000.00", "0"}}),
         Listing("2010-04-08", "600002", {{"B", "1.00", "0"}}, {{"A", "0", "80000.00"}}),
         Listing("2010-04-09", "600001", {{"A", "12345.00", "0"}},
                 {{G("机构专用"), "0", "5000.00"}}),
         Listing("2010-04-09", "600003", {{"A", "5.00", "0"}}, {})});
    scan = ranking::ScanRange(store, {"2010-04-07", "2010-04-09"}, false);
    EXPECT_FALSE(scan.error);
  }
  uint32_t SeatId(const std::string& name_gbk) {
    uint32_t id = 0;
    EXPECT_TRUE(scan.data.seats.Find(name_gbk, &id));
    return id;
  }
  uint32_t StockId(const std::string& code) {
    uint32_t id = 0;
    EXPECT_TRUE(scan.data.codes.Find(code, &id));
    return id;
  }
  testing_support::TempDir dir;
  store::Store store;
  ranking::RangeScan scan;
};

TEST_F(RankingRowsTest, ASeatsListingsComeNewestFirstWithItsSideAndAmounts) {
  const auto breakdown =
      ranking::BreakDownRow(scan.data, RowKey{RankingKind::kSeats, SeatId("A")}, 10);
  EXPECT_EQ(breakdown.listing_count, 4u);
  const auto& lines = breakdown.newest;
  ASSERT_EQ(lines.size(), 4u);
  // Newest day first, the later record first within a day.
  EXPECT_EQ(U(scan.data.codes[lines[0].stock]), "600003");
  EXPECT_EQ(U(scan.data.codes[lines[1].stock]), "600001");
  EXPECT_EQ(scan.data.days[lines[1].day], "2010-04-09");
  EXPECT_EQ(lines[3].sides, ranking::kInBuyBlock | ranking::kInSellBlock);
  EXPECT_DOUBLE_EQ(lines[3].buy, 60000.0);
  EXPECT_EQ(lines[2].sides, ranking::kInSellBlock);
  EXPECT_DOUBLE_EQ(lines[2].sell, 80000.0);

  // As the grid shows them: side, amounts to two places, the record
  // number in the last column.
  const ranking::GridLines grid = ranking::RowListingLines(scan.data, lines);
  ASSERT_EQ(grid.rows(), 4);
  const auto cell = [&](int r, int c) { return U(grid.cells[r * grid.columns + c].text); };
  EXPECT_EQ(cell(3, 0), "2010-04-07");
  EXPECT_EQ(cell(3, 3), "买卖");
  EXPECT_EQ(cell(3, 4), "6.00");
  EXPECT_EQ(cell(2, 3), "卖出");
  EXPECT_EQ(cell(2, 6), "-8.00");
  EXPECT_EQ(cell(3, grid.columns - 1), "1");
  EXPECT_EQ(cell(0, grid.columns - 1), "4");

  // A stock's own lines are the listings' totals; the institution's lines
  // are its entries in that stock only.
  const auto stock =
      ranking::BreakDownRow(scan.data, RowKey{RankingKind::kStocks, StockId("600001")}, 10).newest;
  ASSERT_EQ(stock.size(), 2u);
  EXPECT_DOUBLE_EQ(stock[1].buy, 70000.0);
  EXPECT_EQ(stock[1].sides, 0u);
  const auto institution =
      ranking::BreakDownRow(scan.data, RowKey{RankingKind::kInstitutions, StockId("600001")}, 10)
          .newest;
  // Asked for fewer, the newest come.
  const auto two = ranking::BreakDownRow(scan.data, RowKey{RankingKind::kSeats, SeatId("A")}, 2);
  EXPECT_EQ(two.listing_count, 4u);
  ASSERT_EQ(two.newest.size(), 2u);
  EXPECT_EQ(two.newest[1].record_number, 3);
  ASSERT_EQ(institution.size(), 2u);
  EXPECT_DOUBLE_EQ(institution[0].sell, 5000.0);
  EXPECT_DOUBLE_EQ(institution[1].buy, 10000.0);
}

TEST_F(RankingRowsTest, TheChartOfAThreeDayRangeHasADayEachAndTheRunningNet) {
  const ranking::NetSeries series =
      ranking::BreakDownRow(scan.data, RowKey{RankingKind::kSeats, SeatId("A")}, 0).series;
  EXPECT_FALSE(series.monthly);
  EXPECT_EQ(series.points, (std::vector<std::string>{"2010-04-07", "2010-04-08", "2010-04-09"}));
  EXPECT_EQ(series.net, (std::vector<double>{6.0, -8.0, 1.24}));  // 12350 yuan on the 9th
  EXPECT_EQ(series.cumulative, (std::vector<double>{6.0, -2.0, -0.76}));

  const ui::ChartData chart = ranking::NetChart(G("A"), series);
  EXPECT_EQ(chart.categories, series.points);
  EXPECT_EQ(chart.bars, series.net);
  EXPECT_EQ(chart.line, series.cumulative);
  EXPECT_NE(U(chart.title).find("已披露"), std::string::npos);
  EXPECT_EQ(chart.rise, (ui::Colour{255, 0, 0}));
  EXPECT_EQ(chart.fall, (ui::Colour{0, 128, 0}));

  // A day on which the row has no listing is on the axis at zero.
  const auto b = ranking::BreakDownRow(scan.data, RowKey{RankingKind::kSeats, SeatId("B")}, 10);
  EXPECT_EQ(b.series.net, (std::vector<double>{0, 0, 0}));
  // No row, no chart.
  EXPECT_TRUE(ranking::NetChart(G("A"), ranking::NetSeries{}).categories.empty());
}

TEST(RankingSeriesTest, OverMoreThanAYearOfDaysTheChartGoesByMonths) {
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore());
  std::vector<ListingRecord> records;
  const text::DateTime first = text::DateTime::FromParts(2009, 1, 1);
  for (int day = 0; day < 300; ++day)
    records.push_back(
        Listing(first.AddDays(day).DateText(), "600001", {{"A", "10000.00", "0"}}, {}));
  testing_support::WriteListings(store, records);
  const auto scan = ranking::ScanRange(store, {{}, {}, true}, false);
  uint32_t a = 0;
  ASSERT_TRUE(scan.data.seats.Find("A", &a));
  const auto series = ranking::BreakDownRow(scan.data, RowKey{RankingKind::kSeats, a}, 0).series;
  EXPECT_TRUE(series.monthly);
  ASSERT_EQ(series.points.size(), 10u);  // January to October 2009
  EXPECT_EQ(series.points[0], "2009-01");
  EXPECT_EQ(series.net[0], 31.0);
  EXPECT_EQ(series.cumulative.back(), 300.0);
}

}  // namespace
