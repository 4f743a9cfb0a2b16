// Returns and track records over a ranged scan.
#include "ranking/range_returns.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

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
  std::vector<int32_t> day_numbers(d.days.size());
  for (size_t k = 0; k < d.days.size(); ++k)
    day_numbers[k] = store::DayNumberOfDate(d.days[k]).value_or(-1);
  // Each stock's bars looked up once, and where its last listing stood.
  std::vector<std::span<const store::DayBar>> stock_bars(d.codes.size());
  for (uint32_t k = 0; k < d.codes.size(); ++k) stock_bars[k] = bars.Of(d.codes[k]);
  std::vector<size_t> hint(d.codes.size(), 0);
  // The listings go in runs of a few weeks. Within a run their figures are
  // read stock by stock (each stock's listings in their own order), so the
  // bars read lie together; then they are summed in the listings' order,
  // the order every sum has always been taken in. Both steps share the
  // work between two threads on a big range: the figures by stocks, the
  // sums by what they sum into, so that no sum changes its order.
  constexpr size_t kRun = size_t{1} << 15;
  const size_t count = d.listings.size();
  const bool two_threads = count > kRun;
  std::vector<SummedFigures> figures(std::min(kRun, count));
  std::vector<uint32_t> order(figures.size());
  std::vector<uint32_t> first_of_stock(d.codes.size() + 1);
  const auto read_figures = [&](size_t begin, size_t from, size_t to) {
    for (size_t n = from; n < to; ++n) {
      const ranking::RangeListing& listing = d.listings[begin + order[n]];
      const std::span<const store::DayBar> own = stock_bars[listing.stock];
      const size_t d0 = FindDay(own, day_numbers[listing.day], hint[listing.stock]);
      if (d0 < own.size()) hint[listing.stock] = d0;
      figures[order[n]] = SummedFiguresAt(own, d0);
    }
  };
  // The first share sums every listing, every stock and three Seats in
  // ten; the second the other Seats.
  const auto first_share = [](uint32_t seat) { return seat % 10 < 3; };
  const auto sum = [&](size_t begin, size_t end, bool first) {
    for (size_t i = begin; i < end; ++i) {
      const ranking::RangeListing& listing = d.listings[i];
      if (!listing.in_range) continue;
      const SummedFigures& f = figures[i - begin];
      if (first) {
        all.Add(f);
        stocks[listing.stock].Add(f);
      }
      for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e) {
        const uint32_t seat = d.entry_seats[e] & ranking::kSeatBits;
        if (!(d.entry_seats[e] & ranking::kInBuyBlock)) continue;
        if (!two_threads || first_share(seat) == first) seats[seat].Add(f);
      }
    }
  };
  for (size_t begin = 0; begin < count; begin += kRun) {
    const size_t end = std::min(count, begin + kRun);
    std::fill(first_of_stock.begin(), first_of_stock.end(), 0);
    for (size_t i = begin; i < end; ++i)
      if (d.listings[i].in_range) ++first_of_stock[d.listings[i].stock + 1];
    for (size_t k = 1; k < first_of_stock.size(); ++k) first_of_stock[k] += first_of_stock[k - 1];
    const size_t placed = first_of_stock.back();
    for (size_t i = begin; i < end; ++i)
      if (d.listings[i].in_range)
        order[first_of_stock[d.listings[i].stock]++] = static_cast<uint32_t>(i - begin);
    if (!two_threads) {
      read_figures(begin, 0, placed);
      sum(begin, end, true);
      continue;
    }
    // Split between two stocks: a stock's hint is one thread's.
    size_t middle = placed / 2;
    while (middle > 0 && middle < placed &&
           d.listings[begin + order[middle]].stock == d.listings[begin + order[middle - 1]].stock)
      ++middle;
    std::thread second_figures([&] { read_figures(begin, middle, placed); });
    read_figures(begin, 0, middle);
    second_figures.join();
    std::thread second_sums([&] { sum(begin, end, false); });
    sum(begin, end, true);
    second_sums.join();
  }
  out.seats.reserve(seats.size());
  for (const TrackRecordSum& s : seats) out.seats.push_back(s.Result());
  out.stocks.reserve(stocks.size());
  for (const TrackRecordSum& s : stocks) out.stocks.push_back(s.Result());
  out.all = all.Result();
  return out;
}

std::optional<BarsIndex> LoadBarsFor(store::Store& store, const ranking::DateRange& range,
                                     std::optional<store::StoreError>* error,
                                     const ranking::TextIds* codes) {
  std::string from = "0000-00-00";
  std::string to = "9999-99-99";
  // The whole store reads the table through; a range reads only its
  // stocks' bars, each by its key.
  std::vector<std::string> wanted;
  if (!range.whole_store) {
    from = RangeShifted(range.from, -1);
    // 20 trading days and room for a long suspension.
    to = RangeShifted(range.to, 120);
    if (codes) {
      wanted.reserve(codes->size());
      for (uint32_t k = 0; k < codes->size(); ++k) wanted.emplace_back((*codes)[k]);
      std::sort(wanted.begin(), wanted.end());
      // No stock listed: nothing to read.
      if (wanted.empty()) return BarsIndex{};
    }
  }
  store::StoreAccess access = store.OpenStore();
  store::DayBarTable table;
  if (!access.ReadDayBars(from, to, wanted, &table)) {
    *error = access.error().value_or(store::StoreError{});
    return std::nullopt;
  }
  if (auto failed = access.CloseStore()) {
    *error = failed;
    return std::nullopt;
  }
  return BarsIndex(std::move(table));
}

std::shared_ptr<const BarsIndex> BarsCache::Load(store::Store& store,
                                                  const ranking::DateRange& range,
                                                  const ranking::TextIds* codes,
                                                  std::optional<store::StoreError>* error) {
  std::lock_guard lock(mutex_);
  // Taken before the read: a write during it leaves a stamp that no longer
  // matches, and the next load reads again.
  const store::StoreStamp stamp = store::StampOfStore(store.Path());
  if (bars_ && stamp_ == stamp && range_ == range) return bars_;
  bars_.reset();
  std::optional<BarsIndex> loaded = LoadBarsFor(store, range, error, codes);
  if (!loaded) return nullptr;
  bars_ = std::make_shared<const BarsIndex>(std::move(*loaded));
  stamp_ = stamp;
  range_ = range;
  return bars_;
}

}  // namespace prices
