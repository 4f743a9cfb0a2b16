// Returns after a listing on hand-built bars (a suspension, the last bar
// held, no bar on D0, a dividend, a limit-up D+1), the track record's means
// and rates, the figures' text, and the K-line answers read or refused.
#include "prices/returns.h"

#include <gtest/gtest.h>

#include "prices/kline_answer.h"
#include "ranking/range_returns.h"

namespace {

using prices::KlineKind;
using prices::ListingReturns;
using prices::ReturnsAfter;
using store::PriceBar;

PriceBar Bar(const std::string& date, double open, double high, double close) {
  return PriceBar{date, open, high, std::min(open, close), close, 1000, 1e6};
}

// Bars on consecutive weekdays from 2024-03-04 with closes 10, 11, 12, …
std::vector<PriceBar> Rising(int count) {
  static const char* const kDates[] = {
      "2024-03-04", "2024-03-05", "2024-03-06", "2024-03-07", "2024-03-08", "2024-03-11",
      "2024-03-12", "2024-03-13", "2024-03-14", "2024-03-15", "2024-03-18", "2024-03-19",
      "2024-03-20", "2024-03-21", "2024-03-22", "2024-03-25", "2024-03-26", "2024-03-27",
      "2024-03-28", "2024-03-29", "2024-04-01", "2024-04-02", "2024-04-03", "2024-04-04"};
  std::vector<PriceBar> bars;
  for (int i = 0; i < count; ++i)
    bars.push_back(Bar(kDates[i], 10 + i - 0.5, 10 + i + 0.5, 10 + i));
  return bars;
}

TEST(PricesReturns, CountsTheStocksOwnBarsAcrossASuspension) {
  // The stock stands still from 03-06 to 03-12: D+1 of 03-05 is 03-13.
  std::vector<PriceBar> bars = {Bar("2024-03-04", 9.8, 10.1, 10),  Bar("2024-03-05", 10, 10.5, 10),
                                Bar("2024-03-13", 10.4, 11.2, 11), Bar("2024-03-14", 11, 11.6, 11.5),
                                Bar("2024-03-15", 11.5, 12.4, 12), Bar("2024-03-18", 12, 12.2, 9),
                                Bar("2024-03-19", 9, 9.5, 9.5)};
  const ListingReturns r = ReturnsAfter(bars, "2024-03-05");
  ASSERT_TRUE(r.next_open && r.d1 && r.d5);
  EXPECT_NEAR(*r.next_open, 4.0, 1e-9);
  EXPECT_NEAR(*r.next_high, 12.0, 1e-9);
  EXPECT_NEAR(*r.d1, 10.0, 1e-9);
  EXPECT_NEAR(*r.d2, 15.0, 1e-9);
  EXPECT_NEAR(*r.d3, 20.0, 1e-9);
  EXPECT_NEAR(*r.d5, -5.0, 1e-9);
  // The highest high of D+1..D+5 is D+3's, though D+5 closes lowest.
  EXPECT_NEAR(*r.max5, 24.0, 1e-9);
  EXPECT_FALSE(r.d10);
  EXPECT_FALSE(r.d20);
  EXPECT_NEAR(*r.path[0], 0.0, 1e-12);
  EXPECT_FALSE(r.path[6]);
}

TEST(PricesReturns, EmptyBeyondTheBarsHeldAndWithoutABarOnTheListingDay) {
  const std::vector<PriceBar> bars = Rising(22);
  const ListingReturns last = ReturnsAfter(bars, bars.back().date);
  EXPECT_FALSE(last.next_open || last.next_high || last.d1 || last.max5);
  // Twenty bars after 03-04 reach D+20 exactly; one later no longer does.
  EXPECT_TRUE(ReturnsAfter(bars, "2024-03-05").d20);
  EXPECT_FALSE(ReturnsAfter(bars, "2024-03-06").d20);
  EXPECT_TRUE(ReturnsAfter(bars, "2024-03-06").d10);
  // A listing on a day without a bar (the stock did not trade, or the bars
  // start later) has no figures at all, not the next bar's.
  const ListingReturns missing = ReturnsAfter(bars, "2024-03-09");
  EXPECT_FALSE(missing.next_open || missing.d1 || missing.d5 || missing.path[0]);
  EXPECT_FALSE(ReturnsAfter(bars, "2024-03-01").d1);
  EXPECT_FALSE(ReturnsAfter({}, "2024-03-04").d1);
}

TEST(PricesReturns, ADividendOnBackAdjustedBarsIsNoDrop) {
  // Ex-dividend on 03-06: the cash price fell 0.50, the back-adjusted bars
  // carry on from the adjusted close; the change is the market's own.
  const std::vector<PriceBar> bars = {Bar("2024-03-04", 20, 20.2, 20),
                                      Bar("2024-03-05", 20, 20.6, 20.4),
                                      Bar("2024-03-06", 20.4, 20.9, 20.6)};
  const ListingReturns r = ReturnsAfter(bars, "2024-03-05");
  ASSERT_TRUE(r.d1);
  EXPECT_GT(*r.d1, 0);
  EXPECT_EQ(prices::PercentText(r.d1), "0.98");
}

TEST(PricesReturns, ALimitUpDayOpenedAtTheLimit) {
  const std::vector<PriceBar> bars = {Bar("2024-03-04", 10, 10.2, 10),
                                      PriceBar{"2024-03-05", 11, 11, 11, 11, 10, 110}};
  const ListingReturns r = ReturnsAfter(bars, "2024-03-04");
  EXPECT_EQ(prices::PercentText(r.next_open), "10.00");
  EXPECT_EQ(prices::PercentText(r.next_high), "10.00");
  EXPECT_EQ(prices::PercentText(r.d1), "10.00");
}

TEST(PricesTrackRecord, MeansAndRatesOverTheListingsThatHaveTheFigure) {
  prices::TrackRecordSum sum;
  auto listing = [&](std::optional<double> next_open, std::optional<double> d1,
                     std::optional<double> d5, std::optional<double> d10) {
    ListingReturns r;
    r.next_open = next_open;
    r.d1 = d1;
    r.d5 = d5;
    r.d10 = d10;
    sum.Add(r);
  };
  listing(2, 4, 10, 20);
  listing(-1, -2, -4, std::nullopt);
  listing(0.5, 0, 3, std::nullopt);
  listing(std::nullopt, std::nullopt, std::nullopt, std::nullopt);  // listed on the last bar
  const prices::TrackRecord t = sum.Result();
  EXPECT_EQ(t.sample, 3);
  EXPECT_NEAR(*t.next_open_mean, 0.5, 1e-12);
  EXPECT_NEAR(*t.d1_win_rate, 100.0 / 3, 1e-9);  // 0 is no win
  EXPECT_NEAR(*t.d5_mean, 3.0, 1e-12);
  EXPECT_NEAR(*t.d5_win_rate, 200.0 / 3, 1e-9);
  EXPECT_NEAR(*t.d10_mean, 20.0, 1e-12);
  EXPECT_EQ(prices::PercentText(t.d1_win_rate, 1), "33.3");
  EXPECT_EQ(prices::PercentText(t.d5_win_rate, 1), "66.7");
  // Merging halves gives the whole.
  prices::TrackRecordSum a, b;
  ListingReturns up;
  up.d1 = 1;
  ListingReturns down;
  down.d1 = -3;
  a.Add(up);
  b.Add(down);
  a.Merge(b);
  EXPECT_NEAR(*a.Result().d1_win_rate, 50.0, 1e-12);
  EXPECT_FALSE(prices::TrackRecordSum().Result().next_open_mean);
}

TEST(PricesTrackRecord, PercentText) {
  EXPECT_EQ(prices::PercentText(std::nullopt), "");
  EXPECT_EQ(prices::PercentText(2.675), "2.68");
  EXPECT_EQ(prices::PercentText(-0.004), "0.00");
  EXPECT_EQ(prices::PercentText(-12.345), "-12.35");
}

TEST(PricesKline, ReadsTheRowsAndTellsNoBarsFromABadAnswer) {
  const std::string good =
      R"({"rc":0,"data":{"code":"600000","market":1,"klines":[)"
      R"("2024-03-04,10.00,10.50,10.80,9.90,12345,13000000.00,9.00,5.00,0.50,1.20",)"
      R"("2024-03-05,10.50,10.40,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10,0.20"]}})";
  const prices::KlineAnswer a = prices::ReadKlineAnswer(good);
  ASSERT_EQ(a.kind, KlineKind::kBars) << a.reason;
  ASSERT_EQ(a.bars.size(), 2u);
  // open, close, high, low in the service's order
  EXPECT_EQ(a.bars[0], (PriceBar{"2024-03-04", 10.0, 10.8, 9.9, 10.5, 12345, 13000000}));

  EXPECT_EQ(prices::ReadKlineAnswer(R"({"rc":0,"data":null})").kind, KlineKind::kNoBars);
  const std::string row = "2024-03-05,10.50,10.40,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10,0.20";
  const std::string row10 = "2024-03-05,10.50,10.40,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10";
  const std::string text_price = "2024-03-05,10.50,abc,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10,0.20";
  const std::string earlier = "2024-03-01,10.50,10.40,10.60,10.30,2345,2400000.00,2.86,-0.95,-0.10,0.20";
  auto answer = [&](const std::string& second) {
    return R"({"rc":0,"data":{"klines":[")" + row + R"(",")" + second + R"("]}})";
  };
  const struct {
    std::string body;
    std::string reason;
  } bad[] = {
      {answer(row10), "row 2 has 10 fields, not 11"},
      {answer(text_price), "row 2 (2024-03-05) field 3 is no number: \"abc\""},
      {answer(earlier), "row 2 (2024-03-01) comes before the date before it"},
      {answer(row), "row 2 (2024-03-05) repeats the date before it"},
      {"", "empty answer"},
      {"<html>blocked</html>", "the answer is no JSON object"},
      {R"({"rc":102})", "the answer has no \"data\""},
      {R"({"rc":0,"data":{"code":"600000"}})", "the answer has no \"data.klines\" list"},
  };
  for (const auto& b : bad) {
    const prices::KlineAnswer r = prices::ReadKlineAnswer(b.body);
    EXPECT_EQ(r.kind, KlineKind::kBad) << b.body;
    EXPECT_EQ(r.reason, b.reason);
    EXPECT_TRUE(r.bars.empty());
  }
}

TEST(PricesKline, SecurityIdsAndTheAddress) {
  EXPECT_EQ(prices::SecurityId("600000"), "1.600000");
  EXPECT_EQ(prices::SecurityId("688001"), "1.688001");
  EXPECT_EQ(prices::SecurityId("000001"), "0.000001");
  EXPECT_EQ(prices::SecurityId("300750"), "0.300750");
  EXPECT_EQ(prices::SecurityId("002594"), "0.002594");
  for (const char* other : {"830799", "430047", "900901", "200002", "60000", "60000a"})
    EXPECT_EQ(prices::SecurityId(other), "") << other;
  EXPECT_EQ(prices::KlineAddress("https://push2his.eastmoney.com", "1.600000", "2024-03-01",
                                 "2024-04-30"),
            "https://push2his.eastmoney.com/api/qt/stock/kline/get?secid=1.600000&klt=101&fqt=2"
            "&beg=20240301&end=20240430&fields1=f1,f2,f3,f4,f5,f6"
            "&fields2=f51,f52,f53,f54,f55,f56,f57,f58,f59,f60,f61");
  EXPECT_EQ(prices::KlineAddress("127.0.0.1:18080", "0.000001", "2024-03-01", "2024-03-01")
                .rfind("http://127.0.0.1:18080/api/qt/stock/kline/get?secid=0.000001&", 0),
            0u);
}

}  // namespace

namespace {

// The track records over a ranked scan: a Seat's over the listings where it
// stands in the buy block only, a stock's over its listings, the baseline
// over every listing of the range, and none from the days after it.
TEST(PricesRangeReturns, BuyBlocksOnlyAndTheRangesListingsOnly) {
  ranking::RangeData d;
  d.days = {"2024-03-04", "2024-03-05", "2024-03-06"};
  d.range_days = 2;
  const uint32_t up = d.codes.Intern("600000");    // closes 10, 11, 12.1, …: +10 % a day
  const uint32_t down = d.codes.Intern("000001");  // closes 10, 9, 8.1, …: −10 % a day
  const uint32_t a = d.seats.Intern("A");
  const uint32_t b = d.seats.Intern("B");
  auto listing = [&](uint32_t stock, uint16_t day, bool in_range,
                     std::vector<uint32_t> entries) {
    ranking::RangeListing l;
    l.stock = stock;
    l.day = day;
    l.in_range = in_range;
    l.first_entry = static_cast<uint32_t>(d.entry_seats.size());
    l.entry_count = static_cast<uint8_t>(entries.size());
    for (uint32_t e : entries) d.entry_seats.push_back(e);
    d.listings.push_back(l);
  };
  listing(up, 0, true, {a | ranking::kInBuyBlock, b | ranking::kInSellBlock});
  listing(down, 1, true, {b | ranking::kInBuyBlock, a | ranking::kInSellBlock});
  listing(down, 2, false, {a | ranking::kInBuyBlock});  // a day after the range
  std::vector<store::CodeBars> codes(2);
  codes[0].code = "000001";
  codes[1].code = "600000";
  static const char* const kDays[] = {"2024-03-04", "2024-03-05", "2024-03-06", "2024-03-07",
                                      "2024-03-08", "2024-03-11", "2024-03-12", "2024-03-13"};
  double rising = 10, falling = 10;
  for (const char* day : kDays) {
    codes[1].bars.push_back(PriceBar{day, rising, rising, rising, rising, 1, 1});
    codes[0].bars.push_back(PriceBar{day, falling, falling, falling, falling, 1, 1});
    rising *= 1.1;
    falling *= 0.9;
  }
  const prices::RangeReturns r = prices::ComputeRangeReturns(d, prices::BarsIndex(codes));
  EXPECT_EQ(r.seats[a].sample, 1);
  EXPECT_EQ(prices::PercentText(r.seats[a].next_open_mean), "10.00");
  EXPECT_EQ(prices::PercentText(r.seats[a].d1_win_rate, 1), "100.0");
  EXPECT_EQ(prices::PercentText(r.seats[a].d5_mean), "61.05");
  EXPECT_EQ(r.seats[b].sample, 1);
  EXPECT_EQ(prices::PercentText(r.seats[b].d1_win_rate, 1), "0.0");
  EXPECT_FALSE(r.seats[b].d10_mean);
  EXPECT_EQ(r.stocks[down].sample, 1);
  EXPECT_EQ(r.all.sample, 2);
  EXPECT_EQ(prices::PercentText(r.all.d1_win_rate, 1), "50.0");
}

}  // namespace

namespace {

// The ranking holds bars with prices in thousandths of a yuan: every
// figure must still be the one the prices as read give, to the last bit,
// for two-decimal prices of any size (back-adjusted prices run to tens of
// thousands), including the changes that fall on a rounding edge.
TEST(PricesReturns, SmallBarsGiveTheFiguresOfThePricesAsRead) {
  std::vector<std::pair<double, double>> pairs = {
      {200.00, 200.01}, {10.00, 10.05}, {1849.37, 1858.62}, {0.01, 0.02}, {12345.67, 12345.68},
      {3.33, 3.30},     {19.99, 21.99}};
  uint64_t seed = 42;
  for (int k = 0; k < 2000; ++k) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const double from = static_cast<double>((seed >> 20) % 2'000'000 + 1) / 100;
    const double to = static_cast<double>((seed >> 41) % 2'000'000 + 1) / 100;
    pairs.emplace_back(from, to);
  }
  for (const auto& [from, to] : pairs) {
    SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
    const std::vector<PriceBar> bars = {PriceBar{"2024-03-04", from, from, from, from, 1, 1},
                                        PriceBar{"2024-03-05", to, to, to, to, 1, 1}};
    const ListingReturns r = ReturnsAfter(bars, "2024-03-04");
    const double expected = (to / from - 1) * 100;
    ASSERT_TRUE(r.d1 && r.next_open && r.next_high);
    EXPECT_EQ(*r.d1, expected);
    EXPECT_EQ(*r.next_open, expected);
    EXPECT_EQ(prices::PercentText(r.next_high), prices::PercentText(expected));
  }
}

// Listings need not come in date order: a stock's later listing first
// must not hide its earlier one's bars.
TEST(PricesRangeReturns, ListingsOutOfDateOrderFindTheirBars) {
  ranking::RangeData d;
  d.days = {"2024-03-04", "2024-03-05", "2024-03-06"};
  d.range_days = 3;
  const uint32_t stock = d.codes.Intern("600000");
  const uint32_t seat = d.seats.Intern("A");
  for (uint16_t day : {uint16_t{2}, uint16_t{0}}) {
    ranking::RangeListing l;
    l.stock = stock;
    l.day = day;
    l.in_range = true;
    l.first_entry = static_cast<uint32_t>(d.entry_seats.size());
    l.entry_count = 1;
    d.entry_seats.push_back(seat | ranking::kInBuyBlock);
    d.listings.push_back(l);
  }
  std::vector<store::CodeBars> codes(1);
  codes[0].code = "600000";
  codes[0].bars = Rising(6);  // closes 10, 11, 12, … from 2024-03-04
  const prices::RangeReturns r = prices::ComputeRangeReturns(d, prices::BarsIndex(codes));
  EXPECT_EQ(r.seats[seat].sample, 2);
  // 1日: 12 -> 13 and 10 -> 11.
  EXPECT_EQ(prices::PercentText(r.seats[seat].path[1]),
            prices::PercentText((13.0 / 12 + 11.0 / 10 - 2) * 50));
}

}  // namespace
