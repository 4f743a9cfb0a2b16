// The returns of a ranged scan's listings and the track records the page
// 席位统计 and `quorvane-cli stats` show: per Seat over the listings where it
// stands in the buy block, per stock over its listings, and over every
// listing of the range (the baseline of the chart's path). The listings
// counted are the scan's: one per stock and day unless repeats count.
#pragma once

#include <optional>
#include <vector>

#include "prices/returns.h"
#include "ranking/range_scan.h"
#include "store/record_store.h"

namespace prices {

// A listing's own figures are worked out where they are shown
// (BarsIndex::Returns): a million of them kept here would cost more than
// the sums.
struct RangeReturns {
  std::vector<TrackRecord> seats;   // by Seat number of the scan
  std::vector<TrackRecord> stocks;  // by stock number of the scan
  TrackRecord all;                  // every listing of the range
};

RangeReturns ComputeRangeReturns(const ranking::RangeData& data, const BarsIndex& bars);

// The bars the returns of `range` need: from a little before it to a
// little more than 20 trading days after it (the whole table for the whole
// store). nullopt with `error` set when the store fails.
std::optional<BarsIndex> LoadBarsFor(store::Store& store, const ranking::DateRange& range,
                                     std::optional<store::StoreError>* error);

}  // namespace prices
