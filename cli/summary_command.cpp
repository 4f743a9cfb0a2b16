// quorvane-cli summary: what the watched Seats and codes did on one day,
// for a cron job; optionally POSTed to a webhook.
#include <algorithm>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/webhook.h"
#include "ranking/seat_identities.h"
#include "seats/summary.h"

namespace cli {

int RunSummaryCommand(const SummaryOptions& options, CliContext& ctx) {
  if (options.webhook && !WebhookAddressAllowed(*options.webhook)) {
    Say(ctx.err, "a webhook address must start with http:// or https://");
    return kBadUsage;
  }
  store::Store store(ctx.settings.store.file);
  std::string date;
  if (options.date) {
    date = *options.date;
  } else {
    std::optional<store::StoreError> error;
    const auto newest = ranking::NewestListingDate(store, ctx.now, &error);
    if (error) {
      Say(ctx.err, StoreFailureLine(*error, ctx.settings.store.file));
      return kStoreFailed;
    }
    if (!newest) {
      Say(ctx.err, "the store holds no listings");
      return kBadUsage;
    }
    date = *newest;
  }
  ranking::DateRange day{date, date, false};
  const ranking::RangeScan scan = ranking::ScanRange(store, day, true);
  if (scan.error) {
    Say(ctx.err, StoreFailureLine(*scan.error, ctx.settings.store.file));
    return kStoreFailed;
  }
  seats::SeatBook book;
  if (auto error = ranking::BookWithNames(store, scan.data, false, &book)) {
    Say(ctx.err, StoreFailureLine(*error, ctx.settings.store.file));
    return kStoreFailed;
  }
  const seats::Summary summary = seats::MakeSummary(date, ranking::DayListings(scan.data), book);

  std::string open_error;
  std::optional<Output> out = options.output ? Output::ToFile(*options.output, &open_error)
                                             : std::optional<Output>(Output(ctx.out));
  if (!out) {
    Say(ctx.err, open_error);
    return kBadUsage;
  }
  out->Write(seats::FormatSummary(summary, options.format));
  if (auto error = out->Commit()) {
    Say(ctx.err, *error);
    return kBadUsage;
  }
  if (options.webhook) {
    if (auto failure = PostWebhook(*options.webhook, seats::SummaryJson(summary))) {
      Say(ctx.err, *failure + (options.output ? "; the summary is in " + options.output->string()
                                              : std::string()));
      return kPagesFailed;
    }
  }
  Say(ctx.err, std::to_string(summary.items.size()) +
                   (summary.items.size() == 1 ? " item for " : " items for ") + date);
  return kDone;
}

}  // namespace cli
