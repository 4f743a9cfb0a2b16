// The page "回测" and quorvane-cli backtest on one store filled from the
// loopback sample source (a month of listings and their prices): the
// figures the page shows beside the baseline are the ones the command
// prints, for a kind and for the top buyer only with a minimum buy.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "backtest/result_table.h"
#include "tests/cli_test_support.h"
#include "tests/program_fixture.h"
#include "text/numbers.h"
#include "tools/sample-source/sample_server.h"

namespace {

using Page = ui::BacktestPage;

class BacktestPageAndCliTest : public ::testing::Test {
 protected:
  BacktestPageAndCliTest() {
    EXPECT_GT(source.Start(), 0);
    app::WireEvents(p.ctx);
  }
  ~BacktestPageAndCliTest() override { source.Stop(); }

  testing_support::ProgramRun Cli(std::vector<std::string> args) {
    std::vector<std::string> all = {"--store",         store::StorePath(p.dir.path()).string(),
                                    "--source",        source.Host(),
                                    "--prices-source", source.Host(),
                                    "--request-gap",   "0"};
    all.insert(all.end(), args.begin(), args.end());
    return testing_support::RunCli(all);
  }

  // The page's figures grid against one side of the command's JSON.
  void ExpectSide(const nlohmann::json& side, int column) {
    const ui::Grid& g = p.window.backtest.高级表格_回测指标;
    int row = 1;
    for (const std::string_view key :
         {"trades", "skipped", "win_rate", "mean_return", "median_return", "best", "worst",
          "profit_factor", "total_return", "annual_return", "max_drawdown"}) {
      SCOPED_TRACE(std::string(key));
      ASSERT_TRUE(side.contains(key));
      const nlohmann::json& v = side[std::string(key)];
      const std::string shown = g.Text(row, column);
      if (v.is_null()) {
        EXPECT_EQ(shown, text::Gbk("∞"));  // a profit factor without a loss
      } else if (key == "trades" || key == "skipped") {
        EXPECT_EQ(shown, std::to_string(v.get<int64_t>()));
      } else {
        // The page rounds the figure to two decimals, the JSON to four:
        // rounding the JSON's value again can land on the other side of a
        // half (-5.0950 from -5.09496), so the page's text must lie within
        // half a hundredth of it, and have two decimals.
        ASSERT_GE(shown.size(), 3u);
        EXPECT_EQ(shown[shown.size() - 3], '.') << shown;
        EXPECT_NEAR(std::stod(shown), v.get<double>(), 0.005 + 0.00005 + 1e-9) << shown;
      }
      row += key == "skipped" ? backtest::kSkipReasonCount : 1;
    }
  }

  void PageRun() {
    p.window.backtest.超级按钮_回测.UserClick();
    ASSERT_TRUE(p.platform.RunUntilWorkersDone(120000));
  }

  testing_support::TestProgram p;
  sample_source::SampleSource source;
};

TEST_F(BacktestPageAndCliTest, ThePageShowsTheFiguresTheCommandPrints) {
  ASSERT_EQ(Cli({"download", "--from", "2010-06-01", "--to", "2010-06-30"}).status, 0);
  const auto prices = Cli({"prices", "--from", "2010-06-01", "--to", "2010-06-30"});
  ASSERT_EQ(prices.status, 0) << prices.err;

  Page& page = p.window.backtest;
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kBacktestPage);
  page.日期框_回测起.UserSetValue(ui::DateTime::FromParts(2010, 6, 1));
  page.日期框_回测止.UserSetValue(ui::DateTime::FromParts(2010, 6, 30));

  // Every branch's buying, held two days.
  page.组合框_跟随对象.UserSelect(Page::kBranches);
  page.组合框_持有天数.UserSelect(1);
  ASSERT_NO_FATAL_FAILURE(PageRun());
  auto run = Cli({"backtest", "--kind", "营业部", "--hold", "2", "--from", "2010-06-01", "--to",
                  "2010-06-30", "--format", "json"});
  ASSERT_EQ(run.status, 0) << run.err;
  nlohmann::json j = nlohmann::json::parse(run.out);
  ASSERT_GT(j["result"]["trades"].get<int64_t>(), 0) << run.out;
  ExpectSide(j["result"], Page::kRuleFigure);
  ExpectSide(j["baseline"], Page::kBaselineFigure);

  // The top buyer only, at least 1,000万, entering at the close, held five
  // days with a 5 % stop: the same input, run again.
  page.选择框_仅第一买方.UserClick();
  page.编辑框_最低买入.UserEdit("1000");
  page.组合框_入场.UserSelect(1);
  page.组合框_持有天数.UserSelect(3);
  page.编辑框_止损.UserEdit("5");
  ASSERT_NO_FATAL_FAILURE(PageRun());
  run = Cli({"backtest", "--kind", "营业部", "--top-buyer", "--min-buy", "1000", "--entry",
             "close", "--hold", "5", "--stop", "5", "--from", "2010-06-01", "--to", "2010-06-30",
             "--format", "json"});
  ASSERT_EQ(run.status, 0) << run.err;
  j = nlohmann::json::parse(run.out);
  ExpectSide(j["result"], Page::kRuleFigure);
  ExpectSide(j["baseline"], Page::kBaselineFigure);
}

}  // namespace
