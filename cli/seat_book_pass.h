// The Seat identities as the command line uses them: the stored book with
// the names of the store (or of a range's scan) taken in.
#pragma once

#include <optional>

#include "ranking/range_scan.h"
#include "seats/seat_book.h"
#include "store/record_store.h"

namespace cli {

// The stored book with the data centre's coded names and the names of
// `scan` taken in; written back when `save` and anything was new.
std::optional<store::StoreError> BookWithNames(store::Store& store, const ranking::RangeData& scan,
                                               bool save, seats::SeatBook* book);

}  // namespace cli
