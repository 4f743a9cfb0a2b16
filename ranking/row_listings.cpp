#include "ranking/row_listings.h"

#include <algorithm>

namespace ranking {

std::vector<RowListing> ListingsBehind(const RangeData& d, const RowKey& key) {
  std::vector<RowListing> lines;
  for (const RangeListing& listing : d.listings) {
    if (!listing.in_range) continue;
    RowListing line{listing.record_number, listing.day, listing.stock, listing.name};
    if (key.kind == RankingKind::kStocks) {
      if (listing.stock != key.id) continue;
      line.buy = listing.buying;
      line.sell = listing.selling;
      lines.push_back(line);
      continue;
    }
    if (key.kind == RankingKind::kInstitutions && listing.stock != key.id) continue;
    const uint32_t seat = key.kind == RankingKind::kSeats ? key.id : d.institution;
    for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e) {
      if ((d.entry_seats[e] & kSeatBits) != seat) continue;
      line.sides = d.entry_seats[e] & (kInBuyBlock | kInSellBlock);
      line.buy = d.entry_buy[e];
      line.sell = d.entry_sell[e];
      lines.push_back(line);
      break;  // one entry per Seat and listing
    }
  }
  // Record order read backwards is the newest stored first; the stable
  // sort by day keeps that within a day.
  std::reverse(lines.begin(), lines.end());
  std::stable_sort(lines.begin(), lines.end(),
                   [](const RowListing& a, const RowListing& b) { return a.day > b.day; });
  return lines;
}

NetSeries NetOverRange(const RangeData& d, const std::vector<RowListing>& listings) {
  NetSeries series;
  const size_t days = d.range_days;
  series.monthly = days > kMostDailyPoints;
  // The point of each day of the range.
  std::vector<size_t> point_of_day(days);
  for (size_t day = 0; day < days; ++day) {
    std::string point = series.monthly ? d.days[day].substr(0, 7) : d.days[day];
    if (series.points.empty() || series.points.back() != point) series.points.push_back(point);
    point_of_day[day] = series.points.size() - 1;
  }
  std::vector<double> buy(series.points.size(), 0), sell(series.points.size(), 0);
  // Oldest first, so each point's sums run in record order.
  for (auto it = listings.rbegin(); it != listings.rend(); ++it) {
    if (it->day >= days) continue;
    buy[point_of_day[it->day]] += it->buy;
    sell[point_of_day[it->day]] += it->sell;
  }
  double buy_so_far = 0, sell_so_far = 0;
  for (size_t p = 0; p < series.points.size(); ++p) {
    series.net.push_back(ToWan(buy[p], sell[p]).net);
    buy_so_far += buy[p];
    sell_so_far += sell[p];
    // Rounded as a row's totals are: the last point is the row's net.
    series.cumulative.push_back(ToWan(buy_so_far, sell_so_far).net);
  }
  return series;
}

}  // namespace ranking
