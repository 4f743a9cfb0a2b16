#include "backtest/trade_outcomes.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace backtest {
namespace {

// The index of the code's bar on a calendar day, -1 when it has none.
int32_t OutcomeBarAt(std::span<const int32_t> places, int32_t calendar_index) {
  const auto it = std::lower_bound(places.begin(), places.end(), calendar_index);
  return it != places.end() && *it == calendar_index ? static_cast<int32_t>(it - places.begin())
                                                     : -1;
}

bool OutcomeAtLimitUp(double price, double high, double previous_close, double limit) {
  return std::fabs(price - high) <= 1e-9 * std::max(1.0, high) && previous_close > 0 &&
         price >= previous_close * (1 + limit - kLimitTolerance);
}

}  // namespace

Outcome OutcomeOf(const MarketData& data, const Listing& listing, const TradePlan& plan) {
  Outcome o;
  const std::vector<DayNumber>& calendar = data.Calendar();
  const int32_t listed = data.CalendarIndexOf(listing.day);
  if (listed < 0) {
    o.skip = SkipReason::kNoEntryBar;
    return o;
  }
  o.entry_index = plan.entry == Entry::kNextOpen ? listed + 1 : listed;
  if (o.entry_index >= static_cast<int32_t>(calendar.size())) {
    o.skip = SkipReason::kNotClosed;
    return o;
  }
  const std::span<const Bar> bars = data.BarsOf(listing.code);
  const std::span<const int32_t> places = data.CalendarIndexOfBars(listing.code);
  const int32_t at = OutcomeBarAt(places, o.entry_index);
  // The bar before the entry bar must be the previous trading day's: the
  // limit is measured from it.
  if (at <= 0 || places[static_cast<size_t>(at) - 1] != o.entry_index - 1) {
    o.skip = SkipReason::kNoEntryBar;
    return o;
  }
  o.entry_bar = static_cast<uint32_t>(at);
  const Bar& day = bars[o.entry_bar];
  const double previous_close = bars[o.entry_bar - 1].close;
  o.entry = plan.entry == Entry::kNextOpen ? day.open : day.close;
  if (OutcomeAtLimitUp(o.entry, day.high, previous_close, listing.price_limit) || o.entry <= 0) {
    o.skip = o.entry <= 0 ? SkipReason::kNoEntryBar : SkipReason::kLimitUp;
    return o;
  }
  // Shares bought today can be sold from the next trading day on.
  const int32_t hold = std::max(plan.hold, 1);
  const int32_t last = o.entry_index + hold;
  if (last >= static_cast<int32_t>(calendar.size())) {
    o.skip = SkipReason::kNotClosed;
    return o;
  }
  const size_t last_bar = o.entry_bar + static_cast<size_t>(hold);
  // Bars are in day order, so the hold is complete exactly when the bar
  // `hold` places on lies `hold` trading days on.
  if (last_bar >= bars.size() || places[last_bar] != last) {
    o.skip = SkipReason::kMissingBars;
    return o;
  }
  const double stop = plan.stop ? o.entry * (1 - *plan.stop) : -1;
  const double target = plan.target ? o.entry * (1 + *plan.target) : -1;
  for (int32_t k = 1; k <= hold; ++k) {
    const Bar& b = bars[o.entry_bar + static_cast<size_t>(k)];
    // A gap through a level fills at the open, not at the level. When a
    // day touches both, the order is unknown: the stop is assumed first.
    double price = -1;
    if (plan.stop && b.open <= stop)
      price = b.open;
    else if (plan.target && b.open >= target)
      price = b.open;
    else if (plan.stop && b.low <= stop)
      price = stop;
    else if (plan.target && b.high >= target)
      price = target;
    if (price > 0) {
      o.exit_index = o.entry_index + k;
      o.exit = price;
      return o;
    }
  }
  o.exit_index = last;
  o.exit = bars[last_bar].close;
  return o;
}

std::vector<Outcome> ComputeOutcomes(const MarketData& data, const TradePlan& plan) {
  const std::span<const Listing> listings = data.Listings();
  std::vector<Outcome> outcomes(listings.size());
  const auto work = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) outcomes[i] = OutcomeOf(data, listings[i], plan);
  };
  // Each listing's outcome stands alone: many are worked out in two halves
  // side by side.
  constexpr size_t kOutcomesForTwoThreads = 512;
  if (listings.size() < kOutcomesForTwoThreads) {
    work(0, listings.size());
    return outcomes;
  }
  const size_t half = listings.size() / 2;
  std::jthread other(work, half, listings.size());
  work(0, half);
  return outcomes;
}

std::string_view SkipReasonText(SkipReason reason) {
  switch (reason) {
    case SkipReason::kNone:
      return "";
    case SkipReason::kLimitUp:
      return "limit-up at entry, not buyable";
    case SkipReason::kNoEntryBar:
      return "no bar at entry";
    case SkipReason::kMissingBars:
      return "missing bars during the hold";
    case SkipReason::kNotClosed:
      return "hold not over yet";
    case SkipReason::kOverDailyLimit:
      return "over the day's limit";
    case SkipReason::kNoCash:
      return "no money left to enter";
  }
  return "";
}

}  // namespace backtest
