// One pass over the store giving every field of every listing, for the
// exports and the check (the statistics' own pass reads only the six
// fields they need).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/record_store.h"

namespace cli {

// The nine fields of one stored listing (GBK views into the store, valid
// until the visitor returns) and its record number.
struct FullListing {
  int64_t record_number = 0;
  std::array<std::string_view, store::kFieldCount> fields;
  std::string_view field(int f) const { return fields[static_cast<size_t>(f - 1)]; }
};

// Answers whether the pass goes on.
using FullListingVisitor = std::function<bool(const FullListing&)>;

// One store access (a snapshot, so a download writing meanwhile is not
// seen half-way): every listing in record order. The store is closed when
// this returns; the error says it could not be opened or failed during the
// pass. record_count, when given, receives the number of listings before
// the first visit.
std::optional<store::StoreError> ForEachFullListing(store::Store& store,
                                                    const FullListingVisitor& visit,
                                                    int64_t* record_count = nullptr);

// As ForEachFullListing, with the store read on a thread of its own while
// `visit` runs on the calling thread, in the same order (see
// listing::ForEachStoredRecordInParallel): the views a visit gets last
// until it returns.
std::optional<store::StoreError> ForEachFullListingInParallel(store::Store& store,
                                                              const FullListingVisitor& visit,
                                                              int64_t* record_count = nullptr);

// Listing dates from `from` to `to`, both included ("YYYY-MM-DD"); an
// empty end is open.
struct DateFilter {
  std::string from;
  std::string to;
  bool Holds(std::string_view date) const {
    return (from.empty() || date >= from) && (to.empty() || date <= to);
  }
};

}  // namespace cli
