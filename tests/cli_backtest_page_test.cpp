// The page "回测" and quorvane-cli backtest on one store filled from the
// loopback sample source: the figures the page shows beside the baseline
// are the ones the command prints, for a kind and for the top buyer only
// with a minimum buy over a month, and for rules that use every control
// over the sample source's whole year (skips by reason and years as well).
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

  // The page's two decimals of a figure the JSON gives to four: the same
  // rounding, except where the four decimals end in a half the JSON's own
  // rounding made (2.66496 prints 2.6650, the page 2.66).
  static void ExpectTwoDecimalsOf(const std::string& shown, double json) {
    if (shown == text::FixedText(json, 2)) return;
    const double hundredths = json * 100;
    const bool made_half = std::abs(hundredths - std::floor(hundredths) - 0.5) < 1e-6;
    EXPECT_TRUE(made_half && shown == text::FixedText(json - 0.00005 * (json < 0 ? -1 : 1), 2))
        << shown << " against " << json;
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
        ExpectTwoDecimalsOf(shown, v.get<double>());
      }
      row += key == "skipped" ? backtest::kSkipReasonCount : 1;
    }
  }

  // The skips by reason under the skipped count, and the years' total
  // returns, against one side of the command's JSON.
  void ExpectSkipsAndYears(const nlohmann::json& side, int column) {
    const ui::Grid& g = p.window.backtest.高级表格_回测指标;
    const char* const reasons[] = {"limit_up",   "no_entry_bar",     "missing_bars",
                                   "not_closed", "over_daily_limit", "no_cash"};
    for (int r = 0; r < static_cast<int>(std::size(reasons)); ++r) {
      SCOPED_TRACE(reasons[r]);
      ASSERT_TRUE(side["skipped_by"].contains(reasons[r]));
      EXPECT_EQ(g.Text(3 + r, column), std::to_string(side["skipped_by"][reasons[r]].get<int64_t>()));
    }
    const ui::Grid& years = p.window.backtest.高级表格_回测年度;
    ASSERT_TRUE(side["years"].is_array());
    for (const nlohmann::json& y : side["years"]) {
      const std::string year = std::to_string(y["year"].get<int>());
      int row = 1;
      while (row < years.RowCount() && years.Text(row, 0) != year) ++row;
      ASSERT_LT(row, years.RowCount()) << year;
      SCOPED_TRACE(year);
      ExpectTwoDecimalsOf(years.Text(row, column), y["total_return"].get<double>());
    }
  }

  // The page's run and the command's JSON for the same rule, every figure.
  void ExpectSameFigures(const std::vector<std::string>& rule_args) {
    ASSERT_NO_FATAL_FAILURE(PageRun());
    std::vector<std::string> args = {"backtest"};
    args.insert(args.end(), rule_args.begin(), rule_args.end());
    for (const char* a : {"--format", "json"}) args.push_back(a);
    const auto run = Cli(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json j = nlohmann::json::parse(run.out);
    for (const auto& [key, column] : {std::pair{"result", Page::kRuleFigure},
                                      std::pair{"baseline", Page::kBaselineFigure}}) {
      SCOPED_TRACE(key);
      ExpectSide(j[key], column);
      ExpectSkipsAndYears(j[key], column);
    }
    last_trades = j["result"]["trades"].get<int64_t>();
  }
  int64_t last_trades = 0;

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

TEST_F(BacktestPageAndCliTest, ThePageAndTheCommandAgreeOverTheSampleSourcesYear) {
  ASSERT_EQ(Cli({"download", "--from", "2010-01-01", "--to", "2010-12-31"}).status, 0);
  const auto prices = Cli({"prices", "--from", "2010-01-01", "--to", "2010-12-31"});
  ASSERT_EQ(prices.status, 0) << prices.err;
  const std::vector<std::string> year = {"--from", "2010-01-01", "--to", "2010-12-31"};
  const auto with_year = [&year](std::vector<std::string> args) {
    args.insert(args.end(), year.begin(), year.end());
    return args;
  };

  Page& page = p.window.backtest;
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kBacktestPage);
  page.日期框_回测起.UserSetValue(ui::DateTime::FromParts(2010, 1, 1));
  page.日期框_回测止.UserSetValue(ui::DateTime::FromParts(2010, 12, 31));

  // 机构 held three days with a 7 % stop.
  page.组合框_跟随对象.UserSelect(Page::kInstitutions);
  page.组合框_持有天数.UserSelect(2);
  page.编辑框_止损.UserEdit("7");
  ASSERT_NO_FATAL_FAILURE(
      ExpectSameFigures(with_year({"--kind", "机构", "--hold", "3", "--stop", "7"})));
  EXPECT_GT(last_trades, 0);

  // Two branches named in the box (one by a part of its name), held twenty
  // days: the year's last weeks run past the bars.
  page.组合框_跟随对象.UserSelect(Page::kNamedSeats);
  page.组合框_回测席位.UserEditText(
      text::Gbk("中信证券股份有限公司上海溧阳路证券营业部， 深圳泰然九路"));
  page.组合框_持有天数.UserSelect(5);
  page.编辑框_止损.UserEdit("");
  ASSERT_NO_FATAL_FAILURE(ExpectSameFigures(with_year(
      {"--seat", "中信证券股份有限公司上海溧阳路证券营业部", "--seat", "深圳泰然九路", "--hold", "20"})));
  EXPECT_GT(last_trades, 0);

  // Every branch, with every threshold and a plan of its own.
  page.组合框_跟随对象.UserSelect(Page::kBranches);
  page.选择框_仅第一买方.UserClick();
  page.选择框_排除卖方机构.UserClick();
  page.组合框_回测板块.UserSelect(2);  // 深市
  page.编辑框_最低买入.UserEdit("500");
  page.编辑框_最低净额.UserEdit("-200");
  page.编辑框_最低强度.UserEdit("0.02");
  page.编辑框_原因含.UserEdit(text::Gbk("偏离值"));
  page.编辑框_每日最多.UserEdit("2");
  page.组合框_入场.UserSelect(1);
  page.组合框_持有天数.UserSelect(3);
  page.编辑框_止盈.UserEdit("8");
  page.编辑框_止损.UserEdit("4");
  page.编辑框_佣金.UserEdit("0.03");
  page.编辑框_印花税.UserEdit("0.1");
  ASSERT_NO_FATAL_FAILURE(ExpectSameFigures(with_year(
      {"--kind", "营业部", "--top-buyer", "--skip-institution-selling", "--board", "深市",
       "--min-buy", "500", "--min-net=-200", "--min-strength", "0.02", "--reason", "偏离值",
       "--max-per-day", "2", "--entry", "close", "--hold", "5", "--target", "8", "--stop", "4",
       "--commission", "0.03", "--stamp", "0.1"})));
  EXPECT_GT(last_trades, 0);
}

}  // namespace
