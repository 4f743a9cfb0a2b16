// A back-test over one set of bars and listings: a rule's trades, figures,
// per-year table and daily equity, beside the baseline (the same entry and
// exit over every listing of the range).
//
// The entries and exits of every listing are worked out once per trade
// plan and kept, as is the baseline; a changed Seat threshold, cost or K
// only filters and re-runs the portfolio.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "backtest/market_data.h"
#include "backtest/portfolio.h"
#include "backtest/rule.h"
#include "backtest/selection.h"
#include "backtest/trade_outcomes.h"

namespace backtest {

struct SideResult {
  Figures figures;
  std::vector<YearFigures> years;
  std::vector<EquityPoint> equity;
  std::vector<TradeRow> trades;  // taken and skipped, in entry order
};

struct Result {
  SideResult rule;
  std::shared_ptr<const SideResult> baseline;  // shared with later runs of the same plan
};

class Backtester {
 public:
  explicit Backtester(MarketData data);

  const MarketData& Data() const { return data_; }
  Result Run(const Rule& rule);
  // The entries and exits of the last plan run, by listing.
  const std::vector<Outcome>& Outcomes() const { return outcomes_; }

 private:
  void UsePlan(const TradePlan& plan);
  Span SpanOf(const DayRange& range) const;
  SideResult RunSide(std::vector<TradeRow> rows, const Rule& rule, bool all_of_day, Span span) const;

  MarketData data_;
  std::optional<TradePlan> plan_;
  std::vector<Outcome> outcomes_;
  struct BaselineKey {
    DayRange range;
    Costs costs;
    double capital;
    bool operator==(const BaselineKey&) const = default;
  };
  std::optional<BaselineKey> baseline_key_;
  std::optional<DayRange> span_range_;  // the range `span_` was worked out for
  Span span_;
  std::shared_ptr<const SideResult> baseline_;
};

}  // namespace backtest
