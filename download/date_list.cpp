#include "download/date_list.h"

#include <algorithm>
#include <cmath>


namespace download {

std::vector<std::string> DownloadDates(const text::DateTime& start, const text::DateTime& end,
                                       std::optional<int> quick_range_days) {
  std::vector<std::string> dates;
  double days = std::trunc(end.DaysSince(start) + 1.0);
  if (quick_range_days) days = *quick_range_days;
  if (!(days >= 1.0)) return dates;
  // A range far beyond the limit is refused anyway; no need to walk it all.
  const int64_t n = static_cast<int64_t>(std::min(days, 1.0e7));
  for (int64_t i = 1; i <= n && dates.size() <= kMaxDownloadDates; ++i) {
    const text::DateTime d = end.AddDays(-(i - 1));
    const int weekday = d.Weekday();
    if (weekday == 0 || weekday == 6) continue;
    dates.push_back(d.DateText());
  }
  return dates;
}

}  // namespace download
