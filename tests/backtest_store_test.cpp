// The back-test's input as read from a small hand-built store: listings of
// the range with their Seats as identities (a merged name, a nickname, a
// kind), the watch list, and the bars of a window that ends after the
// longest hold, with a suspension left as a gap; and that the bars read
// through the packed rows are the bars table's very doubles.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "backtest/backtester.h"
#include "backtest/store_input.h"
#include "seats/seat_book.h"
#include "store/price_bars.h"
#include "tests/program_fixture.h"
#include "tests/store_test_support.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::SeatBlock;

backtest::DayNumber StoreDay(const char* text) {
  return *backtest::DayNumberOfText(text);
}

ListingRecord StoreListing(const std::string& date, const std::string& name_utf8,
                           const std::string& code, const std::vector<Seat>& buys,
                           const std::vector<Seat>& sells) {
  ListingRecord r = testing_support::MakeListing(date, name_utf8, code, "10,000");
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock(sells);
  return r;
}

// Every weekday from March to June 2010, except `gap`; prices drift so that
// holds of different lengths end at different prices.
std::vector<store::PriceBar> StoreWeekdayBars(double base, const std::string& gap = {}) {
  std::vector<store::PriceBar> bars;
  int k = 0;
  for (backtest::DayNumber d = StoreDay("2010-03-01"); d <= StoreDay("2010-06-30"); ++d) {
    const std::string date = backtest::DateOfDayNumber(d).DateText();
    if ((d + 4) % 7 >= 5 || date == gap) continue;  // 1970-01-01 was a Thursday
    const double open = base + 0.1 * (k % 7);
    const double close = open + 0.05 * ((k % 3) - 1);
    bars.push_back(store::PriceBar{date, open, std::max(open, close) + 0.1,
                                   std::min(open, close) - 0.1, close, 1, 1});
    ++k;
  }
  return bars;
}

store::PriceLogEntry StoreLog(const std::string& code) {
  store::PriceLogEntry log;
  log.code = code;
  log.fetched_at = "2010-07-01 20:00:00";
  return log;
}

class BacktestStoreInput : public ::testing::Test {
 protected:
  BacktestStoreInput() : store(store::StorePath(dir.path())) {
    EXPECT_FALSE(store.EnsureStore().has_value());
    const std::string inst = G("机构专用");
    const std::string old_name = G("华泰证券股份有限公司上海武定路证券营业部");
    const std::string new_name = G("华泰证券股份有限公司上海共和新路证券营业部");
    testing_support::WriteListings(
        store, {StoreListing("2010-04-06", "甲", "600001", {{old_name, "9000000.00", "0"}}, {}),
                // The old name twice in one block: one Seat, amounts added.
                StoreListing("2010-04-07", "甲", "600001",
                             {{inst, "30000000.00", "0"},
                              {old_name, "2000000.00", "0"},
                              {old_name, "1000000.00", "500000.00"}},
                             {{inst, "0", "10000000.00"}}),
                StoreListing("2010-04-08", "ST乙", "002002", {{new_name, "5000000.00", "0"}},
                             {{G("某营业部"), "0", "1000000.00"}}),
                StoreListing("2010-04-20", "甲", "600001", {{new_name, "9000000.00", "0"}}, {})});
    // The two names merged under one nickname, a trader's; the identity and
    // a code watched.
    seats::SeatBook book;
    const int64_t id = book.AddIdentity(seats::Identity{0, "", G("游资"), G("共和新路"), ""});
    book.PlaceName(old_name, id);
    book.PlaceName(new_name, id);
    book.Normalize();
    book.SetWatch(0, std::to_string(id), true);
    book.SetWatch(1, "002002", true);
    trader = static_cast<uint32_t>(id);
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    EXPECT_TRUE(seats::SaveSeatBook(a, book));
    EXPECT_TRUE(a.StorePrices(StoreWeekdayBars(10), StoreLog("600001")));
    EXPECT_TRUE(a.StorePrices(StoreWeekdayBars(20, "2010-04-13"), StoreLog("002002")));
    EXPECT_FALSE(a.CloseStore());
  }

  testing_support::TempDir dir;
  store::Store store;
  uint32_t trader = 0;
  const backtest::DayRange range{StoreDay("2010-04-07"), StoreDay("2010-04-08")};
};

TEST_F(BacktestStoreInput, ListingsOfTheRangeWithTheirSeatsAsIdentities) {
  backtest::StoreInputRead read = backtest::ReadStoreInput(store, range, 5);
  ASSERT_FALSE(read.error);
  const backtest::StoreInput& in = read.input;
  const backtest::MarketData& d = in.data;
  ASSERT_EQ(d.Listings().size(), 2u);
  EXPECT_EQ(in.record_numbers, (std::vector<int64_t>{2, 3}));

  const backtest::Listing& a = d.Listings()[0];
  EXPECT_EQ(a.day, StoreDay("2010-04-07"));
  EXPECT_EQ(d.Text(a.code), "600001");
  EXPECT_EQ(d.Text(a.board), G("沪市"));
  EXPECT_EQ(d.Text(a.reason), G("日涨幅偏离值达7%"));
  // Net 3,300 - 1,050 = 2,250 (10,000 yuan) over a turnover of 10,000.
  ASSERT_TRUE(a.has_strength);
  EXPECT_DOUBLE_EQ(a.strength, 0.225);
  EXPECT_DOUBLE_EQ(a.price_limit, 0.10);
  const auto buy = d.BuyBlock(a);
  ASSERT_EQ(buy.size(), 2u);
  EXPECT_EQ(buy[0].kind, backtest::SeatKind::kInstitution);
  EXPECT_DOUBLE_EQ(buy[0].buy, 3000);
  EXPECT_EQ(buy[1].identity, trader);
  EXPECT_EQ(buy[1].kind, backtest::SeatKind::kHotMoney);
  EXPECT_DOUBLE_EQ(buy[1].buy, 300);
  EXPECT_DOUBLE_EQ(buy[1].sell, 50);
  ASSERT_EQ(d.SellBlock(a).size(), 1u);
  EXPECT_EQ(d.SellBlock(a)[0].identity, buy[0].identity);

  // The other name of the same identity; an ST name's 5 % limit; an
  // unknown Seat gets an identity of its own, a branch.
  const backtest::Listing& b = d.Listings()[1];
  EXPECT_EQ(d.Text(b.board), G("中小板"));
  EXPECT_DOUBLE_EQ(b.price_limit, 0.05);
  EXPECT_EQ(d.BuyBlock(b)[0].identity, trader);
  const backtest::Seat other = d.SellBlock(b)[0];
  EXPECT_NE(other.identity, 0u);
  EXPECT_NE(other.identity, trader);
  EXPECT_NE(other.identity, buy[0].identity);
  EXPECT_EQ(other.kind, backtest::SeatKind::kBranch);

  // Shown by the newest name; found by nickname; unknown names come back.
  EXPECT_EQ(in.SeatName(trader), G("华泰证券股份有限公司上海共和新路证券营业部"));
  EXPECT_EQ(in.SeatName(other.identity), G("某营业部"));
  const backtest::SeatNames named =
      backtest::ResolveSeatNames(in, {G("共和新路"), G("机构专用"), G("无此人"), G("共和新路")});
  EXPECT_EQ(named.identities, (std::vector<uint32_t>{trader, buy[0].identity}));
  EXPECT_EQ(named.unknown, (std::vector<std::string>{G("无此人")}));
  backtest::SeatRule rule;
  in.UseWatchList(rule);
  EXPECT_EQ(rule.who, backtest::Who::kWatched);
  EXPECT_EQ(rule.identities, (std::vector<uint32_t>{trader}));
  EXPECT_EQ(rule.watched_codes, (std::vector<std::string>{"002002"}));
}

TEST_F(BacktestStoreInput, BarsEndAfterTheLongestHoldAndGiveTheSameTradesAsEveryBar) {
  backtest::StoreInputRead windowed = backtest::ReadStoreInput(store, range, 5);
  backtest::StoreInputRead everything = backtest::ReadStoreInput(store, backtest::DayRange{}, 5);
  ASSERT_FALSE(windowed.error);
  ASSERT_FALSE(everything.error);
  EXPECT_EQ(everything.input.data.Listings().size(), 4u);

  const backtest::MarketData& d = windowed.input.data;
  const auto a = d.BarsOf(d.FindCode("600001"));
  ASSERT_FALSE(a.empty());
  // The day before the range is there (a limit-up entry needs its close);
  // June is not: nothing far past the hold is read.
  EXPECT_LT(a.front().day, StoreDay("2010-04-07"));
  EXPECT_LT(a.back().day, StoreDay("2010-06-01"));
  // The suspension stays a gap.
  for (const backtest::Bar& bar : d.BarsOf(d.FindCode("002002")))
    EXPECT_NE(bar.day, StoreDay("2010-04-13"));

  backtest::Rule rule;
  rule.range = range;
  rule.seats.who = backtest::Who::kKind;
  rule.seats.kind = backtest::SeatKind::kHotMoney;
  rule.plan.hold = 5;
  backtest::Backtester narrow(std::move(windowed.input.data));
  backtest::Backtester wide(std::move(everything.input.data));
  const backtest::Result r1 = narrow.Run(rule);
  const backtest::Result r2 = wide.Run(rule);
  ASSERT_EQ(r1.rule.trades.size(), 2u);
  // 乙's hold runs over its suspension: skipped, never guessed.
  EXPECT_EQ(r1.rule.figures.trades, 1);
  EXPECT_EQ(r1.rule.figures.skipped_by[static_cast<int>(backtest::SkipReason::kMissingBars)], 1);
  for (const auto* side : {&r1.rule, r1.baseline.get()}) {
    const auto& other = side == &r1.rule ? r2.rule : *r2.baseline;
    ASSERT_EQ(side->trades.size(), other.trades.size());
    for (size_t i = 0; i < side->trades.size(); ++i) {
      EXPECT_EQ(side->trades[i].skipped, other.trades[i].skipped);
      EXPECT_EQ(side->trades[i].exit_day, other.trades[i].exit_day);
      EXPECT_DOUBLE_EQ(side->trades[i].ret, other.trades[i].ret);
    }
    EXPECT_DOUBLE_EQ(side->figures.total_return, other.figures.total_return);
  }
}

// The bars through the packed rows are the very doubles of the bars table:
// a stock of whole cents read packed, one with a price of four decimals (the
// packed form would round it), one whose packed row is stale (its bars
// changed by a build that wrote no packed rows), and the fixture's two whose
// drifting prices are no whole number of thousandths.
TEST_F(BacktestStoreInput, BarsReadThroughThePackedRowsAreTheBarsOfTheTable) {
  const auto cents = [](std::vector<store::PriceBar> bars) {
    for (store::PriceBar& b : bars)
      for (double* p : {&b.open, &b.high, &b.low, &b.close}) *p = std::round(*p * 100) / 100;
    return bars;
  };
  std::vector<store::PriceBar> fine = cents(StoreWeekdayBars(30));
  fine[3].low = 29.5;  // a low below every other price: a lost low shows
  std::vector<store::PriceBar> four_decimals = cents(StoreWeekdayBars(40));
  four_decimals[30].high = 41.2345;
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(fine, StoreLog("600003")));
    ASSERT_TRUE(a.StorePrices(four_decimals, StoreLog("600004")));
    ASSERT_TRUE(a.StorePrices(cents(StoreWeekdayBars(50)), StoreLog("600005")));
    ASSERT_FALSE(a.CloseStore());
  }
  const std::string bars_table = "\"" + std::string(store::kPriceBarsTable) + "\"";
  const std::string log_table = "\"" + std::string(store::kPriceLogTable) + "\"";
  ASSERT_EQ(store_testing::RawExec(
                store::StorePath(dir.path()),
                "UPDATE " + bars_table + " SET \"最低\" = 12.5 WHERE \"代码\" = '600005'; UPDATE " +
                    log_table + " SET \"时间\" = '2010-07-02 20:00:00' WHERE \"代码\" = '600005';"),
            0);
  store.DropIdleConnections();
  testing_support::WriteListings(
      store, {StoreListing("2010-04-07", "丙", "600003", {{G("某营业部"), "100.00", "0"}}, {}),
              StoreListing("2010-04-08", "丁", "600004", {{G("某营业部"), "100.00", "0"}}, {}),
              StoreListing("2010-04-08", "戊", "600005", {{G("某营业部"), "100.00", "0"}}, {})});

  // Only the whole-cent stock with a current stamp is read packed.
  const std::vector<std::string> listed = {"002002", "600001", "600003", "600004", "600005"};
  {
    store::StoreAccess a = store.OpenStore();
    std::vector<std::string> packed;
    std::vector<std::string> unpacked;
    ASSERT_TRUE(a.ReadExactDayBars(
        "0000-00-00", "9999-99-99", listed,
        [&](std::string_view code, int64_t, std::span<const store::ExactDayBar>) {
          packed.emplace_back(code);
        },
        &unpacked));
    EXPECT_EQ(packed, (std::vector<std::string>{"600003"}));
    EXPECT_EQ(unpacked, (std::vector<std::string>{"002002", "600001", "600004", "600005"}));
  }

  for (const backtest::DayRange& asked : {range, backtest::DayRange{}}) {
    const backtest::StoreInputRead read = backtest::ReadStoreInput(store, asked, 5);
    ASSERT_FALSE(read.error);
    const backtest::MarketData& d = read.input.data;
    store::StoreAccess a = store.OpenStore();
    for (const std::string& code : listed) {
      SCOPED_TRACE(code);
      std::vector<store::CodeBars> rows;
      ASSERT_TRUE(a.ReadPriceBars("0000-00-00", "9999-99-99", &rows, code));
      ASSERT_EQ(rows.size(), 1u);
      const auto got = d.BarsOf(d.FindCode(code));
      ASSERT_FALSE(got.empty());
      // Each bar kept is the table's row of its day (the kept bars are the
      // reach of each listing, with gaps between).
      auto row = rows[0].bars.begin();
      for (const backtest::Bar& bar : got) {
        while (row != rows[0].bars.end() && *backtest::DayNumberOfText(row->date) < bar.day) ++row;
        ASSERT_TRUE(row != rows[0].bars.end());
        ASSERT_EQ(bar.day, *backtest::DayNumberOfText(row->date));
        EXPECT_EQ(std::bit_cast<uint64_t>(bar.open), std::bit_cast<uint64_t>(row->open));
        EXPECT_EQ(std::bit_cast<uint64_t>(bar.high), std::bit_cast<uint64_t>(row->high));
        EXPECT_EQ(std::bit_cast<uint64_t>(bar.low), std::bit_cast<uint64_t>(row->low));
        EXPECT_EQ(std::bit_cast<uint64_t>(bar.close), std::bit_cast<uint64_t>(row->close));
        ++row;
      }
      // Each listing's reach is there: the close before its day, the day,
      // the entry and a five-day hold.
      EXPECT_GE(got.size(), 8u);
    }
    ASSERT_FALSE(a.CloseStore());
  }
}

TEST_F(BacktestStoreInput, AStoreThatCannotBeOpenedIsReportedNotThrown) {
  store::Store missing(dir / "no-such-folder" / "Data.edb");
  const backtest::StoreInputRead read = backtest::ReadStoreInput(missing, range, 5);
  ASSERT_TRUE(read.error);
  EXPECT_EQ(read.error->kind, store::ErrorKind::kMissing);
  EXPECT_TRUE(read.input.data.Listings().empty());
}


// Only the bars a listing's trade can reach are kept, read on two store
// accesses side by side: every rule must come out as over every bar of the
// table. Seventy stocks with suspensions at random (a few priced to four
// decimals, read from the table), listings on random days, some on a
// suspended day or near the last bar.
void StoreRandomStocks(store::Store& store) {
  ASSERT_FALSE(store.EnsureStore().has_value());
  uint64_t seed = 20261211;
  const auto next = [&seed](uint64_t n) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return (seed >> 33) % n;
  };
  std::vector<std::string> weekdays;
  for (backtest::DayNumber d = StoreDay("2011-01-03"); d <= StoreDay("2011-12-30"); ++d)
    if ((d + 4) % 7 < 5) weekdays.push_back(backtest::DateOfDayNumber(d).DateText());
  std::vector<ListingRecord> listings;
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    for (int k = 0; k < 70; ++k) {
      const std::string code = std::to_string(600100 + k);
      std::vector<store::PriceBar> bars;
      double close = 10 + static_cast<double>(next(2000)) / 100;
      for (const std::string& date : weekdays) {
        if (next(12) == 0) continue;  // suspended
        const double open = std::round(close * (0.95 + 0.1 * static_cast<double>(next(101)) / 100) * 100) / 100;
        const double shut = std::round(close * (0.94 + 0.12 * static_cast<double>(next(101)) / 100) * 100) / 100;
        store::PriceBar b = testing_support::DailyBar(date, open, shut);
        b.high = std::round((b.high + static_cast<double>(next(30)) / 100) * 100) / 100;
        b.low = std::round((b.low - static_cast<double>(next(30)) / 100) * 100) / 100;
        if (k % 10 == 3) b.high += 0.0001;  // not packed exactly
        bars.push_back(b);
        close = shut;
      }
      ASSERT_TRUE(a.StorePrices(bars, StoreLog(code)));
      for (int n = 0; n < 12; ++n) {
        const std::string& day = weekdays[next(weekdays.size())];
        listings.push_back(StoreListing(day, "股", code,
                                        {{G("营业部") + std::to_string(next(5)),
                                          std::to_string(1000000 + next(9000000)) + ".00", "0"}},
                                        {}));
      }
    }
    ASSERT_FALSE(a.CloseStore());
  }
  testing_support::WriteListings(store, listings);
}

TEST(BacktestStoreInputReach, KeptBarsGiveTheTradesOfEveryBar) {
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_NO_FATAL_FAILURE(StoreRandomStocks(store));

  // The same listings over every bar the table holds for their stocks.
  const auto every_bar = [&](const backtest::MarketData& read) {
    backtest::MarketData all;
    for (const backtest::Listing& l : read.Listings()) {
      backtest::ListingInput in;
      in.day = l.day;
      in.code = read.Code(l.code);
      in.name = read.Text(l.name);
      in.board = read.Text(l.board);
      in.reason = read.Text(l.reason);
      if (l.has_strength) in.strength = l.strength;
      const auto buy = read.BuyBlock(l);
      const auto sell = read.SellBlock(l);
      in.buy.assign(buy.begin(), buy.end());
      in.sell.assign(sell.begin(), sell.end());
      in.price_limit = l.price_limit;
      all.AddListing(in);
    }
    store::StoreAccess a = store.OpenStore();
    for (uint32_t c = 0; c < read.CodeCount(); ++c) {
      std::vector<store::CodeBars> rows;
      EXPECT_TRUE(a.ReadPriceBars("0000-00-00", "9999-99-99", &rows, read.Code(c)));
      std::vector<backtest::Bar> bars;
      for (const store::PriceBar& b : rows.at(0).bars)
        bars.push_back({*backtest::DayNumberOfText(b.date), b.open, b.high, b.low, b.close});
      all.SetBars(read.Code(c), bars);
    }
    EXPECT_FALSE(a.CloseStore());
    return all;
  };
  const auto same = [](const backtest::SideResult& got, const backtest::SideResult& want) {
    ASSERT_EQ(got.trades.size(), want.trades.size());
    for (size_t i = 0; i < got.trades.size(); ++i) {
      SCOPED_TRACE(i);
      const backtest::TradeRow& g = got.trades[i];
      const backtest::TradeRow& w = want.trades[i];
      EXPECT_EQ(g.listing, w.listing);
      EXPECT_EQ(g.skipped, w.skipped);
      EXPECT_EQ(g.entry_day, w.entry_day);
      EXPECT_EQ(g.exit_day, w.exit_day);
      EXPECT_EQ(g.entry, w.entry);
      EXPECT_EQ(g.exit, w.exit);
      EXPECT_EQ(g.ret, w.ret);
    }
    ASSERT_EQ(got.equity.size(), want.equity.size());
    for (size_t i = 0; i < got.equity.size(); ++i)
      EXPECT_EQ(got.equity[i].equity, want.equity[i].equity) << i;
  };

  const backtest::DayRange autumn{StoreDay("2011-09-01"), StoreDay("2011-12-30")};
  for (const auto& [range, max_hold] :
       {std::pair{backtest::DayRange{}, 20}, std::pair{autumn, 5}}) {
    backtest::StoreInputRead read = backtest::ReadStoreInput(store, range, max_hold);
    ASSERT_FALSE(read.error);
    ASSERT_GT(read.input.data.Listings().size(), 100u);
    backtest::Backtester kept(read.input.data);
    backtest::Backtester all(every_bar(read.input.data));
    for (const int hold : {1, 2, 3, 5, 10, 20}) {
      if (hold > max_hold) continue;
      for (const backtest::Entry entry : {backtest::Entry::kNextOpen, backtest::Entry::kClose}) {
        backtest::Rule rule;
        rule.range = range;
        rule.seats.who = backtest::Who::kKind;
        rule.seats.kind = backtest::SeatKind::kBranch;
        rule.plan.hold = hold;
        rule.plan.entry = entry;
        if (hold % 2) {
          rule.plan.stop = 0.03;
          rule.plan.target = 0.04;
        }
        SCOPED_TRACE(testing::Message() << "hold " << hold << " max " << max_hold);
        const backtest::Result got = kept.Run(rule);
        const backtest::Result want = all.Run(rule);
        ASSERT_GT(got.rule.figures.trades, 10);
        same(got.rule, want.rule);
        same(*got.baseline, *want.baseline);
      }
    }
  }
}

// Excerpts of the bars: a read from them keeps the very bars and calendar a
// read of the packed rows and the table keeps, for any range and any hold
// up to the one they are made for, whichever range they were made by; a
// stock whose bars were written again
// (even under the same log row) or that was listed on a day the excerpt was
// not made for is read from its bars again.
TEST(BacktestStoreInputReach, ExcerptsKeepTheBarsAndDaysOfTheFullRead) {
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_NO_FATAL_FAILURE(StoreRandomStocks(store));
  // A stock that trades on Saturdays alone, listed once: the other
  // Saturdays are trading days only by the days of bars the read drops.
  {
    std::vector<store::PriceBar> saturdays;
    for (backtest::DayNumber d = StoreDay("2011-01-01"); d <= StoreDay("2011-12-31"); d += 7)
      saturdays.push_back(testing_support::DailyBar(backtest::DateOfDayNumber(d).DateText(), 10, 10.2));
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(saturdays, StoreLog("600199")));
    ASSERT_FALSE(a.CloseStore());
    testing_support::WriteListings(
        store, {StoreListing("2011-03-05", "股", "600199", {{G("营业部") + "1", "2000000.00", "0"}}, {})});
  }
  const auto read = [&store](const backtest::DayRange& range, int hold, bool excerpts) {
    backtest::StoreInputRead r = backtest::ReadStoreInput(store, range, hold, {}, true, excerpts);
    EXPECT_FALSE(r.error);
    return r;
  };
  const auto same = [&](const backtest::DayRange& range, int hold) {
    SCOPED_TRACE(testing::Message() << "hold " << hold << " from " << range.from);
    const backtest::StoreInputRead with = read(range, hold, true);
    const backtest::StoreInputRead without = read(range, hold, false);
    backtest::MarketData got = with.input.data;
    backtest::MarketData want = without.input.data;
    got.Prepare();
    want.Prepare();
    EXPECT_GT(got.Calendar().size(), 80u);
    EXPECT_EQ(got.Calendar(), want.Calendar());
    EXPECT_EQ(got.CodeCount(), want.CodeCount());
    for (uint32_t c = 0; c < std::min(got.CodeCount(), want.CodeCount()); ++c) {
      EXPECT_EQ(got.Code(c), want.Code(c));
      const auto g = got.BarsOf(c);
      const auto w = want.BarsOf(c);
      EXPECT_EQ(g.size(), w.size()) << got.Code(c);
      if (g.size() != w.size()) continue;
      for (size_t i = 0; i < g.size(); ++i) {
        EXPECT_EQ(g[i].day, w[i].day);
        EXPECT_EQ(std::tie(g[i].open, g[i].high, g[i].low, g[i].close),
                  std::tie(w[i].open, w[i].high, w[i].low, w[i].close))
            << got.Code(c) << " " << g[i].day;
      }
    }
    return with.wrote_bar_excerpts;
  };

  const backtest::DayRange whole;
  const backtest::DayRange autumn{StoreDay("2011-09-01"), StoreDay("2011-12-30")};
  // A read of some months makes excerpts for their listings; a read of
  // other months makes those excerpts again for both, then a read of the
  // whole store for all.
  const backtest::DayRange summer{StoreDay("2011-06-01"), StoreDay("2011-08-31")};
  EXPECT_TRUE(same(autumn, 5));
  EXPECT_FALSE(same(autumn, 5));
  EXPECT_TRUE(same(summer, 4));
  EXPECT_FALSE(same(autumn, 5));
  EXPECT_FALSE(same(summer, 5));
  EXPECT_TRUE(read(whole, 5, true).wrote_bar_excerpts);
  EXPECT_FALSE(same(whole, 5));  // every excerpt used: none made again
  EXPECT_FALSE(same(whole, 3));
  EXPECT_FALSE(same(autumn, 5));
  EXPECT_FALSE(same(whole, 20));  // a longer hold reads the packed rows
  EXPECT_FALSE(same(autumn, 20));

  // One stock's bars written again under the same log row: a close changed.
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    std::vector<store::CodeBars> rows;
    ASSERT_TRUE(a.ReadPriceBars("0000-00-00", "9999-99-99", &rows, "600101"));
    std::vector<store::PriceBar> bars = rows.at(0).bars;
    for (store::PriceBar& b : bars) {
      b.close = std::round((b.close + 0.07) * 100) / 100;
      b.high = std::max(b.high, b.close);
    }
    ASSERT_TRUE(a.StorePrices(bars, StoreLog("600101")));
    ASSERT_FALSE(a.CloseStore());
  }
  // Made again by a read of a shorter hold, for the excerpts' hold.
  EXPECT_TRUE(same(whole, 2));
  EXPECT_FALSE(same(whole, 5));
  // A fetch that found nothing new writes the log row alone: the bars and
  // their excerpt stay good.
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    store::PriceLogEntry log = StoreLog("600101");
    log.fetched_at = "2011-12-31 20:00:00";
    ASSERT_TRUE(a.WritePriceLog(log));
    ASSERT_FALSE(a.CloseStore());
  }
  EXPECT_FALSE(same(whole, 5));
  // A listing on a day none of the stock's listings was on.
  testing_support::WriteListings(
      store, {StoreListing("2011-06-15", "股", "600102",
                           {{G("营业部") + "9", "3000000.00", "0"}}, {})});
  EXPECT_TRUE(same(whole, 5));
  EXPECT_FALSE(same(autumn, 5));

  // Damaged excerpts (one cut short, one of another layout) are read from
  // the bars again, and made again.
  ASSERT_EQ(store_testing::RawExec(
                store::StorePath(dir.path()),
                "UPDATE \"日线节选\" SET \"数据\" = substr(\"数据\", 1, length(\"数据\") - 9) "
                "WHERE \"代码\" = '600104'; UPDATE \"日线节选\" SET \"数据\" = "
                "x'07' || substr(\"数据\", 2) WHERE \"代码\" = '600105'"),
            0);
  store.DropIdleConnections();
  EXPECT_TRUE(same(whole, 5));
  EXPECT_FALSE(same(whole, 5));
}

// A read of millions of bars places them on the calendar in two parts:
// every bar of every stock gets its own day's place, whichever part it
// fell in.
TEST(BacktestStoreInputReach, EveryBarOfMillionsHasItsDaysPlace) {
  backtest::MarketData data;
  std::vector<backtest::Bar> bars;
  for (int k = 0; k < 301; ++k) {
    bars.clear();
    // Stocks of different lengths, each missing some days of its own.
    for (backtest::DayNumber d = 10000 + k % 7; d < 14000 + (k * 37) % 500; ++d)
      if ((d * 31 + k) % 11 != 0) bars.push_back(backtest::Bar{d, 1, 1, 1, 1});
    data.SetBars(std::to_string(600000 + k), bars);
  }
  data.Prepare();
  size_t placed = 0;
  for (uint32_t c = 0; c < data.CodeCount(); ++c) {
    const auto days = data.BarsOf(c);
    const auto places = data.CalendarIndexOfBars(c);
    ASSERT_EQ(places.size(), days.size()) << c;
    for (size_t i = 0; i < days.size(); ++i) {
      ASSERT_GE(places[i], 0);
      ASSERT_EQ(data.Calendar()[static_cast<size_t>(places[i])], days[i].day) << c << " " << i;
    }
    placed += places.size();
  }
  EXPECT_GT(placed, size_t{1} << 20);
}

}  // namespace
