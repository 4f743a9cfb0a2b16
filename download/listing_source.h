// Where a download gets one board's listings of one date from. The list
// pages (GBK, cut by markers) are one kind of source; others give the same
// rows from another format.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "download/download_request.h"
#include "download/page_fetch.h"
#include "download/page_scraper.h"

namespace download {

// One board and date as a source gave it.
struct SourcePage {
  // The transfer: ok, why it failed, status and size. Its text may be
  // emptied once parsed.
  FetchResult fetch;
  // The rows, as they will be stored, and the piece count the "not yet
  // published" rule reads (see ParseListingPage).
  ParsedPage parsed;
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

}  // namespace download
