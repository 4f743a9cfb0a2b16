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
namespace {

// The newest date held: windows back from today, widening, then the whole
// store; through the date index, so a long store costs no full pass.
std::optional<std::string> SummaryNewestDate(store::Store& store, const text::DateTime& now,
                                             std::optional<store::StoreError>* error) {
  store::StoreAccess access = store.OpenStore();
  std::string newest;
  for (int days : {7, 40, 400, 4000, 0}) {
    std::string from = "0000-00-00";
    if (days > 0) from = now.AddDays(-days).DateText();
    const std::vector<int64_t> numbers = access.RecordNumbersInDateRange(from, "9999-99-99");
    for (const int64_t n : numbers) {
      if (!access.GoToRecord(n)) break;
      const std::string_view date = access.FieldView(store::kDate);
      if (date.size() == 10 && date > newest) newest = date;
    }
    if (!newest.empty() || access.error()) break;
  }
  if (auto e = access.error()) *error = e;
  if (newest.empty()) return std::nullopt;
  return newest;
}

}  // namespace

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
    const auto newest = SummaryNewestDate(store, ctx.now, &error);
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
