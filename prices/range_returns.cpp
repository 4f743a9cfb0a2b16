// Returns and track records over a ranged scan.
#include "prices/range_returns.h"

#include <chrono>
#include <cstdio>

namespace prices {
namespace {

// `date` moved by `days` calendar days; `date` itself when it is no date.
std::string RangeShifted(const std::string& date, int days) {
  int y = 0, m = 0, d = 0;
  if (date.size() != 10 || std::sscanf(date.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return date;
  const std::chrono::year_month_day ymd{std::chrono::year(y),
                                        std::chrono::month(static_cast<unsigned>(m)),
                                        std::chrono::day(static_cast<unsigned>(d))};
  if (!ymd.ok()) return date;
  const std::chrono::year_month_day moved{std::chrono::sys_days(ymd) + std::chrono::days(days)};
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(moved.year()),
                static_cast<unsigned>(moved.month()), static_cast<unsigned>(moved.day()));
  return buffer;
}

}  // namespace

RangeReturns ComputeRangeReturns(const ranking::RangeData& d, const BarsIndex& bars) {
  RangeReturns out;
  std::vector<TrackRecordSum> seats(d.seats.size());
  std::vector<TrackRecordSum> stocks(d.codes.size());
  TrackRecordSum all;
  // Each stock's bars looked up once, and where its last listing stood.
  std::vector<std::span<const store::PriceBar>> stock_bars(d.codes.size());
  std::vector<bool> looked_up(d.codes.size(), false);
  std::vector<size_t> hint(d.codes.size(), 0);
  for (const ranking::RangeListing& listing : d.listings) {
    if (!listing.in_range) continue;
    if (!looked_up[listing.stock]) {
      looked_up[listing.stock] = true;
      stock_bars[listing.stock] = bars.Of(d.codes[listing.stock]);
    }
    const std::span<const store::PriceBar> own = stock_bars[listing.stock];
    const size_t d0 = FindBar(own, d.days[listing.day], hint[listing.stock]);
    if (d0 < own.size()) hint[listing.stock] = d0;
    const ListingReturns r = ReturnsAt(own, d0);
    all.Add(r);
    stocks[listing.stock].Add(r);
    for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e)
      if (d.entry_seats[e] & ranking::kInBuyBlock) seats[d.entry_seats[e] & ranking::kSeatBits].Add(r);
  }
  out.seats.reserve(seats.size());
  for (const TrackRecordSum& s : seats) out.seats.push_back(s.Result());
  out.stocks.reserve(stocks.size());
  for (const TrackRecordSum& s : stocks) out.stocks.push_back(s.Result());
  out.all = all.Result();
  return out;
}

std::optional<BarsIndex> LoadBarsFor(store::Store& store, const ranking::DateRange& range,
                                     std::optional<store::StoreError>* error) {
  std::string from = "0000-00-00";
  std::string to = "9999-99-99";
  if (!range.whole_store) {
    from = RangeShifted(range.from, -1);
    // 20 trading days and room for a long suspension.
    to = RangeShifted(range.to, 120);
  }
  store::StoreAccess access = store.OpenStore();
  std::vector<store::CodeBars> codes;
  if (!access.ReadPriceBars(from, to, &codes)) {
    *error = access.error().value_or(store::StoreError{});
    return std::nullopt;
  }
  if (auto failed = access.CloseStore()) {
    *error = failed;
    return std::nullopt;
  }
  return BarsIndex(std::move(codes));
}

}  // namespace prices
