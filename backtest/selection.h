// The trades of a rule: the listings whose Seats meet it, at most K a day
// by the Seat's buy, and why the others were skipped.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "backtest/market_data.h"
#include "backtest/rule.h"
#include "backtest/trade_outcomes.h"

namespace backtest {

inline constexpr uint32_t kNoSeat = UINT32_MAX;

// One row of the trade list: a trade taken, or a listing skipped with its
// reason. Prices and days are zero where the reason leaves them unknown.
struct TradeRow {
  uint32_t listing = 0;
  uint32_t seat = kNoSeat;  // index into MarketData::Seats(); kNoSeat for the baseline
  DayNumber entry_day = 0;
  DayNumber exit_day = 0;
  double entry = 0;
  double exit = 0;
  double ret = 0;  // after costs, as a fraction; set by the portfolio
  SkipReason skipped = SkipReason::kNone;
};

// Candidates and skips of a rule, ordered by entry day (rows without one
// first), then the Seat's buy, largest first.
std::vector<TradeRow> SelectTrades(const MarketData& data, std::span<const Outcome> outcomes,
                                   const DayRange& range, const SeatRule& seats, int max_per_day);

// Every listing of the range, one trade per stock and day, in entry order.
std::vector<TradeRow> BaselineTrades(const MarketData& data, std::span<const Outcome> outcomes,
                                     const DayRange& range);

}  // namespace backtest
