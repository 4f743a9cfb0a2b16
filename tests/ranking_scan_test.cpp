// The rankings of a range on hand-built stores whose totals are known:
// Seats in both blocks and twice in one block, names one character apart,
// range edges on a weekend, an empty range, repeated listings, the next
// days' sells, and a one-listing range against the statistics grid.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "listing/listing_lines.h"
#include "listing/listing_scan.h"
#include "ranking/range_scan.h"
#include "ranking/rankings.h"
#include "tests/program_fixture.h"
#include "text/numbers.h"

namespace {

using ranking::DateRange;
using ranking::Rankings;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::SeatBlock;
using testing_support::TempDir;
using testing_support::U;

// A listing with exactly the given Seats in its two blocks.
ListingRecord Listing(const std::string& date, const std::string& name_utf8,
                      const std::string& code, const std::vector<Seat>& buys,
                      const std::vector<Seat>& sells) {
  ListingRecord r = testing_support::MakeListing(date, name_utf8, code, "10000");
  // A buy block without a Seat still has its three values.
  r[store::kBuySeats] = buys.empty() ? "|0|0" : SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock(sells);
  return r;
}

Seat S(const std::string& name_utf8, const std::string& buy, const std::string& sell) {
  return Seat{G(name_utf8), buy, sell};
}

class RankingScanTest : public ::testing::Test {
 protected:
  RankingScanTest() : store(store::StorePath(dir.path())) { EXPECT_FALSE(store.EnsureStore()); }

  ranking::RangeScan Scan(const DateRange& range, bool repeats = false) {
    auto scan = ranking::ScanRange(store, range, repeats);
    EXPECT_FALSE(scan.error.has_value());
    return scan;
  }
  // The Seat rows by name (UTF-8).
  std::map<std::string, ranking::SeatRanking> SeatsByName(const ranking::RangeData& d,
                                                          const Rankings& r) {
    std::map<std::string, ranking::SeatRanking> out;
    for (const auto& row : r.seats) out[U(d.seats[row.seat])] = row;
    return out;
  }

  TempDir dir;
  store::Store store;
};

const DateRange kApril{"2010-04-01", "2010-04-30"};

TEST_F(RankingScanTest, SeatsInBothBlocksOrTwiceInOneCountOnceWithEveryAmountAdded) {
  testing_support::WriteListings(
      store, {Listing("2010-04-06", "甲", "600001",
                      {S("中信证券上海溧阳路", "100000.00", "20000.00"),
                       S("机构专用", "50000.00", "0"), S("机构专用", "30000.00", "0")},
                      {S("中信证券上海溧阳路", "100000.00", "20000.00"),
                       S("国信证券深圳泰然九路", "0", "80000.00")}),
              Listing("2010-04-07", "甲", "600001", {S("中信证券上海溧阳路", "1.00", "0")},
                      {S("机构专用", "0", "40000.00")})});
  const auto scan = Scan(kApril);
  const Rankings r = ranking::MakeRankings(scan.data);
  auto seats = SeatsByName(scan.data, r);
  ASSERT_EQ(seats.size(), 3u);

  const auto& zhongxin = seats["中信证券上海溧阳路"];
  EXPECT_EQ(zhongxin.listings, 2);
  EXPECT_EQ(zhongxin.buy_listings, 2);
  EXPECT_EQ(zhongxin.sell_listings, 1);
  EXPECT_DOUBLE_EQ(zhongxin.buy, 200001.00);  // both blocks, as the statistics grid adds them
  EXPECT_DOUBLE_EQ(zhongxin.sell, 40000.00);
  const auto f = ranking::ToWan(zhongxin.buy, zhongxin.sell);
  EXPECT_DOUBLE_EQ(f.buy, 20.0);
  EXPECT_DOUBLE_EQ(f.sell, 4.0);
  EXPECT_DOUBLE_EQ(f.net, 16.0);

  const auto& institution = seats["机构专用"];
  EXPECT_EQ(institution.listings, 2);
  EXPECT_EQ(institution.buy_listings, 1);  // twice in one block: one listing
  EXPECT_EQ(institution.sell_listings, 1);
  EXPECT_DOUBLE_EQ(institution.buy, 80000.00);
  EXPECT_DOUBLE_EQ(institution.sell, 40000.00);

  // The stock: one row, both listings, the institution's amounts, and the
  // distinct Seats of each side.
  ASSERT_EQ(r.stocks.size(), 1u);
  EXPECT_EQ(r.stocks[0].listings, 2);
  EXPECT_EQ(r.stocks[0].buying_seats, 2);   // 中信, 机构专用
  EXPECT_EQ(r.stocks[0].selling_seats, 3);  // 中信, 国信, 机构专用
  EXPECT_DOUBLE_EQ(r.stocks[0].institution_buy, 80000.00);
  EXPECT_DOUBLE_EQ(r.stocks[0].institution_sell, 40000.00);
  ASSERT_EQ(r.institutions.size(), 1u);
  EXPECT_EQ(r.institutions[0].buy_count, 1);
  EXPECT_EQ(r.institutions[0].sell_count, 1);
  EXPECT_DOUBLE_EQ(r.institutions[0].buy, 80000.00);
}

TEST_F(RankingScanTest, NamesOneCharacterApartAreTwoSeatsAndTopStocksGoByAmount) {
  testing_support::WriteListings(
      store, {Listing("2010-04-06", "甲", "600001", {S("华泰证券深圳益田路", "300.00", "0")}, {}),
              Listing("2010-04-06", "乙", "600002", {S("华泰证券深圳益田路", "500.00", "0")}, {}),
              Listing("2010-04-07", "甲", "600001", {S("华泰证券深圳益田路", "400.00", "0")}, {}),
              Listing("2010-04-07", "丙", "600003", {S("华泰证券深圳益田", "100.00", "0")}, {}),
              Listing("2010-04-08", "丁", "600004", {S("华泰证券深圳益田路", "1.00", "0")}, {}),
              Listing("2010-04-08", "戊", "600005", {S("华泰证券深圳益田路", "0", "9.00")}, {})});
  const auto scan = Scan(kApril);
  const Rankings r = ranking::MakeRankings(scan.data);
  auto seats = SeatsByName(scan.data, r);
  ASSERT_EQ(seats.size(), 2u);
  EXPECT_EQ(seats["华泰证券深圳益田"].listings, 1);
  const auto& long_name = seats["华泰证券深圳益田路"];
  EXPECT_EQ(long_name.listings, 5);
  // 甲 700, 乙 500, 丁 1; 戊 bought nothing.
  ASSERT_EQ(long_name.top_count, 3);
  std::vector<std::string> top;
  for (int k = 0; k < 3; ++k) top.push_back(U(scan.data.codes[long_name.top_stocks[k]]));
  EXPECT_EQ(top, (std::vector<std::string>{"600001", "600002", "600004"}));
  EXPECT_DOUBLE_EQ(long_name.top_amounts[0], 700.0);
}

TEST_F(RankingScanTest, RangeEdgesOnAWeekendAndAnEmptyRange) {
  // Friday 2010-04-02, Monday 04-05, Friday 04-09, Monday 04-12.
  testing_support::WriteListings(
      store, {Listing("2010-04-02", "甲", "600001", {S("A", "1.00", "0")}, {}),
              Listing("2010-04-05", "甲", "600001", {S("A", "2.00", "0")}, {}),
              Listing("2010-04-09", "甲", "600001", {S("A", "4.00", "0")}, {}),
              Listing("2010-04-12", "甲", "600001", {S("A", "8.00", "0")}, {})});
  // Saturday 04-03 to Sunday 04-11: the Monday and the Friday inside.
  const auto week = Scan({"2010-04-03", "2010-04-11"});
  EXPECT_EQ(week.data.range_listings, 2);
  ASSERT_GE(week.data.days.size(), 2u);
  EXPECT_EQ(week.data.range_days, 2);
  EXPECT_EQ(week.data.days[0], "2010-04-05");
  EXPECT_EQ(week.data.days[1], "2010-04-09");
  const Rankings r = ranking::MakeRankings(week.data);
  ASSERT_EQ(r.seats.size(), 1u);
  EXPECT_DOUBLE_EQ(r.seats[0].buy, 6.0);

  // A weekend holds nothing.
  const auto weekend = Scan({"2010-04-10", "2010-04-11"});
  EXPECT_EQ(weekend.data.range_listings, 0);
  EXPECT_EQ(weekend.data.range_days, 0);
  const Rankings none = ranking::MakeRankings(weekend.data);
  EXPECT_TRUE(none.seats.empty());
  EXPECT_TRUE(none.stocks.empty());
  EXPECT_TRUE(none.institutions.empty());

  // The whole store, boxes or not.
  const auto all = Scan(DateRange{{}, {}, true});
  EXPECT_EQ(all.data.range_listings, 4);
  EXPECT_EQ(all.data.range_days, 4);
}

TEST_F(RankingScanTest, RepeatedListingsOfADayCountOnceUnlessAsked) {
  // A three-day listing repeats the Seats' sums of its day's listing.
  testing_support::WriteListings(
      store,
      {Listing("2010-04-06", "甲", "600001", {S("A", "100.00", "0")}, {}),
       Listing("2010-04-06", "甲", "600001", {S("A", "300.00", "0"), S("B", "1.00", "0")}, {}),
       Listing("2010-04-07", "甲", "600001", {S("A", "10.00", "0")}, {})});
  {
    const auto scan = Scan(kApril);
    EXPECT_EQ(scan.data.range_listings, 2);
    EXPECT_EQ(scan.data.repeats_left_out, 1);
    const Rankings r = ranking::MakeRankings(scan.data);
    auto seats = SeatsByName(scan.data, r);
    EXPECT_EQ(seats.size(), 1u);  // B stands only in the repeat
    EXPECT_DOUBLE_EQ(seats["A"].buy, 110.0);
    EXPECT_EQ(seats["A"].listings, 2);
  }
  const auto scan = Scan(kApril, /*repeats=*/true);
  EXPECT_EQ(scan.data.range_listings, 3);
  const Rankings r = ranking::MakeRankings(scan.data);
  auto seats = SeatsByName(scan.data, r);
  EXPECT_DOUBLE_EQ(seats["A"].buy, 410.0);
  EXPECT_EQ(seats["A"].listings, 3);
  EXPECT_EQ(seats["B"].listings, 1);
}

TEST_F(RankingScanTest, NextDaySellsLookAtTheNextTwoTradingDaysTheStoreHolds) {
  // Days held: 04-06, 04-07, 04-08, 04-09, and after the range 04-12 and
  // 04-13 (the weekend between is no day of the store).
  testing_support::WriteListings(
      store, {Listing("2010-04-06", "甲", "600001", {S("A", "1.00", "0"), S("B", "1.00", "0")}, {}),
              // Another stock's sell does not count for 甲.
              Listing("2010-04-07", "乙", "600002", {}, {S("A", "0", "1.00")}),
              // B sells 甲 two days later: counts; the same day would not.
              Listing("2010-04-08", "甲", "600001", {S("C", "1.00", "0")},
                      {S("B", "0", "1.00"), S("C", "0", "1.00")}),
              // A sells 甲 three days after buying: too late.
              Listing("2010-04-09", "甲", "600001", {S("D", "1.00", "0")}, {S("A", "0", "1.00")}),
              // After the range: D sells on the next day the store holds.
              Listing("2010-04-12", "甲", "600001", {}, {S("D", "0", "5.00")}),
              Listing("2010-04-13", "丙", "600003", {S("E", "1.00", "0")}, {})});
  const auto scan = Scan({"2010-04-01", "2010-04-09"});
  EXPECT_EQ(scan.data.range_listings, 4);
  const Rankings r = ranking::MakeRankings(scan.data);
  auto seats = SeatsByName(scan.data, r);
  EXPECT_EQ(seats.size(), 4u);  // E trades only after the range
  EXPECT_EQ(seats["A"].next_day_sells, 0);
  EXPECT_EQ(seats["B"].next_day_sells, 1);
  EXPECT_EQ(seats["C"].next_day_sells, 0);
  EXPECT_EQ(seats["D"].next_day_sells, 1);
  EXPECT_DOUBLE_EQ(seats["D"].sell, 0.0);  // the sell after the range is not the range's
  EXPECT_EQ(seats["D"].listings, 1);
}

TEST_F(RankingScanTest, AOneListingRangeGivesTheStatisticsGridsFigures) {
  // Amounts whose sums sit on rounding halves and carry binary error.
  testing_support::WriteListings(
      store, {Listing("2010-04-06", "甲", "600001",
                      {S("A", "12345.67", "0.01"), S("B", "0.05", "4999.99"),
                       S("C", "100.005", "0"), S("D", "26750.00", "0"), S("E", "0.1", "0.2")},
                      {S("F", "0.3", "12344.995"), S("G", "0", "15000.05"), S("H", "1", "1"),
                       S("I", "0", "0.005"), S("J", "0", "9999.995")})});
  listing::ListingLines lines =
      listing::MakeListingLines(listing::ScanListings(store, nullptr), false);
  ASSERT_EQ(lines.count, 1);
  const listing::ListingRow& grid_row = lines.listings[0].row;

  const auto scan = Scan({"2010-04-06", "2010-04-06"});
  const Rankings r = ranking::MakeRankings(scan.data);
  ASSERT_EQ(r.stocks.size(), 1u);
  const auto f = ranking::ToWan(r.stocks[0].buy, r.stocks[0].sell);
  EXPECT_EQ(f.buy, grid_row.buy_total);
  EXPECT_EQ(f.sell, grid_row.sell_total);
  EXPECT_EQ(f.net, grid_row.net);
  // And the Seats' own amounts add up to the same listing.
  double buy = 0, sell = 0;
  for (const auto& seat : r.seats) {
    buy += seat.buy;
    sell += seat.sell;
  }
  EXPECT_NEAR(buy, r.stocks[0].buy, 1e-6);
  EXPECT_NEAR(sell, r.stocks[0].sell, 1e-6);
}

TEST_F(RankingScanTest, DamagedListingsAreLeftOutAndCounted) {
  ListingRecord damaged = Listing("2010-04-06", "甲", "600001", {S("A", "1.00", "0")}, {});
  damaged[store::kBuySeats] = "A|1";
  testing_support::WriteListings(
      store, {damaged, Listing("2010-04-07", "乙", "600002", {S("A", "1.00", "0")}, {})});
  const auto scan = Scan(kApril);
  EXPECT_EQ(scan.data.damaged_left_out, 1);
  EXPECT_EQ(scan.data.range_listings, 1);
}

TEST_F(RankingScanTest, AStopEndsTheScanAndAnUnreadableStoreSaysWhy) {
  testing_support::WriteListings(
      store, {Listing("2010-04-06", "甲", "600001", {S("A", "1.00", "0")}, {})});
  const auto stopped = ranking::ScanRange(store, kApril, false, [] { return true; });
  EXPECT_TRUE(stopped.stopped);

  store::Store wrong(store.Path(), "not the password");
  const auto failed = ranking::ScanRange(wrong, kApril, false);
  EXPECT_TRUE(failed.error.has_value());
  EXPECT_TRUE(failed.data.listings.empty());
}

}  // namespace
