#include "backtest/store_input.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "backtest/packed_listings.h"
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
                                                    int max_hold, MarketData& data) {
  const bool whole = range.from == INT32_MIN && range.to == INT32_MAX;
  std::string bars_from = "0000-00-00";
  std::string bars_to = "9999-99-99";
  if (range.from != INT32_MIN) bars_from = StoreInputDateText(range.from - kStoreInputDaysBefore);
  if (range.to != INT32_MAX)
    bars_to = StoreInputDateText(range.to + (std::max(max_hold, 0) + 1) * 7 / 5 + 1 +
                                 kStoreInputHolidayDays);
  std::vector<Bar> bars;
  const auto take = [&](const store::CodeBars& c) {
    bars.clear();
    bars.reserve(c.bars.size());
    for (const store::PriceBar& b : c.bars) {
      const std::optional<DayNumber> day = DayNumberOfText(b.date);
      if (!day) continue;
      bars.push_back(Bar{*day, b.open, b.high, b.low, b.close});
    }
    data.SetBars(c.code, bars);
  };
  const auto take_packed = [&](std::string_view code, std::span<const store::ExactDayBar> held) {
    bars.clear();
    bars.reserve(held.size());
    for (const store::ExactDayBar& b : held)
      bars.push_back(Bar{b.day, b.open, b.high, b.low, b.close});
    data.SetBars(code, bars);
  };
  std::vector<std::string> listed;
  listed.reserve(data.CodeCount());
  for (uint32_t c = 0; c < data.CodeCount(); ++c) listed.push_back(data.Code(c));
  std::sort(listed.begin(), listed.end());

  store::StoreAccess access = store.OpenStore();
  // Each listed stock's packed row where it holds its prices exactly; the
  // bars table for the others.
  std::vector<std::string> unpacked;
  bool ok = access.ReadExactDayBars(bars_from, bars_to, listed, take_packed, &unpacked);
  std::vector<store::CodeBars> codes;
  if (ok && whole && unpacked.size() * 2 > listed.size()) {
    // Most stocks unpacked over every bar: one pass over the table.
    ok = access.ReadPriceBars(bars_from, bars_to, &codes);
    for (const store::CodeBars& c : codes)
      if (ok && std::binary_search(unpacked.begin(), unpacked.end(), c.code)) take(c);
  } else {
    // Each code's span through the table's key (code, date): a short range
    // over years of bars reads only its own rows.
    for (size_t k = 0; k < unpacked.size() && ok; ++k) {
      ok = access.ReadPriceBars(bars_from, bars_to, &codes, unpacked[k]);
      if (ok && !codes.empty()) take(codes.front());
    }
  }
  if (!ok) return access.error().value_or(store::StoreError{});
  if (auto failed = access.CloseStore()) return failed;
  return std::nullopt;
}

StoreInputRead ReadStoreInput(store::Store& store, const DayRange& range, int max_hold,
                              const std::function<bool()>& stop, bool use_listing_packs) {
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

  if (auto failed = ReadStoreInputBars(store, range, max_hold, in.data)) read.error = failed;
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
