// A "follow them" rule: whose buying to follow, which of their listings
// count, how a trade enters and leaves, what it costs and how the capital
// is shared out.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backtest/market_data.h"

namespace backtest {

enum class Who : uint8_t {
  kIdentities,  // Seats of the listed identities
  kKind,        // Seats of one kind
  kWatched,     // Seats of the watch list, and any listing of a watched stock
};

// Which listings a rule follows, and with which Seat.
struct SeatRule {
  Who who = Who::kIdentities;
  std::vector<uint32_t> identities;  // kIdentities, and the watched Seats for kWatched
  SeatKind kind = SeatKind::kInstitution;
  std::vector<std::string> watched_codes;  // kWatched
  bool top_buyer_only = false;             // only the buy block's largest buyer counts
  std::optional<double> min_buy;           // the Seat's buy, 10,000 yuan
  std::optional<double> min_net;           // the Seat's buy - sell, 10,000 yuan
  std::optional<double> min_strength;      // a listing without strength fails it
  std::string reason_contains;             // GBK; empty: any reason
  std::string board;                       // GBK; empty: any board
  bool skip_institution_selling = false;   // no listing with 机构 in the sell block
};

enum class Entry : uint8_t {
  kNextOpen,  // the next trading day's open: the first price anyone could act on
  kClose,     // the listing day's close, for comparison
};

// How a trade enters and leaves: what the precomputed entries depend on.
struct TradePlan {
  Entry entry = Entry::kNextOpen;
  int hold = 5;                  // trading days after the entry day
  std::optional<double> target;  // fraction above the entry price (0.1 = +10 %)
  std::optional<double> stop;    // fraction below the entry price
  bool operator==(const TradePlan&) const = default;
};

struct Costs {
  double commission = 0.00025;  // each way, on the trade size
  double min_commission = 5;    // yuan per trade
  double stamp = 0.0005;        // on the sale
  bool operator==(const Costs&) const = default;
};

struct Sizing {
  int max_per_day = 5;         // K: new trades a day, the largest buys first
  double capital = 1'000'000;  // yuan
  bool operator==(const Sizing&) const = default;
};

// Listing days from `from` to `to`, both included.
struct DayRange {
  DayNumber from = INT32_MIN;
  DayNumber to = INT32_MAX;
  bool operator==(const DayRange&) const = default;
};

struct Rule {
  DayRange range;
  SeatRule seats;
  TradePlan plan;
  Costs costs;
  Sizing sizing;
};

// Why a listing the rule picked did not become a trade.
enum class SkipReason : uint8_t {
  kNone,
  kLimitUp,         // the entry price is the limit-up price (open = high, up by the limit)
  kNoEntryBar,      // no bar on the listing day or the entry day (suspended, or not loaded)
  kMissingBars,     // a bar is missing during the hold
  kNotClosed,       // the hold runs past the last bar of the data
  kOverDailyLimit,  // more candidates that day than K, and smaller buys
  kNoCash,          // the portfolio had no money left to enter it with
};
inline constexpr int kSkipReasonCount = 7;
// The reason in a few English words, for the command line and the grid.
std::string_view SkipReasonText(SkipReason reason);

}  // namespace backtest
