#include "backtest/backtest_shown.h"

#include <cmath>
#include <map>
#include <utility>

#include "text/gbk.h"
#include "text/numbers.h"

namespace backtest {
namespace {

using text::Gbk;

constexpr ui::Colour kShownRise{255, 0, 0};
constexpr ui::Colour kShownFall{0, 128, 0};
// The row height of the figures and the years, so the figures fit.
constexpr int kShownSmallRow = 16;

// The figures' names in the order of FigureFields.
constexpr const char* kShownFigureNames[kFigureFieldCount] = {
    "交易笔数", "跳过笔数", "胜率%",   "平均收益%", "中位收益%", "最好一笔%",
    "最差一笔%", "盈亏比",  "总收益%", "年化收益%", "最大回撤%"};
// The skip reasons after kNone, listed under 跳过笔数.
constexpr const char* kShownSkipNames[kSkipReasonCount] = {
    "", "涨停开盘买不进", "缺买入日行情", "持有期缺行情", "持有期未结束", "超出每日笔数",
    "资金耗尽"};

ui::Cell ShownText(std::string text) {
  ui::Cell c;
  c.text = std::move(text);
  return c;
}

ui::Cell ShownNumber(std::string text, std::optional<double> sign_of = std::nullopt) {
  ui::Cell c;
  c.text = std::move(text);
  c.is_number = 1;
  c.align = static_cast<uint32_t>(ui::Align::kRight);
  if (sign_of && *sign_of != 0) c.SetTextColour(*sign_of > 0 ? kShownRise : kShownFall);
  return c;
}

ui::Cell ShownPercent(double percent) {
  return ShownNumber(text::FixedText(percent, 2), percent);
}

std::string ShownPrice(const std::optional<double>& price) {
  return price ? text::FixedText(*price, 2) : std::string();
}

// Every point as the percent gained over the starting capital.
std::vector<double> ShownCurve(const std::vector<EquityPoint>& equity, double capital) {
  std::vector<double> out;
  out.reserve(equity.size());
  for (const EquityPoint& p : equity) out.push_back((p.equity / capital - 1) * 100);
  return out;
}

}  // namespace

std::string ShownFigureText(const FigureField& field) {
  if (field.is_count) return std::to_string(static_cast<int64_t>(field.value));
  if (std::isinf(field.value)) return Gbk("∞");
  return text::FixedText(field.value, 2);
}

std::string ShownSkipReason(SkipReason reason) {
  return Gbk(kShownSkipNames[static_cast<size_t>(reason)]);
}

ShownBacktest MakeShownBacktest(const Result& result, const MarketData& data,
                                const std::vector<int64_t>& record_numbers,
                                const std::function<std::string(uint32_t)>& seat_name,
                                double capital) {
  ShownBacktest shown;
  // Each grid's stand-in for its title row.
  shown.figures.resize(3);
  shown.years.resize(kYearColumnCount);
  shown.trades.resize(static_cast<size_t>(kTradeColumnCount));
  static const SideResult kNoBaseline;
  const SideResult& rule = result.rule;
  const SideResult& base = result.baseline ? *result.baseline : kNoBaseline;

  // The figures; the skip reasons stand under the skipped count.
  const auto rule_fields = FigureFields(rule.figures);
  const auto base_fields = FigureFields(base.figures);
  const auto add_figure = [&shown](std::string name, ui::Cell a, ui::Cell b) {
    shown.figures.push_back(ShownText(std::move(name)));
    shown.figures.push_back(std::move(a));
    shown.figures.push_back(std::move(b));
  };
  for (size_t k = 0; k < kFigureFieldCount; ++k) {
    const FigureField& a = rule_fields[k];
    const FigureField& b = base_fields[k];
    const bool signed_figure = a.key.ends_with("return") || a.key == "best" || a.key == "worst";
    add_figure(Gbk(kShownFigureNames[k]),
               ShownNumber(ShownFigureText(a), signed_figure ? std::optional(a.value) : std::nullopt),
               ShownNumber(ShownFigureText(b), signed_figure ? std::optional(b.value) : std::nullopt));
    if (a.key != "skipped") continue;
    for (int r = 1; r < kSkipReasonCount; ++r) {
      add_figure(Gbk("  ") + Gbk(kShownSkipNames[r]),
                 ShownNumber(std::to_string(rule.figures.skipped_by[static_cast<size_t>(r)])),
                 ShownNumber(std::to_string(base.figures.skipped_by[static_cast<size_t>(r)])));
    }
  }

  // The years: the total return of each side's money in that year.
  std::map<int, std::pair<std::optional<double>, std::optional<double>>> years;
  for (const YearFigures& y : rule.years) years[y.year].first = y.total_return * 100;
  for (const YearFigures& y : base.years) years[y.year].second = y.total_return * 100;
  for (const auto& [year, sides] : years) {
    shown.years.push_back(ShownText(std::to_string(year)));
    for (const std::optional<double>& side : {sides.first, sides.second})
      shown.years.push_back(side ? ShownPercent(*side) : ShownText({}));
  }

  // The rule's trades, taken and skipped, with the cells the command line
  // writes.
  shown.trades.reserve((rule.trades.size() + 1) * kTradeColumns.size());
  shown.record_numbers.reserve(rule.trades.size());
  for (const TradeRow& row : rule.trades) {
    TradeCells c = CellsOf(data, row, seat_name);
    shown.trades.push_back(ShownText(std::move(c.date)));
    shown.trades.push_back(ShownText(std::move(c.code)));
    shown.trades.push_back(ShownText(std::move(c.name)));
    shown.trades.push_back(ShownText(std::move(c.seat)));
    shown.trades.push_back(ShownText(std::move(c.entry_date)));
    shown.trades.push_back(ShownNumber(ShownPrice(c.entry)));
    shown.trades.push_back(ShownText(std::move(c.exit_date)));
    shown.trades.push_back(ShownNumber(ShownPrice(c.exit)));
    shown.trades.push_back(c.return_percent ? ShownPercent(*c.return_percent) : ShownText({}));
    shown.trades.push_back(ShownText(ShownSkipReason(row.skipped)));
    shown.record_numbers.push_back(row.listing < record_numbers.size()
                                       ? record_numbers[row.listing]
                                       : 0);
  }

  // Both curves over the same days, as percent gained.
  ui::ChartData& chart = shown.chart;
  if (!rule.equity.empty()) {
    chart.title = Gbk("累计收益(%)");
    for (const EquityPoint& p : rule.equity) chart.categories.push_back(DateOfDayNumber(p.day).DateText());
    chart.line = ShownCurve(rule.equity, capital);
    chart.baseline = ShownCurve(base.equity, capital);
    chart.baseline.resize(chart.line.size(), 0);
    chart.line_name = Gbk("规则");
    chart.baseline_name = Gbk("全部上榜");
  }
  return shown;
}

void PutShownBacktest(ui::BacktestPage& page, ShownBacktest& shown) {
  const auto put = [](ui::Grid& g, std::vector<ui::Cell>& cells) {
    ui::Grid::UpdateScope scope(g);
    g.ReplaceRowsBelowTitle(std::move(cells));
  };
  put(page.高级表格_回测指标, shown.figures);
  put(page.高级表格_回测年度, shown.years);
  for (ui::Grid* g : {&page.高级表格_回测指标, &page.高级表格_回测年度})
    for (int r = 0; r < g->RowCount(); ++r) g->SetRowHeight(r, kShownSmallRow);
  put(page.高级表格_回测交易, shown.trades);
  page.图表_回测净值.SetData(std::move(shown.chart));
}

void SetUpBacktestGrids(ui::Grid& figures, ui::Grid& years, ui::Grid& trades) {
  const auto set_up = [](ui::Grid& g, const std::vector<std::pair<const char*, int>>& heads) {
    g.SetColumnCount(static_cast<int>(heads.size()));
    g.SetRowCount(1);
    g.SetHeaderRowCount(1);
    for (size_t c = 0; c < heads.size(); ++c) {
      g.SetText(0, static_cast<int>(c), Gbk(heads[c].first));
      g.SetColumnWidth(static_cast<int>(c), heads[c].second);
    }
    g.SetAlignment(ui::CellRange{0, 0, 0, static_cast<int>(heads.size()) - 1}, ui::Align::kCentre);
    g.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
  };
  set_up(figures, {{"指标", 96}, {"规则", 64}, {"全部上榜", 64}});
  set_up(years, {{"年份", 44}, {"规则%", 64}, {"全部上榜%", 72}});
  set_up(trades, {{"上榜日期", 76},
                  {"代码", 50},
                  {"名称", 60},
                  {"席位", 150},
                  {"买入日", 76},
                  {"买入价", 56},
                  {"卖出日", 76},
                  {"卖出价", 56},
                  {"收益%", 56},
                  {"跳过原因", 96}});
}

}  // namespace backtest
