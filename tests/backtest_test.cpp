#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "backtest/backtester.h"
#include "backtest/result_table.h"
#include "text/gbk.h"

namespace {

using namespace backtest;

const DayNumber kFirstDay = *DayNumberOfText("2024-03-01");

struct DayBar {
  int day;  // days after kFirstDay
  double open, high, low, close;
};

void AddBars(MarketData& data, const std::string& code, std::initializer_list<DayBar> bars) {
  std::vector<Bar> out;
  for (const DayBar& b : bars) out.push_back({kFirstDay + b.day, b.open, b.high, b.low, b.close});
  data.SetBars(code, out);
}

// A stock that trades every day 0..9 sets the calendar.
MarketData CalendarData() {
  MarketData data;
  std::vector<Bar> out;
  for (int d = 0; d < 10; ++d) out.push_back({kFirstDay + d, 5, 5, 5, 5});
  data.SetBars("000001", out);
  return data;
}

// Flat at 10 on days 1 and 3, a little range on day 2: every rule can buy
// and sell it.
void AddQuietBars(MarketData& data, const std::string& code) {
  AddBars(data, code, {{1, 10, 10, 10, 10}, {2, 10, 10.1, 9.9, 10}, {3, 10, 10, 10, 10}});
}

Seat BuySeat(uint32_t identity, double buy, SeatKind kind = SeatKind::kBranch) {
  return {identity, kind, buy, 0};
}

ListingInput Listed(int day, const std::string& code, std::vector<Seat> buy,
                    std::vector<Seat> sell = {}) {
  ListingInput l;
  l.day = kFirstDay + day;
  l.code = code;
  l.name = "N" + code;
  l.board = "SH";
  l.reason = "R";
  l.buy = std::move(buy);
  l.sell = std::move(sell);
  return l;
}

Rule Following(uint32_t identity, int hold) {
  Rule r;
  r.seats.identities = {identity};
  r.plan.hold = hold;
  return r;
}

const TradeRow& RowOf(const SideResult& side, const MarketData& data, const std::string& code) {
  for (const TradeRow& r : side.trades)
    if (data.Code(data.Listings()[r.listing].code) == code) return r;
  ADD_FAILURE() << "no row for " << code;
  return side.trades.front();
}

// Stock A: listed on day 1, bought at day 2's open 10.4, sold at day 4's
// close 11.1 (hold 2). Stock B: listed the same day, opens day 2 at the
// limit-up price 11.0 = high, 10 % over day 1's close.
MarketData HandData() {
  MarketData data = CalendarData();
  AddBars(data, "600001",
          {{0, 9.9, 10, 9.8, 10},
           {1, 10, 10.5, 9.8, 10.2},
           {2, 10.4, 10.8, 10.3, 10.6},
           {3, 10.6, 11, 10.5, 10.9},
           {4, 11, 11.2, 10.8, 11.1},
           {5, 11, 11, 10, 10}});
  AddBars(data, "600002",
          {{0, 10, 10, 10, 10},
           {1, 10, 10, 10, 10},
           {2, 11, 11, 10.9, 10.95},
           {3, 11, 11, 11, 11},
           {4, 11, 11, 11, 11}});
  data.AddListing(Listed(1, "600001", {BuySeat(7, 500), BuySeat(8, 900)}));
  data.AddListing(Listed(1, "600002", {BuySeat(7, 800)}));
  return data;
}

TEST(BacktestHandTrades, EntersAtTheNextOpenAndSkipsALimitUpOpen) {
  Backtester bt(HandData());
  const Result r = bt.Run(Following(7, 2));
  ASSERT_EQ(r.rule.trades.size(), 2u);
  // B has the larger buy and comes first, but it cannot be bought.
  const TradeRow& b = RowOf(r.rule, bt.Data(), "600002");
  EXPECT_EQ(b.skipped, SkipReason::kLimitUp);
  EXPECT_EQ(b.entry_day, kFirstDay + 2);

  const TradeRow& a = RowOf(r.rule, bt.Data(), "600001");
  ASSERT_EQ(a.skipped, SkipReason::kNone);
  EXPECT_EQ(a.entry_day, kFirstDay + 2);
  EXPECT_DOUBLE_EQ(a.entry, 10.4);
  EXPECT_EQ(a.exit_day, kFirstDay + 4);
  EXPECT_DOUBLE_EQ(a.exit, 11.1);
  EXPECT_EQ(bt.Data().Seats()[a.seat].identity, 7u);
  // Size 1,000,000 / (5 places × 3 days the money is out): both
  // commissions above the minimum.
  EXPECT_NEAR(a.ret, 0.06624065137561752, 1e-12);

  const Figures& f = r.rule.figures;
  EXPECT_EQ(f.trades, 1);
  EXPECT_EQ(f.skipped, 1);
  EXPECT_EQ(f.skipped_by[static_cast<size_t>(SkipReason::kLimitUp)], 1);
  EXPECT_DOUBLE_EQ(f.win_rate, 1);
  EXPECT_NEAR(f.total_return, 0.004417147435897429, 1e-12);
  EXPECT_TRUE(std::isinf(f.profit_factor));
  // The curve runs from day 0 (capital only) to the exit day.
  ASSERT_EQ(r.rule.equity.size(), 5u);
  EXPECT_DOUBLE_EQ(r.rule.equity.front().equity, 1'000'000);
  EXPECT_NEAR(r.rule.equity.back().equity, 1'004'417.147435897429, 1e-6);
}

TEST(BacktestHandTrades, EntryAtTheCloseIsTheListingDaysClose) {
  Backtester bt(HandData());
  Rule rule = Following(7, 1);
  rule.plan.entry = Entry::kClose;
  const Result r = bt.Run(rule);
  const TradeRow& a = RowOf(r.rule, bt.Data(), "600001");
  ASSERT_EQ(a.skipped, SkipReason::kNone);
  EXPECT_EQ(a.entry_day, kFirstDay + 1);
  EXPECT_DOUBLE_EQ(a.entry, 10.2);
  EXPECT_EQ(a.exit_day, kFirstDay + 2);
  EXPECT_DOUBLE_EQ(a.exit, 10.6);
  // B's day-1 close is no limit-up (flat): bought at the close.
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600002").skipped, SkipReason::kNone);
}

TEST(BacktestHandTrades, StopOnTheEntryDaysLowWaitsForTheFirstDayTheSharesCanBeSold) {
  MarketData data = CalendarData();
  // Bought at 20 on day 2; the stop at 19 (5 %) is touched that same day,
  // when shares bought in the morning cannot yet be sold, and again on
  // day 3, where it fills at 19.
  AddBars(data, "600003",
          {{1, 20, 20, 20, 20},
           {2, 20, 20.5, 18, 19.5},
           {3, 19.5, 19.8, 18.5, 18.8},
           {4, 19, 19, 19, 19},
           {5, 19, 19, 19, 19}});
  // The same, except day 3 opens at 18.6, below the stop: it fills at the
  // open, not at the stop.
  AddBars(data, "600004",
          {{1, 20, 20, 20, 20},
           {2, 20, 20.5, 18, 19.5},
           {3, 18.6, 19.8, 18.5, 18.8},
           {4, 19, 19, 19, 19},
           {5, 19, 19, 19, 19}});
  data.AddListing(Listed(1, "600003", {BuySeat(7, 100)}));
  data.AddListing(Listed(1, "600004", {BuySeat(7, 90)}));
  Backtester bt(std::move(data));
  Rule rule = Following(7, 3);
  rule.plan.stop = 0.05;
  rule.plan.target = 0.5;
  rule.sizing.max_per_day = 5;
  const Result r = bt.Run(rule);
  const TradeRow& stopped = RowOf(r.rule, bt.Data(), "600003");
  ASSERT_EQ(stopped.skipped, SkipReason::kNone);
  EXPECT_EQ(stopped.exit_day, kFirstDay + 3);
  EXPECT_DOUBLE_EQ(stopped.exit, 19);
  // Size 1,000,000 / (5 × 4); a 5 % loss before costs.
  EXPECT_NEAR(stopped.ret, (5e4 * 0.95 * (1 - 0.00075)) / (5e4 * 1.00025) - 1, 1e-12);
  const TradeRow& gapped = RowOf(r.rule, bt.Data(), "600004");
  EXPECT_EQ(gapped.exit_day, kFirstDay + 3);
  EXPECT_DOUBLE_EQ(gapped.exit, 18.6);
  EXPECT_DOUBLE_EQ(r.rule.figures.win_rate, 0);
  EXPECT_DOUBLE_EQ(r.rule.figures.profit_factor, 0);
  EXPECT_GT(r.rule.figures.max_drawdown, 0);

  // Without the stop the trade runs to the close of day 5.
  rule.plan.stop.reset();
  const Result held = bt.Run(rule);
  EXPECT_EQ(RowOf(held.rule, bt.Data(), "600003").exit_day, kFirstDay + 5);
}

TEST(BacktestHandTrades, ASuspensionDuringTheHoldSkipsTheTradeButKeepsItsPlace) {
  MarketData data = CalendarData();
  // No bar on day 3: suspended during a two-day hold from day 2.
  AddBars(data, "600005", {{1, 10, 10, 10, 10}, {2, 10, 10.2, 9.9, 10}, {4, 12, 12, 12, 12}});
  // Suspended on its entry day.
  AddBars(data, "600006", {{1, 10, 10, 10, 10}, {3, 10, 10, 10, 10}, {4, 10, 10, 10, 10}});
  AddBars(data, "600007",
          {{1, 10, 10, 10, 10}, {2, 10, 10, 10, 10}, {3, 10, 10, 10, 10}, {4, 10, 10, 10, 10}});
  data.AddListing(Listed(1, "600005", {BuySeat(7, 300)}));
  data.AddListing(Listed(1, "600006", {BuySeat(7, 200)}));
  data.AddListing(Listed(1, "600007", {BuySeat(7, 100)}));
  // No bars at all.
  data.AddListing(Listed(1, "600008", {BuySeat(7, 400)}));
  // Listed on the last day: its hold is not over.
  data.AddListing(Listed(9, "000001", {BuySeat(7, 400)}));
  Backtester bt(std::move(data));
  Rule rule = Following(7, 2);
  rule.sizing.max_per_day = 1;
  const Result r = bt.Run(rule);
  // 600005 was the day's one place: what happened in its hold cannot hand
  // the place to 600007, which had a smaller buy.
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600005").skipped, SkipReason::kMissingBars);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600006").skipped, SkipReason::kNoEntryBar);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600008").skipped, SkipReason::kNoEntryBar);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600007").skipped, SkipReason::kOverDailyLimit);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "000001").skipped, SkipReason::kNotClosed);
  EXPECT_EQ(r.rule.figures.trades, 0);
  EXPECT_EQ(r.rule.figures.skipped, 5);
  // Nothing was bought: the capital stays whole.
  EXPECT_DOUBLE_EQ(r.rule.figures.total_return, 0);
}

TEST(BacktestHandTrades, CostsTakeTheFiveYuanMinimumOnSmallTrades) {
  MarketData data = CalendarData();
  AddBars(data, "600009", {{1, 10, 10, 10, 10}, {2, 10, 10.5, 9.5, 10.5}, {3, 11, 11, 11, 11}});
  data.AddListing(Listed(1, "600009", {BuySeat(7, 100)}));
  Backtester bt(std::move(data));
  Rule rule = Following(7, 1);
  rule.sizing.capital = 30'000;
  rule.sizing.max_per_day = 1;
  // 30,000 / (1 place × 2 days) = 15,000 a trade: 3.75 yuan of commission
  // on the buy and 4.125 on the sale of 16,500 both become 5.
  const Result r = bt.Run(rule);
  const TradeRow& t = RowOf(r.rule, bt.Data(), "600009");
  ASSERT_EQ(t.skipped, SkipReason::kNone);
  EXPECT_NEAR(t.ret, 0.09875041652782413, 1e-12);
  EXPECT_NEAR(r.rule.equity.back().equity, 30'000 + 15'005 * 0.09875041652782413, 1e-6);

  rule.costs.min_commission = 0;
  rule.costs.stamp = 0.001;
  const Result r2 = bt.Run(rule);
  EXPECT_NEAR(RowOf(r2.rule, bt.Data(), "600009").ret, 1.1 * (1 - 0.00125) / 1.00025 - 1, 1e-12);

  // Capital that no longer covers the minimum: 8 yuan buys 3 yuan of stock
  // with its 5 yuan commission, and the 3.30 it is worth at the exit do not
  // pay for selling it. The trade loses what was put in, no more, and the
  // equity ends at zero, not below.
  rule.costs = Costs{};
  rule.sizing.capital = 8;
  const Result r3 = bt.Run(rule);
  EXPECT_DOUBLE_EQ(RowOf(r3.rule, bt.Data(), "600009").ret, -1);
  for (const EquityPoint& p : r3.rule.equity) EXPECT_GE(p.equity, 0);
  EXPECT_DOUBLE_EQ(r3.rule.equity.back().equity, 0);
  EXPECT_DOUBLE_EQ(r3.rule.figures.total_return, -1);

  // Five yuan pay no more than the commission: the trade is not made (not a
  // trade that lost everything), and the money stays.
  rule.sizing.capital = 5;
  const Result r4 = bt.Run(rule);
  EXPECT_EQ(RowOf(r4.rule, bt.Data(), "600009").skipped, SkipReason::kNoCash);
  EXPECT_EQ(r4.rule.figures.trades, 0);
  EXPECT_EQ(r4.rule.figures.skipped_by[static_cast<size_t>(SkipReason::kNoCash)], 1);
  EXPECT_DOUBLE_EQ(r4.rule.equity.back().equity, 5);
}

TEST(BacktestHandTrades, AtMostKTradesADayTakenByTheSeatsBuy) {
  MarketData data = CalendarData();
  const std::vector<std::string> codes = {"600011", "600012", "600013", "600014"};
  for (const std::string& code : codes) AddQuietBars(data, code);
  data.AddListing(Listed(1, "600011", {BuySeat(7, 100)}));
  data.AddListing(Listed(1, "600012", {BuySeat(9, 5000), BuySeat(7, 300)}));
  data.AddListing(Listed(1, "600013", {BuySeat(7, 200)}));
  data.AddListing(Listed(1, "600014", {BuySeat(7, 50)}));
  // The same stock listed twice on one day is one trade.
  data.AddListing(Listed(1, "600013", {BuySeat(7, 150)}));
  Backtester bt(std::move(data));
  Rule rule = Following(7, 1);
  rule.sizing.max_per_day = 2;
  const Result r = bt.Run(rule);
  ASSERT_EQ(r.rule.trades.size(), 4u);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600012").skipped, SkipReason::kNone);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600013").skipped, SkipReason::kNone);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600011").skipped, SkipReason::kOverDailyLimit);
  EXPECT_EQ(RowOf(r.rule, bt.Data(), "600014").skipped, SkipReason::kOverDailyLimit);
  // The buy that ranks is the followed Seat's own, not the block's largest.
  EXPECT_EQ(bt.Data().Seats()[RowOf(r.rule, bt.Data(), "600012").seat].buy, 300);

  // Top buyer only: 600012's top buyer is Seat 9.
  rule.seats.top_buyer_only = true;
  const Result top = bt.Run(rule);
  EXPECT_EQ(top.rule.trades.size(), 3u);
  // A threshold on the Seat's buy.
  rule.seats.top_buyer_only = false;
  rule.seats.min_buy = 150;
  EXPECT_EQ(bt.Run(rule).rule.trades.size(), 2u);
}

TEST(BacktestRuleFilters, ListingThresholdsAndKinds) {
  MarketData data = CalendarData();
  for (const std::string code : {"600021", "600022", "600023"}) AddQuietBars(data, code);
  ListingInput a = Listed(1, "600021", {BuySeat(1, 900, SeatKind::kInstitution)});
  a.reason = text::Gbk("日涨幅偏离值达7%的证券");
  a.strength = 8;
  ListingInput b = Listed(1, "600022", {BuySeat(2, 900, SeatKind::kInstitution)},
                          {BuySeat(3, 100, SeatKind::kInstitution)});
  b.reason = text::Gbk("日换手率达20%的证券");
  b.board = "SZ";
  ListingInput c = Listed(1, "600023", {{4, SeatKind::kInstitution, 900, 950}});
  c.reason = a.reason;
  c.strength = 3;
  data.AddListing(a);
  data.AddListing(b);
  data.AddListing(c);
  Backtester bt(std::move(data));
  const auto codes = [&bt](const Rule& rule) {
    std::vector<std::string> out;
    for (const TradeRow& t : bt.Run(rule).rule.trades)
      out.push_back(bt.Data().Code(bt.Data().Listings()[t.listing].code));
    std::sort(out.begin(), out.end());
    return out;
  };
  const auto institutions = [] {
    SeatRule seats;
    seats.who = Who::kKind;
    seats.kind = SeatKind::kInstitution;
    return seats;
  };
  Rule rule;
  rule.seats = institutions();
  rule.plan.hold = 1;
  using V = std::vector<std::string>;
  EXPECT_EQ(codes(rule), (V{"600021", "600022", "600023"}));
  rule.seats.skip_institution_selling = true;
  EXPECT_EQ(codes(rule), (V{"600021", "600023"}));
  rule.seats.min_net = 0;
  EXPECT_EQ(codes(rule), (V{"600021"}));
  rule.seats = institutions();
  rule.seats.reason_contains = text::Gbk("涨幅");
  EXPECT_EQ(codes(rule), (V{"600021", "600023"}));
  rule.seats.min_strength = 5;
  EXPECT_EQ(codes(rule), (V{"600021"}));
  rule.seats = institutions();
  rule.seats.board = "SZ";
  EXPECT_EQ(codes(rule), (V{"600022"}));
  rule.seats.board = "BJ";
  EXPECT_TRUE(codes(rule).empty());
  // The watch list: a watched Seat, or any listing of a watched stock.
  rule.seats = SeatRule();
  rule.seats.who = Who::kWatched;
  rule.seats.identities = {4};
  rule.seats.watched_codes = {"600022"};
  EXPECT_EQ(codes(rule), (V{"600022", "600023"}));
}

TEST(BacktestFigures, YearsSplitTheCurveAndCompoundToTheTotal) {
  // Weekdays from 2023-12-27 to 2024-01-12, one stock listed every day by
  // Seat 7 and bought every day (hold 1): a rising week, then a falling one.
  MarketData data;
  std::vector<Bar> bars;
  double close = 10;
  for (DayNumber day = *DayNumberOfText("2023-12-27"); day <= *DayNumberOfText("2024-01-12");
       ++day) {
    if (DateOfDayNumber(day).Weekday() % 6 == 0) continue;
    const double next = DateOfDayNumber(day).Year() == 2023 ? close * 1.02 : close * 0.99;
    bars.push_back({day, close, std::max(close, next), std::min(close, next), next});
    close = next;
  }
  data.SetBars("600041", bars);
  for (const Bar& b : bars) data.AddListing(Listed(b.day - kFirstDay, "600041", {BuySeat(7, 10)}));
  Backtester bt(std::move(data));
  const Result r = bt.Run(Following(7, 1));
  const SideResult& side = r.rule;
  ASSERT_EQ(side.years.size(), 2u);
  // The curve opens on 2023-12-27 with the capital alone; a range whose
  // opening day closes the year before starts its table in the year after.
  const Result late = bt.Run([] {
    Rule rule = Following(7, 1);
    rule.range.from = *DayNumberOfText("2024-01-01");
    return rule;
  }());
  EXPECT_EQ(late.rule.equity.front().day, *DayNumberOfText("2023-12-29"));
  ASSERT_EQ(late.rule.years.size(), 1u);
  EXPECT_EQ(late.rule.years[0].year, 2024);
  EXPECT_NEAR(late.rule.years[0].total_return, late.rule.figures.total_return, 1e-12);
  EXPECT_EQ(side.years[0].year, 2023);
  EXPECT_EQ(side.years[1].year, 2024);
  // Bought 12-28 and 12-29 (entered in 2023); 12-27's listing enters 12-28.
  EXPECT_EQ(side.years[0].trades, 2);
  EXPECT_EQ(side.years[0].trades + side.years[1].trades, side.figures.trades);
  EXPECT_GT(side.years[0].total_return, 0);
  EXPECT_LT(side.years[1].total_return, 0);
  EXPECT_NEAR((1 + side.years[0].total_return) * (1 + side.years[1].total_return) - 1,
              side.figures.total_return, 1e-12);
  EXPECT_DOUBLE_EQ(side.years[0].max_drawdown, 0);
  EXPECT_GT(side.figures.max_drawdown, 0);
  const double days = side.equity.back().day - side.equity.front().day;
  EXPECT_NEAR(side.figures.annual_return, std::pow(1 + side.figures.total_return, 365.0 / days) - 1,
              1e-12);
  // The last two listings' holds run past the bars: skipped, not guessed.
  EXPECT_EQ(side.figures.skipped_by[static_cast<size_t>(SkipReason::kNotClosed)], 2);
}

TEST(BacktestBaseline, EveryListingOfTheRangeWithTheSameEntryAndExit) {
  MarketData data = HandData();
  AddBars(data, "600031",
          {{1, 10, 10, 10, 10}, {2, 10, 10, 9, 9}, {3, 9, 9, 9, 9}, {4, 8, 8, 8, 8}});
  data.AddListing(Listed(1, "600031", {BuySeat(99, 10)}));
  data.AddListing(Listed(6, "600001", {BuySeat(99, 10)}));  // outside the range below
  Backtester bt(std::move(data));
  Rule rule = Following(7, 2);
  rule.range = {kFirstDay, kFirstDay + 5};
  const Result r = bt.Run(rule);
  const Figures& b = r.baseline->figures;
  // 600001 up, 600031 down; 600002 skipped at its limit-up open.
  EXPECT_EQ(b.trades, 2);
  EXPECT_EQ(b.skipped, 1);
  EXPECT_DOUBLE_EQ(b.win_rate, 0.5);
  // Two trades of the day share the day's sleeve: 1,000,000 / (2 × 3).
  const double size = 1e6 / 6;
  const double loss = size * 0.8 * (1 - 0.00075) / (size * 1.00025) - 1;
  const double gain = RowOf(*r.baseline, bt.Data(), "600001").ret;
  EXPECT_NEAR(RowOf(*r.baseline, bt.Data(), "600031").ret, loss, 1e-12);
  EXPECT_NEAR(b.mean_return, (gain + loss) / 2, 1e-12);
  EXPECT_NEAR(b.profit_factor, gain / -loss, 1e-12);
  EXPECT_NEAR(b.best, gain, 1e-12);
  EXPECT_NEAR(b.worst, loss, 1e-12);
  EXPECT_EQ(RowOf(*r.baseline, bt.Data(), "600031").seat, kNoSeat);
  // The rule's own result beside it is unchanged by the other listings.
  EXPECT_EQ(r.rule.figures.trades, 1);
  // Both curves cover the same days.
  ASSERT_EQ(r.rule.equity.size(), r.baseline->equity.size());
  EXPECT_EQ(r.rule.equity.back().day, r.baseline->equity.back().day);
}

TEST(BacktestResultTable, PercentFiguresAndEmptyCellsWhereNothingIsKnown) {
  Backtester bt(HandData());
  const Result r = bt.Run(Following(7, 2));
  const auto fields = FigureFields(r.rule.figures);
  EXPECT_EQ(fields[0].key, "trades");
  EXPECT_EQ(fields[0].value, 1);
  EXPECT_EQ(fields[2].key, "win_rate");
  EXPECT_DOUBLE_EQ(fields[2].value, 100);
  EXPECT_EQ(fields[8].key, "total_return");
  EXPECT_NEAR(fields[8].value, 0.4417147435897429, 1e-10);

  const auto name = [](uint32_t identity) { return "Seat " + std::to_string(identity); };
  const TradeCells taken = CellsOf(bt.Data(), RowOf(r.rule, bt.Data(), "600001"), name);
  EXPECT_EQ(taken.date, "2024-03-02");
  EXPECT_EQ(taken.seat, "Seat 7");
  EXPECT_EQ(taken.entry_date, "2024-03-03");
  EXPECT_EQ(taken.exit_date, "2024-03-05");
  ASSERT_TRUE(taken.return_percent);
  EXPECT_NEAR(*taken.return_percent, 6.624065137561752, 1e-10);
  EXPECT_TRUE(taken.skipped.empty());
  // Skipped at a limit-up open: its entry day and price are known, nothing after.
  const TradeCells skipped = CellsOf(bt.Data(), RowOf(r.rule, bt.Data(), "600002"), name);
  EXPECT_EQ(skipped.entry_date, "2024-03-03");
  EXPECT_EQ(skipped.entry, 11);
  EXPECT_TRUE(skipped.exit_date.empty());
  EXPECT_FALSE(skipped.exit);
  EXPECT_FALSE(skipped.return_percent);
  EXPECT_EQ(skipped.skipped, SkipReasonText(SkipReason::kLimitUp));
}

// Twenty stocks over sixty days with listings on most days: bars from a
// fixed pseudo-random walk, some days limit-up at the open.
MarketData RandomData(uint64_t seed, DayNumber change_after, double factor) {
  uint64_t h = seed;
  const auto next = [&h] {
    h ^= h << 13;
    h ^= h >> 7;
    h ^= h << 17;
    return static_cast<double>(h % 10'000) / 10'000;
  };
  MarketData data;
  for (int s = 0; s < 20; ++s) {
    const std::string code = std::to_string(600100 + s);
    std::vector<Bar> bars;
    double close = 10 + s;
    for (int d = 0; d < 60; ++d) {
      if (s % 7 == 3 && d % 11 == 5) continue;  // a suspension now and then
      const double open = next() < 0.1 ? close * 1.1 : close * (0.97 + 0.06 * next());
      const double high = std::max(open, close * (1 + 0.05 * next()));
      const double low = std::min(open, close * (1 - 0.05 * next()));
      close = low + (high - low) * next();
      Bar b{kFirstDay + d, open, high, low, close};
      if (b.day > change_after) {
        b.open *= factor;
        b.high *= factor * 1.02;
        b.low *= factor * 0.97;
        b.close *= factor;
      }
      bars.push_back(b);
    }
    data.SetBars(code, bars);
  }
  for (int d = 0; d < 60; ++d) {
    for (int k = 0; k < 8; ++k) {
      const int s = static_cast<int>(next() * 20);
      ListingInput l = Listed(d, std::to_string(600100 + s),
                              {BuySeat(static_cast<uint32_t>(next() * 4), 100 + next() * 900),
                               BuySeat(static_cast<uint32_t>(next() * 4), 100 + next() * 900)});
      data.AddListing(l);
    }
  }
  return data;
}

TEST(BacktestLookAhead, ChangingEveryBarAfterAnEntryMovesNoDecisionUpToIt) {
  Rule rule = Following(1, 3);
  rule.sizing.max_per_day = 2;
  rule.plan.stop = 0.04;
  Backtester original(RandomData(42, INT32_MAX, 1));
  const Result before = original.Run(rule);
  int checked = 0;
  for (const TradeRow& trade : before.rule.trades) {
    if (trade.skipped != SkipReason::kNone || trade.entry_day % 5 != 0) continue;
    ++checked;
    Backtester changed(RandomData(42, trade.entry_day, 1.37));
    const Result after = changed.Run(rule);
    // Every decision made on or before this entry day: which listing, which
    // Seat, the entry price, and whether it was bought.
    const auto decisions = [&](const Result& r) {
      std::vector<std::tuple<uint32_t, uint32_t, DayNumber, double, bool>> out;
      for (const TradeRow& t : r.rule.trades) {
        if (t.entry_day > trade.entry_day || t.entry_day == 0) continue;
        const bool bought = t.skipped == SkipReason::kNone ||
                            t.skipped == SkipReason::kMissingBars ||
                            t.skipped == SkipReason::kNotClosed;
        out.emplace_back(t.listing, t.seat, t.entry_day, t.entry, bought);
      }
      return out;
    };
    ASSERT_EQ(decisions(before), decisions(after)) << "entry day " << trade.entry_day;
    // The exit is free to move, and here it does for this trade.
    const auto same = std::find_if(after.rule.trades.begin(), after.rule.trades.end(),
                                   [&](const TradeRow& t) { return t.listing == trade.listing; });
    ASSERT_NE(same, after.rule.trades.end());
    EXPECT_NE(same->exit, trade.exit);
  }
  EXPECT_GE(checked, 3);
}

TEST(BacktestDays, DayNumbersAndPriceLimits) {
  EXPECT_EQ(DayNumberOfText("1970-01-02"), 1);
  EXPECT_EQ(DateOfDayNumber(*DayNumberOfText("2024-02-29")).DateText(), "2024-02-29");
  EXPECT_FALSE(DayNumberOfText("2023-02-29"));
  EXPECT_FALSE(DayNumberOfText("2023-1-09"));
  const DayNumber before = *DayNumberOfText("2020-08-21");
  const DayNumber after = *DayNumberOfText("2020-08-24");
  EXPECT_DOUBLE_EQ(PriceLimitOf("300750", "N", before), 0.10);
  EXPECT_DOUBLE_EQ(PriceLimitOf("300750", "N", after), 0.20);
  EXPECT_DOUBLE_EQ(PriceLimitOf("688001", "N", before), 0.20);
  EXPECT_DOUBLE_EQ(PriceLimitOf("600001", text::Gbk("*ST某某"), after), 0.05);
  EXPECT_DOUBLE_EQ(PriceLimitOf("600001", "N", after), 0.10);
}

}  // namespace
