#include "backtest/portfolio.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace backtest {
namespace {

struct PortfolioPosition {
  uint32_t row;
  uint32_t code;
  uint32_t entry_bar;
  int32_t entry_index;
  int32_t exit_index;
  double shares;
  double exit;
};

double PortfolioCommission(const Costs& costs, double amount) {
  return std::max(costs.min_commission, amount * costs.commission);
}

// Net proceeds of selling `shares` at `price`. A position worth less than
// the costs of selling it brings nothing back, and costs nothing more: a
// trade never loses more than the money put into it, and the equity of a
// portfolio that has lost everything stays at zero.
double PortfolioSale(const Costs& costs, double shares, double price) {
  const double gross = shares * price;
  return std::max(0.0, gross - PortfolioCommission(costs, gross) - gross * costs.stamp);
}

// The most that `cash` buys with the commission paid out of it too.
double PortfolioAffordable(const Costs& costs, double cash) {
  if (cash <= costs.min_commission) return 0;
  const double at_rate = cash / (1 + costs.commission);
  // Where the rate gives less than the minimum, the minimum is paid.
  return at_rate * costs.commission >= costs.min_commission ? at_rate
                                                            : cash - costs.min_commission;
}

double PortfolioMaxDrawdown(std::span<const EquityPoint> equity, double start) {
  double peak = start;
  double worst = 0;
  for (const EquityPoint& p : equity) {
    peak = std::max(peak, p.equity);
    if (peak > 0) worst = std::max(worst, (peak - p.equity) / peak);
  }
  return worst;
}

struct PortfolioTradeStats {
  int64_t trades = 0;
  double win_rate = 0;
  double mean = 0;
};

}  // namespace

std::vector<EquityPoint> RunPortfolio(const MarketData& data, std::span<const Outcome> outcomes,
                                      std::span<TradeRow> rows, const TradePlan& plan,
                                      const Costs& costs, const Sizing& sizing, bool all_of_day,
                                      Span span) {
  const std::vector<DayNumber>& calendar = data.Calendar();
  const std::span<const Listing> listings = data.Listings();
  // Money bought at the open is back at the close of the exit day, ready
  // for the next open: hold + 1 days. Bought at a close, it is ready at the
  // exit day's close: hold days.
  const int hold = std::max(plan.hold, 1);
  const double sleeves = plan.entry == Entry::kNextOpen ? hold + 1 : hold;
  const int places = std::max(sizing.max_per_day, 1);

  std::vector<EquityPoint> curve;
  if (span.last < span.first) return curve;
  curve.reserve(static_cast<size_t>(span.last - span.first) + 1);
  std::vector<PortfolioPosition> open;
  double cash = sizing.capital;
  double equity = sizing.capital;
  size_t next = 0;  // the first row not yet entered; rows come in entry order

  const auto sell_due = [&](int32_t day) {
    for (size_t k = 0; k < open.size();) {
      if (open[k].exit_index != day) {
        ++k;
        continue;
      }
      cash += PortfolioSale(costs, open[k].shares, open[k].exit);
      open[k] = open.back();
      open.pop_back();
    }
  };
  const auto enter = [&](int32_t day) {
    while (next < rows.size() && outcomes[rows[next].listing].entry_index < day) ++next;
    size_t end = next;
    int64_t count = 0;
    for (; end < rows.size() && outcomes[rows[end].listing].entry_index == day; ++end)
      if (rows[end].skipped == SkipReason::kNone) ++count;
    if (count == 0) {
      next = end;
      return;
    }
    const double size = equity / ((all_of_day ? static_cast<double>(count) : places) * sleeves);
    for (; next < end; ++next) {
      TradeRow& row = rows[next];
      if (row.skipped != SkipReason::kNone) continue;
      const Outcome& o = outcomes[row.listing];
      // The trade's return on its full size; the money put in is capped by
      // the cash there is (rarely short, after a strong run of the open trades).
      const double buy_cost = size + PortfolioCommission(costs, size);
      row.ret = PortfolioSale(costs, size / o.entry, o.exit) / buy_cost - 1;
      const double spent = cash >= buy_cost ? size : PortfolioAffordable(costs, cash);
      if (spent <= 0) {
        // Nothing left to buy with (a portfolio that lost everything): the
        // trade was never made, so it is no loss of 100 % either.
        row.skipped = SkipReason::kNoCash;
        row.ret = 0;
        row.exit_day = 0;
        row.exit = 0;
        continue;
      }
      cash -= spent + PortfolioCommission(costs, spent);
      open.push_back({static_cast<uint32_t>(next), listings[row.listing].code, o.entry_bar,
                      o.entry_index, o.exit_index, spent / o.entry, o.exit});
    }
  };

  curve.push_back({calendar[static_cast<size_t>(span.first)], equity});
  for (int32_t day = span.first + 1; day <= span.last; ++day) {
    if (plan.entry == Entry::kNextOpen) {
      enter(day);
      sell_due(day);
    } else {
      sell_due(day);
      enter(day);
    }
    double value = 0;
    for (const PortfolioPosition& p : open) {
      const std::span<const Bar> bars = data.BarsOf(p.code);
      value += p.shares * bars[p.entry_bar + static_cast<uint32_t>(day - p.entry_index)].close;
    }
    equity = cash + value;
    curve.push_back({calendar[static_cast<size_t>(day)], equity});
  }
  return curve;
}

Figures Summarise(std::span<const TradeRow> rows, std::span<const EquityPoint> equity,
                  double capital) {
  Figures f;
  std::vector<double> returns;
  double gains = 0;
  double losses = 0;
  int64_t wins = 0;
  for (const TradeRow& r : rows) {
    if (r.skipped != SkipReason::kNone) {
      ++f.skipped;
      ++f.skipped_by[static_cast<size_t>(r.skipped)];
      continue;
    }
    returns.push_back(r.ret);
    if (r.ret > 0) {
      ++wins;
      gains += r.ret;
    } else {
      losses -= r.ret;
    }
  }
  f.trades = static_cast<int64_t>(returns.size());
  if (!returns.empty()) {
    double sum = 0;
    for (double r : returns) sum += r;
    f.mean_return = sum / static_cast<double>(returns.size());
    f.win_rate = static_cast<double>(wins) / static_cast<double>(returns.size());
    const auto [lo, hi] = std::minmax_element(returns.begin(), returns.end());
    f.worst = *lo;
    f.best = *hi;
    const size_t mid = returns.size() / 2;
    std::nth_element(returns.begin(), returns.begin() + static_cast<ptrdiff_t>(mid), returns.end());
    f.median_return = returns[mid];
    if (returns.size() % 2 == 0) {
      const double below =
          *std::max_element(returns.begin(), returns.begin() + static_cast<ptrdiff_t>(mid));
      f.median_return = (f.median_return + below) / 2;
    }
    f.profit_factor =
        losses > 0 ? gains / losses : (gains > 0 ? std::numeric_limits<double>::infinity() : 0);
  }
  if (!equity.empty() && capital > 0) {
    f.total_return = equity.back().equity / capital - 1;
    const double days = equity.back().day - equity.front().day;
    if (days > 0 && f.total_return > -1)
      f.annual_return = std::pow(1 + f.total_return, 365.0 / days) - 1;
    else if (f.total_return <= -1)
      f.annual_return = -1;
    f.max_drawdown = PortfolioMaxDrawdown(equity, capital);
  }
  return f;
}

std::vector<YearFigures> SummariseYears(std::span<const TradeRow> rows,
                                        std::span<const EquityPoint> equity, double capital) {
  std::vector<YearFigures> years;
  if (equity.empty()) return years;
  const auto year_of = [](DayNumber day) { return DateOfDayNumber(day).Year(); };
  const int first = year_of(equity.front().day);
  const int last = year_of(equity.back().day);
  std::vector<PortfolioTradeStats> stats(static_cast<size_t>(last - first) + 1);
  for (const TradeRow& r : rows) {
    if (r.skipped != SkipReason::kNone) continue;
    const int y = year_of(r.entry_day);
    if (y < first || y > last) continue;
    PortfolioTradeStats& s = stats[static_cast<size_t>(y - first)];
    ++s.trades;
    s.mean += r.ret;
    if (r.ret > 0) s.win_rate += 1;
  }
  double start = capital;
  size_t i = 0;
  for (int y = first; y <= last; ++y) {
    const size_t from = i;
    while (i < equity.size() && year_of(equity[i].day) == y) ++i;
    if (i == from) continue;
    // The curve's opening point (capital alone) makes no year of its own.
    if (from == 0 && i == 1 && equity.size() > 1) continue;
    const std::span<const EquityPoint> part = equity.subspan(from, i - from);
    YearFigures out;
    out.year = y;
    const PortfolioTradeStats& s = stats[static_cast<size_t>(y - first)];
    out.trades = s.trades;
    if (s.trades > 0) {
      out.win_rate = s.win_rate / static_cast<double>(s.trades);
      out.mean_return = s.mean / static_cast<double>(s.trades);
    }
    out.total_return = start > 0 ? part.back().equity / start - 1 : 0;
    out.max_drawdown = PortfolioMaxDrawdown(part, start);
    start = part.back().equity;
    years.push_back(out);
  }
  return years;
}

}  // namespace backtest
