#include "backtest/store_input.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <span>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#include "backtest/packed_listings.h"
#include "store/bar_excerpts.h"
#include "store/price_bars.h"
#include "text/gbk.h"

namespace backtest {
namespace {

// Calendar days before the range whose bars are read: the day before the
// first listing (its close decides a limit-up entry), across a long holiday.
constexpr int kStoreInputDaysBefore = 20;
// Calendar days after the range beyond the hold itself (weekends counted
// in the hold's own span): room for the longest holiday closures.
constexpr int kStoreInputHolidayDays = 20;

std::string StoreInputDateText(DayNumber day) {
  return DateOfDayNumber(day).DateText();
}

SeatKind StoreInputKind(seats::Kind kind) {
  switch (kind) {
    case seats::Kind::kInstitution:
      return SeatKind::kInstitution;
    case seats::Kind::kNorthbound:
      return SeatKind::kNorthbound;
    case seats::Kind::kTrader:
      return SeatKind::kHotMoney;
    case seats::Kind::kBranch:
      return SeatKind::kBranch;
  }
  return SeatKind::kOther;
}

// Keeps, of one stock's bars, those a listing's trade can reach: from the
// bar before the listing day to `hold` bars past the day after it (the
// entry bar, the close before it, the whole hold), and marks every bar's
// day, kept or not, for the trading calendar: a day only a dropped bar
// traded on is still a trading day, so a suspension inside a hold still
// shows as one.
class StoreInputReach {
 public:
  explicit StoreInputReach(int hold) : hold_(static_cast<size_t>(hold)) {}

  // The bars kept, by code number, in the order taken.
  std::vector<std::pair<uint32_t, std::vector<Bar>>> kept;

  template <typename BarType>
  void Take(uint32_t code, std::span<const BarType> held, std::span<const DayNumber> listed) {
    if (held.empty()) return;
    DayNumber low = DayOf(held.front());
    DayNumber high = low;
    for (const BarType& b : held) {
      low = std::min(low, DayOf(b));
      high = std::max(high, DayOf(b));
    }
    MarkRoom(low, high);
    for (const BarType& b : held) marks_[static_cast<size_t>(DayOf(b) - first_)] = 1;
    Keep(code, held, listed);
  }

  // One stock's bars from its excerpt, made for a longer or equal hold and
  // for every day in `listed`: the same bars kept, the same days marked as
  // from all of its bars.
  void TakeExcerpt(uint32_t code, const store::BarExcerptView& e,
                   std::span<const DayNumber> listed) {
    // The marked days within the dates read.
    const int64_t from = std::max<int64_t>(e.marks_from, e.first_day);
    const int64_t to =
        std::min<int64_t>(int64_t{e.marks_from} + int64_t{8} * std::ssize(e.marks), e.after_last);
    const auto bit = [&e](int64_t day) {
      const uint64_t i = static_cast<uint64_t>(day - e.marks_from);
      return (e.marks[i >> 3] >> (i & 7) & 1) != 0;
    };
    int64_t low = from;
    int64_t high = to - 1;
    while (low <= high && !bit(low)) ++low;
    while (high >= low && !bit(high)) --high;
    if (low <= high) {
      MarkRoom(static_cast<DayNumber>(low), static_cast<DayNumber>(high));
      for (int64_t day = low; day <= high;) {
        const uint64_t i = static_cast<uint64_t>(day - e.marks_from);
        uint8_t* const mark = &marks_[static_cast<size_t>(day - first_)];
        if ((i & 7) == 0 && day + 8 <= high + 1) {
          // A whole byte of marks at once.
          const uint8_t bits = e.marks[i >> 3];
          for (int k = 0; k < 8; ++k) mark[k] |= bits >> k & 1;
          day += 8;
        } else {
          *mark |= bit(day) ? 1 : 0;
          ++day;
        }
      }
    }
    Keep(code, e.bars, listed);
  }

  // The excerpt of a stock's bars, `held` being every bar of it: the bars
  // a hold of kBarExcerptHold reaches from `listed`, and every bar's day.
  static void MakeExcerpt(std::span<const store::ExactDayBar> held,
                          std::span<const DayNumber> listed, store::BarExcerpt& e) {
    if (held.empty()) return;
    DayNumber low = held.front().day;
    DayNumber high = low;
    for (const store::ExactDayBar& b : held) {
      low = std::min(low, b.day);
      high = std::max(high, b.day);
    }
    e.hold = store::kBarExcerptHold;
    e.listed.assign(listed.begin(), listed.end());
    e.marks_from = low;
    e.marks.assign((static_cast<size_t>(high - low) + 8) / 8, 0);
    for (const store::ExactDayBar& b : held) {
      const size_t i = static_cast<size_t>(b.day - low);
      e.marks[i >> 3] |= static_cast<uint8_t>(1u << (i & 7));
    }
    ForEachReach(held, listed, store::kBarExcerptHold, [&](size_t from, size_t to) {
      e.bars.insert(e.bars.end(), held.begin() + static_cast<ptrdiff_t>(from),
                    held.begin() + static_cast<ptrdiff_t>(to));
    });
  }

 private:
  // Calls `run(from, to)` for each stretch [from, to) of `held` the
  // listings' trades reach with `hold`, in order and apart: from the bar
  // before a listing day to `hold` bars past the day after it.
  template <typename BarType, typename Run>
  static void ForEachReach(std::span<const BarType> held, std::span<const DayNumber> listed,
                           size_t hold, Run&& run) {
    size_t at = 0;
    size_t kept_to = 0;  // bars before it were reached already
    for (const DayNumber day : listed) {
      while (at < held.size() && DayOf(held[at]) < day) ++at;
      const size_t from = std::max(at > 0 ? at - 1 : 0, kept_to);
      const size_t to = std::min(held.size(), at + 2 + hold);
      if (from < to) run(from, to);
      kept_to = std::max(kept_to, to);
    }
  }

  // Of `held`, the bars the listings' trades reach, to `kept`.
  template <typename BarType>
  void Keep(uint32_t code, std::span<const BarType> held, std::span<const DayNumber> listed) {
    std::vector<Bar> out;
    ForEachReach(held, listed, hold_, [&](size_t from, size_t to) {
      if (out.empty()) out.reserve(listed.size() * (hold_ + 3));
      for (size_t k = from; k < to; ++k) out.push_back(BarOf(held[k]));
    });
    if (!out.empty()) kept.emplace_back(code, std::move(out));
  }

 public:
  // Every day some bar was on, ascending.
  std::vector<DayNumber> Calendar() const {
    std::vector<DayNumber> days;
    for (size_t i = 0; i < marks_.size(); ++i)
      if (marks_[i]) days.push_back(first_ + static_cast<DayNumber>(i));
    return days;
  }

 private:
  static DayNumber DayOf(const store::ExactDayBar& b) { return b.day; }
  static DayNumber DayOf(const Bar& b) { return b.day; }
  static Bar BarOf(const store::ExactDayBar& b) {
    return Bar{b.day, store::ExactPrice(b.open), store::ExactPrice(b.high),
               store::ExactPrice(b.low), store::ExactPrice(b.close)};
  }
  static Bar BarOf(const Bar& b) { return b; }

  // Room in marks_ for the days from `low` to `high`.
  void MarkRoom(DayNumber low, DayNumber high) {
    if (marks_.empty()) {
      first_ = low;
      marks_.assign(static_cast<size_t>(high - low) + 1, 0);
      return;
    }
    if (low < first_) {
      marks_.insert(marks_.begin(), static_cast<size_t>(first_ - low), 0);
      first_ = low;
    }
    if (static_cast<size_t>(high - first_) >= marks_.size())
      marks_.resize(static_cast<size_t>(high - first_) + 1, 0);
  }

  size_t hold_;
  DayNumber first_ = 0;
  std::vector<uint8_t> marks_;
};

// One stock's rows of the bars table into `reach`; `dated` is room.
void StoreInputTakeTableBars(const store::CodeBars& c, const MarketData& data,
                             const std::vector<std::vector<DayNumber>>& listed_days,
                             StoreInputReach& reach, std::vector<Bar>& dated) {
  const uint32_t code = data.FindCode(c.code);
  if (code == kNoText) return;
  dated.clear();
  for (const store::PriceBar& b : c.bars)
    if (const std::optional<DayNumber> day = DayNumberOfText(b.date))
      dated.push_back(Bar{*day, b.open, b.high, b.low, b.close});
  reach.Take(code, std::span<const Bar>(dated), listed_days[code]);
}

// What one part of the stocks' bars read makes.
struct StoreInputPart {
  // Codes left to read from the bars table in one pass, ascending.
  std::vector<std::string> unpacked;
  std::vector<store::PackedBarExcerpt> excerpts;  // made from packed rows, to write
};

// Some codes' bars read on one store access of its own, into `reach`:
// from their excerpts where one was made for these listings and this hold,
// else from their packed rows (making excerpts of them when `make`, for
// this read's listing days and those of an excerpt that missed some), else
// from the bars table code by code; unless most codes of a read of every
// bar (`whole`) have no usable packed row: those go to `part.unpacked`,
// for one pass over the table.
std::optional<store::StoreError> StoreInputReadPart(
    store::Store& store, const std::string& from, const std::string& to,
    std::span<const std::string> codes, const MarketData& data,
    const std::vector<std::vector<DayNumber>>& listed_days, int hold, bool use_excerpts,
    bool make, bool whole, StoreInputReach& reach, StoreInputPart& part) {
  const size_t asked = codes.size();
  store::StoreAccess access = store.OpenStore();
  std::vector<std::string> lacking;  // no excerpt, or one made for less
  std::vector<std::string> short_excerpts;
  // The listing days of current excerpts that miss some of this read's:
  // an excerpt made again is made for both.
  std::unordered_map<std::string, std::vector<DayNumber>> earlier;
  if (use_excerpts) {
    const auto take = [&](const store::BarExcerptView& e) {
      const uint32_t number = data.FindCode(e.code);
      if (number == kNoText) return;
      const std::vector<DayNumber>& days = listed_days[number];
      if (e.hold >= hold && std::includes(e.listed.begin(), e.listed.end(), days.begin(), days.end())) {
        reach.TakeExcerpt(number, e, days);
      } else {
        short_excerpts.emplace_back(e.code);
        if (make) earlier.emplace(e.code, std::vector<DayNumber>(e.listed.begin(), e.listed.end()));
      }
    };
    if (!access.ReadBarExcerpts(from, to, codes, take, &lacking))
      return access.error().value_or(store::StoreError{});
    if (!short_excerpts.empty()) {
      lacking.insert(lacking.end(), short_excerpts.begin(), short_excerpts.end());
      std::sort(lacking.begin(), lacking.end());
    }
    codes = lacking;
  }
  // An excerpt is made from every bar of the stock: a read of some dates
  // reads them all and keeps those within its dates itself.
  const bool clip = make && !whole;
  const DayNumber first_day = clip ? DayNumberOfText(from).value_or(INT32_MIN) : INT32_MIN;
  const DayNumber last_day = clip ? DayNumberOfText(to).value_or(INT32_MAX) : INT32_MAX;
  std::vector<DayNumber> union_days;
  const auto take = [&](std::string_view code, int64_t stamp,
                        std::span<const store::ExactDayBar> held) {
    const uint32_t number = data.FindCode(code);
    if (number == kNoText) return;
    const std::vector<DayNumber>& days = listed_days[number];
    if (make) {
      store::BarExcerpt excerpt;
      excerpt.code = code;
      excerpt.stamp = stamp;
      std::span<const DayNumber> made_for = days;
      if (const auto it = earlier.find(excerpt.code); it != earlier.end()) {
        union_days.clear();
        std::set_union(days.begin(), days.end(), it->second.begin(), it->second.end(),
                       std::back_inserter(union_days));
        made_for = union_days;
      }
      StoreInputReach::MakeExcerpt(held, made_for, excerpt);
      part.excerpts.push_back(store::PackBarExcerpt(excerpt));
    }
    if (clip) {
      const auto day_less = [](const store::ExactDayBar& b, DayNumber d) { return b.day < d; };
      const auto begin = std::lower_bound(held.begin(), held.end(), first_day, day_less);
      const auto end = last_day == INT32_MAX
                           ? held.end()
                           : std::lower_bound(begin, held.end(), last_day + 1, day_less);
      held = std::span<const store::ExactDayBar>(begin, end);
      if (held.empty()) return;
    }
    reach.Take(number, held, days);
  };
  if (!access.ReadExactDayBars(clip ? "0000-00-00" : from, clip ? "9999-99-99" : to, codes, take,
                               &part.unpacked))
    return access.error().value_or(store::StoreError{});
  if (!part.unpacked.empty() && !(whole && part.unpacked.size() * 2 > asked)) {
    // Each code's span through the table's key (code, date): a short range
    // over years of bars reads only its own rows.
    std::vector<store::CodeBars> rows;
    std::vector<Bar> dated;
    for (const std::string& code : part.unpacked) {
      if (!access.ReadPriceBars(from, to, &rows, code))
        return access.error().value_or(store::StoreError{});
      if (!rows.empty()) StoreInputTakeTableBars(rows.front(), data, listed_days, reach, dated);
    }
    part.unpacked.clear();
  }
  return access.CloseStore();
}

// Packed rows of fewer stocks are read on the calling thread alone.
constexpr size_t kStoreInputCodesForTwoThreads = 64;

}  // namespace

std::string BoardOfStockCode(std::string_view code) {
  static const std::string kShanghai = text::Gbk("沪市");
  static const std::string kShenzhen = text::Gbk("深市");
  static const std::string kSme = text::Gbk("中小板");
  if (code.size() != 6) return {};
  if (code[0] == '6') return kShanghai;
  if (code.starts_with("002")) return kSme;
  if (code[0] == '0' || code[0] == '3') return kShenzhen;
  return {};
}

std::string StoreInput::SeatName(uint32_t identity) const {
  const auto it = newest_names.find(identity);
  return it == newest_names.end() ? std::string() : it->second;
}

void StoreInput::UseWatchList(SeatRule& rule) const {
  rule.who = Who::kWatched;
  rule.identities = watched_identities;
  rule.watched_codes = watched_codes;
}

std::optional<store::StoreError> ReadStoreInputBars(store::Store& store, const DayRange& range,
                                                    int max_hold, MarketData& data,
                                                    bool use_excerpts, bool* wrote_excerpts) {
  if (wrote_excerpts) *wrote_excerpts = false;
  const bool whole = range.from == INT32_MIN && range.to == INT32_MAX;
  std::string bars_from = "0000-00-00";
  std::string bars_to = "9999-99-99";
  if (range.from != INT32_MIN) bars_from = StoreInputDateText(range.from - kStoreInputDaysBefore);
  if (range.to != INT32_MAX)
    bars_to = StoreInputDateText(range.to + (std::max(max_hold, 0) + 1) * 7 / 5 + 1 +
                                 kStoreInputHolidayDays);
  // Each code's listing days, ascending: its bars are kept only where a
  // listing's trade can reach them.
  std::vector<std::vector<DayNumber>> listed_days(data.CodeCount());
  for (const Listing& l : data.Listings()) listed_days[l.code].push_back(l.day);
  for (std::vector<DayNumber>& days : listed_days)
    if (!std::is_sorted(days.begin(), days.end())) std::sort(days.begin(), days.end());
  std::vector<std::string> listed;
  listed.reserve(data.CodeCount());
  for (uint32_t c = 0; c < data.CodeCount(); ++c) listed.push_back(data.Code(c));
  std::sort(listed.begin(), listed.end());

  // Each listed stock's excerpt, or its packed row where it holds its
  // prices exactly, the stocks split in two halves read side by side on
  // two store accesses (unpacking them is most of the work). Excerpts serve
  // holds up to theirs, and a read of such a hold makes those it lacks.
  const int hold = std::max(max_hold, 1);
  use_excerpts = use_excerpts && hold <= store::kBarExcerptHold;
  const bool make = use_excerpts && !store.read_only();
  StoreInputReach reach(hold);
  StoreInputReach other_reach(hold);
  StoreInputPart part;
  StoreInputPart other_part;
  std::optional<store::StoreError> other_failed;
  const std::span<const std::string> all(listed);
  const size_t half = listed.size() >= kStoreInputCodesForTwoThreads ? listed.size() / 2 : 0;
  {
    std::jthread other;
    if (half > 0)
      other = std::jthread([&] {
        other_failed = StoreInputReadPart(store, bars_from, bars_to, all.first(half), data,
                                          listed_days, hold, use_excerpts, make, whole,
                                          other_reach, other_part);
      });
    if (auto failed = StoreInputReadPart(store, bars_from, bars_to, all.subspan(half), data,
                                         listed_days, hold, use_excerpts, make, whole, reach,
                                         part))
      return failed;
  }
  if (other_failed) return other_failed;
  std::vector<std::string>& unpacked = part.unpacked;
  unpacked.insert(unpacked.begin(), other_part.unpacked.begin(), other_part.unpacked.end());

  // The excerpts made, kept for the next read; a writer holding the file
  // (a download) leaves them unwritten.
  std::vector<store::PackedBarExcerpt>& excerpts = part.excerpts;
  excerpts.insert(excerpts.end(), std::make_move_iterator(other_part.excerpts.begin()),
                  std::make_move_iterator(other_part.excerpts.end()));
  if (!excerpts.empty()) {
    store::StoreAccess access = store.OpenStore();
    bool written = false;
    if (access.WriteBarExcerpts(excerpts, &written) && !access.CloseStore() && wrote_excerpts)
      *wrote_excerpts = written;
    excerpts = {};
  }

  // Most stocks of a read of every bar unpacked: one pass over the table.
  if (!unpacked.empty()) {
    store::StoreAccess access = store.OpenStore();
    std::vector<store::CodeBars> rows;
    std::vector<Bar> dated;
    if (!access.ReadPriceBars(bars_from, bars_to, &rows))
      return access.error().value_or(store::StoreError{});
    for (const store::CodeBars& c : rows)
      if (std::binary_search(unpacked.begin(), unpacked.end(), c.code))
        StoreInputTakeTableBars(c, data, listed_days, reach, dated);
    if (auto failed = access.CloseStore()) return failed;
  }

  for (StoreInputReach* r : {&other_reach, &reach})
    for (auto& [code, bars] : r->kept) data.TakeBars(code, std::move(bars));
  std::vector<DayNumber> days;
  const std::vector<DayNumber> mine = reach.Calendar();
  const std::vector<DayNumber> theirs = other_reach.Calendar();
  std::set_union(mine.begin(), mine.end(), theirs.begin(), theirs.end(),
                 std::back_inserter(days));
  data.SetCalendar(std::move(days));
  return std::nullopt;
}

StoreInputRead ReadStoreInput(store::Store& store, const DayRange& range, int max_hold,
                              const std::function<bool()>& stop, bool use_listing_packs,
                              bool use_bar_excerpts) {
  StoreInputRead read;
  StoreInput& in = read.input;
  const bool whole = range.from == INT32_MIN && range.to == INT32_MAX;
  const std::string from = range.from == INT32_MIN ? "0000-00-00" : StoreInputDateText(range.from);
  const std::string to = range.to == INT32_MAX ? "9999-99-99" : StoreInputDateText(range.to);

  // The book, the data centre's coded names and the range's record numbers
  // in one snapshot.
  std::vector<seats::SeenName> seen;
  std::vector<int64_t> numbers;
  size_t room = 0;  // listings to make room for
  {
    store::StoreAccess access = store.OpenStore();
    room = static_cast<size_t>(access.RecordCount());
    if (!seats::LoadSeatBook(access, &in.book) ||
        !seats::SeenInSeatCodes(access, from, to, &seen)) {
      read.error = access.error().value_or(store::StoreError{});
      return read;
    }
    if (!whole) {
      numbers = access.RecordNumbersInDateRange(from, to);
      room = numbers.size();
      if (!access.ok()) {
        read.error = access.error().value_or(store::StoreError{});
        return read;
      }
    }
    if (auto error = access.CloseStore()) {
      read.error = error;
      return read;
    }
  }

  // The listings, Seats numbered by name for now.
  ListingSeatNames names;
  in.data.Reserve(room, room * 10);
  in.record_numbers.reserve(room);
  const BacktestListingsRead listings =
      ReadBacktestListings(store, range, whole ? nullptr : &numbers, stop, use_listing_packs, in,
                           names);
  read.wrote_listing_packs = listings.wrote_packs;
  read.listings_from_packs = listings.from_packs;
  if (listings.error) {
    read.error = listings.error;
    return read;
  }
  read.stopped = listings.stopped;
  if (read.stopped) return read;

  // The names to identities: the book with the new names taken in, as the
  // ranking counts them (coded names first, so a new name joins its branch).
  for (seats::SeenName& s : names.AsSeen()) seen.push_back(std::move(s));
  in.book.Absorb(seen);
  std::vector<Seat> by_name(names.size());
  for (uint32_t n = 0; n < names.size(); ++n) {
    const std::string& name = names.Name(n);
    const std::optional<int64_t> id = in.book.IdentityOfName(name);
    std::optional<seats::Kind> kind = id ? in.book.KindOf(*id) : std::nullopt;
    by_name[n].identity = static_cast<uint32_t>(id.value_or(0));
    by_name[n].kind = StoreInputKind(kind.value_or(seats::AutomaticKind(name)));
  }
  for (Seat& s : in.data.MutableSeats()) {
    s.kind = by_name[s.identity].kind;
    s.identity = by_name[s.identity].identity;
  }
  in.newest_names = in.book.NewestNames();
  for (const store::WatchRow& w : in.book.rows().watch) {
    if (w.kind == 1) {
      in.watched_codes.push_back(w.value);
      continue;
    }
    int64_t id = 0;
    const auto [end, failed] = std::from_chars(w.value.data(), w.value.data() + w.value.size(), id);
    if (failed == std::errc() && id > 0) in.watched_identities.push_back(static_cast<uint32_t>(id));
  }

  if (auto failed = ReadStoreInputBars(store, range, max_hold, in.data, use_bar_excerpts,
                                       &read.wrote_bar_excerpts))
    read.error = failed;
  return read;
}

SeatNames ResolveSeatNames(const StoreInput& input, const std::vector<std::string>& names_gbk) {
  SeatNames out;
  for (const std::string& name : names_gbk) {
    const std::optional<int64_t> id = input.book.Resolve(name);
    if (!id) {
      out.unknown.push_back(name);
      continue;
    }
    const uint32_t identity = static_cast<uint32_t>(*id);
    if (std::find(out.identities.begin(), out.identities.end(), identity) == out.identities.end())
      out.identities.push_back(identity);
  }
  return out;
}

}  // namespace backtest
