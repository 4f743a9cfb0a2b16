// quorvane-cli backtest on a hand-built store: the JSON figures are the
// core's own for the same rule (a nickname resolved), the trade rows come
// with the promised columns, and bad flags are refused with the usage
// status before anything is read.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "backtest/backtester.h"
#include "backtest/result_table.h"
#include "backtest/store_input.h"
#include "seats/seat_book.h"
#include "store/price_bars.h"
#include "tests/cli_test_support.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::RunCli;

class CliBacktestTest : public ::testing::Test {
 protected:
  CliBacktestTest() {
    store::Store s(file);
    EXPECT_FALSE(s.EnsureStore());
    const std::vector<std::string> seats = {G("机构专用"), G("甲证券北京营业部"),
                                            G("乙证券上海营业部"), G("丙证券深圳营业部")};
    uint32_t random = 12345;
    const auto next = [&random](uint32_t n) {
      random = random * 1103515245u + 12345u;
      return (random >> 16) % n;
    };
    std::vector<testing_support::ListingRecord> listings;
    std::vector<std::vector<store::PriceBar>> bars(5);
    std::vector<double> close(5, 10);
    for (backtest::DayNumber d = *backtest::DayNumberOfText("2010-03-01");
         d <= *backtest::DayNumberOfText("2010-06-30"); ++d) {
      if ((d + 4) % 7 >= 5) continue;
      const std::string date = backtest::DateOfDayNumber(d).DateText();
      for (size_t c = 0; c < 5; ++c) {
        const double open = close[c] * (0.96 + 0.01 * next(9));
        const double shut = open * (0.95 + 0.01 * next(11));
        // Now and then a day that opens at the limit-up price and stays.
        const bool sealed = next(17) == 0;
        const double o = sealed ? close[c] * 1.1 : open;
        const double cl = sealed ? o : shut;
        bars[c].push_back(store::PriceBar{date, o, std::max(o, cl) * (sealed ? 1 : 1.01),
                                          std::min(o, cl) * 0.99, cl, 1, 1});
        close[c] = cl;
      }
      if (date < "2010-04-01" || date > "2010-04-30") continue;
      for (int k = 0; k < 2; ++k) {
        const std::string code = "60000" + std::to_string(1 + next(5));
        std::vector<testing_support::Seat> buy;
        for (int s = 0; s < 3; ++s)
          buy.emplace_back(seats[next(4)], std::to_string(1000000 * (1 + next(40))) + ".00",
                           "0.00");
        testing_support::ListingRecord r =
            testing_support::MakeListing(date, "股" + std::to_string(k), code, "50,000");
        r[store::kBuySeats] = testing_support::SeatBlock(buy);
        r[store::kSellSeats] = testing_support::SeatBlock({{seats[next(4)], "0.00", "3000000.00"}});
        listings.push_back(r);
      }
    }
    testing_support::WriteListings(s, listings);
    seats::SeatBook book;
    const int64_t id = book.AddIdentity(seats::Identity{0, "", G("游资"), G("乙哥"), ""});
    book.PlaceName(seats[2], id);
    book.Normalize();
    store::StoreAccess a = s.OpenStore(store::AccessMode::kWriter);
    EXPECT_TRUE(seats::SaveSeatBook(a, book));
    for (size_t c = 0; c < 5; ++c) {
      store::PriceLogEntry log;
      log.code = "60000" + std::to_string(c + 1);
      log.fetched_at = "2010-07-01 20:00:00";
      EXPECT_TRUE(a.StorePrices(bars[c], log));
    }
    EXPECT_FALSE(a.CloseStore());
  }

  testing_support::ProgramRun Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--store", file.string(), "backtest"});
    return RunCli(args);
  }

  // The core run directly over the same store.
  backtest::Result Core(backtest::Rule rule, std::vector<std::string> names,
                        backtest::MarketData* data = nullptr) {
    store::Store s(file);
    backtest::StoreInputRead read = backtest::ReadStoreInput(s, rule.range, rule.plan.hold);
    EXPECT_FALSE(read.error);
    if (!names.empty()) {
      rule.seats.who = backtest::Who::kIdentities;
      rule.seats.identities = backtest::ResolveSeatNames(read.input, names).identities;
      EXPECT_EQ(rule.seats.identities.size(), names.size());
    }
    backtest::Backtester bt(std::move(read.input.data));
    backtest::Result r = bt.Run(rule);
    if (data) *data = bt.Data();
    return r;
  }

  backtest::DayRange April() const {
    return {*backtest::DayNumberOfText("2010-04-01"), *backtest::DayNumberOfText("2010-04-30")};
  }

  testing_support::TempDir dir;
  std::filesystem::path file = dir / "Data.edb";
};

void ExpectFigures(const nlohmann::json& side, const backtest::SideResult& core) {
  for (const backtest::FigureField& f : backtest::FigureFields(core.figures)) {
    const std::string key(f.key);
    ASSERT_TRUE(side.contains(key)) << key;
    if (std::isinf(f.value)) {
      EXPECT_TRUE(side[key].is_null()) << key;
    } else {
      EXPECT_NEAR(side[key].get<double>(), f.value, 1e-4) << key;
    }
  }
  ASSERT_TRUE(side.contains("years"));
  EXPECT_EQ(side["years"].size(), core.years.size());
}

TEST_F(CliBacktestTest, JsonFiguresAreTheCoresForTheSameRule) {
  const auto run = Cli({"--seat", "乙哥", "--hold", "3", "--stop", "5", "--commission", "0.03",
                        "--from", "2010-04-01", "--to", "2010-04-30", "--format", "json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_TRUE(j.contains("rule") && j.contains("result") && j.contains("baseline")) << run.out;
  EXPECT_EQ(j["rule"]["hold"], 3);
  EXPECT_EQ(j["rule"]["seats"], nlohmann::json::array({"乙证券上海营业部"}));

  backtest::Rule rule;
  rule.range = April();
  rule.plan.hold = 3;
  rule.plan.stop = 0.05;
  rule.costs.commission = 0.0003;
  const backtest::Result core = Core(rule, {G("乙哥")});
  EXPECT_GT(core.rule.figures.trades, 3);
  EXPECT_GT(core.baseline->figures.trades, core.rule.figures.trades);
  ExpectFigures(j["result"], core.rule);
  ExpectFigures(j["baseline"], *core.baseline);

  // The text table carries the same figures and the years.
  const auto table = Cli({"--seat", "乙哥", "--hold", "3", "--stop", "5", "--commission", "0.03",
                          "--from", "2010-04-01", "--to", "2010-04-30"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_NE(table.out.find("total_return"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("2010"), std::string::npos) << table.out;
  EXPECT_NE(table.err.find("no advice"), std::string::npos) << table.err;
}

TEST_F(CliBacktestTest, TradesAsCsvHaveTheTradeColumnsAndEverySkipWithItsReason) {
  const auto run = Cli({"--kind", "机构", "--max-per-day", "1", "--from", "2010-04-01", "--to",
                        "2010-04-30", "--trades", "--format", "csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = testing_support::ParseCsv(run.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], (std::vector<std::string>{"date", "code", "name", "seat", "entry_date",
                                               "entry", "exit_date", "exit", "return", "skipped"}));
  backtest::Rule rule;
  rule.range = April();
  rule.seats.who = backtest::Who::kKind;
  rule.seats.kind = backtest::SeatKind::kInstitution;
  rule.sizing.max_per_day = 1;
  const backtest::Result core = Core(rule, {});
  ASSERT_EQ(rows.size(), core.rule.trades.size() + 1);
  int64_t skipped = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][3], "机构专用");
    if (!rows[i][9].empty()) ++skipped;
    // A taken trade has its exit and return; a skipped one has neither.
    EXPECT_EQ(rows[i][8].empty(), !rows[i][9].empty()) << i;
  }
  EXPECT_EQ(skipped, core.rule.figures.skipped);
  EXPECT_GT(core.rule.figures.skipped_by[static_cast<int>(backtest::SkipReason::kOverDailyLimit)],
            0);
}

TEST_F(CliBacktestTest, BadFlagsAreRefusedWithTheUsageStatus) {
  const struct {
    std::vector<std::string> args;
    const char* said;
  } cases[] = {
      {{"--kind", "机构", "--hold", "4"}, "--hold"},
      {{"--kind", "机构", "--entry", "open"}, "--entry"},
      {{"--hold", "5"}, "--seat NAME, --kind K or --watched"},
      {{"--kind", "机构", "--watched"}, "give one"},
      {{"--kind", "机构", "--board", "创业板"}, "--board"},
      {{"--kind", "机构", "--max-per-day", "0"}, "--max-per-day"},
      {{"--seat", "乙哥", "--seat", "无此人"}, "\"无此人\""},
  };
  for (const auto& c : cases) {
    const auto run = Cli(c.args);
    EXPECT_EQ(run.status, 1) << c.args.back();
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
}

}  // namespace
