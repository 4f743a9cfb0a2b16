// Excerpts of the daily bars, in a table of Data.edb: "日线节选", one row
// per stock holding only the bars its listings' trades can reach (made by
// the back-test's read, which decides what is kept), the listing days and
// the longest hold they were made for, and every day the stock's bars were
// on, so that a reader of the excerpt knows the trading days without the
// bars it dropped. An excerpt is made for holds up to kBarExcerptHold
// days, the usual rule's: a longer hold reads the packed rows, since it
// reaches most bars anyway. An excerpt is a derived copy: it
// keeps the stamp of the packed row it was made from, one whose stamp does
// not match the stock's log row is not used, and writing a stock's bars
// deletes its excerpt.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/price_bars.h"
#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kBarExcerptsTable = "日线节选";
// The longest hold an excerpt is made for.
inline constexpr int32_t kBarExcerptHold = 5;

// One stock's excerpt as written.
struct BarExcerpt {
  std::string code;
  int64_t stamp = 0;            // the stamp of the packed row the bars came from
  int32_t hold = 0;             // made for holds up to this many trading days
  std::vector<int32_t> listed;  // the listing days it was made for, ascending
  // Bit (d - marks_from) of marks (low bit first): the stock had a bar on
  // day d, kept or not.
  int32_t marks_from = 0;
  std::vector<uint8_t> marks;
  std::vector<ExactDayBar> bars;  // the bars kept, in date order
};

// An excerpt laid out as the table keeps it, ready to write.
struct PackedBarExcerpt {
  std::string code;
  int64_t stamp = 0;
  std::string data;
};
PackedBarExcerpt PackBarExcerpt(const BarExcerpt& excerpt);

// One stock's excerpt as read; the spans are valid during the call only.
struct BarExcerptView {
  std::string_view code;
  int32_t hold = 0;
  std::span<const int32_t> listed;
  int32_t marks_from = 0;
  std::span<const uint8_t> marks;  // of every day, also those outside the dates asked
  std::span<const ExactDayBar> bars;  // the kept bars within the dates asked
  int32_t first_day = 0;           // the dates asked, as days: [first_day, after_last)
  int32_t after_last = 0;
};

const SideTable& BarExcerptsSideTable();

}  // namespace store
