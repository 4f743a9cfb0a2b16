// quorvane-cli check: the store read through, counted and its dates.
#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>
#include <string>
#include <string_view>
#include <unordered_set>

#include "cli/commands.h"
#include "cli/messages.h"
#include "download/log_plan.h"
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

// Listings stored more than once: the same date, code, reason and Seat
// blocks as one stored before (a page downloaded twice). Told apart by a
// 64-bit hash of those fields, so that a year of listings costs a few
// megabytes.
class RepeatCounter {
 public:
  void Add(const listing::StoredRecordFields& listing) {
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

// What one page lacks, in a few words.
std::string GapState(const coverage::PageGap& gap) {
  if (!gap.row) return "missing";
  if (gap.row->outcome == store::PageOutcome::kFailed)
    return "failed (" + FailureWords(gap.row->failure, gap.row->status) + ")";
  return "not yet published";
}

// The gaps of `dates` (weekdays, newest first) as lines, newest first:
// weekdays in a row whose boards lack the same give one range
// ("2010-05-03 to 2010-05-28 every board: missing"), a board or boards
// and what they lack per line.
std::vector<std::string> GapRangeLines(const std::vector<std::string>& dates,
                                       const std::vector<coverage::PageGap>& gaps) {
  // Per date, what each board lacks ("" where it lacks nothing).
  std::map<std::string, std::array<std::string, 3>> by_date;
  for (const coverage::PageGap& gap : gaps)
    by_date[gap.page.date][static_cast<size_t>(gap.page.market)] = GapState(gap);
  // Per date, (boards, what they lack), boards of the same state together.
  using Groups = std::vector<std::pair<std::string, std::string>>;
  const auto groups_of = [&](const std::string& date) {
    Groups groups;
    const auto it = by_date.find(date);
    if (it == by_date.end()) return groups;
    const auto& states = it->second;
    for (size_t b = 0; b < 3; ++b) {
      if (states[b].empty()) continue;
      auto same = std::find_if(groups.begin(), groups.end(),
                               [&](const auto& g) { return g.second == states[b]; });
      if (same == groups.end()) {
        groups.push_back({kBoardNames[b], states[b]});
      } else {
        same->first += std::string(" ") + kBoardNames[b];
      }
    }
    for (auto& group : groups)
      if (group.first == "沪市 深市 中小板") group.first = "every board";
    return groups;
  };
  std::vector<std::string> lines;
  for (size_t i = 0; i < dates.size();) {
    const Groups groups = groups_of(dates[i]);
    size_t j = i + 1;
    if (!groups.empty())
      while (j < dates.size() && groups_of(dates[j]) == groups) ++j;
    const std::string days =
        j - i == 1 ? dates[i] : dates[j - 1] + " to " + dates[i];
    for (const auto& [boards, state] : groups) lines.push_back(days + " " + boards + ": " + state);
    i = j;
  }
  return lines;
}

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
  for (const std::string& line : GapRangeLines(dates, gaps.gaps)) Print(ctx.out, "  " + line);
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
  RepeatCounter repeats;
  // Every field of every record is read, so every page of the table is
  // decrypted and its checksum verified on the way.
  const auto error = listing::ForEachStoredRecordFields(
      store, false,
      [&](const listing::StoredRecordFields& listing) {
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
  PrintIdentitiesWithoutListings(store, ctx);
  return kDone;
}

}  // namespace cli
