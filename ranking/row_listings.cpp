#include "ranking/row_listings.h"

#include <algorithm>
#include <limits>

namespace ranking {
namespace {

constexpr uint32_t kStockLine = std::numeric_limits<uint32_t>::max();

struct Match {
  uint32_t listing;
  uint32_t entry;  // kStockLine for a stock's own line
};

RowListing LineOf(const RangeData& d, const Match& m) {
  const RangeListing& listing = d.listings[m.listing];
  RowListing line{listing.record_number, listing.day, listing.stock, listing.name};
  if (m.entry == kStockLine) {
    line.buy = listing.buying;
    line.sell = listing.selling;
  } else {
    line.sides = d.entry_seats[m.entry] & (kInBuyBlock | kInSellBlock);
    line.buy = d.entry_buy[m.entry];
    line.sell = d.entry_sell[m.entry];
  }
  return line;
}

// Sums per day (in record order) to the chart's points.
NetSeries SeriesOf(const RangeData& d, const std::vector<double>& buy,
                   const std::vector<double>& sell) {
  NetSeries series;
  const size_t days = d.range_days;
  series.monthly = days > kMostDailyPoints;
  std::vector<double> point_buy, point_sell;
  for (size_t day = 0; day < days; ++day) {
    std::string point = series.monthly ? d.days[day].substr(0, 7) : d.days[day];
    if (series.points.empty() || series.points.back() != point) {
      series.points.push_back(std::move(point));
      point_buy.push_back(0);
      point_sell.push_back(0);
    }
    point_buy.back() += buy[day];
    point_sell.back() += sell[day];
  }
  double buy_so_far = 0, sell_so_far = 0;
  for (size_t p = 0; p < series.points.size(); ++p) {
    series.net.push_back(ToWan(point_buy[p], point_sell[p]).net);
    buy_so_far += point_buy[p];
    sell_so_far += point_sell[p];
    // Rounded as a row's totals are: the last point is the row's net.
    series.cumulative.push_back(ToWan(buy_so_far, sell_so_far).net);
  }
  return series;
}

}  // namespace

RowBreakdown BreakDownRow(const RangeData& d, const RowKey& key, size_t most_listings) {
  RowBreakdown out;
  std::vector<Match> matches;
  std::vector<double> buy(d.range_days, 0), sell(d.range_days, 0);
  const uint32_t seat = key.kind == RankingKind::kSeats ? key.id : d.institution;
  for (uint32_t i = 0; i < d.listings.size(); ++i) {
    const RangeListing& listing = d.listings[i];
    if (!listing.in_range || listing.day >= d.range_days) continue;
    if (key.kind != RankingKind::kSeats && listing.stock != key.id) continue;
    Match m{i, kStockLine};
    if (key.kind == RankingKind::kStocks) {
      buy[listing.day] += listing.buying;
      sell[listing.day] += listing.selling;
      matches.push_back(m);
      continue;
    }
    for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e) {
      if ((d.entry_seats[e] & kSeatBits) != seat) continue;
      m.entry = e;  // one entry per Seat and listing
      buy[listing.day] += d.entry_buy[e];
      sell[listing.day] += d.entry_sell[e];
      matches.push_back(m);
      break;
    }
  }
  out.listing_count = matches.size();
  out.series = SeriesOf(d, buy, sell);

  // Newest first: the days from the last, each day's matches from its
  // latest record (matches are in record order).
  std::vector<uint32_t> day_start(static_cast<size_t>(d.range_days) + 1, 0);
  for (const Match& m : matches) ++day_start[d.listings[m.listing].day + 1u];
  for (size_t k = 1; k < day_start.size(); ++k) day_start[k] += day_start[k - 1];
  std::vector<uint32_t> by_day(matches.size());
  {
    std::vector<uint32_t> next(day_start.begin(), day_start.end() - 1);
    for (uint32_t k = 0; k < matches.size(); ++k)
      by_day[next[d.listings[matches[k].listing].day]++] = k;
  }
  out.newest.reserve(std::min(most_listings, matches.size()));
  for (size_t k = matches.size(); k > 0 && out.newest.size() < most_listings; --k)
    out.newest.push_back(LineOf(d, matches[by_day[k - 1]]));
  return out;
}

}  // namespace ranking
