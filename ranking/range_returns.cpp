// Returns and track records over a ranged scan.
#include "ranking/range_returns.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
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

// One listing's figures as the track records sum them: the next open and
// the closes of D+1..D+10 in percent, 0 where unknown (adding 0 leaves a
// sum as it is), with a bit for each figure known.
struct alignas(16) RangeFigures {
  enum : uint32_t {
    kNextOpenKnown = 1u,             // bit 0: the next open
    kPathKnown = 2u,                 // bit 1 + n: the close of D+n, n = 0..10
    kAllKnown = (1u << 12) - 1,
    kD1Above = 1u << 12,             // 1日 > 0
    kD5Above = 1u << 13,             // 5日 > 0
  };
  std::array<double, 12> v;  // [0] next open, [n] close of D+n; [11] stays 0
  uint32_t flags;
};

// As SummedFiguresAt and ReturnsAt work them out, operation for operation,
// so that every figure is the same double.
void RangeFiguresAt(std::span<const store::DayBar> bars, size_t d0, RangeFigures& f) {
  f.v.fill(0.0);
  f.flags = 0;
  if (d0 >= bars.size()) return;
  const int32_t base = bars[d0].close;
  if (base == store::kNoPrice || base <= 0) return;
  const double from = static_cast<double>(base) / 1000.0;
  uint32_t flags = RangeFigures::kPathKnown;
  const size_t reach = std::min<size_t>(bars.size() - d0, 11);
  const store::DayBar* after = bars.data() + d0;
  for (size_t n = 1; n < reach; ++n) {
    const int32_t to = after[n].close;
    if (to == store::kNoPrice) continue;
    f.v[n] = (static_cast<double>(to) / 1000.0 / from - 1) * 100;
    flags |= RangeFigures::kPathKnown << n;
  }
  if (reach > 1 && after[1].open != store::kNoPrice) {
    f.v[0] = (static_cast<double>(after[1].open) / 1000.0 / from - 1) * 100;
    flags |= RangeFigures::kNextOpenKnown;
  }
  if (f.v[1] > 0) flags |= RangeFigures::kD1Above;
  if (f.v[5] > 0) flags |= RangeFigures::kD5Above;
  f.flags = flags;
}

// Two threads meeting between the steps of a run: a short spin (the other
// is usually close behind), then a sleep.
class RangeMeeting {
 public:
  void ArriveAndWait() {
    std::unique_lock lock(mutex_);
    const uint64_t round = round_;
    if (++arrived_ == 2) {
      arrived_ = 0;
      ++round_;
      lock.unlock();
      done_.store(round + 1, std::memory_order_release);
      wake_.notify_one();
      return;
    }
    lock.unlock();
    for (int spin = 0; spin < 4000; ++spin) {
      if (done_.load(std::memory_order_acquire) > round) return;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    lock.lock();
    wake_.wait(lock, [&] { return round_ > round; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  int arrived_ = 0;
  uint64_t round_ = 0;
  std::atomic<uint64_t> done_{0};
};

// A stock's bars and where a day's bar is likely to lie in them.
struct RangeStockBars {
  RangeStockBars() = default;
  explicit RangeStockBars(std::span<const store::DayBar> own) : bars(own) {
    if (own.empty()) return;
    first_day = own.front().day;
    if (own.size() > 1 && own.back().day > own.front().day)
      per_day = static_cast<double>(own.size() - 1) / (own.back().day - own.front().day);
  }

  // Worked out from the fields here alone: the bars are read only where
  // the guess points.
  size_t Guess(int32_t day) const {
    const double at = static_cast<double>(day - first_day) * per_day;
    if (!(at > 0)) return 0;
    return std::min(bars.size() - 1, static_cast<size_t>(at));
  }

  static void FetchLine(const char* p) {
#if defined(__x86_64__) && defined(__GNUC__)
    // Written out: GCC drops __builtin_prefetch in this code.
    asm volatile("prefetcht0 %0" : : "m"(*p));
#else
    __builtin_prefetch(p);
#endif
  }

  // Asks the cache for the bars a listing on `day` will read.
  void FetchAround(int32_t day) const {
    if (bars.empty()) return;
    const size_t at = Guess(day);
    const char* first = reinterpret_cast<const char*>(bars.data() + at);
    const char* last = reinterpret_cast<const char*>(bars.data() + std::min(bars.size(), at + 11)) - 1;
    for (const char* p = first; p < last; p += 64) FetchLine(p);
    FetchLine(last);
  }

  // The index of the bar of `day`, or bars.size() when none has it:
  // galloping from the guess, backward or forward.
  size_t Find(int32_t day) const {
    if (bars.empty()) return 0;
    const size_t at = Guess(day);
    if (bars[at].day <= day) return FindDay(bars, day, at);
    // Past the day: step back 1, 2, 4, ... until a bar at or before it.
    size_t high = at;
    size_t step = 1;
    while (high > 0) {
      const size_t low = high > step ? high - step : 0;
      if (bars[low].day <= day) {
        const size_t found = FindDay(bars.first(high), day, low);
        return found == high ? bars.size() : found;
      }
      high = low;
      step *= 2;
    }
    return bars.size();
  }

  std::span<const store::DayBar> bars;
  int32_t first_day = 0;
  double per_day = 0;
};

// A track record's sums: each figure summed in the listings' order, as
// TrackRecordSum does, and the counts in whole numbers. Most listings
// have every figure; the counts of the others, figure by figure, are kept
// apart (RangeSomeKnown) so that the sums a listing adds to fill two
// cache lines.
using RangeSomeKnown = std::array<uint32_t, 12>;
struct alignas(64) RangeRecordSum {
  std::array<double, 12> sum{};
  uint32_t all_known = 0;
  uint32_t d1_above = 0;
  uint32_t d5_above = 0;

  void Add(const RangeFigures& f, RangeSomeKnown& some_known) {
#if defined(__GNUC__)
    // Two figures an instruction; each added on its own, as one by one.
    using Pair = double __attribute__((vector_size(16), aligned(16)));
    Pair* to = reinterpret_cast<Pair*>(sum.data());
    const Pair* from = reinterpret_cast<const Pair*>(f.v.data());
    to[0] += from[0];
    to[1] += from[1];
    to[2] += from[2];
    to[3] += from[3];
    to[4] += from[4];
    to[5] += from[5];
#else
    for (size_t k = 0; k < sum.size(); ++k) sum[k] += f.v[k];
#endif
    const uint32_t flags = f.flags;
    d1_above += (flags >> 12) & 1;
    d5_above += (flags >> 13) & 1;
    if ((flags & RangeFigures::kAllKnown) == RangeFigures::kAllKnown) {
      ++all_known;
      return;
    }
    for (size_t k = 0; k < some_known.size(); ++k) some_known[k] += (flags >> k) & 1;
  }

  TrackRecord Result(const RangeSomeKnown& some_known) const {
    const auto count = [&](size_t bit) { return static_cast<double>(all_known + some_known[bit]); };
    const auto mean = [&](size_t bit, double s) -> std::optional<double> {
      const double n = count(bit);
      if (n == 0) return std::nullopt;
      return s / n;
    };
    const auto rate = [&](size_t bit, uint32_t above) -> std::optional<double> {
      const double n = count(bit);
      if (n == 0) return std::nullopt;
      return 100.0 * static_cast<double>(above) / n;
    };
    TrackRecord t;
    t.sample = static_cast<int64_t>(all_known + some_known[2]);
    t.next_open_mean = mean(0, sum[0]);
    t.d1_win_rate = rate(2, d1_above);
    t.d5_mean = mean(6, sum[5]);
    t.d5_win_rate = rate(6, d5_above);
    t.d10_mean = mean(11, sum[10]);
    t.path[0] = mean(1, 0.0);
    for (size_t n = 1; n < t.path.size(); ++n) t.path[n] = mean(1 + n, sum[n]);
    return t;
  }
};

}  // namespace

RangeReturns ComputeRangeReturns(const ranking::RangeData& d, const BarsIndex& bars) {
  RangeReturns out;
  std::vector<RangeRecordSum> seats(d.seats.size());
  std::vector<RangeRecordSum> stocks(d.codes.size());
  RangeRecordSum all;
  std::vector<RangeSomeKnown> seats_some(d.seats.size()), stocks_some(d.codes.size());
  RangeSomeKnown all_some{};
  std::vector<int32_t> day_numbers(d.days.size());
  for (size_t k = 0; k < d.days.size(); ++k)
    day_numbers[k] = store::DayNumberOfDate(d.days[k]).value_or(-1);
  // Each stock's bars looked up once, with how many bars it has a day on
  // average: a day's bar is looked for first where it would lie if the
  // stock traded evenly, so a listing reads only the bars near its own.
  std::vector<RangeStockBars> stock_bars(d.codes.size());
  for (uint32_t k = 0; k < d.codes.size(); ++k) stock_bars[k] = RangeStockBars(bars.Of(d.codes[k]));
  // The listings go in runs of a few days. Within a run their figures are
  // read first, shared between two threads on a big range, each with the
  // bars a few listings ahead fetched into the cache while it works; then
  // they are summed in the listings' order, the order every sum has always
  // been taken in, the two threads sharing the sums by what they sum into,
  // so that no sum changes its order.
  constexpr size_t kRun = size_t{1} << 13;
  const size_t count = d.listings.size();
  const bool two_threads = count > kRun;
  std::vector<RangeFigures> figures(std::min(kRun, count));
  const auto read_figures = [&](size_t begin, size_t from, size_t to) {
    constexpr size_t kAhead = 12;
    for (size_t i = from; i < std::min(to, from + kAhead); ++i) {
      const ranking::RangeListing& listing = d.listings[i];
      stock_bars[listing.stock].FetchAround(day_numbers[listing.day]);
    }
    for (size_t i = from; i < to; ++i) {
      if (i + kAhead < to) {
        const ranking::RangeListing& ahead = d.listings[i + kAhead];
        stock_bars[ahead.stock].FetchAround(day_numbers[ahead.day]);
      }
      const ranking::RangeListing& listing = d.listings[i];
      if (!listing.in_range) continue;
      const RangeStockBars& own = stock_bars[listing.stock];
      RangeFiguresAt(own.bars, own.Find(day_numbers[listing.day]), figures[i - begin]);
    }
  };
  // The first share sums every listing, every stock and three Seats in
  // ten; the second the other Seats.
  const auto first_share = [](uint32_t seat) { return seat % 10 < 3; };
  const auto sum = [&](size_t begin, size_t end, bool first) {
    for (size_t i = begin; i < end; ++i) {
      const ranking::RangeListing& listing = d.listings[i];
      if (!listing.in_range) continue;
      const RangeFigures& f = figures[i - begin];
      if (first) {
        all.Add(f, all_some);
        stocks[listing.stock].Add(f, stocks_some[listing.stock]);
      }
      for (uint32_t e = listing.first_entry; e < listing.first_entry + listing.entry_count; ++e) {
        const uint32_t seat = d.entry_seats[e] & ranking::kSeatBits;
        if (!(d.entry_seats[e] & ranking::kInBuyBlock)) continue;
        if (!two_threads || first_share(seat) == first) seats[seat].Add(f, seats_some[seat]);
      }
    }
  };
  if (!two_threads) {
    read_figures(0, 0, count);
    sum(0, count, true);
  } else {
    // One helper thread for the whole pass; the two meet after the figures
    // of a run (both sum them) and after its sums (the figures are then
    // overwritten).
    RangeMeeting meet;
    const auto share = [&](bool first) {
      for (size_t begin = 0; begin < count; begin += kRun) {
        const size_t end = std::min(count, begin + kRun);
        const size_t middle = begin + (end - begin) / 2;
        if (first)
          read_figures(begin, begin, middle);
        else
          read_figures(begin, middle, end);
        meet.ArriveAndWait();
        sum(begin, end, first);
        meet.ArriveAndWait();
      }
    };
    std::thread second([&] { share(false); });
    share(true);
    second.join();
  }
  out.seats.reserve(seats.size());
  for (size_t k = 0; k < seats.size(); ++k) out.seats.push_back(seats[k].Result(seats_some[k]));
  out.stocks.reserve(stocks.size());
  for (size_t k = 0; k < stocks.size(); ++k) out.stocks.push_back(stocks[k].Result(stocks_some[k]));
  out.all = all.Result(all_some);
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
