// The packed form of a stock's bars, shared by the store's readers and
// writers of packed rows: the blob's layout, its writer and its reader,
// and the stamps and day numbers they are checked by. Internal to the store.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/price_bars.h"
#include "store/varint.h"

namespace store {

class Statement;

// The first byte of a packed blob: its layout. A blob of another layout
// is not read (the bars table is). Both layouts are the same bytes after
// it; the second says that every price, n / 1000.0, is the very double of
// the bars table (a price with more than three decimals is rounded, and
// its stock packed in the first). The stamp keeps the first's number.
inline constexpr uint8_t kPackedBarsLayout = 1;
inline constexpr uint8_t kPackedBarsExactLayout = 2;

// One bar as packed: the small form and its low.
struct PackedBar {
  int32_t day = 0;
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
};

// A blob: the layout byte, the bar count, the price step (10 when every
// price is a whole number of fen, else 1), then per bar the day as the
// change from the bar before and the four prices, in steps, as changes from
// the close before, each a zigzag varint: most bars take six or seven bytes.
std::string PackBars(const std::vector<PackedBar>& bars, bool exact);

// Where a bar's five numbers lie when each is one or two bytes, by which
// of its first ten bytes end a number: `size` 0 when they are not.
struct PackedBarShape {
  uint8_t size = 0;
  uint8_t start[5] = {};
  uint8_t two[5] = {};  // 1 where the number takes two bytes
};

constexpr std::array<PackedBarShape, 1024> MakePackedBarShapes() {
  std::array<PackedBarShape, 1024> shapes{};
  for (unsigned ends = 0; ends < 1024; ++ends) {
    PackedBarShape s;
    unsigned at = 0;
    int k = 0;
    for (; k < 5; ++k) {
      const bool one = ends >> at & 1;
      const bool second = !one && at + 1 < 10 && (ends >> (at + 1) & 1);
      if (!one && !second) break;
      s.start[k] = static_cast<uint8_t>(at);
      s.two[k] = second ? 1 : 0;
      at += second ? 2 : 1;
    }
    if (k == 5) s.size = static_cast<uint8_t>(at);
    shapes[ends] = s;
  }
  return shapes;
}
inline constexpr std::array<PackedBarShape, 1024> kPackedBarShapes = MakePackedBarShapes();

// A bar's five numbers at once where sixteen bytes are left and each is one
// or two bytes (nearly every bar): where the numbers end comes from one look
// at the bytes' high bits, so the next bar need not wait for five
// byte-by-byte reads. False leaves `at` where it was.
inline bool PackedBarShortNumbers(const uint8_t*& at, const uint8_t* end, int64_t v[5]) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (end - at < 16) return false;
  uint8_t bytes[16];
  std::memcpy(bytes, at, 16);
  uint64_t w[2];
  std::memcpy(w, bytes, 16);
  // The high bit of each byte gathered into one bit each, set where a byte
  // ends a number (no two of the multiplier's terms meet, so nothing
  // carries).
  const auto gather = [](uint64_t word) {
    return static_cast<unsigned>(((~word & 0x8080808080808080ull) >> 7) * 0x0102040810204080ull >>
                                 56);
  };
  const PackedBarShape& s = kPackedBarShapes[(gather(w[0]) | gather(w[1]) << 8) & 1023];
  if (s.size == 0) return false;
  for (int k = 0; k < 5; ++k) {
    const unsigned first = bytes[s.start[k]];
    const unsigned second = bytes[s.start[k] + s.two[k]];
    const uint64_t u = (first & 0x7f) | ((second << 7) & (0u - s.two[k]));
    v[k] = static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1);
  }
  at += s.size;
  return true;
}

// Reads packed bars; false for a blob that is not one (another layout,
// damage), with nothing to trust in what was taken.
class PackedBarsReader {
 public:
  explicit PackedBarsReader(std::string_view blob)
      : at_(reinterpret_cast<const uint8_t*>(blob.data())), end_(at_ + blob.size()) {}

  bool Begin(uint64_t* count) {
    if (at_ == end_) return false;
    const uint8_t layout = *at_++;
    if (layout != kPackedBarsLayout && layout != kPackedBarsExactLayout) return false;
    exact_ = layout == kPackedBarsExactLayout;
    uint64_t step = 0;
    if (!ReadVarint(at_, end_, count) || !ReadVarint(at_, end_, &step) ||
        (step != 1 && step != 10))
      return false;
    step_ = static_cast<int64_t>(step);
    // Every bar takes five bytes at least.
    return *count <= static_cast<uint64_t>(end_ - at_) / 5;
  }

  // The next `count` bars, each to `take(const PackedBar&)` in turn. With
  // `kShortFirst`, a bar's numbers are first looked for all at once: that
  // measured faster for the back-test's read, and slower than reading each
  // number in turn for the ranking's, so each reader picks its way.
  template <bool kShortFirst, typename Take>
  bool ReadBars(uint64_t count, Take&& take) {
    const uint8_t* at = at_;
    const uint8_t* const end = end_;
    const int64_t step = step_;
    int64_t day = day_;
    int64_t close = close_;
    for (uint64_t k = 0; k < count; ++k) {
      int64_t v[5];
      if (!kShortFirst || !PackedBarShortNumbers(at, end, v))
        for (int64_t& x : v)
          if (!ReadSignedVarint(at, end, &x)) return false;
      day += v[0];
      const int64_t prices[4] = {(v[1] + close) * step, (v[2] + close) * step,
                                 (v[3] + close) * step, (v[4] + close) * step};
      for (int64_t p : prices)
        if (p < INT32_MIN || p > INT32_MAX) return false;
      if (day < INT32_MIN || day > INT32_MAX) return false;
      close += v[4];
      take(PackedBar{static_cast<int32_t>(day), static_cast<int32_t>(prices[0]),
                     static_cast<int32_t>(prices[1]), static_cast<int32_t>(prices[2]),
                     static_cast<int32_t>(prices[3])});
    }
    at_ = at;
    day_ = day;
    close_ = close;
    return true;
  }

  bool AtEnd() const { return at_ == end_; }
  // Every price n / 1000.0 is the bars table's double (after Begin).
  bool Exact() const { return exact_; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  int64_t step_ = 1;
  int64_t day_ = 0;
  int64_t close_ = 0;
  bool exact_ = false;
};

// A price's thousandths when n / 1000.0 gives back the very double (bit for
// bit: not -0.0 for 0); kNoPrice else.
int32_t PackedBarsExactThousandths(std::optional<double> price);

// The bars of a blob of exact prices whose day lies in [first_day,
// after_last), to the front of `out` (grown, never shrunk: no bar is
// cleared before it is written); `count` gets how many and `held` the
// blob's bar count. False for a blob that is not exact packed bars.
bool UnpackExactBarsWithin(std::string_view blob, int32_t first_day, int32_t after_last,
                           std::vector<ExactDayBar>& out, uint64_t* held, size_t* count);

// A log row's fields after its code, from the six columns a statement
// gives from `first` on (fetched at, result, reason, bars, from, to).
void PriceLogFromColumns(const Statement& s, int first, PriceLogEntry* e);

// A stock's log row as a number: a packed row keeps the number of the log
// row written with it. Every write of bars writes the log row too (a build
// that knew no packed rows as well), so a number that no longer matches
// means bars the packed row may not hold.
int64_t PackedBarsStamp(const PriceLogEntry& log);

// The text of a day number, "YYYY-MM-DD".
std::string PackedBarsDateText(int32_t day);

// The first day whose text compares above `text` (or equal to it, when
// `inclusive`), byte for byte, as the bars table compares its 日期: the
// dates of four-digit years sort as their days do.
int32_t PackedBarsFirstDay(std::string_view text, bool inclusive);

}  // namespace store
