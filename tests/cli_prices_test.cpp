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
