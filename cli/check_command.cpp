// quorvane-cli check: the store read through, counted and its dates.
#include <string>

#include "cli/commands.h"
#include "cli/listing_pass.h"
#include "cli/messages.h"
#include "listing/listing_scan.h"

namespace cli {
namespace {

void Print(std::FILE* out, const std::string& line) {
  std::fputs((line + "\n").c_str(), out);
}

}  // namespace

int RunCheckCommand(CliContext& ctx) {
  const program::StoreLocation& location = ctx.settings.store;
  Print(ctx.out,
        "store: " + location.file.string() + " (" + program::StorePlaceText(location.place) + ")");
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
    return kStoreFailed;
  }
  Print(ctx.out, "integrity: ok");
  return kDone;
}

}  // namespace cli
