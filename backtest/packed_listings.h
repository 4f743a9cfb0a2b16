// The listings part of the back-test's store read. Every listing is read
// from its chunk's packed copy (store/packed_listings.h) where there is
// one: the figures and Seats already taken apart, the texts of a chunk
// once each. Chunks without a pack are read from the listing table, packed
// and written back when nothing changed meanwhile; a write that fails (a
// read-only folder, a writer holding the file) leaves the answer as it is.
// Either way the listings, their Seats, record numbers and the unreadable
// count are the very ones the table itself gives.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "backtest/store_input.h"
#include "seats/seat_book.h"
#include "store/record_store.h"

namespace backtest {

// The Seat names met in the listings, numbered as met, with the first and
// last days each stands on (the book orders an identity's names by them).
class ListingSeatNames {
 public:
  uint32_t Number(std::string_view name, DayNumber day);
  // A name met again, by its number.
  void Touch(uint32_t n, DayNumber day) {
    Seen& s = seen_[n];
    if (day < s.first) s.first = day;
    if (day > s.last) s.last = day;
  }
  size_t size() const { return seen_.size(); }
  const std::string& Name(uint32_t n) const { return seen_[n].name; }
  std::vector<seats::SeenName> AsSeen() const;

 private:
  struct Seen {
    std::string name;
    DayNumber first;
    DayNumber last;
  };
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<Seen> seen_;
  std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> numbers_;
};

struct BacktestListingsRead {
  std::optional<store::StoreError> error;
  bool stopped = false;
  // Packs were written to the store by this read.
  bool wrote_packs = false;
  // Listings (of the chunks read) that came from packs already stored.
  int64_t from_packs = 0;
};

// The listings of `range` into in.data, in.record_numbers and
// in.unreadable, in record order, their Seats numbered by `names` for now.
// `numbers`: the range's record numbers (ascending), null for the whole
// store. Without `use_packs` every listing is read from the table and no
// pack is read or written.
BacktestListingsRead ReadBacktestListings(store::Store& store, const DayRange& range,
                                          const std::vector<int64_t>* numbers,
                                          const std::function<bool()>& stop, bool use_packs,
                                          StoreInput& in, ListingSeatNames& names);

}  // namespace backtest
