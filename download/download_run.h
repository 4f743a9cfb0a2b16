// One download run: opens the store, empties it when asked, fetches and
// stores every page of the request in order, and reports each step to a
// progress sink. It knows nothing of a window: the window and the command
// line each turn the reports into what their user sees.
#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_request.h"
#include "download/listing_source.h"
#include "download/page_fetch.h"
#include "store/download_log.h"
#include "store/record_store.h"
#include "text/date_time.h"

namespace download {

// One page as the run found it.
struct PageReport {
  PageKey page;
  int index = 0;            // 0-based position in the request
  int piece_count = 0;      // row pieces of the list block (see ParseListingPage)
  int stored = 0;           // listings appended
  FetchResult fetch;        // the transfer's outcome, status and size (no text)
  store::PageLogEntry log;  // the page's row of the download log, as it stands
  // Why this fetch of the page failed (kNone: it did not). A page whose
  // answer came but held no list has failed as much as one that never came;
  // `log` may still show an earlier complete fetch of it.
  store::PageFailure failure = store::PageFailure::kNone;
  SourceNotes notes;        // what the source had to say of the page
};

// The download log's row for a page as a source gave it, fetched at `now`;
// `today` is the run's local day ("YYYY-MM-DD"). A fetch that failed gives
// its reason; an answer of no bytes, "empty body"; a body without the list
// block (cut short, a notice, garbage), "no list"; a list without a stock,
// "未发布" on `today` and "无上榜" on any other day; else the listings
// stored. A page cut short by a stop request is not logged at all.
store::PageLogEntry PageLogOf(const PageKey& page, const SourcePage& fetched,
                              std::string_view today, const text::DateTime& now);

// This computer's local time, to the second.
text::DateTime SystemLocalTime();
// "YYYY-MM-DD HH:MM:SS".
std::string FetchTimeText(const text::DateTime& t);

// How a run ended.
enum class RunEnd {
  kCompleted,
  kStopped,      // asked to stop: the page being stored was finished first
  kStoreFailed,  // the store could not be opened, emptied, written or closed
};

struct DownloadSummary {
  RunEnd end = RunEnd::kCompleted;
  int planned = 0;  // pages of the request
  int done = 0;     // pages fetched and processed, failed ones included
  int failed = 0;   // pages that failed: no answer, or no list in it
  int stored = 0;   // listings appended
  // Row pieces of the last page processed ("本日数据暂未上传" tells by it).
  int last_piece_count = 0;
  // Field 日期 of the store's first record after the run (empty when the
  // store is empty); read only when the run completed.
  std::string first_record_date;
  std::optional<store::StoreError> error;  // when end is kStoreFailed
  // The store had been written before the failure: what was committed
  // stays and is worth showing.
  bool store_changed = false;
  // Answers that could not be read, kept for the user (see AnswerKeeper).
  std::vector<std::filesystem::path> kept_answers;
};

// Receives the run's reports on the run's own thread, in this order:
// RunStarted once the store is open (and emptied), then per page
// MarketStarted when the board changes, PageStarted, and PageDone; Finished
// last, on every way out.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void RunStarted(int /*planned_pages*/) {}
  virtual void MarketStarted(Market /*market*/) {}
  virtual void PageStarted(const PageKey& /*page*/, int /*index*/) {}
  // The page was fetched and stored, or it failed (report.failure) and
  // nothing was stored.
  virtual void PageDone(const PageReport& /*report*/, const DownloadSummary& /*so_far*/) {}
  virtual void Finished(const DownloadSummary& /*summary*/) {}
};

// Runs the whole download on the calling thread, with the pages of the
// request's host. Stops between pages, and during a transfer, when `stop`
// is asked to stop; the page being stored is always completed or rolled
// back whole. Every page fetched gets its row in the download log, in the
// same transaction as its listings; a page whose listings could not be
// written gets a "write failure" row afterwards when the store still takes
// one. A fetch that stores nothing leaves the row of a page whose listings
// or empty list are already in the store as it is.
DownloadSummary RunDownload(store::Store& store, const DownloadRequest& request, ProgressSink& sink,
                            std::stop_token stop = {});
// The same from another source (the request's host and limits unused).
DownloadSummary RunDownload(store::Store& store, const DownloadRequest& request,
                            ListingSource& source, ProgressSink& sink, std::stop_token stop = {});

}  // namespace download
