// The returns of a ranged scan's listings and the track records the page
// 席位统计 and `quorvane-cli stats` show: per Seat over the listings where it
// stands in the buy block, per stock over its listings, and over every
// listing of the range (the baseline of the chart's path). The listings
// counted are the scan's: one per stock and day unless repeats count.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "prices/returns.h"
#include "ranking/range_scan.h"
#include "store/record_store.h"
#include "store/store_stamp.h"

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
// store), of the `codes` listed (every code when none are given). nullopt
// with `error` set when the store fails.
std::optional<BarsIndex> LoadBarsFor(store::Store& store, const ranking::DateRange& range,
                                     std::optional<store::StoreError>* error,
                                     const ranking::TextIds* codes = nullptr);

// The bars of the last range loaded, kept while the store's files stay as
// they were: a ranking again over the same range (the other counting rule,
// a new sort) reads no bars, and any write to the store (a price update, a
// download) makes the next one read them afresh. Safe from any thread.
class BarsCache {
 public:
  std::shared_ptr<const BarsIndex> Load(store::Store& store, const ranking::DateRange& range,
                                        const ranking::TextIds* codes,
                                        std::optional<store::StoreError>* error);

 private:
  std::mutex mutex_;
  std::optional<store::StoreStamp> stamp_;
  ranking::DateRange range_;
  std::shared_ptr<const BarsIndex> bars_;
};

}  // namespace prices
