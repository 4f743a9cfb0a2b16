#include "download/download_run.h"

#include <utility>

#include "download/page_scraper.h"

namespace download {
namespace {

DownloadSummary Fail(DownloadSummary summary, std::optional<store::StoreError> error) {
  summary.end = RunEnd::kStoreFailed;
  summary.error = error ? std::move(error) : store::StoreError{};
  return summary;
}

DownloadSummary Run(store::Store& store, const DownloadRequest& request, ListingSource& source,
                    ProgressSink& sink, std::stop_token stop) {
  DownloadSummary summary;
  summary.planned = static_cast<int>(request.pages.size());
  if (stop.stop_requested()) {
    summary.end = RunEnd::kStopped;
    return summary;
  }

  store::StoreAccess access = store.OpenStore(store::AccessMode::kWriter);
  if (!access.ok()) return Fail(std::move(summary), access.error());
  access.GoToFirst();
  if (request.replace) {
    if (!access.RemoveAll()) {
      auto error = access.error();
      access.CloseStore();
      return Fail(std::move(summary), std::move(error));
    }
    summary.store_changed = true;
  }
  sink.RunStarted(summary.planned);

  std::optional<Market> market;
  for (size_t i = 0; i < request.pages.size(); ++i) {
    if (stop.stop_requested()) break;
    const PageKey& key = request.pages[i];
    if (market != key.market) {
      market = key.market;
      sink.MarketStarted(key.market);
    }
    sink.PageStarted(key, static_cast<int>(i));

    PageReport report;
    report.page = key;
    report.index = static_cast<int>(i);
    SourcePage fetched = source.Fetch(key, stop);
    // A transfer cut short by the stop request is no page.
    if (stop.stop_requested()) break;
    report.fetch = std::move(fetched.fetch);
    report.fetch.text.clear();
    const ScrapeResult scraped = StoreListings(fetched.parsed, key.date, access);
    if (scraped.error) {
      // Every page before this one is committed; this one was rolled back.
      access.CloseStore();
      return Fail(std::move(summary), scraped.error);
    }
    report.piece_count = scraped.piece_count;
    report.stored = scraped.stored;
    summary.last_piece_count = scraped.piece_count;
    summary.stored += scraped.stored;
    if (scraped.stored > 0) summary.store_changed = true;
    ++summary.done;
    if (!report.fetch.ok) ++summary.failed;
    sink.PageDone(report, summary);
  }

  if (stop.stop_requested()) {
    access.CloseStore();
    summary.end = RunEnd::kStopped;
    return summary;
  }
  access.GoToFirst();
  summary.first_record_date = access.ReadField(store::kDate);
  if (auto error = access.CloseStore()) return Fail(std::move(summary), std::move(error));
  summary.end = RunEnd::kCompleted;
  return summary;
}

}  // namespace

DownloadSummary RunDownload(store::Store& store, const DownloadRequest& request,
                            ListingSource& source, ProgressSink& sink, std::stop_token stop) {
  DownloadSummary summary = Run(store, request, source, sink, std::move(stop));
  // Into the main file with it: Data.edb alone then holds the run, whatever
  // ends the process later.
  if (summary.store_changed) store.Checkpoint();
  sink.Finished(summary);
  return summary;
}

DownloadSummary RunDownload(store::Store& store, const DownloadRequest& request, ProgressSink& sink,
                            std::stop_token stop) {
  ListPageSource pages(request.source_host, request.fetch_limits);
  return RunDownload(store, request, pages, sink, std::move(stop));
}

}  // namespace download
