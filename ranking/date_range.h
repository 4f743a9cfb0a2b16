// Date ranges of the ranking page: the quick ranges, the range between two
// date boxes, and the one lookup of the listings whose date lies in a range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/record_store.h"
#include "text/date_time.h"

namespace ranking {

// Listing dates from `from` to `to`, both included, as "YYYY-MM-DD"; or
// every listing of the store.
struct DateRange {
  std::string from;
  std::string to;
  bool whole_store = false;
  bool operator==(const DateRange&) const = default;
};

// The page's quick ranges, in the order of their buttons.
enum class QuickRange { kWeek, kMonth, kQuarter, kHalfYear, kYear, kAll };
inline constexpr int kQuickRangeCount = 6;
// Calendar days of 近一周 … 近一年, up to and including today (the counts
// of the download page's quick ranges).
inline constexpr int kQuickRangeDays[kQuickRangeCount - 1] = {7, 31, 92, 182, 365};

DateRange QuickRangeEndingOn(QuickRange quick, const text::DateTime& today);
// The days between two date boxes, the earlier one first.
DateRange RangeBetween(const text::DateTime& a, const text::DateTime& b);
// The date `days` calendar days after "YYYY-MM-DD"; a text that is no such
// date comes back as it is.
std::string DaysAfter(std::string_view date, int days);
// "YYYY-MM-DD" as a date box value (midnight); none for another text.
std::optional<text::DateTime> DateOf(std::string_view date);

struct RecordLookup {
  std::vector<int64_t> numbers;  // ascending
  std::optional<store::StoreError> error;
};
// The record numbers of the listings whose 日期 lies in [from, to] (texts
// compared byte for byte), in one store access.
RecordLookup RecordNumbersInDateRange(store::Store& store, std::string_view from,
                                      std::string_view to);

}  // namespace ranking
