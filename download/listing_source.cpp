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

DataCentrePoliteness PolitenessOf(const program::ProgramSettings& settings) {
  DataCentrePoliteness p;
  p.gap_ms = settings.datacentre_gap_ms;
  p.max_retries = settings.datacentre_retries;
  p.backoff_ms = settings.datacentre_backoff_ms;
  return p;
}

std::unique_ptr<ListingSource> MakeListingSource(program::SourceKind kind, const std::string& host,
                                                 const FetchLimits& limits,
                                                 const DataCentrePoliteness& politeness,
                                                 const std::filesystem::path& answers_folder) {
  if (kind == program::SourceKind::kDataCentre)
    return std::make_unique<DataCentreSource>(host, limits, politeness, answers_folder);
  return std::make_unique<ListPageSource>(host, limits);
}

std::unique_ptr<ListingSource> MakeListingSource(const program::ProgramSettings& settings,
                                                 const FetchLimits& limits) {
  return MakeListingSource(settings.source_kind, settings.source_host, limits,
                           PolitenessOf(settings), settings.answers_folder);
}

}  // namespace download
