// The page "回测" on the window model: the figures, years and trades it
// shows are the core's for the same rule read from the same store (what
// the command line prints), a changed threshold runs again on the kept
// input, a store written meanwhile is read again, the pick list offers the
// stored names and nicknames, a double-click on a trade opens its listing on 上榜明细, and a
// result that a newer click overtook never reaches the page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "backtest/backtest_shown.h"
#include "backtest/backtester.h"
#include "backtest/result_table.h"
#include "backtest/store_input.h"
#include "listing/statistics_refresh.h"
#include "seats/seat_book.h"
#include "store/price_bars.h"
#include "tests/program_fixture.h"
#include "text/numbers.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::SeatBlock;
using testing_support::U;
using Page = ui::BacktestPage;

constexpr const char* kFollowed = "华泰证券南京中山路营业部";

class BacktestPageTest : public ::testing::Test {
 protected:
  BacktestPageTest() {
    app::WireEvents(p.ctx);
    // The followed branch buys 甲 on the 1st, 乙 on the 6th (less) and 丙 on
    // the 7th (most); another branch buys 乙 on the 2nd.
    testing_support::WriteListings(
        p.store, {Listing("2010-04-01", "甲", "600001", kFollowed, "30000000.00"),
                  Listing("2010-04-02", "乙", "600002", "中信证券上海溧阳路营业部", "9000000.00"),
                  Listing("2010-04-06", "乙", "600002", kFollowed, "5000000.00"),
                  Listing("2010-04-07", "丙", "600003", kFollowed, "80000000.00")});
    // Weekday bars through April: 甲 rises, 乙 falls, 丙 swings.
    store::StoreAccess a = p.store.OpenStore(store::AccessMode::kWriter);
    const struct {
      const char* code;
      double start, step;
    } stocks[] = {{"600001", 10, 0.2}, {"600002", 20, -0.3}, {"600003", 8, 0.05}};
    for (const auto& s : stocks) {
      std::vector<store::PriceBar> bars;
      double close = s.start;
      for (int day = 1; day <= 30; ++day) {
        const ui::DateTime d = ui::DateTime::FromParts(2010, 4, day);
        if (d.Weekday() == 0 || d.Weekday() == 6) continue;
        const double open = close + s.step / 2;
        close += day % 3 == 0 ? -s.step : s.step;
        bars.push_back({d.DateText(), open, std::max(open, close) + 0.1,
                        std::min(open, close) - 0.1, close, 1000, 1e6});
      }
      EXPECT_TRUE(a.StorePrices(bars, store::PriceLogEntry{s.code, "2010-04-30 20:00:00",
                                                           store::PriceFetchResult::kBars, "",
                                                           static_cast<int64_t>(bars.size()),
                                                           bars.front().date, bars.back().date}));
    }
    EXPECT_FALSE(a.CloseStore());
  }

  static ListingRecord Listing(const char* date, const char* name, const char* code,
                               const char* buyer, const char* buy) {
    ListingRecord r = testing_support::MakeListing(date, name, code, "10000");
    r[store::kBuySeats] = SeatBlock({{G(buyer), buy, "0"}, {G("国信证券深圳泰然九路营业部"),
                                                            "1000.00", "0"}});
    r[store::kSellSeats] = SeatBlock({{G("机构专用"), "0", "2000.00"}});
    return r;
  }
  Page& page() { return p.window.backtest; }
  void SetUpRule(const std::string& who_utf8) {
    p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kBacktestPage);
    page().日期框_回测起.UserSetValue(ui::DateTime::FromParts(2010, 4, 1));
    page().日期框_回测止.UserSetValue(ui::DateTime::FromParts(2010, 4, 9));
    page().组合框_回测席位.UserEditText(G(who_utf8));
    page().组合框_持有天数.UserSelect(1);  // 2 days
  }
  void Click() {
    page().超级按钮_回测.UserClick();
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  // The rule the page was set to, run by the core on the same store.
  backtest::Result CoreRun(backtest::Rule rule, const std::vector<std::string>& names_gbk,
                           backtest::StoreInput* input_out) {
    backtest::StoreInputRead read =
        backtest::ReadStoreInput(p.store, rule.range, 20);
    EXPECT_FALSE(read.error);
    rule.seats.identities = backtest::ResolveSeatNames(read.input, names_gbk).identities;
    *input_out = read.input;  // the cells name Seats and listings from it
    backtest::Backtester tester(std::move(read.input.data));
    return tester.Run(rule);
  }
  static backtest::Rule PageRule() {
    backtest::Rule rule;
    rule.range = {*backtest::DayNumberOfText("2010-04-01"), *backtest::DayNumberOfText("2010-04-09")};
    rule.plan.hold = 2;
    return rule;
  }
  void ExpectFiguresOf(const backtest::Result& core) {
    const ui::Grid& g = page().高级表格_回测指标;
    const auto rule = backtest::FigureFields(core.rule.figures);
    const auto base = backtest::FigureFields(core.baseline->figures);
    // The figures in the order the core gives them; the skip reasons stand
    // under the skipped count.
    int row = 1;
    for (size_t k = 0; k < rule.size(); ++k, ++row) {
      SCOPED_TRACE(rule[k].key);
      EXPECT_EQ(g.Text(row, Page::kRuleFigure), backtest::ShownFigureText(rule[k]));
      EXPECT_EQ(g.Text(row, Page::kBaselineFigure), backtest::ShownFigureText(base[k]));
      if (rule[k].key == "skipped") row += backtest::kSkipReasonCount - 1;
    }
    EXPECT_EQ(g.RowCount(), row);
  }
  testing_support::TestProgram p;
};

TEST_F(BacktestPageTest, ShowsTheCoresFiguresAndTradesForTheSameRuleAndAChangedThreshold) {
  SetUpRule(kFollowed);
  ASSERT_NO_FATAL_FAILURE(Click());
  backtest::StoreInput input;
  const backtest::Result core = CoreRun(PageRule(), {G(kFollowed)}, &input);
  ASSERT_EQ(core.rule.figures.trades, 3);
  ASSERT_NO_FATAL_FAILURE(ExpectFiguresOf(core));

  // The trade rows carry the command line's cells.
  const ui::Grid& trades = page().高级表格_回测交易;
  ASSERT_EQ(trades.RowCount(), static_cast<int>(core.rule.trades.size()) + 1);
  for (size_t i = 0; i < core.rule.trades.size(); ++i) {
    const backtest::TradeCells c = backtest::CellsOf(
        input.data, core.rule.trades[i], [&](uint32_t id) { return input.SeatName(id); });
    const int row = static_cast<int>(i) + 1;
    EXPECT_EQ(trades.Text(row, 0), c.date);
    EXPECT_EQ(trades.Text(row, 1), c.code);
    EXPECT_EQ(U(trades.Text(row, 3)), kFollowed);
    EXPECT_EQ(trades.Text(row, 4), c.entry_date);
    ASSERT_TRUE(c.return_percent);
    EXPECT_EQ(trades.Text(row, 8), text::FixedText(*c.return_percent, 2));
  }
  // Both curves over the same days, the baseline's beside the rule's.
  const ui::ChartData& chart = page().图表_回测净值.data();
  EXPECT_EQ(chart.categories.size(), core.rule.equity.size());
  EXPECT_EQ(chart.baseline.size(), chart.line.size());
  ASSERT_FALSE(chart.line.empty());
  EXPECT_NEAR(chart.line.back(), (core.rule.equity.back().equity / 1'000'000 - 1) * 100, 1e-9);

  // A higher minimum buy drops the smaller buy; the page runs again on the
  // input it kept (no second read), and still agrees with the core.
  std::vector<std::string> captions;
  page().标签_回测统计.AddListener([&](ui::Component& c, ui::Property property) {
    if (property == ui::Property::kCaption) captions.push_back(U(c.caption()));
  });
  page().编辑框_最低买入.UserEdit("1000");
  ASSERT_NO_FATAL_FAILURE(Click());
  ASSERT_FALSE(captions.empty());
  for (const std::string& c : captions) EXPECT_EQ(c.find("读取"), std::string::npos) << c;
  backtest::Rule stricter = PageRule();
  stricter.seats.min_buy = 1000;
  const backtest::Result core2 = CoreRun(stricter, {G(kFollowed)}, &input);
  EXPECT_LT(core2.rule.figures.trades, core.rule.figures.trades);
  ExpectFiguresOf(core2);

  // Coming back to the page with nothing written keeps what was read.
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kStatisticsPage);
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kBacktestPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  captions.clear();
  ASSERT_NO_FATAL_FAILURE(Click());
  for (const std::string& c : captions) EXPECT_EQ(c.find("读取"), std::string::npos) << c;

  // A download stores a listing while the figures are on show: the page,
  // when the window comes back to the front, reads the store again and runs
  // the same rule without a click, so no figure of the old store stays.
  testing_support::WriteListings(p.store, {Listing("2010-04-08", "甲", "600001", kFollowed,
                                                   "40000000.00")});
  captions.clear();
  p.window.RaiseActivated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_TRUE(std::any_of(captions.begin(), captions.end(), [](const std::string& c) {
    return c.find("读取") != std::string::npos;
  }));
  const backtest::Result core3 = CoreRun(stricter, {G(kFollowed)}, &input);
  EXPECT_EQ(core3.rule.figures.trades, core2.rule.figures.trades + 1);
  ExpectFiguresOf(core3);
}

TEST_F(BacktestPageTest, ThePickListOffersStoredNicknamesAndNamesAndAPickRunsAsTyped) {
  {
    // The followed branch's identity is nicknamed in the Seat book.
    store::StoreAccess a = p.store.OpenStore(store::AccessMode::kWriter);
    seats::SeatBook book;
    ASSERT_TRUE(seats::LoadSeatBook(a, &book));
    book.Absorb({{G(kFollowed), "2010-04-01", "2010-04-07", ""},
                 {G("中信证券上海溧阳路营业部"), "2010-04-02", "2010-04-02", ""}});
    const std::optional<int64_t> id = book.IdentityOfName(G(kFollowed));
    ASSERT_TRUE(id);
    book.FindMutable(*id)->nickname = G("老华");
    ASSERT_TRUE(seats::SaveSeatBook(a, book));
    EXPECT_FALSE(a.CloseStore());
  }
  SetUpRule("");
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::ComboBox& who = page().组合框_回测席位;
  const std::vector<std::string> items = who.items();
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(U(items.front()), "老华");  // nicknames first
  const auto at = std::find(items.begin(), items.end(), G(kFollowed));
  EXPECT_NE(at, items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), G("中信证券上海溧阳路营业部")), items.end());

  // The nickname picked runs the branch's rule, as its typed name does.
  who.UserSelect(0);
  EXPECT_EQ(U(who.text()), "老华");
  ASSERT_NO_FATAL_FAILURE(Click());
  backtest::StoreInput input;
  const backtest::Result core = CoreRun(PageRule(), {G(kFollowed)}, &input);
  ASSERT_EQ(core.rule.figures.trades, 3);
  ExpectFiguresOf(core);
}

TEST_F(BacktestPageTest, ADoubleClickOnATradeOpensItsListingOnTheDetailsPage) {
  SetUpRule(kFollowed);
  ASSERT_NO_FATAL_FAILURE(Click());
  ui::Grid& trades = page().高级表格_回测交易;
  int row = 0;
  for (int r = 1; r < trades.RowCount(); ++r)
    if (trades.Text(r, 1) == "600003") row = r;
  ASSERT_GT(row, 0);
  // As at the program's start, the statistics grid holds the listings.
  listing::RefreshStatistics(p.ctx);
  trades.UserDoubleClick(row, 0);
  EXPECT_EQ(p.window.高级选择夹1.current_page(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(U(p.window.标签_明细标题.caption()).rfind("丙(600003)", 0), 0u)
      << U(p.window.标签_明细标题.caption());
}

TEST_F(BacktestPageTest, AResultOvertakenByANewerClickNeverReachesThePage) {
  // Workers run inside the click, so both results wait in the queue, the
  // older first.
  p.platform.set_run_workers_inline(true);
  SetUpRule(kFollowed);
  std::vector<std::string> shown_trades;
  page().高级表格_回测指标.AddGridListener([&](const ui::GridChange&) {
    shown_trades.push_back(page().高级表格_回测指标.Text(1, Page::kRuleFigure));
  });
  page().超级按钮_回测.UserClick();
  page().组合框_回测席位.UserEditText(G("中信证券上海溧阳路营业部"));
  page().超级按钮_回测.UserClick();
  p.platform.RunPending();
  ASSERT_FALSE(shown_trades.empty());
  for (const std::string& t : shown_trades) EXPECT_NE(t, "3");
  EXPECT_EQ(shown_trades.back(), "1");
  EXPECT_NE(U(page().标签_回测统计.caption()).find("规则 1 笔"), std::string::npos)
      << U(page().标签_回测统计.caption());
}

}  // namespace
