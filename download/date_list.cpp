#include "download/date_list.h"

#include <algorithm>
#include <cmath>

#include "download/download_control.h"

namespace download {

std::vector<std::string> DownloadDates(const ui::DateTime& start, const ui::DateTime& end,
                                       std::optional<int> quick_range_days) {
  std::vector<std::string> dates;
  double days = std::trunc(end.DaysSince(start) + 1.0);
  if (quick_range_days) days = *quick_range_days;
  if (!(days >= 1.0)) return dates;
  // A range far beyond the limit is refused anyway; no need to walk it all.
  const int64_t n = static_cast<int64_t>(std::min(days, 1.0e7));
  for (int64_t i = 1; i <= n && dates.size() <= kMaxDownloadDates; ++i) {
    const ui::DateTime d = end.AddDays(-(i - 1));
    const int weekday = d.Weekday();
    if (weekday == 0 || weekday == 6) continue;
    dates.push_back(d.DateText());
  }
  return dates;
}

void BuildDownloadDateList(listing::ProgramContext& ctx) {
  ui::MainWindow& w = ctx.window;
  // The checked quick range counts back from the end date; being radio
  // buttons, at most one is checked, and the last checked one in this order
  // would win.
  const ui::RadioButton* quick[6] = {&w.单选框_日, &w.单选框_周,   &w.单选框_月,
                                     &w.单选框_季, &w.单选框_半年, &w.单选框_年};
  std::optional<int> quick_days;
  for (int i = 0; i < 6; ++i)
    if (quick[i]->checked()) quick_days = kQuickRangeDays[i];
  ctx.state.download_date_list = DownloadDates(w.日期框1.value(), w.日期框2.value(), quick_days);
}

}  // namespace download
