// What a stock's price did after a listing, counted on its own bars (a
// suspension skips days: D+N is the Nth bar after D0's), and a Seat's track
// record over the listings it bought. The window and quorvane-cli show the
// same figures, computed here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/price_bars.h"

namespace prices {

// The figures of one listing, in percent (unrounded). Empty where the bars
// do not reach that far, and all empty when the bars lack D0.
struct ListingReturns {
  std::optional<double> next_open;  // 次日开盘: open of D+1 / close of D0 - 1
  std::optional<double> next_high;  // 次日最高: high of D+1 / close of D0 - 1
  std::optional<double> d1, d2, d3, d5, d10, d20;  // N日涨幅: close of D+N / close of D0 - 1
  std::optional<double> max5;  // 5日最大涨幅: highest high of D+1..D+5 / close of D0 - 1
  // The close path D0..D+10 (0 at D0), for the chart.
  std::array<std::optional<double>, 11> path{};
};

// `bars` in date order. The listing day `date` ("YYYY-MM-DD").
ListingReturns ReturnsAfter(std::span<const store::PriceBar> bars, std::string_view date);
// The same on bars in their small form.
ListingReturns DayReturnsAfter(std::span<const store::DayBar> bars, std::string_view date);
// The figures with D0 the bar at `d0` (an index into `bars`).
ListingReturns ReturnsAt(std::span<const store::DayBar> bars, size_t d0);
// The index of the bar of day number `day`, or bars.size() when none has
// it. The search starts at `hint` (a bar at or before the day, found for
// an earlier listing of the stock) and gallops forward, so listings met in
// date order touch only the bars near each other.
size_t FindDay(std::span<const store::DayBar> bars, int32_t day, size_t hint = 0);
// Bars in their small form (prices to the thousandth of a yuan).
std::vector<store::DayBar> DayBarsOf(std::span<const store::PriceBar> bars);

// Every stock's bars, looked up by code.
class BarsIndex {
 public:
  BarsIndex() = default;
  explicit BarsIndex(std::vector<store::CodeBars> codes);
  explicit BarsIndex(store::DayBarTable table);
  // The bars of `code`; none when it has none.
  std::span<const store::DayBar> Of(std::string_view code) const;
  ListingReturns Returns(std::string_view code, std::string_view date) const {
    return DayReturnsAfter(Of(code), date);
  }
  size_t CodeCount() const { return table_.codes.size(); }
  size_t BarCount() const { return table_.bars.size(); }
  bool empty() const { return table_.codes.empty(); }

 private:
  store::DayBarTable table_;
};

// A Seat's track record over the listings where it stands in the buy block.
struct TrackRecord {
  int64_t sample = 0;                    // 样本: listings that have D+1
  std::optional<double> next_open_mean;  // 次日溢价, %
  std::optional<double> d1_win_rate;     // 次日胜率: % of those with 1日 whose 1日 > 0
  std::optional<double> d5_mean;         // 5日均涨, %
  std::optional<double> d5_win_rate;     // 5日胜率, %
  std::optional<double> d10_mean;        // 10日均涨, %
  // The mean close path D0..D+10, each point over the listings that reach it.
  std::array<std::optional<double>, 11> path{};
};

// The figures a track record sums, NaN where unknown: what AddAt reads
// off the bars for one listing, added to several sums.
struct SummedFigures {
  enum : size_t { kNextOpen, kD1, kD5, kD10, kPath, kCount = kPath + 11, kSlots = 16 };
  std::array<double, kSlots> v;  // slots from kCount on stay unknown
};
// The figures of the listing whose D0 is the bar at `d0` (bars.size(): no
// D0 bar, all unknown).
SummedFigures SummedFiguresAt(std::span<const store::DayBar> bars, size_t d0);

// Sums listings' figures; a mean is over the listings that have the figure,
// a rate the percent share of those whose figure is above zero.
class TrackRecordSum {
 public:
  void Add(const ListingReturns& r);
  void Add(const SummedFigures& f);
  void Merge(const TrackRecordSum& other);
  TrackRecord Result() const;

 private:
  std::optional<double> Average(size_t k) const;
  std::optional<double> Rate(size_t k) const;
  // Whole numbers kept as doubles (exact far beyond any count here), so
  // that an Add is one run of the same operations over every slot.
  std::array<double, SummedFigures::kSlots> sum_{};
  std::array<double, SummedFigures::kSlots> count_{};
  std::array<double, 2> above_zero_{};  // of 1日 and 5日, the rates shown
};

// A figure as the exports write it: percent with two decimals (one for a
// rate), no % sign; empty where unknown.
std::string PercentText(const std::optional<double>& percent, int decimals = 2);

}  // namespace prices
