// Returns after a listing and the track record summed over listings.
#include "prices/returns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/numbers.h"

namespace prices {
namespace {

std::optional<double> ReturnsChange(double from, double to) {
  if (!(from > 0) || !std::isfinite(to)) return std::nullopt;
  return (to / from - 1) * 100;
}

}  // namespace

size_t FindBar(std::span<const store::PriceBar> bars, std::string_view date, size_t hint) {
  size_t low = 0;
  size_t high = bars.size();
  if (hint < bars.size() && bars[hint].date <= date) {
    // Gallop: hint, hint + 1, hint + 3, hint + 7, ... until past the date.
    low = hint;
    size_t step = 1;
    while (low + step < bars.size() && bars[low + step].date <= date) {
      low += step;
      step *= 2;
    }
    high = std::min(bars.size(), low + step + 1);
  }
  const auto it = std::lower_bound(
      bars.begin() + static_cast<std::ptrdiff_t>(low), bars.begin() + static_cast<std::ptrdiff_t>(high),
      date, [](const store::PriceBar& b, std::string_view d) { return b.date < d; });
  if (it == bars.end() || it->date != date) return bars.size();
  return static_cast<size_t>(it - bars.begin());
}

ListingReturns ReturnsAfter(std::span<const store::PriceBar> bars, std::string_view date) {
  const size_t d0 = FindBar(bars, date);
  if (d0 >= bars.size()) return {};
  return ReturnsAt(bars, d0);
}

ListingReturns ReturnsAt(std::span<const store::PriceBar> bars, size_t d0) {
  ListingReturns r;
  if (d0 >= bars.size()) return r;
  const double base = bars[d0].close;
  const auto close_after = [&](size_t n) -> std::optional<double> {
    if (d0 + n >= bars.size()) return std::nullopt;
    return ReturnsChange(base, bars[d0 + n].close);
  };
  if (d0 + 1 < bars.size()) {
    r.next_open = ReturnsChange(base, bars[d0 + 1].open);
    r.next_high = ReturnsChange(base, bars[d0 + 1].high);
  }
  r.d1 = close_after(1);
  r.d2 = close_after(2);
  r.d3 = close_after(3);
  r.d5 = close_after(5);
  r.d10 = close_after(10);
  r.d20 = close_after(20);
  if (d0 + 5 < bars.size()) {
    double highest = bars[d0 + 1].high;
    for (size_t n = 2; n <= 5; ++n) highest = std::max(highest, bars[d0 + n].high);
    r.max5 = ReturnsChange(base, highest);
  }
  for (size_t n = 0; n < r.path.size(); ++n) r.path[n] = close_after(n);
  return r;
}

BarsIndex::BarsIndex(std::vector<store::CodeBars> codes) : codes_(std::move(codes)) {
  std::sort(codes_.begin(), codes_.end(),
            [](const store::CodeBars& a, const store::CodeBars& b) { return a.code < b.code; });
}

std::span<const store::PriceBar> BarsIndex::Of(std::string_view code) const {
  const auto it = std::lower_bound(
      codes_.begin(), codes_.end(), code,
      [](const store::CodeBars& c, std::string_view k) { return c.code < k; });
  if (it == codes_.end() || it->code != code) return {};
  return it->bars;
}

void TrackRecordSum::Mean::Add(const std::optional<double>& v) {
  if (!v) return;
  sum += *v;
  ++count;
  if (*v > 0) ++above_zero;
}

void TrackRecordSum::Mean::Merge(const Mean& o) {
  sum += o.sum;
  count += o.count;
  above_zero += o.above_zero;
}

std::optional<double> TrackRecordSum::Mean::Average() const {
  if (count == 0) return std::nullopt;
  return sum / static_cast<double>(count);
}

std::optional<double> TrackRecordSum::Mean::Rate() const {
  if (count == 0) return std::nullopt;
  return 100.0 * static_cast<double>(above_zero) / static_cast<double>(count);
}

void TrackRecordSum::Add(const ListingReturns& r) {
  next_open_.Add(r.next_open);
  d1_.Add(r.d1);
  d5_.Add(r.d5);
  d10_.Add(r.d10);
  for (size_t n = 0; n < path_.size(); ++n) path_[n].Add(r.path[n]);
}

void TrackRecordSum::Merge(const TrackRecordSum& other) {
  next_open_.Merge(other.next_open_);
  d1_.Merge(other.d1_);
  d5_.Merge(other.d5_);
  d10_.Merge(other.d10_);
  for (size_t n = 0; n < path_.size(); ++n) path_[n].Merge(other.path_[n]);
}

TrackRecord TrackRecordSum::Result() const {
  TrackRecord t;
  t.sample = d1_.count;
  t.next_open_mean = next_open_.Average();
  t.d1_win_rate = d1_.Rate();
  t.d5_mean = d5_.Average();
  t.d5_win_rate = d5_.Rate();
  t.d10_mean = d10_.Average();
  for (size_t n = 0; n < path_.size(); ++n) t.path[n] = path_[n].Average();
  return t;
}

std::string PercentText(const std::optional<double>& percent, int decimals) {
  if (!percent) return {};
  const double rounded = text::RoundHalfAway(*percent, decimals);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded == 0 ? 0.0 : rounded);
  return buffer;
}

}  // namespace prices
