// The date ranges of download and export, from their options: a quick
// range ("--week", counting back from --to or today) or --from/--to, with
// the window's rules and refusals.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_time.h"

namespace cli {

// Listing dates from `from` to `to`, both included ("YYYY-MM-DD"); an
// empty end is open.
struct DateFilter {
  std::string from;
  std::string to;
  bool Holds(std::string_view date) const {
    return (from.empty() || date >= from) && (to.empty() || date <= to);
  }
};

// The quick ranges in the window's order ("今  天" … "近一年").
struct QuickRange {
  const char* option;  // "--today"
  const char* help;
};
inline constexpr QuickRange kQuickRanges[6] = {
    {"--today", "the end date only"},
    {"--week", "the 7 days up to the end date"},
    {"--month", "the 31 days up to the end date"},
    {"--quarter", "the 92 days up to the end date"},
    {"--half-year", "the 182 days up to the end date"},
    {"--year", "the 365 days up to the end date"},
};

struct RangeOptions {
  std::optional<int> quick;  // index into kQuickRanges
  std::optional<std::string> from;
  std::optional<std::string> to;
  bool Given() const { return quick || from || to; }
};

// A real calendar day written "YYYY-MM-DD", at midnight.
std::optional<text::DateTime> ParseDate(std::string_view text);

struct DownloadPlan {
  std::vector<std::string> dates;  // weekdays, latest first
  bool today_only = false;         // --today: "not yet published" is told
};

struct PlanOrRefusal {
  DownloadPlan plan;
  std::optional<std::string> refusal;  // one UTF-8 line
};

// The download's dates as the window makes them, or the window's refusal:
// an end after today, a start after the end, no weekday in the range, more
// than a year of dates.
PlanOrRefusal PlanDownload(const RangeOptions& range, bool replace, const text::DateTime& now);

struct FilterOrRefusal {
  DateFilter filter;
  std::optional<std::string> refusal;
};

// The listing dates an export takes: the range's calendar days (a quick
// range counts back from --to or today); every date without a range.
FilterOrRefusal ExportFilter(const RangeOptions& range, const text::DateTime& now);

}  // namespace cli
