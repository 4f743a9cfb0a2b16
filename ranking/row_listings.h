// What lies behind one row of a ranking: its listings of the range, newest
// first, with the row's own amounts in each, and the daily (or, over long
// ranges, monthly) net of those amounts with its running total for the
// chart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/rankings.h"

namespace ranking {

struct RowKey {
  RankingKind kind = RankingKind::kSeats;
  uint32_t id = 0;  // the Seat's number for 营业部排行, else the stock's
  bool operator==(const RowKey&) const = default;
};

struct RowListing {
  int64_t record_number = 0;
  uint16_t day = 0;    // index into RangeData::days
  uint32_t stock = 0;  // stock (code) number
  uint32_t name = 0;   // the stock name as the listing has it
  // The blocks the row's Seat stands in (kInBuyBlock, kInSellBlock); 0 for
  // a stock's own line.
  uint32_t sides = 0;
  double buy = 0;  // yuan: the Seat's amounts, or the listing's totals
  double sell = 0;
};

// Over more days than this the chart shows months.
inline constexpr size_t kMostDailyPoints = 250;

struct NetSeries {
  // Every day of the range the store holds ("YYYY-MM-DD"), or every month
  // ("YYYY-MM") that has one.
  std::vector<std::string> points;
  bool monthly = false;
  std::vector<double> net;         // 10,000 yuan, as the grids round it
  std::vector<double> cumulative;  // from the first point up to this one
};

struct RowBreakdown {
  // The newest of the row's listings, newest day first and the later
  // record first within a day; at most the number asked for.
  std::vector<RowListing> newest;
  size_t listing_count = 0;  // the row's listings in the range
  NetSeries series;          // over all of them
};
RowBreakdown BreakDownRow(const RangeData& data, const RowKey& key, size_t most_listings);

}  // namespace ranking
