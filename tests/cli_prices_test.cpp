// quorvane-cli prices against the loopback sample source: a month
// downloaded, its prices following, nothing asked again on a second run,
// and the exit status of a source that fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/price_bars.h"
#include "store/record_store.h"
#include "tests/cli_test_support.h"
#include "tests/test_support.h"
#include "prices/returns.h"
#include "tools/sample-source/sample_kline.h"
#include "tools/sample-source/sample_server.h"

namespace {

using testing_support::RunCli;
using testing_support::TempDir;

class CliPricesTest : public ::testing::Test {
 protected:
  CliPricesTest() { EXPECT_GT(source.Start(), 0); }
  ~CliPricesTest() override { source.Stop(); }

  testing_support::ProgramRun Cli(std::vector<std::string> args, const std::string& prices_host) {
    std::vector<std::string> all = {"--store", store.string(), "--source", source.Host(),
                                    "--prices-source", prices_host, "--request-gap", "0"};
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }
  size_t KlineRequests() {
    size_t n = 0;
    for (const auto& r : source.Requests())
      if (r.target.find("/kline/get") != std::string::npos) ++n;
    return n;
  }

  sample_source::SampleSource source;
  TempDir dir;
  std::filesystem::path store = dir / "Data.edb";
};

TEST_F(CliPricesTest, AMonthDownloadedThenItsPricesThenNothingMore) {
  ASSERT_EQ(Cli({"download", "--from", "2010-06-01", "--to", "2010-06-30"}, source.Host()).status,
            0);
  const auto run = Cli({"prices", "--from", "2010-06-01", "--to", "2010-06-30"}, source.Host());
  ASSERT_EQ(run.status, 0) << run.err;
  const size_t asked = KlineRequests();
  EXPECT_GT(asked, 10u);
  EXPECT_NE(run.err.find(" 0 failed"), std::string::npos) << run.err;
  {
    store::Store s(store);
    store::StoreAccess a = s.OpenStore();
    std::vector<store::PriceLogEntry> logs;
    ASSERT_TRUE(a.ReadPriceLogs(&logs));
    EXPECT_EQ(logs.size(), asked);
    for (const auto& log : logs) EXPECT_EQ(log.result, store::PriceFetchResult::kBars) << log.code;
  }
  const auto again = Cli({"prices", "--from", "2010-06-01", "--to", "2010-06-30"}, source.Host());
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(KlineRequests(), asked);
  EXPECT_NE(again.err.find(std::to_string(asked) + " already held"), std::string::npos)
      << again.err;
}

// The returns and track records the exports and rankings show, worked out
// again here from the sample source's own bars.
TEST_F(CliPricesTest, ExportAndStatsShowTheReturnsOfTheStoredBars) {
  ASSERT_EQ(Cli({"download", "--from", "2010-06-01", "--to", "2010-06-11"}, source.Host()).status,
            0);
  ASSERT_EQ(Cli({"prices", "--from", "2010-06-01", "--to", "2010-06-11"}, source.Host()).status,
            0);
  const auto run = Cli({"export", "--from", "2010-06-01", "--to", "2010-06-11", "--returns"},
                       source.Host());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = testing_support::ParseCsv(run.out);
  ASSERT_GT(rows.size(), 10u);
  const std::vector<std::string> tail(rows[0].end() - 9, rows[0].end());
  EXPECT_EQ(tail, (std::vector<std::string>{"next_open", "next_high", "d1", "d2", "d3", "d5",
                                            "d10", "d20", "max5"}));
  int with_figures = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    const std::string& date = rows[i][0];
    const std::string& code = rows[i][2];
    const auto sample = sample_source::SampleBars(code, "2010-05-01", "2010-08-31");
    std::vector<store::PriceBar> bars;
    for (const auto& b : sample)
      bars.push_back({b.date, b.open, b.high, b.low, b.close, b.volume, b.amount});
    const prices::ListingReturns r = prices::ReturnsAfter(bars, date);
    const size_t first = rows[i].size() - 9;
    EXPECT_EQ(rows[i][first], prices::PercentText(r.next_open)) << date << " " << code;
    EXPECT_EQ(rows[i][first + 5], prices::PercentText(r.d5)) << date << " " << code;
    EXPECT_EQ(rows[i][first + 8], prices::PercentText(r.max5)) << date << " " << code;
    if (r.next_open) ++with_figures;
  }
  EXPECT_GT(with_figures, 10);

  const auto seats = Cli({"stats", "seats", "--from", "2010-06-01", "--to", "2010-06-11",
                          "--format", "csv"},
                         source.Host());
  ASSERT_EQ(seats.status, 0) << seats.err;
  const auto seat_rows = testing_support::ParseCsv(seats.out);
  const std::vector<std::string> seat_tail(seat_rows[0].end() - 6, seat_rows[0].end());
  EXPECT_EQ(seat_tail, (std::vector<std::string>{"sample", "next_open_mean", "d1_win_rate",
                                                 "d5_mean", "d5_win_rate", "d10_mean"}));
  int sampled = 0;
  for (size_t i = 1; i < seat_rows.size(); ++i)
    if (seat_rows[i][seat_rows[i].size() - 6] != "0") ++sampled;
  EXPECT_GT(sampled, 0);
  const auto stocks = Cli({"stats", "stocks", "--from", "2010-06-01", "--to", "2010-06-11",
                           "--format", "csv"},
                          source.Host());
  ASSERT_EQ(stocks.status, 0) << stocks.err;
  const auto stock_rows = testing_support::ParseCsv(stocks.out);
  EXPECT_EQ(stock_rows[0][stock_rows[0].size() - 2], "next_open_mean");
  EXPECT_EQ(stock_rows[0].back(), "d5_mean");
}

TEST_F(CliPricesTest, FailuresGiveStatusThreeAndStopAfterFiveInARow) {
  ASSERT_EQ(Cli({"download", "--from", "2010-06-03", "--to", "2010-06-04"}, source.Host()).status,
            0);
  const auto run = Cli({"prices", "--from", "2010-06-03", "--to", "2010-06-04"},
                       source.Host() + "/fault/garbage");
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(KlineRequests(), 5u);
  EXPECT_NE(run.err.find("stopped after 5 failures in a row"), std::string::npos) << run.err;
}

}  // namespace
