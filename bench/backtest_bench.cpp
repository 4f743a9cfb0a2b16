// Back-tests on ten years of synthetic data: 2,000 stocks with a bar on
// each of 2,500 trading days (5,000,000 bars) and 400 listings a day
// (1,000,000 listings), each with five buying and five selling Seats out of
// 5,000 identities of the four kinds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "backtest/backtester.h"

namespace {

using namespace backtest;

constexpr int kStocks = 2000;
constexpr int kDays = 2500;
constexpr int kListingsPerDay = 400;

struct BenchRandom {
  uint64_t h = 0x9E3779B97F4A7C15ull;
  uint64_t Next() {
    h ^= h << 13;
    h ^= h >> 7;
    h ^= h << 17;
    return h;
  }
  double Unit() { return static_cast<double>(Next() % 1'000'000) / 1'000'000; }
};

const MarketData& TenYears() {
  static const MarketData data = [] {
    MarketData d;
    BenchRandom r;
    const DayNumber first = *DayNumberOfText("2011-01-03");
    std::vector<DayNumber> days;
    for (DayNumber day = first; static_cast<int>(days.size()) < kDays; ++day)
      if (DateOfDayNumber(day).Weekday() % 6 != 0) days.push_back(day);
    std::vector<std::string> codes;
    std::vector<Bar> bars(kDays);
    for (int s = 0; s < kStocks; ++s) {
      codes.push_back(std::to_string(600000 + s));
      double close = 5 + 20 * r.Unit();
      for (int k = 0; k < kDays; ++k) {
        const double open = r.Unit() < 0.03 ? close * 1.1 : close * (0.97 + 0.06 * r.Unit());
        const double high = std::max(open, close * (1 + 0.05 * r.Unit()));
        const double low = std::min(open, close * (1 - 0.05 * r.Unit()));
        close = low + (high - low) * r.Unit();
        bars[static_cast<size_t>(k)] = {days[static_cast<size_t>(k)], open, high, low, close};
      }
      d.SetBars(codes.back(), bars);
    }
    static const SeatKind kinds[] = {SeatKind::kInstitution, SeatKind::kNorthbound,
                                     SeatKind::kHotMoney, SeatKind::kBranch, SeatKind::kBranch};
    ListingInput l;
    l.board = "SH";
    l.reason = "R";
    for (int k = 0; k < kDays; ++k) {
      l.day = days[static_cast<size_t>(k)];
      for (int n = 0; n < kListingsPerDay; ++n) {
        l.code = codes[r.Next() % kStocks];
        l.name = l.code;
        l.strength = 10 * r.Unit();
        l.buy.clear();
        l.sell.clear();
        for (int i = 0; i < 5; ++i) {
          const uint32_t id = static_cast<uint32_t>(r.Next() % 5000);
          l.buy.push_back({id, kinds[id % 5], 3000 * r.Unit(), 300 * r.Unit()});
          const uint32_t id2 = static_cast<uint32_t>(r.Next() % 5000);
          l.sell.push_back({id2, kinds[id2 % 5], 300 * r.Unit(), 3000 * r.Unit()});
        }
        d.AddListing(l);
      }
    }
    return d;
  }();
  return data;
}

Rule HotMoney(double min_buy) {
  Rule rule;
  rule.seats.who = Who::kKind;
  rule.seats.kind = SeatKind::kHotMoney;
  rule.seats.min_buy = min_buy;
  rule.plan.hold = 5;
  rule.plan.stop = 0.07;
  return rule;
}

// From bars and listings in memory to the figures: the calendar, every
// listing's entry and exit, the rule and the baseline.
void BM_Backtest_FirstRun(benchmark::State& state) {
  int64_t trades = 0;
  for (auto _ : state) {
    state.PauseTiming();
    MarketData copy = TenYears();
    state.ResumeTiming();
    Backtester bt(std::move(copy));
    const Result r = bt.Run(HotMoney(1000));
    trades = r.rule.figures.trades;
    benchmark::DoNotOptimize(r.baseline->figures.total_return);
  }
  state.counters["trades"] = static_cast<double>(trades);
  state.counters["listings"] = static_cast<double>(TenYears().Listings().size());
  // What the bars and listings take in memory, and the entries and exits.
  const MarketData& d = TenYears();
  double bytes =
      static_cast<double>(d.Listings().size() * sizeof(Listing) + d.Seats().size() * sizeof(Seat) +
                          d.Listings().size() * sizeof(Outcome));
  for (uint32_t c = 0; c < d.CodeCount(); ++c) bytes += d.BarsOf(c).size() * sizeof(Bar);
  state.counters["data_MB"] = bytes / 1e6;
}
BENCHMARK(BM_Backtest_FirstRun)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rule with another minimum buy: entries, exits and the baseline
// are kept; the listings are filtered again and the portfolio re-run.
void BM_Backtest_ChangedThreshold(benchmark::State& state) {
  Backtester bt(TenYears());
  bt.Run(HotMoney(1000));
  double min_buy = 1000;
  int64_t trades = 0;
  for (auto _ : state) {
    min_buy = min_buy == 1000 ? 1500 : 1000;
    const Result r = bt.Run(HotMoney(min_buy));
    trades = r.rule.figures.trades;
    benchmark::DoNotOptimize(r.rule.figures.total_return);
  }
  state.counters["trades"] = static_cast<double>(trades);
}
BENCHMARK(BM_Backtest_ChangedThreshold)->Unit(benchmark::kMillisecond)->Iterations(10);

// The broadest rule: every 营业部 buying, nearly every listing a candidate
// (a minimum net of 0 or 1 yuan switched each time).
void BM_Backtest_ChangedThresholdBroad(benchmark::State& state) {
  Backtester bt(TenYears());
  Rule rule;
  rule.seats.who = Who::kKind;
  rule.seats.kind = SeatKind::kBranch;
  rule.seats.min_net = 0;
  bt.Run(rule);
  size_t candidates = 0;
  for (auto _ : state) {
    rule.seats.min_net = *rule.seats.min_net == 0 ? 0.0001 : 0;
    const Result r = bt.Run(rule);
    candidates = r.rule.trades.size();
    benchmark::DoNotOptimize(r.rule.figures.total_return);
  }
  state.counters["rows"] = static_cast<double>(candidates);
}
BENCHMARK(BM_Backtest_ChangedThresholdBroad)->Unit(benchmark::kMillisecond)->Iterations(10);

// What a store read adds on top: 1,000,000 listings handed over one by
// one as the reader will hand them (texts interned, Seats copied into the
// flat arrays), from a pool of 4,096 prepared listings.
void BM_Backtest_TakeListings(benchmark::State& state) {
  std::vector<ListingInput> pool;
  for (size_t i = 0; i < 4096; ++i) {
    const Listing& l = TenYears().Listings()[i];
    ListingInput in;
    in.code = TenYears().Code(l.code);
    in.name = TenYears().Text(l.name);
    in.board = TenYears().Text(l.board);
    in.reason = TenYears().Text(l.reason);
    in.strength = l.strength;
    const auto buy = TenYears().BuyBlock(l);
    const auto sell = TenYears().SellBlock(l);
    in.buy.assign(buy.begin(), buy.end());
    in.sell.assign(sell.begin(), sell.end());
    pool.push_back(std::move(in));
  }
  for (auto _ : state) {
    MarketData d;
    d.Reserve(static_cast<size_t>(kDays) * kListingsPerDay,
              static_cast<size_t>(kDays) * kListingsPerDay * 10);
    for (int n = 0; n < kDays * kListingsPerDay; ++n) {
      ListingInput& in = pool[static_cast<size_t>(n) % pool.size()];
      in.day = n / kListingsPerDay;
      d.AddListing(in);
    }
    benchmark::DoNotOptimize(d.Listings().size());
  }
}
BENCHMARK(BM_Backtest_TakeListings)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: one pass over the same listings reading every buying Seat,
// and the entry bar and five bars after it of each listing's stock.
void BM_Backtest_BarePass(benchmark::State& state) {
  Backtester bt(TenYears());
  const MarketData& data = bt.Data();
  for (auto _ : state) {
    double sum = 0;
    for (const Listing& l : data.Listings()) {
      for (const Seat& s : data.BuyBlock(l)) sum += s.buy;
      const std::span<const Bar> bars = data.BarsOf(l.code);
      const auto at = std::lower_bound(bars.begin(), bars.end(), l.day,
                                       [](const Bar& b, DayNumber day) { return b.day < day; });
      for (auto b = at; b != bars.end() && b - at <= 6; ++b) sum += b->close;
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_Backtest_BarePass)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
