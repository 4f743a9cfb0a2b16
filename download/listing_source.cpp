#include "download/listing_source.h"

#include <utility>

#include "download/datacentre_source.h"

namespace download {

ListPageSource::ListPageSource(std::string host, FetchLimits limits)
    : fetcher_(std::move(host), limits) {}

SourcePage ListPageSource::Fetch(const PageKey& page, std::stop_token stop) {
  SourcePage result;
  result.fetch = fetcher_.FetchListingPage(page.market, page.date, std::move(stop));
  result.parsed = ParseListingPage(page.market, result.fetch.text);
  result.fetch.text.clear();
  result.notes.requests = 1;
  return result;
}

std::unique_ptr<ListingSource> MakeListingSource(SourceKind kind, const std::string& host,
                                                 const FetchLimits& limits,
                                                 const DataCentrePoliteness& politeness,
                                                 const std::filesystem::path& answers_folder) {
  if (kind == SourceKind::kDataCentre)
    return std::make_unique<DataCentreSource>(host, limits, politeness, answers_folder);
  return std::make_unique<ListPageSource>(host, limits);
}

}  // namespace download
