// quorvane-cli download: the window's download, reported on standard error.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "cli/command_store.h"
#include "cli/commands.h"
#include "cli/download_progress.h"
#include "cli/messages.h"
#include "download/log_plan.h"
#include "download/download_request.h"
#include "download/download_run.h"
#include "download/listing_source.h"
#include "program/source_settings.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace cli {
namespace {

// The window's result captions, in the command line's words.
std::string ResultLine(const download::DownloadSummary& summary, bool today_only, double seconds) {
  // Whole milliseconds, as the window measures them.
  const std::string took =
      " in " + text::NumberText(static_cast<double>(std::llround(seconds * 1000)) / 1000) + " s";
  if (summary.failed > 0)
    return "download finished" + took + "; " + std::to_string(summary.failed) +
           (summary.failed == 1 ? " page failed" : " pages failed");
  if (today_only && summary.last_piece_count == 1)
    return "today's lists are not published yet; download again later";
  return "download finished" + took;
}

}  // namespace

int RunDownloadCommand(const DownloadOptions& options, CliContext& ctx) {
  if (options.replace && options.missing_only) {
    Say(ctx.err,
        "--replace empties the store and --missing-only keeps it: give one (see quorvane-cli "
        "download --help)");
    return kBadUsage;
  }
  const PlanOrRefusal planned = PlanDownload(options.range, options.replace, ctx.now);
  if (planned.refusal) {
    Say(ctx.err, *planned.refusal);
    return kBadUsage;
  }
  const program::StoreLocation& location = ctx.settings.store;
  store::Store store(location.file);
  if (!MakeStoreReady(store, ctx)) return kStoreFailed;

  download::DownloadRequest request;
  request.replace = options.replace;
  request.source_host = ctx.settings.source_host.value;
  if (options.missing_only) {
    coverage::PagePlan missing = coverage::PlanMissingPages(store, planned.plan.dates);
    if (missing.error) {
      Say(ctx.err, StoreFailureLine(*missing.error, location.file));
      return kStoreFailed;
    }
    request.pages = std::move(missing.pages);
    if (request.pages.empty()) {
      Say(ctx.err, "nothing to download: the download log holds every page of the " +
                       std::to_string(planned.plan.dates.size()) + " days (" +
                       planned.plan.dates.back() + " to " + planned.plan.dates.front() +
                       ") as stored");
      return kDone;
    }
  } else {
    request.pages = download::AllPages(planned.plan.dates);
  }
  if (!options.replace && !options.again && !options.missing_only) {
    // A page stored once is not stored twice unless asked for.
    coverage::StoredSplit split = coverage::SplitStoredPages(store, request.pages);
    if (split.error) {
      Say(ctx.err, StoreFailureLine(*split.error, location.file));
      return kStoreFailed;
    }
    if (!split.stored.empty()) {
      Say(ctx.err, "skipping " + std::to_string(split.stored.size()) +
                       " pages already stored (--again downloads them again)");
      request.pages = std::move(split.others);
    }
    if (request.pages.empty()) {
      Say(ctx.err, "nothing to download: every page of the " +
                       std::to_string(planned.plan.dates.size()) + " days (" +
                       planned.plan.dates.back() + " to " + planned.plan.dates.front() +
                       ") is stored");
      return kDone;
    }
  }
  Say(ctx.err, std::to_string(request.pages.size()) + (options.missing_only ? " missing" : "") +
                   " pages (" +
                   std::to_string(planned.plan.dates.size()) + " days, " +
                   planned.plan.dates.back() + " to " + planned.plan.dates.front() + ") from " +
                   request.source_host + " (" +
                   download::SourceKindName(ctx.settings.source_kind) + ")" +
                   (options.replace ? ", replacing " : " into ") +
                   location.file.string());

  DownloadProgress progress(ctx.err, ctx.err_is_terminal);
  const double started = SteadySeconds();
  request.fetch_limits.ca_file = ctx.settings.ca_file;
  const std::unique_ptr<download::ListingSource> source =
      program::MakeListingSource(program::ProgramSettingsOf(ctx.settings), request.fetch_limits);
  const download::DownloadSummary summary =
      download::RunDownload(store, request, *source, progress, ctx.stop);
  const double seconds = SteadySeconds() - started;

  switch (summary.end) {
    case download::RunEnd::kStopped:
      Say(ctx.err, "stopped after " + std::to_string(summary.done) + " of " +
                       std::to_string(summary.planned) + " pages; what they held is stored");
      return kInterrupted;
    case download::RunEnd::kStoreFailed:
      Say(ctx.err, StoreFailureLine(summary.error.value_or(store::StoreError{}), location.file));
      return kStoreFailed;
    case download::RunEnd::kCompleted:
      break;
  }
  Say(ctx.err, ResultLine(summary, planned.plan.today_only, seconds));
  if (!summary.kept_answers.empty())
    Say(ctx.err, std::to_string(summary.kept_answers.size()) +
                     " answers the data centre sent could not be read; they are kept in " +
                     summary.kept_answers.back().parent_path().string() +
                     " (please show them to us)");
  Say(ctx.err, std::to_string(summary.stored) + " listings stored from " +
                   std::to_string(summary.done - summary.failed) + " pages" +
                   (summary.failed > 0 ? ", " + std::to_string(summary.failed) +
                                             " pages failed: download these dates again later"
                                       : std::string()));
  return summary.failed > 0 ? kPagesFailed : kDone;
}

}  // namespace cli
