#include "cli/date_range.h"

#include "cli/messages.h"
#include "download/date_list.h"
#include "download/download_request.h"
#include "text/gbk.h"

namespace cli {
namespace {

const char* const kNoRange =
    "choose a range: --today, --week, --month, --quarter, --half-year, --year, or --from DATE "
    "[--to DATE]";

// The range's two ends; the refusal when --to alone was given or the
// start is later than the end.
struct Ends {
  text::DateTime start;
  text::DateTime end;
  std::optional<std::string> refusal;
};

Ends RangeEnds(const RangeOptions& range, const text::DateTime& now) {
  Ends ends;
  const text::DateTime today = ParseDate(now.DateText()).value_or(now);
  ends.end = range.to ? ParseDate(*range.to).value_or(today) : today;
  if (range.quick) {
    const int days = download::kQuickRangeDays[*range.quick];
    ends.start = ends.end.AddDays(-(days - 1));
    return ends;
  }
  if (!range.from) {
    ends.refusal = "--to needs --from DATE or a quick range such as --week";
    return ends;
  }
  ends.start = ParseDate(*range.from).value_or(today);
  if (ends.end < ends.start)
    ends.refusal = OneLine(download::RefusalMessage(download::Refusal::kStartAfterEnd));
  return ends;
}

}  // namespace

std::optional<text::DateTime> ParseDate(std::string_view t) {
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
  int parts[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8};
  const size_t lengths[3] = {4, 2, 2};
  for (int p = 0; p < 3; ++p) {
    for (size_t i = starts[p]; i < starts[p] + lengths[p]; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      parts[p] = parts[p] * 10 + (t[i] - '0');
    }
  }
  if (parts[0] < 1900 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1) return std::nullopt;
  const text::DateTime d = text::DateTime::FromParts(parts[0], parts[1], parts[2]);
  // 2010-02-30 would roll over into March.
  if (d.DateText() != t) return std::nullopt;
  return d;
}

PlanOrRefusal PlanDownload(const RangeOptions& range, bool replace, const text::DateTime& now) {
  PlanOrRefusal out;
  if (!range.Given()) {
    out.refusal = kNoRange;
    return out;
  }
  // The window sets an end date after today back to today, with this
  // message.
  if (range.to && *range.to > now.DateText()) {
    out.refusal = OneLine(text::Gbk("已超出交易日期范围，请重新选择！"));
    return out;
  }
  const Ends ends = RangeEnds(range, now);
  if (ends.refusal) {
    out.refusal = ends.refusal;
    return out;
  }
  std::optional<int> quick_days;
  if (range.quick) quick_days = download::kQuickRangeDays[*range.quick];
  out.plan.dates = download::DownloadDates(ends.start, ends.end, quick_days);
  out.plan.today_only = range.quick == 0;
  // Keeping the stored data unless --replace: the window's first check
  // (neither chosen) cannot fail here.
  const download::Refusal refusal =
      download::CheckDownload(!replace, replace, ends.start, ends.end, out.plan.dates.size());
  if (refusal != download::Refusal::kNone) out.refusal = OneLine(download::RefusalMessage(refusal));
  return out;
}

FilterOrRefusal ExportFilter(const RangeOptions& range, const text::DateTime& now) {
  FilterOrRefusal out;
  if (!range.Given()) return out;
  const Ends ends = RangeEnds(range, now);
  if (ends.refusal) {
    out.refusal = ends.refusal;
    return out;
  }
  out.filter.from = ends.start.DateText();
  out.filter.to = ends.end.DateText();
  return out;
}

}  // namespace cli
