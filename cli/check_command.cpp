// quorvane-cli check: the store read through, counted and its dates.
#include <algorithm>
#include <set>
#include <string>

#include "cli/commands.h"
#include "cli/listing_pass.h"
#include "cli/messages.h"
#include "coverage/coverage_plan.h"
#include "ranking/range_scan.h"
#include "seats/seat_book.h"
#include "text/gbk.h"
#include "listing/listing_scan.h"

namespace cli {
namespace {

void Print(std::FILE* out, const std::string& line) {
  std::fputs((line + "\n").c_str(), out);
}

const char* const kBoardNames[3] = {"沪市", "深市", "中小板"};

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

// Identities none of whose names any listing holds (left by an import or
// by listings removed since).
void PrintIdentitiesWithoutListings(store::Store& store, CliContext& ctx) {
  seats::SeatBook book;
  {
    store::StoreAccess access = store.OpenStore();
    if (!seats::LoadSeatBook(access, &book) || book.rows().identities.empty()) return;
  }
  ranking::DateRange whole;
  whole.whole_store = true;
  const ranking::RangeScan scan = ranking::ScanRange(store, whole, true);
  if (scan.error) return;
  std::set<int64_t> held;
  for (uint32_t s = 0; s < scan.data.seats.size(); ++s) {
    if (const auto id = book.IdentityOfName(scan.data.seats[s])) held.insert(*id);
  }
  std::vector<std::string> lost;
  for (const seats::Identity& row : book.rows().identities) {
    if (held.count(row.id)) continue;
    const std::string name = book.NewestName(row.id);
    lost.push_back(text::Utf8(name.empty() ? row.nickname : name));
  }
  if (lost.empty()) {
    Print(ctx.out, "identities: " + std::to_string(book.rows().identities.size()) +
                       ", every one with listings");
    return;
  }
  std::string line = "identities: " + std::to_string(lost.size()) + " of " +
                     std::to_string(book.rows().identities.size()) +
                     " have no name any listing holds:";
  for (size_t i = 0; i < lost.size() && i < 10; ++i) line += (i ? ", " : " ") + lost[i];
  if (lost.size() > 10) line += ", ...";
  Print(ctx.out, line);
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
  PrintLogGaps(store, ctx);
  PrintIdentitiesWithoutListings(store, ctx);
  return kDone;
}

}  // namespace cli
