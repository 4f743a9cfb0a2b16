// Deterministic daily bars: a price walk per stock from a fixed first day,
// so that any span of a stock gives the same bars whenever it is asked.
#include "tools/sample-source/sample_kline.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace sample_source {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// The walk starts here; earlier dates have no bars.
constexpr sys_days kKlineFirstDay = sys_days(std::chrono::year(2005) / 1 / 3);

std::optional<sys_days> KlineDayOf(std::string_view t) {
  int y = 0, m = 0, d = 0;
  std::string s(t);
  if (s.size() == 8 && std::sscanf(s.c_str(), "%4d%2d%2d", &y, &m, &d) != 3) return std::nullopt;
  if (s.size() == 10 && std::sscanf(s.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return std::nullopt;
  if (s.size() != 8 && s.size() != 10) return std::nullopt;
  const year_month_day ymd{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                           std::chrono::day(static_cast<unsigned>(d))};
  if (!ymd.ok()) return std::nullopt;
  return sys_days(ymd);
}

std::string KlineDayText(sys_days day) {
  const year_month_day ymd(day);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buffer;
}

uint64_t KlineMix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

uint64_t KlineSeed(std::string_view code) {
  uint64_t h = 1469598103934665603ULL;
  for (char c : code) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return h;
}

double KlineCents(double x) {
  return std::round(x * 100) / 100;
}

bool KlineWeekday(sys_days day) {
  const unsigned w = std::chrono::weekday(day).c_encoding();
  return w != 0 && w != 6;
}

// One week in 23 of each stock is suspended.
bool KlineSuspended(uint64_t seed, sys_days day) {
  const int64_t week = (day - kKlineFirstDay).count() / 7;
  return (static_cast<uint64_t>(week) + seed) % 23 == 5;
}

// Every 17th trading day of a stock is a limit-up day opened at the limit.
bool KlineLimitUpDay(uint64_t seed, int64_t trading_index) {
  return (static_cast<uint64_t>(trading_index) + seed) % 17 == 3;
}

template <typename Take>
void KlineWalk(std::string_view code, sys_days to, Take take) {
  const uint64_t seed = KlineSeed(code);
  const double first = 5 + static_cast<double>(seed % 2000) / 100;  // 5 to 25 yuan
  double close = first;
  int64_t index = 0;
  for (sys_days day = kKlineFirstDay; day <= to; day += days(1)) {
    if (!KlineWeekday(day) || KlineSuspended(seed, day)) continue;
    const uint64_t r = KlineMix(seed ^ static_cast<uint64_t>(index));
    SampleBar bar;
    bar.date = KlineDayText(day);
    const double before = close;
    if (KlineLimitUpDay(seed, index)) {
      close = KlineCents(before * 1.1);
      bar.open = bar.high = bar.low = bar.close = close;
    } else {
      // A change of -5 % to +5.2 %, less a pull back towards the first price
      // that grows with the distance from it: without it the limit-up days
      // would compound the price without bound (past a million yuan within
      // a decade), far beyond any real stock's.
      const double pull = std::clamp(0.01 * std::log(before / first), -0.03, 0.03);
      const double change = (static_cast<double>(r % 1025) - 500) / 10000 - pull;
      close = KlineCents(std::max(1.0, before * (1 + change)));
      bar.open = KlineCents(before * (1 + (static_cast<double>((r >> 12) % 41) - 20) / 1000));
      bar.close = close;
      bar.high = KlineCents(std::max(bar.open, close) * (1 + static_cast<double>((r >> 20) % 30) / 1000));
      bar.low = KlineCents(std::min(bar.open, close) * (1 - static_cast<double>((r >> 28) % 30) / 1000));
    }
    bar.volume = static_cast<double>(10'000 + (r >> 36) % 90'000);
    bar.amount = std::round(bar.volume * 100 * (bar.high + bar.low) / 2);
    bar.change_percent = std::round((close / before - 1) * 10000) / 100;
    ++index;
    if (!take(day, std::move(bar))) return;
  }
}

}  // namespace

std::vector<SampleBar> SampleBars(std::string_view code, std::string_view from,
                                  std::string_view to) {
  std::vector<SampleBar> bars;
  const auto first = KlineDayOf(from);
  const auto last = KlineDayOf(to);
  if (!first || !last) return bars;
  KlineWalk(code, *last, [&](sys_days day, SampleBar bar) {
    if (day >= *first) bars.push_back(std::move(bar));
    return true;
  });
  return bars;
}

bool SampleTrades(std::string_view code, std::string_view date) {
  const auto day = KlineDayOf(date);
  return day && *day >= kKlineFirstDay && KlineWeekday(*day) && !KlineSuspended(KlineSeed(code), *day);
}

bool SampleLimitUp(std::string_view code, std::string_view date) {
  const auto day = KlineDayOf(date);
  if (!day) return false;
  bool limit_up = false;
  KlineWalk(code, *day, [&](sys_days d, const SampleBar& bar) {
    if (d == *day) limit_up = bar.open == bar.high && bar.low == bar.high && bar.change_percent > 9;
    return true;
  });
  return limit_up;
}

std::string KlineNoDataAnswer() {
  return R"({"rc":0,"rt":17,"svr":0,"lt":1,"full":0,"dlmkts":"","data":null})";
}

std::string KlineAnswer(std::string_view secid, std::string_view beg, std::string_view end) {
  if (secid.size() != 8 || (secid.substr(0, 2) != "1." && secid.substr(0, 2) != "0."))
    return KlineNoDataAnswer();
  const std::string_view code = secid.substr(2);
  const auto first = KlineDayOf(beg);
  const auto last = KlineDayOf(end);
  if (!first || !last) return KlineNoDataAnswer();
  const std::vector<SampleBar> bars = SampleBars(code, KlineDayText(*first), KlineDayText(*last));
  std::string out = R"({"rc":0,"rt":17,"svr":0,"lt":1,"full":0,"dlmkts":"","data":{"code":")" +
                    std::string(code) + R"(","market":)" + std::string(secid.substr(0, 1)) +
                    R"(,"name":"样本)" + std::string(code) + R"(","decimal":2,"dktotal":)" +
                    std::to_string(bars.size()) + R"(,"preKPrice":0,"klines":[)";
  double before = bars.empty() ? 0 : bars.front().close;
  for (size_t i = 0; i < bars.size(); ++i) {
    const SampleBar& b = bars[i];
    char row[256];
    const double amplitude = before > 0 ? (b.high - b.low) / before * 100 : 0;
    std::snprintf(row, sizeof row, "%s\"%s,%.2f,%.2f,%.2f,%.2f,%.0f,%.2f,%.2f,%.2f,%.2f,%.2f\"",
                  i == 0 ? "" : ",", b.date.c_str(), b.open, b.close, b.high, b.low, b.volume,
                  b.amount, amplitude, b.change_percent, b.close - before, b.volume / 1000);
    out += row;
    before = b.close;
  }
  out += "]}}";
  return out;
}

}  // namespace sample_source
