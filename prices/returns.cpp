// Returns after a listing and the track record summed over listings.
#include "prices/returns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "text/numbers.h"

namespace prices {
namespace {

constexpr double kReturnsNone = std::numeric_limits<double>::quiet_NaN();

// A change in percent between two prices in thousandths. n / 1000.0 is
// the number the price's text gave, so the figure is the one the prices
// as read would give.
double ReturnsChange(int32_t from, int32_t to) {
  if (from == store::kNoPrice || to == store::kNoPrice || from <= 0) return kReturnsNone;
  return (static_cast<double>(to) / 1000.0 / (static_cast<double>(from) / 1000.0) - 1) * 100;
}

std::optional<double> ReturnsKnown(double v) {
  if (v != v) return std::nullopt;
  return v;
}

}  // namespace

size_t FindDay(std::span<const store::DayBar> bars, int32_t day, size_t hint) {
  size_t low = 0;
  size_t high = bars.size();
  if (hint < bars.size() && bars[hint].day <= day) {
    // Gallop: hint, hint + 1, hint + 3, hint + 7, ... until past the day.
    low = hint;
    size_t step = 1;
    while (low + step < bars.size() && bars[low + step].day <= day) {
      low += step;
      step *= 2;
    }
    high = std::min(bars.size(), low + step + 1);
  }
  const auto it = std::lower_bound(
      bars.begin() + static_cast<std::ptrdiff_t>(low), bars.begin() + static_cast<std::ptrdiff_t>(high),
      day, [](const store::DayBar& b, int32_t d) { return b.day < d; });
  if (it == bars.end() || it->day != day) return bars.size();
  return static_cast<size_t>(it - bars.begin());
}

std::vector<store::DayBar> DayBarsOf(std::span<const store::PriceBar> bars) {
  std::vector<store::DayBar> out;
  out.reserve(bars.size());
  for (const store::PriceBar& b : bars)
    out.push_back({store::DayNumberOfDate(b.date).value_or(0), store::ThousandthsOf(b.open),
                   store::ThousandthsOf(b.high), store::ThousandthsOf(b.close)});
  return out;
}

ListingReturns ReturnsAfter(std::span<const store::PriceBar> bars, std::string_view date) {
  return DayReturnsAfter(DayBarsOf(bars), date);
}

ListingReturns DayReturnsAfter(std::span<const store::DayBar> bars, std::string_view date) {
  const std::optional<int32_t> day = store::DayNumberOfDate(date);
  if (!day) return {};
  return ReturnsAt(bars, FindDay(bars, *day));
}

ListingReturns ReturnsAt(std::span<const store::DayBar> bars, size_t d0) {
  ListingReturns r;
  if (d0 >= bars.size()) return r;
  const int32_t base = bars[d0].close;
  const auto close_after = [&](size_t n) -> std::optional<double> {
    if (d0 + n >= bars.size()) return std::nullopt;
    return ReturnsKnown(ReturnsChange(base, bars[d0 + n].close));
  };
  if (d0 + 1 < bars.size()) {
    r.next_open = ReturnsKnown(ReturnsChange(base, bars[d0 + 1].open));
    r.next_high = ReturnsKnown(ReturnsChange(base, bars[d0 + 1].high));
  }
  r.d1 = close_after(1);
  r.d2 = close_after(2);
  r.d3 = close_after(3);
  r.d5 = close_after(5);
  r.d10 = close_after(10);
  r.d20 = close_after(20);
  if (d0 + 5 < bars.size()) {
    int32_t highest = bars[d0 + 1].high;
    for (size_t n = 2; n <= 5; ++n) highest = std::max(highest, bars[d0 + n].high);
    r.max5 = ReturnsKnown(ReturnsChange(base, highest));
  }
  for (size_t n = 0; n < r.path.size(); ++n) r.path[n] = close_after(n);
  return r;
}

SummedFigures SummedFiguresAt(std::span<const store::DayBar> bars, size_t d0) {
  SummedFigures f;
  f.v.fill(kReturnsNone);
  if (d0 >= bars.size()) return f;
  const int32_t base = bars[d0].close;
  const size_t reach = std::min<size_t>(bars.size() - d0, 11);
  for (size_t n = 0; n < reach; ++n)
    f.v[SummedFigures::kPath + n] = ReturnsChange(base, bars[d0 + n].close);
  if (reach > 1) f.v[SummedFigures::kNextOpen] = ReturnsChange(base, bars[d0 + 1].open);
  f.v[SummedFigures::kD1] = f.v[SummedFigures::kPath + 1];
  f.v[SummedFigures::kD5] = f.v[SummedFigures::kPath + 5];
  f.v[SummedFigures::kD10] = f.v[SummedFigures::kPath + 10];
  return f;
}

BarsIndex::BarsIndex(std::vector<store::CodeBars> codes) {
  std::sort(codes.begin(), codes.end(),
            [](const store::CodeBars& a, const store::CodeBars& b) { return a.code < b.code; });
  for (const store::CodeBars& c : codes) {
    table_.codes.push_back(c.code);
    table_.starts.push_back(table_.bars.size());
    const std::vector<store::DayBar> small = DayBarsOf(c.bars);
    table_.bars.insert(table_.bars.end(), small.begin(), small.end());
  }
  table_.starts.push_back(table_.bars.size());
}

BarsIndex::BarsIndex(store::DayBarTable table) : table_(std::move(table)) {
  if (table_.starts.size() != table_.codes.size() + 1) table_ = {};
}

std::span<const store::DayBar> BarsIndex::Of(std::string_view code) const {
  const auto it = std::lower_bound(table_.codes.begin(), table_.codes.end(), code,
                                   [](const std::string& c, std::string_view k) { return c < k; });
  if (it == table_.codes.end() || *it != code) return {};
  const size_t k = static_cast<size_t>(it - table_.codes.begin());
  return std::span<const store::DayBar>(table_.bars).subspan(
      table_.starts[k], table_.starts[k + 1] - table_.starts[k]);
}

void TrackRecordSum::Add(const ListingReturns& r) {
  SummedFigures f;
  f.v.fill(kReturnsNone);
  const auto put = [&](size_t k, const std::optional<double>& v) {
    f.v[k] = v.value_or(kReturnsNone);
  };
  put(SummedFigures::kNextOpen, r.next_open);
  put(SummedFigures::kD1, r.d1);
  put(SummedFigures::kD5, r.d5);
  put(SummedFigures::kD10, r.d10);
  for (size_t n = 0; n < r.path.size(); ++n) put(SummedFigures::kPath + n, r.path[n]);
  Add(f);
}

void TrackRecordSum::Add(const SummedFigures& f) {
  // Without branches: an unknown figure adds 0 to the sum and nothing to
  // the count.
  for (size_t k = 0; k < SummedFigures::kSlots; ++k) {
    const double v = f.v[k];
    const bool known = v == v;
    sum_[k] += known ? v : 0.0;
    count_[k] += known ? 1.0 : 0.0;
  }
  above_zero_[0] += f.v[SummedFigures::kD1] > 0 ? 1.0 : 0.0;
  above_zero_[1] += f.v[SummedFigures::kD5] > 0 ? 1.0 : 0.0;
}

void TrackRecordSum::Merge(const TrackRecordSum& other) {
  for (size_t k = 0; k < SummedFigures::kSlots; ++k) {
    sum_[k] += other.sum_[k];
    count_[k] += other.count_[k];
  }
  above_zero_[0] += other.above_zero_[0];
  above_zero_[1] += other.above_zero_[1];
}

std::optional<double> TrackRecordSum::Average(size_t k) const {
  if (count_[k] == 0) return std::nullopt;
  return sum_[k] / count_[k];
}

std::optional<double> TrackRecordSum::Rate(size_t k) const {
  if (count_[k] == 0) return std::nullopt;
  const double above = above_zero_[k == SummedFigures::kD1 ? 0 : 1];
  return 100.0 * above / count_[k];
}

TrackRecord TrackRecordSum::Result() const {
  TrackRecord t;
  t.sample = static_cast<int64_t>(count_[SummedFigures::kD1]);
  t.next_open_mean = Average(SummedFigures::kNextOpen);
  t.d1_win_rate = Rate(SummedFigures::kD1);
  t.d5_mean = Average(SummedFigures::kD5);
  t.d5_win_rate = Rate(SummedFigures::kD5);
  t.d10_mean = Average(SummedFigures::kD10);
  for (size_t n = 0; n < t.path.size(); ++n) t.path[n] = Average(SummedFigures::kPath + n);
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
