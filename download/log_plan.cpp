#include "download/log_plan.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "text/gbk.h"

namespace coverage {
namespace {

constexpr double kMaxRangeDays = 36525;  // a hundred years

struct PlanTexts {
  std::string connection = text::Gbk("连接失败");
  std::string timeout = text::Gbk("下载超时");
  std::string status = text::Gbk("状态码 ");
  std::string empty_body = text::Gbk("空白页面");
  std::string no_list = text::Gbk("页面无列表");
  std::string too_big = text::Gbk("页面过大");
  std::string write_failed = text::Gbk("写入失败");
  std::string bad_answer = text::Gbk("应答无法读取");
  std::string certificate = text::Gbk("证书验证失败");
  std::string refused = text::Gbk("服务拒绝请求");
  std::string redirect = text::Gbk("重定向未跟随");
  std::string failed = text::Gbk("失败");
};

const PlanTexts& PlanT() {
  static const PlanTexts texts;
  return texts;
}

size_t BoardIndex(download::Market m) {
  return static_cast<size_t>(download::BoardNumber(m));
}

// The days of `coverage` by date.
std::unordered_map<std::string_view, const DayCoverage*> DaysByDate(const Coverage& coverage) {
  std::unordered_map<std::string_view, const DayCoverage*> days;
  days.reserve(coverage.days.size());
  for (const DayCoverage& day : coverage.days) days.emplace(day.date, &day);
  return days;
}

std::vector<std::string> DatesOf(const std::vector<download::PageKey>& pages) {
  std::vector<std::string> dates;
  dates.reserve(pages.size());
  for (const download::PageKey& page : pages) dates.push_back(page.date);
  std::sort(dates.begin(), dates.end());
  dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
  return dates;
}

}  // namespace

std::vector<std::string> RangeWeekdays(const text::DateTime& start, const text::DateTime& end,
                                       std::optional<int> quick_range_days) {
  std::vector<std::string> dates;
  double days = std::trunc(end.DaysSince(start) + 1.0);
  if (quick_range_days) days = *quick_range_days;
  if (!(days >= 1.0)) return dates;
  const int64_t n = static_cast<int64_t>(std::min(days, kMaxRangeDays));
  dates.reserve(static_cast<size_t>(n * 5 / 7 + 2));
  for (int64_t i = 0; i < n; ++i) {
    const text::DateTime d = end.AddDays(-i);
    const int weekday = d.Weekday();
    if (weekday == 0 || weekday == 6) continue;
    dates.push_back(d.DateText());
  }
  return dates;
}

Coverage ReadCoverage(store::Store& store, const std::vector<std::string>& dates) {
  Coverage coverage;
  store::StoreAccess access = store.OpenStore();
  if (!access.ok()) {
    coverage.error = access.error();
    return coverage;
  }
  store::PageLogRows rows;
  bool ok = true;
  if (dates.empty()) {
    // Only whether the file has a log: an empty range reads no rows.
    ok = access.ReadPageLog("1", "0", &rows);
  } else {
    const auto [first, last] = std::minmax_element(dates.begin(), dates.end());
    ok = access.ReadPageLog(*first, *last, &rows);
  }
  auto closed = access.CloseStore();
  if (!ok || closed) {
    coverage.error = closed ? closed : access.error();
    if (!coverage.error) coverage.error = store::StoreError{};
    return coverage;
  }
  coverage.log_present = rows.present;
  coverage.days.resize(dates.size());
  std::unordered_map<std::string_view, DayCoverage*> by_date;
  by_date.reserve(dates.size());
  for (size_t i = 0; i < dates.size(); ++i) {
    coverage.days[i].date = dates[i];
    by_date.emplace(coverage.days[i].date, &coverage.days[i]);
  }
  for (store::PageLogEntry& row : rows.rows) {
    if (row.board < 0 || row.board > 2) continue;
    auto it = by_date.find(row.date);
    if (it == by_date.end()) continue;  // a date between the ones asked for
    it->second->boards[static_cast<size_t>(row.board)] = std::move(row);
  }
  return coverage;
}

bool NeedsFetch(const std::optional<store::PageLogEntry>& row) {
  if (!row) return true;
  return row->outcome != store::PageOutcome::kStored &&
         row->outcome != store::PageOutcome::kNoListings;
}

PagePlan PlanMissingPages(store::Store& store, const std::vector<download::PageKey>& pages) {
  PagePlan plan;
  const Coverage coverage = ReadCoverage(store, DatesOf(pages));
  plan.log_present = coverage.log_present;
  if (coverage.error) {
    plan.error = coverage.error;
    return plan;
  }
  const auto days = DaysByDate(coverage);
  for (const download::PageKey& page : pages) {
    const DayCoverage* day = days.at(page.date);
    if (NeedsFetch(day->boards[BoardIndex(page.market)])) plan.pages.push_back(page);
  }
  return plan;
}

PagePlan PlanMissingPages(store::Store& store, const std::vector<std::string>& dates) {
  return PlanMissingPages(store, download::AllPages(dates));
}

StoredSplit SplitStoredPages(store::Store& store, const std::vector<download::PageKey>& pages) {
  StoredSplit split;
  const Coverage coverage = ReadCoverage(store, DatesOf(pages));
  if (coverage.error) {
    split.error = coverage.error;
    split.others = pages;
    return split;
  }
  const auto days = DaysByDate(coverage);
  for (const download::PageKey& page : pages) {
    const auto& row = days.at(page.date)->boards[BoardIndex(page.market)];
    const bool stored = row && row->outcome == store::PageOutcome::kStored;
    (stored ? split.stored : split.others).push_back(page);
  }
  return split;
}

GapList ListGaps(store::Store& store, const std::vector<std::string>& dates) {
  GapList list;
  const Coverage coverage = ReadCoverage(store, dates);
  list.log_present = coverage.log_present;
  if (coverage.error) {
    list.error = coverage.error;
    return list;
  }
  for (const download::Market market : download::kMarkets) {
    for (const DayCoverage& day : coverage.days) {
      const auto& row = day.boards[BoardIndex(market)];
      if (NeedsFetch(row)) list.gaps.push_back(PageGap{download::PageKey{market, day.date}, row});
    }
  }
  return list;
}

CoverageTotals CountCoverage(const Coverage& coverage) {
  CoverageTotals totals;
  for (const DayCoverage& day : coverage.days) {
    ++totals.days;
    bool complete = true;
    for (const auto& row : day.boards) {
      if (NeedsFetch(row)) complete = false;
      if (!row) {
        ++totals.missing_pages;
      } else if (row->outcome == store::PageOutcome::kFailed) {
        ++totals.failed_pages;
      } else if (row->outcome == store::PageOutcome::kNotPublished) {
        ++totals.unpublished_pages;
      }
    }
    if (complete) ++totals.complete_days;
  }
  return totals;
}

std::string FailureText(const store::PageLogEntry& row) {
  switch (row.failure) {
    case store::PageFailure::kConnection:
      return PlanT().connection;
    case store::PageFailure::kTimeout:
      return PlanT().timeout;
    case store::PageFailure::kStatus:
      return PlanT().status + std::to_string(row.status);
    case store::PageFailure::kEmptyBody:
      return PlanT().empty_body;
    case store::PageFailure::kNoList:
      return PlanT().no_list;
    case store::PageFailure::kTooBig:
      return PlanT().too_big;
    case store::PageFailure::kWriteFailed:
      return PlanT().write_failed;
    case store::PageFailure::kBadAnswer:
      return PlanT().bad_answer;
    case store::PageFailure::kCertificate:
      return PlanT().certificate;
    case store::PageFailure::kRefused:
      return PlanT().refused;
    case store::PageFailure::kRedirect:
      return PlanT().redirect;
    case store::PageFailure::kNone:
      break;
  }
  return PlanT().failed;
}

}  // namespace coverage
