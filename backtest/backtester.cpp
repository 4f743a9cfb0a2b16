#include "backtest/backtester.h"

#include <algorithm>
#include <thread>

namespace backtest {

Backtester::Backtester(MarketData data) : data_(std::move(data)) {
  data_.Prepare();
}

void Backtester::UsePlan(const TradePlan& plan) {
  if (plan_ && *plan_ == plan) return;
  outcomes_ = ComputeOutcomes(data_, plan);
  plan_ = plan;
  baseline_key_.reset();
  span_range_.reset();
}

// From the trading day before the range's first listing to the last day a
// trade of the range can still be open on.
Span Backtester::SpanOf(const DayRange& range) const {
  Span span{INT32_MAX, -1};
  const std::span<const Listing> listings = data_.Listings();
  const int32_t lead = plan_->entry == Entry::kNextOpen ? 1 : 0;
  for (size_t i = 0; i < listings.size(); ++i) {
    if (listings[i].day < range.from || listings[i].day > range.to) continue;
    const Outcome& o = outcomes_[i];
    if (o.entry_index < 0) continue;
    span.first = std::min(span.first, o.entry_index - lead - 1);
    span.last = std::max(span.last, std::max(o.exit_index, o.entry_index));
  }
  const int32_t days = static_cast<int32_t>(data_.Calendar().size());
  span.last = std::min(span.last, days - 1);
  span.first = std::max(span.first, 0);
  if (span.last < span.first) return Span{0, -1};
  return span;
}

SideResult Backtester::RunSide(std::vector<TradeRow> rows, const Rule& rule, bool all_of_day,
                               Span span) const {
  SideResult side;
  side.trades = std::move(rows);
  side.equity = RunPortfolio(data_, outcomes_, side.trades, rule.plan, rule.costs, rule.sizing,
                             all_of_day, span);
  side.figures = Summarise(side.trades, side.equity, rule.sizing.capital);
  side.years = SummariseYears(side.trades, side.equity, rule.sizing.capital);
  return side;
}

Result Backtester::Run(const Rule& rule) {
  UsePlan(rule.plan);
  if (!span_range_ || !(*span_range_ == rule.range)) {
    span_ = SpanOf(rule.range);
    span_range_ = rule.range;
  }
  const Span span = span_;
  Result result;
  const BaselineKey key{rule.range, rule.costs, rule.sizing.capital};
  {
    // A new baseline is run beside the rule: the two only read the data
    // and the outcomes.
    std::jthread baseline;
    if (!baseline_key_ || !(*baseline_key_ == key)) {
      baseline_.reset();
      baseline = std::jthread([this, &rule, span] {
        baseline_ = std::make_shared<const SideResult>(
            RunSide(BaselineTrades(data_, outcomes_, rule.range), rule, true, span));
      });
    }
    result.rule = RunSide(SelectTrades(data_, outcomes_, rule.range, rule.seats,
                                       std::max(rule.sizing.max_per_day, 1)),
                          rule, false, span);
  }
  baseline_key_ = key;
  result.baseline = baseline_;
  return result;
}

}  // namespace backtest
