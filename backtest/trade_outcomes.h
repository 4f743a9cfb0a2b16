// Every listing's trade under one plan, worked out once from the bars:
// where it enters, at what price, where and how it leaves, or why it
// cannot. A rule's thresholds then only choose among these.
#pragma once

#include <cstdint>
#include <vector>

#include "backtest/market_data.h"
#include "backtest/rule.h"

namespace backtest {

struct Outcome {
  int32_t entry_index = -1;  // calendar index of the entry day; -1 when unknown
  int32_t exit_index = -1;   // calendar index of the exit day (a taken trade)
  uint32_t entry_bar = 0;    // index into the code's bars
  double entry = 0;
  double exit = 0;
  SkipReason skip = SkipReason::kNone;
  // The decision at the entry (known then): false for kLimitUp and kNoEntryBar.
  bool Enterable() const {
    return skip != SkipReason::kLimitUp && skip != SkipReason::kNoEntryBar && entry_index >= 0;
  }
};

// How far below the limit-up price an opening still counts as at it: back
// adjustment leaves prices off the cent grid, and the exchange rounds the
// limit price to the cent.
inline constexpr double kLimitTolerance = 0.005;

// One outcome per listing of `data` (prepared), in listing order.
std::vector<Outcome> ComputeOutcomes(const MarketData& data, const TradePlan& plan);

// The outcome of one listing alone.
Outcome OutcomeOf(const MarketData& data, const Listing& listing, const TradePlan& plan);

}  // namespace backtest
