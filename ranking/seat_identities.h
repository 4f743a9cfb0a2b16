// 营业部排行 by identity: every Seat name of a range counted under its
// identity (seats/seat_book.h), shown by the identity's newest name, and
// the rows of one kind only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ranking/range_scan.h"
#include "ranking/rankings.h"
#include "seats/seat_book.h"
#include "seats/summary.h"
#include "text/date_time.h"

namespace ranking {

// The names of the range with the first and last days they stand on.
std::vector<seats::SeenName> SeenInRange(const RangeData& d);

// Counts every entry under the Seat number of its identity's newest name
// (interned when the range does not hold it); two names of one identity
// in one listing become one entry, their amounts added up. Names the book
// does not hold count as themselves. Returns, per Seat number after the
// call, the identity (0: none).
std::vector<int64_t> CountByIdentity(RangeData& d, const seats::SeatBook& book);

// Re-numbers the entries: Seat s counts as target[s] (target covers every
// Seat number). Exposed for the benchmark and tests.
void CountSeatsUnder(RangeData& d, const std::vector<uint32_t>& target);

// The stored book with the data centre's coded names of the scan's range
// and the scan's names taken in; written back when `save` and anything was
// new.
std::optional<store::StoreError> BookWithNames(store::Store& store, const RangeData& scan,
                                               bool save, seats::SeatBook* book);

// The newest date held: windows back from `now`, widening, then the whole
// store; through the date index, so a long store costs no full pass. None
// when the store holds no listing (or failed: `error` says so).
std::optional<std::string> NewestListingDate(store::Store& store, const text::DateTime& now,
                                             std::optional<store::StoreError>* error);

// The listings of the range with their Seats, for the summary.
std::vector<seats::DayListing> DayListings(const RangeData& d);

// Keeps the Seat rows whose identity is of `kind` (a Seat without an
// identity has its name's automatic kind).
void KeepSeatKind(Rankings& r, const RangeData& d, const std::vector<int64_t>& identities,
                  const seats::SeatBook& book, seats::Kind kind);

}  // namespace ranking
