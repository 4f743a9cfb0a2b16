#include "backtest/selection.h"

#include <algorithm>

#include "text/text_ops.h"

namespace backtest {
namespace {

struct SelectionCandidate {
  int32_t entry_index;
  double buy;
  uint32_t listing;
  uint32_t seat;
};

// Who the rule follows, set up once per run.
class SelectionWho {
 public:
  SelectionWho(const MarketData& data, const SeatRule& rule) : rule_(rule) {
    ids_ = rule.identities;
    std::sort(ids_.begin(), ids_.end());
    if (rule.who == Who::kWatched) {
      watched_code_.assign(data.CodeCount(), 0);
      for (const std::string& code : rule.watched_codes) {
        const uint32_t c = data.FindCode(code);
        if (c != kNoText) watched_code_[c] = 1;
      }
    }
  }
  bool Matches(const Seat& seat) const {
    if (rule_.who == Who::kKind) return seat.kind == rule_.kind;
    return std::binary_search(ids_.begin(), ids_.end(), seat.identity);
  }
  bool WatchedStock(uint32_t code) const {
    return rule_.who == Who::kWatched && watched_code_[code] != 0;
  }

 private:
  const SeatRule& rule_;
  std::vector<uint32_t> ids_;
  std::vector<uint8_t> watched_code_;
};

bool SelectionSeatPasses(const SeatRule& rule, const Seat& seat) {
  if (rule.min_buy && seat.buy < *rule.min_buy) return false;
  if (rule.min_net && seat.buy - seat.sell < *rule.min_net) return false;
  return true;
}

// Orders rows by entry day, then buy (largest first), then listing order;
// rows without an entry day come first. The days are few: the rows are
// placed day by day in one counting pass, and only each day's few rows are
// sorted.
void SelectionSort(std::vector<SelectionCandidate>& candidates, size_t days) {
  std::vector<uint32_t> starts(days + 3, 0);  // entry days -1 .. days
  for (const SelectionCandidate& c : candidates)
    ++starts[static_cast<size_t>(c.entry_index + 1) + 1];
  for (size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
  std::vector<SelectionCandidate> placed(candidates.size());
  for (const SelectionCandidate& c : candidates)
    placed[starts[static_cast<size_t>(c.entry_index + 1)]++] = c;
  candidates.swap(placed);
  const auto by_buy = [](const SelectionCandidate& a, const SelectionCandidate& b) {
    if (a.buy != b.buy) return a.buy > b.buy;
    return a.listing < b.listing;
  };
  size_t from = 0;
  while (from < candidates.size()) {
    size_t to = from + 1;
    while (to < candidates.size() && candidates[to].entry_index == candidates[from].entry_index)
      ++to;
    // The baseline's rows (no buy) come in listing order already.
    const auto first = candidates.begin() + static_cast<ptrdiff_t>(from);
    const auto last = candidates.begin() + static_cast<ptrdiff_t>(to);
    if (!std::is_sorted(first, last, by_buy)) std::sort(first, last, by_buy);
    from = to;
  }
}

TradeRow SelectionRow(const MarketData& data, std::span<const Outcome> outcomes,
                      const SelectionCandidate& c) {
  const Outcome& o = outcomes[c.listing];
  TradeRow row;
  row.listing = c.listing;
  row.seat = c.seat;
  row.skipped = o.skip;
  const std::vector<DayNumber>& calendar = data.Calendar();
  if (o.entry_index >= 0 && o.entry_index < static_cast<int32_t>(calendar.size())) {
    row.entry_day = calendar[static_cast<size_t>(o.entry_index)];
    if (o.skip != SkipReason::kNoEntryBar) row.entry = o.entry;
  }
  if (o.skip == SkipReason::kNone) {
    row.exit_day = calendar[static_cast<size_t>(o.exit_index)];
    row.exit = o.exit;
  }
  return row;
}

// Walks the sorted candidates day by day: an entry that could not be
// bought is skipped without taking a place; the others take the day's
// places, largest buys first, and keep what they learn later (a missing
// bar, an unfinished hold) as their reason. Nothing after the entry moves
// a decision. The same stock twice on one day is one trade.
std::vector<TradeRow> SelectionWalk(const MarketData& data, std::span<const Outcome> outcomes,
                                    const std::vector<SelectionCandidate>& candidates,
                                    int max_per_day) {
  std::vector<TradeRow> rows;
  rows.reserve(candidates.size());
  const std::span<const Listing> listings = data.Listings();
  // The last entry day each code was taken on: one trade per stock and day.
  std::vector<int32_t> code_day(data.CodeCount(), -2);
  size_t i = 0;
  while (i < candidates.size()) {
    const int32_t day = candidates[i].entry_index;
    int taken = 0;
    for (; i < candidates.size() && candidates[i].entry_index == day; ++i) {
      const SelectionCandidate& c = candidates[i];
      const uint32_t code = listings[c.listing].code;
      if (day >= 0) {
        if (code_day[code] == day) continue;
        code_day[code] = day;
      }
      TradeRow row = SelectionRow(data, outcomes, c);
      if (outcomes[c.listing].Enterable()) {
        if (max_per_day > 0 && taken >= max_per_day) {
          row.skipped = SkipReason::kOverDailyLimit;
          row.exit_day = 0;
          row.exit = 0;
        } else {
          ++taken;
        }
      }
      rows.push_back(row);
    }
  }
  return rows;
}

}  // namespace

std::vector<TradeRow> SelectTrades(const MarketData& data, std::span<const Outcome> outcomes,
                                   const DayRange& range, const SeatRule& rule, int max_per_day) {
  const SelectionWho who(data, rule);
  const uint32_t board = rule.board.empty() ? kNoText : data.FindText(rule.board);
  if (!rule.board.empty() && board == kNoText) return {};
  // Whether each reason text holds the wanted words, looked at once per text.
  std::vector<int8_t> reason_holds;
  if (!rule.reason_contains.empty()) reason_holds.assign(data.TextCount(), -1);

  std::vector<SelectionCandidate> candidates;
  const std::span<const Listing> listings = data.Listings();
  for (uint32_t i = 0; i < listings.size(); ++i) {
    const Listing& l = listings[i];
    if (l.day < range.from || l.day > range.to) continue;
    if (board != kNoText && l.board != board) continue;
    if (rule.min_strength && (!l.has_strength || l.strength < *rule.min_strength)) continue;
    if (!reason_holds.empty()) {
      int8_t& holds = reason_holds[l.reason];
      if (holds < 0) holds = text::ContainsText(data.Text(l.reason), rule.reason_contains) ? 1 : 0;
      if (!holds) continue;
    }
    const std::span<const Seat> buys = data.BuyBlock(l);
    if (buys.empty()) continue;
    if (rule.skip_institution_selling) {
      const std::span<const Seat> sells = data.SellBlock(l);
      if (std::any_of(sells.begin(), sells.end(),
                      [](const Seat& s) { return s.kind == SeatKind::kInstitution; }))
        continue;
    }
    int chosen = -1;
    if (rule.top_buyer_only || who.WatchedStock(l.code)) {
      int top = 0;
      for (int k = 1; k < static_cast<int>(buys.size()); ++k)
        if (buys[static_cast<size_t>(k)].buy > buys[static_cast<size_t>(top)].buy) top = k;
      const Seat& s = buys[static_cast<size_t>(top)];
      if ((who.WatchedStock(l.code) || who.Matches(s)) && SelectionSeatPasses(rule, s))
        chosen = top;
    } else {
      for (int k = 0; k < static_cast<int>(buys.size()); ++k) {
        const Seat& s = buys[static_cast<size_t>(k)];
        if (!who.Matches(s) || !SelectionSeatPasses(rule, s)) continue;
        if (chosen < 0 || s.buy > buys[static_cast<size_t>(chosen)].buy) chosen = k;
      }
    }
    if (chosen < 0) continue;
    candidates.push_back({outcomes[i].entry_index, buys[static_cast<size_t>(chosen)].buy, i,
                          l.first_seat + static_cast<uint32_t>(chosen)});
  }
  SelectionSort(candidates, data.Calendar().size());
  return SelectionWalk(data, outcomes, candidates, max_per_day);
}

std::vector<TradeRow> BaselineTrades(const MarketData& data, std::span<const Outcome> outcomes,
                                     const DayRange& range) {
  std::vector<SelectionCandidate> candidates;
  const std::span<const Listing> listings = data.Listings();
  for (uint32_t i = 0; i < listings.size(); ++i) {
    const Listing& l = listings[i];
    if (l.day < range.from || l.day > range.to) continue;
    candidates.push_back({outcomes[i].entry_index, 0, i, kNoSeat});
  }
  SelectionSort(candidates, data.Calendar().size());
  return SelectionWalk(data, outcomes, candidates, 0);
}

}  // namespace backtest
