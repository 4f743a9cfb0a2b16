// Which pages of a range the store holds, by the download log, and which
// of them a gap fill downloads. No window in it: the log's page and the
// command line use the same calls.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "download/download_request.h"
#include "store/download_log.h"
#include "store/record_store.h"
#include "text/date_time.h"

namespace coverage {

// The weekdays of a range, latest first, "YYYY-MM-DD": counted back from
// `end` as the download's date list counts (the days from start to end,
// fraction included, plus one, or `quick_range_days`), without its limit of
// a year; ranges beyond a hundred years are cut there.
std::vector<std::string> RangeWeekdays(const text::DateTime& start, const text::DateTime& end,
                                       std::optional<int> quick_range_days = std::nullopt);

// What the log says of one date, board by board (index = board number);
// none: never downloaded.
struct DayCoverage {
  std::string date;
  std::array<std::optional<store::PageLogEntry>, 3> boards;
};

struct Coverage {
  // The file has a log. Without one every page counts as never downloaded
  // until the log is rebuilt from the listings.
  bool log_present = false;
  std::vector<DayCoverage> days;  // in the order of the dates asked for
  std::optional<store::StoreError> error;
};

// The log's rows for `dates` ("YYYY-MM-DD", any order), read in one store
// access that writes nothing.
Coverage ReadCoverage(store::Store& store, const std::vector<std::string>& dates);

// A page the gap fill downloads: never downloaded, failed, or not yet
// published. Pages whose listings are stored, or whose list was empty
// ("无上榜"), are never fetched again.
bool NeedsFetch(const std::optional<store::PageLogEntry>& row);

struct PagePlan {
  std::vector<download::PageKey> pages;
  bool log_present = false;
  std::optional<store::StoreError> error;  // nothing planned then
};

// The pages of `dates` that need fetching, in download order (boards
// outer, dates inner in the order given). For the gap fill and
// `quorvane-cli download --missing-only`.
PagePlan PlanMissingPages(store::Store& store, const std::vector<std::string>& dates);
// The same among `pages` only, in their order (one cell of the log's page).
PagePlan PlanMissingPages(store::Store& store, const std::vector<download::PageKey>& pages);

// The pages among `pages` whose listings the log says are in the store (a
// new fetch would store them a second time), and the others, each in the
// order given. A page with an empty list stores nothing and is no such
// page.
struct StoredSplit {
  std::vector<download::PageKey> stored;
  std::vector<download::PageKey> others;
  std::optional<store::StoreError> error;  // every page in `others` then
};
StoredSplit SplitStoredPages(store::Store& store, const std::vector<download::PageKey>& pages);

// One page that needs fetching and why: no row (never downloaded), or the
// row that says it failed or was not yet published.
struct PageGap {
  download::PageKey page;
  std::optional<store::PageLogEntry> row;
};

struct GapList {
  std::vector<PageGap> gaps;  // in download order
  bool log_present = false;
  std::optional<store::StoreError> error;
};

// The missing, failed and not yet published pages of `dates`, for
// `quorvane-cli check`.
GapList ListGaps(store::Store& store, const std::vector<std::string>& dates);

// The totals the log's page shows.
struct CoverageTotals {
  int days = 0;
  int complete_days = 0;  // every board stored or "无上榜"
  int failed_pages = 0;
  int missing_pages = 0;  // never downloaded
  int unpublished_pages = 0;
  bool operator==(const CoverageTotals&) const = default;
};
CoverageTotals CountCoverage(const Coverage& coverage);

// Why a failed page failed, for a tooltip or a report (GBK): "连接失败",
// "下载超时", "状态码 500", "空白页面", "页面无列表", "页面过大", "写入失败".
std::string FailureText(const store::PageLogEntry& row);

}  // namespace coverage
