// quorvane-cli check: the store read through, counted and its dates.
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "cli/commands.h"
#include "cli/listing_pass.h"
#include "cli/messages.h"
#include "coverage/coverage_plan.h"
#include "text/gbk.h"
#include "listing/listing_scan.h"

namespace cli {
namespace {

void Print(std::FILE* out, const std::string& line) {
  std::fputs((line + "\n").c_str(), out);
}

const char* const kBoardNames[3] = {"沪市", "深市", "中小板"};

// Listings stored more than once: the same date, code, reason and Seat
// blocks as one stored before (a page downloaded twice). Told apart by a
// 64-bit hash of those fields, so that a year of listings costs a few
// megabytes.
class RepeatCounter {
 public:
  void Add(const FullListing& listing) {
    std::string key;
    for (int f : {store::kDate, store::kCode, store::kReason, store::kBuySeats,
                  store::kSellSeats}) {
      key += listing.field(f);
      key += '\x1f';
    }
    if (!seen_.insert(std::hash<std::string>{}(key)).second) ++repeats_;
  }
  int64_t repeats() const { return repeats_; }

 private:
  std::unordered_set<size_t> seen_;
  int64_t repeats_ = 0;
};

// What the download log says of the last month's weekdays (the window's
// 近一月): the pages never downloaded, failed or not yet published.
void PrintLogGaps(store::Store& store, CliContext& ctx) {
  const std::vector<std::string> dates =
      coverage::RangeWeekdays(ctx.now.AddDays(-31), ctx.now, 31);
  if (dates.empty()) return;
  coverage::GapList gaps = coverage::ListGaps(store, dates);
  if (gaps.error) {
    Say(ctx.err, StoreFailureLine(*gaps.error, ctx.settings.store.file));
    return;
  }
  if (!gaps.log_present) {
    Print(ctx.out, "download log: none in this store (the window's 重建记录 makes one)");
    return;
  }
  int missing = 0, failed = 0, unpublished = 0;
  for (const coverage::PageGap& gap : gaps.gaps) {
    if (!gap.row) ++missing;
    else if (gap.row->outcome == store::PageOutcome::kFailed) ++failed;
    else ++unpublished;
  }
  Print(ctx.out, "download log, " + dates.back() + " to " + dates.front() + ": " +
                     std::to_string(missing) + " pages missing, " + std::to_string(failed) +
                     " failed, " + std::to_string(unpublished) + " not yet published");
  // Newest first, the boards of a date together.
  std::stable_sort(gaps.gaps.begin(), gaps.gaps.end(),
                   [](const coverage::PageGap& a, const coverage::PageGap& b) {
                     return a.page.date > b.page.date;
                   });
  for (const coverage::PageGap& gap : gaps.gaps) {
    std::string line = "  " + gap.page.date + " " + kBoardNames[static_cast<int>(gap.page.market)] + ": ";
    if (!gap.row) line += "missing";
    else if (gap.row->outcome == store::PageOutcome::kFailed)
      line += "failed (" + text::Utf8(coverage::FailureText(*gap.row)) + ")";
    else line += "not yet published";
    Print(ctx.out, line);
  }
  if (!gaps.gaps.empty())
    Print(ctx.out, "  quorvane-cli download --month --missing-only fetches them");
}

}  // namespace

int RunCheckCommand(CliContext& ctx) {
  const program::StoreLocation& location = ctx.settings.store;
  Print(ctx.out,
        "store: " + location.file.string() + " (" + program::StorePlaceText(location.place) + ")");
  Print(ctx.out, "source: " + program::SourceInForce(ctx.settings));
  store::Store store(location.file);
  int64_t records = 0;
  int64_t damaged = 0;
  int64_t first_damaged = 0;
  std::string first_date;
  std::string last_date;
  RepeatCounter repeats;
  // Every field of every record is read, so every page of the table is
  // decrypted and its checksum verified on the way.
  const auto error = ForEachFullListing(
      store,
      [&](const FullListing& listing) {
        const std::string_view date = listing.field(store::kDate);
        // What the statistics grid stops at, and dates a download never
        // writes.
        const bool sound = ParseDate(date).has_value() &&
                           listing::ReadSeatBlock(listing.field(store::kBuySeats)).values >=
                               listing::kFewestBuyBlockValues;
        if (!sound) {
          if (damaged++ == 0) first_damaged = listing.record_number;
        } else {
          repeats.Add(listing);
          if (first_date.empty() || date < first_date) first_date = date;
          if (last_date.empty() || date > last_date) last_date = date;
        }
        return !ctx.stop.stop_requested();
      },
      &records);
  if (error) {
    Say(ctx.err, StoreFailureLine(*error, location.file));
    return kStoreFailed;
  }
  if (ctx.stop.stop_requested()) return kInterrupted;
  Print(ctx.out, "records: " + std::to_string(records));
  Print(ctx.out, first_date.empty() ? std::string("dates: none")
                                    : "dates: " + first_date + " to " + last_date);
  if (damaged > 0) {
    Print(ctx.out, "integrity: " + std::to_string(damaged) +
                       " damaged records (the first is record " + std::to_string(first_damaged) +
                       "); download their dates again");
    PrintLogGaps(store, ctx);
    return kStoreFailed;
  }
  Print(ctx.out, "integrity: ok");
  if (repeats.repeats() > 0)
    Print(ctx.out, "duplicates: " + std::to_string(repeats.repeats()) +
                       " listings stored twice (same date, code, reason and Seats as one stored "
                       "before); quorvane-cli dedupe removes them");
  PrintLogGaps(store, ctx);
  return kDone;
}

}  // namespace cli
