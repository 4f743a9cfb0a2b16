// The daily portfolio that turns trades into money, and the figures of a
// list of trades and its equity curve.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "backtest/market_data.h"
#include "backtest/rule.h"
#include "backtest/selection.h"
#include "backtest/trade_outcomes.h"

namespace backtest {

struct EquityPoint {
  DayNumber day = 0;
  double equity = 0;  // yuan, at the day's close
};

// Returns and rates as fractions (0.05 = 5 %).
struct Figures {
  int64_t trades = 0;
  int64_t skipped = 0;
  std::array<int64_t, kSkipReasonCount> skipped_by{};  // by SkipReason
  double win_rate = 0;
  double mean_return = 0;
  double median_return = 0;
  double best = 0;
  double worst = 0;
  double profit_factor = 0;  // gains over losses; infinity without a loss
  double total_return = 0;
  double annual_return = 0;
  double max_drawdown = 0;  // the largest fall from a peak of the daily equity
};

// One calendar year: trades by their entry day, money by the curve.
struct YearFigures {
  int year = 0;
  int64_t trades = 0;
  double win_rate = 0;
  double mean_return = 0;
  double total_return = 0;
  double max_drawdown = 0;
};

// The calendar days a portfolio covers, by index into the calendar.
struct Span {
  int32_t first = 0;  // the day before the first possible entry: the capital alone
  int32_t last = -1;
};

// Runs the capital through the calendar: each entry day's trades each take
// 1/(places × hold days) of the equity at the previous close, so that the
// book never spends cash it has not got while trades of several days are
// open (places = K, or for `all_of_day` the day's own trade count).
// Sets `ret` of every taken row (after costs, with the minimum commission
// on the trade size) and gives the equity at every close of the span.
std::vector<EquityPoint> RunPortfolio(const MarketData& data, std::span<const Outcome> outcomes,
                                      std::span<TradeRow> rows, const TradePlan& plan,
                                      const Costs& costs, const Sizing& sizing, bool all_of_day,
                                      Span span);

Figures Summarise(std::span<const TradeRow> rows, std::span<const EquityPoint> equity,
                  double capital);
std::vector<YearFigures> SummariseYears(std::span<const TradeRow> rows,
                                        std::span<const EquityPoint> equity, double capital);

}  // namespace backtest
