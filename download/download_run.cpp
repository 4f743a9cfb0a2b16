#include "download/download_run.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

#include "download/page_scraper.h"

namespace download {
namespace {


store::PageFailure FailureOf(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::kTimeout:
      return store::PageFailure::kTimeout;
    case FetchFailure::kStatus:
      return store::PageFailure::kStatus;
    case FetchFailure::kTooBig:
      return store::PageFailure::kTooBig;
    case FetchFailure::kCertificate:
      return store::PageFailure::kCertificate;
    case FetchFailure::kBadAnswer:
      return store::PageFailure::kBadAnswer;
    case FetchFailure::kRefused:
      return store::PageFailure::kRefused;
    case FetchFailure::kRedirect:
      return store::PageFailure::kRedirect;
    case FetchFailure::kNone:
    case FetchFailure::kConnection:
    case FetchFailure::kStopped:
      break;
  }
  return store::PageFailure::kConnection;
}

bool Complete(store::PageOutcome outcome) {
  return outcome == store::PageOutcome::kStored || outcome == store::PageOutcome::kNoListings;
}

// A page whose listings (or empty list) are in the store keeps its row when
// a later fetch of it stores nothing, so that the log never calls a page
// missing whose listings are there, and the gap fill never fetches it
// again. Gives the row that stays in `row`.
bool KeepsItsRow(store::StoreAccess& access, const store::PageLogEntry& fresh,
                 store::PageLogEntry* row) {
  if (fresh.outcome == store::PageOutcome::kStored) return false;
  std::optional<store::PageLogEntry> existing;
  if (!access.ReadPageLogRow(fresh.board, fresh.date, &existing) || !existing) return false;
  if (!Complete(existing->outcome)) return false;
  *row = std::move(*existing);
  return true;
}

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

  const auto now = [&request] {
    return request.local_time ? request.local_time() : SystemLocalTime();
  };
  const std::string today = now().DateText();

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
    fetched.fetch.text.clear();
    report.log = PageLogOf(key, fetched, today, now());
    report.fetch = std::move(fetched.fetch);
    report.notes = std::move(fetched.notes);
    if (report.log.outcome == store::PageOutcome::kFailed) report.failure = report.log.failure;
    for (const auto& kept : report.notes.kept_answers) summary.kept_answers.push_back(kept);
    const bool keep_row = KeepsItsRow(access, report.log, &report.log);
    const ScrapeResult scraped =
        StoreListings(fetched.parsed, key.date, access, keep_row ? nullptr : &report.log);
    if (scraped.error) {
      // Every page before this one is committed; this one was rolled back,
      // its row with it. The log says so if the store still takes a row
      // (a store held by another program would not).
      report.log.outcome = store::PageOutcome::kFailed;
      report.log.failure = store::PageFailure::kWriteFailed;
      report.log.listings = 0;
      store::PageLogEntry kept;
      if (scraped.error->kind != store::ErrorKind::kBusy && !KeepsItsRow(access, report.log, &kept))
        access.WritePageLog(report.log);
      access.CloseStore();
      return Fail(std::move(summary), scraped.error);
    }
    report.piece_count = scraped.piece_count;
    report.stored = scraped.stored;
    summary.last_piece_count = scraped.piece_count;
    summary.stored += scraped.stored;
    if (scraped.stored > 0) summary.store_changed = true;
    ++summary.done;
    if (report.failure != store::PageFailure::kNone) ++summary.failed;
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

text::DateTime SystemLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return text::DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec);
}

std::string FetchTimeText(const text::DateTime& t) {
  char buf[24];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.Hour(), t.Minute(), t.Second());
  return t.DateText() + buf;
}

store::PageLogEntry PageLogOf(const PageKey& page, const SourcePage& fetched,
                              std::string_view today, const text::DateTime& now) {
  store::PageLogEntry e;
  e.board = BoardNumber(page.market);
  e.date = page.date;
  e.status = fetched.fetch.status;
  e.bytes = static_cast<int64_t>(fetched.fetch.body_bytes);
  e.fetched_at = FetchTimeText(now);
  // What a source left out: listings of other exchanges, and elements of
  // its answers that were no listing; its note says why.
  e.skipped = fetched.notes.skipped_codes + fetched.notes.unreadable_rows;
  e.note = fetched.notes.note;
  const ParsedPage& parsed = fetched.parsed;
  if (!fetched.fetch.ok) {
    e.outcome = store::PageOutcome::kFailed;
    e.failure = FailureOf(fetched.fetch.failure);
  } else if (parsed.piece_count == 0) {
    e.outcome = store::PageOutcome::kFailed;
    e.failure = fetched.fetch.body_bytes == 0 ? store::PageFailure::kEmptyBody
                                              : store::PageFailure::kNoList;
  } else if (parsed.listings.empty()) {
    e.outcome =
        page.date == today ? store::PageOutcome::kNotPublished : store::PageOutcome::kNoListings;
  } else {
    e.outcome = store::PageOutcome::kStored;
    e.listings = static_cast<int64_t>(parsed.listings.size());
  }
  return e;
}

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
