// The packed form of a stock's bars: its writer, and the stamps and day
// texts packed rows are checked by.
#include "store/packed_bars_format.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "store/table_file_handles.h"

namespace store {

namespace {

void PackedBarsPutSigned(int64_t v, std::string* out) { PutVarint(Zigzag(v), out); }

}  // namespace

// A blob: the layout byte, the bar count, the price step (10 when every
// price is a whole number of fen, else 1), then per bar the day as the
// change from the bar before and the four prices, in steps, as changes from
// the close before, each a zigzag varint: most bars take six or seven bytes.
std::string PackBars(const std::vector<PackedBar>& bars, bool exact) {
  int64_t step = 10;
  for (const PackedBar& b : bars)
    for (int32_t v : {b.open, b.high, b.low, b.close})
      if (v % 10 != 0) step = 1;  // kNoPrice too
  std::string out;
  out.reserve(8 + bars.size() * 8);
  out.push_back(static_cast<char>(exact ? kPackedBarsExactLayout : kPackedBarsLayout));
  PutVarint(bars.size(), &out);
  PutVarint(static_cast<uint64_t>(step), &out);
  int64_t day = 0;
  int64_t close = 0;
  for (const PackedBar& b : bars) {
    PackedBarsPutSigned(b.day - day, &out);
    for (int32_t v : {b.open, b.high, b.low, b.close}) PackedBarsPutSigned(v / step - close, &out);
    day = b.day;
    close = b.close / step;
  }
  return out;
}

// A price's thousandths when n / 1000.0 gives back the very double (bit for
// bit: not -0.0 for 0); kNoPrice else.
int32_t PackedBarsExactThousandths(std::optional<double> price) {
  if (!price) return kNoPrice;
  const int32_t n = ThousandthsOf(*price);
  if (n == kNoPrice || std::bit_cast<uint64_t>(n / 1000.0) != std::bit_cast<uint64_t>(*price))
    return kNoPrice;
  return n;
}

// A log row's fields after its code, from the six columns a statement
// gives from `first` on (fetched at, result, reason, bars, from, to).
void PriceLogFromColumns(const Statement& s, int first, PriceLogEntry* e) {
  e->fetched_at.assign(s.Bytes(first));
  e->result = static_cast<PriceFetchResult>(s.Int64(first + 1));
  e->reason.assign(s.Bytes(first + 2));
  e->bars = s.Int64(first + 3);
  e->from.assign(s.Bytes(first + 4));
  e->to.assign(s.Bytes(first + 5));
}

// A stock's log row as a number: a packed row keeps the number of the log
// row written with it. Every write of bars writes the log row too (a build
// that knew no packed rows as well), so a number that no longer matches
// means bars the packed row may not hold.
int64_t PackedBarsStamp(const PriceLogEntry& log) {
  uint64_t h = 14695981039346656037ULL;
  const auto mix = [&h](std::string_view bytes) {
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
    h = (h ^ 0x1f) * 1099511628211ULL;
  };
  mix(log.code);
  mix(log.fetched_at);
  mix(std::to_string(static_cast<int>(log.result)));
  mix(log.reason);
  mix(std::to_string(log.bars));
  mix(log.from);
  mix(log.to);
  mix(std::to_string(kPackedBarsLayout));
  return static_cast<int64_t>(h);
}

// The text of a day number, "YYYY-MM-DD".
std::string PackedBarsDateText(int32_t day) {
  const std::chrono::year_month_day ymd{std::chrono::sys_days(std::chrono::days(day))};
  char t[16];
  std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return t;
}

// The first day whose text compares above `text` (or equal to it, when
// `inclusive`), byte for byte, as the bars table compares its 日期: the
// dates of four-digit years sort as their days do.
int32_t PackedBarsFirstDay(std::string_view text, bool inclusive) {
  static const int32_t first = *DayNumberOfDate("0000-01-01");
  static const int32_t last = *DayNumberOfDate("9999-12-31");
  int32_t lo = first;
  int32_t hi = last + 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    const std::string t = PackedBarsDateText(mid);
    const int c = std::string_view(t).compare(text);
    if (c > 0 || (inclusive && c == 0)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

bool UnpackExactBarsWithin(std::string_view blob, int32_t first_day, int32_t after_last,
                           std::vector<ExactDayBar>& out, uint64_t* held, size_t* count) {
  *count = 0;
  PackedBarsReader reader(blob);
  if (!reader.Begin(held) || !reader.Exact()) return false;
  if (out.size() < *held) out.resize(*held);
  ExactDayBar* kept = out.data();
  const bool read = reader.ReadBars<true>(*held, [&](const PackedBar& b) {
    *kept = {b.day, b.open, b.high, b.low, b.close};
    kept += b.day >= first_day && b.day < after_last;
  });
  *count = static_cast<size_t>(kept - out.data());
  return read && reader.AtEnd();
}

}  // namespace store
