// The trading dates a download fetches: weekdays of the chosen range,
// latest first.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/date_time.h"

namespace download {

// More dates than this are refused by the download.
inline constexpr size_t kMaxDownloadDates = 264;

// Day counts of the quick ranges "今  天" … "近一年".
inline constexpr int kQuickRangeDays[6] = {1, 7, 31, 92, 182, 365};

// The dates from `end` backwards: n = (end - start in days, fraction
// included) + 1, cut toward zero, or `quick_range_days` when a quick range is
// chosen; Saturdays and Sundays left out; "YYYY-MM-DD". Stops after
// kMaxDownloadDates + 1 dates, which is already too many to download.
std::vector<std::string> DownloadDates(const text::DateTime& start, const text::DateTime& end,
                                       std::optional<int> quick_range_days);

}  // namespace download
