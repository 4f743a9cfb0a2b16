// What a download fetches, and the checks a request must pass before any
// page is fetched. The window and the command line make the same checks and
// refuse with the same messages.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "download/market.h"
#include "download/page_fetch.h"
#include "text/date_time.h"

namespace download {

// One page of a download: a board and a trading date ("YYYY-MM-DD").
struct PageKey {
  Market market = Market::kShanghai;
  std::string date;
  bool operator==(const PageKey&) const = default;
};

// Every board in download order, and within a board every date in the
// order given (latest first from the date list).
std::vector<PageKey> AllPages(const std::vector<std::string>& dates);

struct DownloadRequest {
  std::vector<PageKey> pages;  // fetched in this order
  bool replace = false;        // empty the store before the first page
  std::string source_host;     // host[:port]
  FetchLimits fetch_limits;
  // The local date and time, for the download log: each page's fetch time,
  // and the run's day, whose empty lists count as not yet published. Empty:
  // the system's clock.
  std::function<text::DateTime()> local_time;
};

// Why a download does not start.
enum class Refusal {
  kNone,
  kNoDataChoice,  // neither keep nor replace chosen
  kStartAfterEnd,
  kNoDates,
  kTooManyDates,
};

// The first check that fails, in the window's order: the keep/replace
// choice, the range order (end earlier than start as points in time), an
// empty date list, more than kMaxDownloadDates dates.
Refusal CheckDownload(bool keep, bool replace, const text::DateTime& start,
                      const text::DateTime& end, size_t date_count);

// The message of a refusal (GBK), as the window shows it; empty for kNone.
const std::string& RefusalMessage(Refusal refusal);

}  // namespace download
