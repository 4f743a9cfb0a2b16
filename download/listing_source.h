// Where a download gets one board's listings of one date from. The list
// pages (GBK, cut by markers) are one kind of source; the JSON data centre
// gives the same rows from another format.
#pragma once

#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "download/download_request.h"
#include "download/page_fetch.h"
#include "download/page_scraper.h"
#include "download/source_kind.h"

namespace download {

// What a page cost and what its source had to leave out or change, for the
// download log; all 0 where a kind has nothing of the sort.
struct SourceNotes {
  int requests = 0;  // HTTP requests made for this page, retries included
  int retries = 0;   // requests repeated after a time-out, 429 or 5xx
  // Listings of the date whose code is on none of the three boards (other
  // exchanges): counted once per date, on the page that read the day's list.
  int skipped_codes = 0;
  // Characters outside GBK in the page's names, reasons and Seats, stored
  // as the mark (see UnmappedMark).
  int replaced_characters = 0;
  // Elements of the answers that were no listing or Seat and were left out.
  int unreadable_rows = 0;
  // Numbers given as texts that are no number, taken as missing.
  int odd_values = 0;
  // For the download log's 备注 (GBK): what the source had to say of the
  // page, e.g. where an answer it could not read was kept.
  std::string note;
  // Why the page failed, in a few English words for the command line
  // ("not JSON", "refused: 请求参数有误 (code 9501)"); empty when it did not.
  std::string detail;
  // What the user should read once (English lines), e.g. that the service
  // no longer takes a report and another is asked.
  std::vector<std::string> notices;
  // Answers that could not be read, kept in the cache folder.
  std::vector<std::filesystem::path> kept_answers;
};

// One board and date as a source gave it.
struct SourcePage {
  // The transfer: ok, why it failed, status and size. Its text may be
  // emptied once parsed.
  FetchResult fetch;
  // The rows, as they will be stored, and the piece count the "not yet
  // published" rule reads (see ParseListingPage).
  ParsedPage parsed;
  SourceNotes notes;
};

class ListingSource {
 public:
  virtual ~ListingSource() = default;
  // One board's listings of one date. Gives up as soon as `stop` is asked
  // to stop. Used from one thread at a time.
  virtual SourcePage Fetch(const PageKey& page, std::stop_token stop) = 0;
};

// The list pages at http://host/stock/smebt.php, over one reused
// connection.
class ListPageSource : public ListingSource {
 public:
  ListPageSource(std::string host, FetchLimits limits);
  SourcePage Fetch(const PageKey& page, std::stop_token stop) override;

 private:
  PageFetcher fetcher_;
};

// How gently the data centre is asked: one request at a time, `gap_ms`
// between the end of one and the start of the next; a request that timed
// out or got 429 or 5xx is repeated up to `max_retries` times, after
// `backoff_ms`, then twice that, and so on. After `give_up_after` failed
// pages in a row the source asks no more: every later page fails at once,
// as the last one did.
struct DataCentrePoliteness {
  int gap_ms = 300;
  int max_retries = 3;
  int backoff_ms = 1000;
  int give_up_after = 3;
  // Rows per answer: of the day's list and of the Seat reports.
  int page_size = 500;
};

// The source of a kind at `host`. The data centre keeps answers it cannot
// read in `answers_folder` (none: kept nowhere).
std::unique_ptr<ListingSource> MakeListingSource(SourceKind kind, const std::string& host,
                                                 const FetchLimits& limits,
                                                 const DataCentrePoliteness& politeness = {},
                                                 const std::filesystem::path& answers_folder = {});

}  // namespace download
