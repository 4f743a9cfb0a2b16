// quorvane-cli export: listings or Seat entries of a range as CSV, JSON
// lines or a spreadsheet.
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/messages.h"
#include "ranking/range_returns.h"

namespace cli {
namespace {

// The codes of the listings a bounded range exports, read through the
// date index: their bars are all the returns need. nullopt with `error`
// set when the store fails.
std::optional<ranking::TextIds> ExportedCodes(store::Store& store, const DateFilter& dates,
                                              std::optional<store::StoreError>* error) {
  store::StoreAccess access = store.OpenStore();
  const std::vector<int64_t> numbers = access.RecordNumbersInDateRange(dates.from, dates.to);
  ranking::TextIds codes;
  for (const int64_t n : numbers) {
    if (!access.GoToRecord(n)) break;
    codes.Intern(access.FieldView(store::kCode));
  }
  if (auto failed = access.error()) {
    *error = failed;
    return std::nullopt;
  }
  if (auto failed = access.CloseStore()) {
    *error = failed;
    return std::nullopt;
  }
  return codes;
}

}  // namespace

int RunExportCommand(const ExportOptions& options, CliContext& ctx) {
  const FilterOrRefusal range = ExportFilter(options.range, ctx.now);
  if (range.refusal) {
    Say(ctx.err, *range.refusal);
    return kBadUsage;
  }
  OutputTarget target;
  target.file = options.output;
  target.standard_output = ctx.out;
  target.sheet_name = options.rows == ExportRows::kSeats ? "seats" : "listings";
  OpenedWriter opened = OpenTableWriter(options.format, target);
  if (!opened.writer) {
    Say(ctx.err, opened.error);
    return kBadUsage;
  }

  store::Store store(ctx.settings.store.file);
  std::optional<prices::BarsIndex> bars;
  if (options.returns && options.rows == ExportRows::kListings) {
    ranking::DateRange range_of_bars{range.filter.from, range.filter.to,
                                     range.filter.from.empty() || range.filter.to.empty()};
    std::optional<store::StoreError> bars_error;
    std::optional<ranking::TextIds> codes;
    if (!range_of_bars.whole_store) codes = ExportedCodes(store, range.filter, &bars_error);
    if (!bars_error)
      bars = prices::LoadBarsFor(store, range_of_bars, &bars_error, codes ? &*codes : nullptr);
    if (!bars) {
      Say(ctx.err,
          StoreFailureLine(bars_error.value_or(store::StoreError{}), ctx.settings.store.file));
      return kStoreFailed;
    }
  }
  const ExportResult result =
      ExportListings(store, range.filter, options.rows, *opened.writer, ctx.stop,
                     /*extras=*/options.format == TableFormat::kJsonLines, bars ? &*bars : nullptr);
  if (result.error) {
    // The writer goes without Finish(): a file is not left behind.
    Say(ctx.err, StoreFailureLine(*result.error, ctx.settings.store.file));
    return kStoreFailed;
  }
  if (result.stopped) {
    Say(ctx.err, "stopped; nothing was written");
    return kInterrupted;
  }
  if (auto error = opened.writer->Finish()) {
    Say(ctx.err, *error);
    return kBadUsage;
  }
  if (options.output)
    Say(ctx.err, std::to_string(result.rows) + " rows of " + std::to_string(result.listings) +
                     " listings written to " + options.output->string());
  return kDone;
}

}  // namespace cli
