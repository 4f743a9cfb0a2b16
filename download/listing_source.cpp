#include "download/listing_source.h"

#include <utility>

namespace download {

ListPageSource::ListPageSource(std::string host, FetchLimits limits)
    : fetcher_(std::move(host), limits) {}

SourcePage ListPageSource::Fetch(const PageKey& page, std::stop_token stop) {
  SourcePage result;
  result.fetch = fetcher_.FetchListingPage(page.market, page.date, std::move(stop));
  result.parsed = ParseListingPage(page.market, result.fetch.text);
  result.fetch.text.clear();
  return result;
}

}  // namespace download
