#include "ranking/seat_identities.h"

#include <algorithm>
#include <string>

namespace ranking {

std::vector<seats::SeenName> SeenInRange(const RangeData& d) {
  const uint32_t count = d.seats.size();
  std::vector<uint16_t> first(count, UINT16_MAX);
  std::vector<uint16_t> last(count, 0);
  std::vector<bool> met(count, false);
  for (const RangeListing& l : d.listings) {
    for (uint32_t e = l.first_entry; e < l.first_entry + l.entry_count; ++e) {
      const uint32_t s = d.entry_seats[e] & kSeatBits;
      met[s] = true;
      first[s] = std::min(first[s], l.day);
      last[s] = std::max(last[s], l.day);
    }
  }
  std::vector<seats::SeenName> out;
  for (uint32_t s = 0; s < count; ++s) {
    if (!met[s]) continue;
    out.push_back(seats::SeenName{std::string(d.seats[s]), d.days[first[s]], d.days[last[s]], {}});
  }
  return out;
}

void CountSeatsUnder(RangeData& d, const std::vector<uint32_t>& target) {
  uint32_t write = 0;
  for (RangeListing& l : d.listings) {
    const uint32_t begin = write;
    const uint32_t end = l.first_entry + l.entry_count;
    for (uint32_t e = l.first_entry; e < end; ++e) {
      const uint32_t flags = d.entry_seats[e] & ~kSeatBits;
      const uint32_t seat = target[d.entry_seats[e] & kSeatBits];
      uint32_t k = begin;
      while (k < write && (d.entry_seats[k] & kSeatBits) != seat) ++k;
      if (k == write) {
        d.entry_seats[write] = seat | flags;
        d.entry_buy[write] = d.entry_buy[e];
        d.entry_sell[write] = d.entry_sell[e];
        ++write;
      } else {
        d.entry_seats[k] |= flags;
        d.entry_buy[k] += d.entry_buy[e];
        d.entry_sell[k] += d.entry_sell[e];
      }
    }
    l.first_entry = begin;
    l.entry_count = static_cast<uint8_t>(write - begin);
  }
  d.entry_seats.resize(write);
  d.entry_buy.resize(write);
  d.entry_sell.resize(write);
}

std::vector<int64_t> CountByIdentity(RangeData& d, const seats::SeatBook& book) {
  const uint32_t count = d.seats.size();
  const auto newest = book.NewestNames();
  std::vector<uint32_t> target(count);
  std::vector<int64_t> identity_of(count, 0);
  bool moved = false;
  for (uint32_t s = 0; s < count; ++s) {
    target[s] = s;
    const std::optional<int64_t> id = book.IdentityOfName(d.seats[s]);
    if (!id) continue;
    const auto it = newest.find(*id);
    if (it != newest.end() && it->second != d.seats[s]) {
      target[s] = d.seats.Intern(it->second);
      moved = true;
    }
  }
  identity_of.resize(d.seats.size(), 0);
  for (uint32_t s = 0; s < d.seats.size(); ++s) {
    if (const auto id = book.IdentityOfName(d.seats[s])) identity_of[s] = *id;
  }
  target.resize(d.seats.size());
  for (uint32_t s = count; s < d.seats.size(); ++s) target[s] = s;
  if (moved) CountSeatsUnder(d, target);
  return identity_of;
}

std::optional<store::StoreError> BookWithNames(store::Store& store, const RangeData& scan,
                                               bool save, seats::SeatBook* book) {
  store::StoreAccess access = store.OpenStore();
  std::vector<seats::SeenName> seen;
  const bool whole = scan.range.whole_store;
  if (!seats::LoadSeatBook(access, book) ||
      !seats::SeenInSeatCodes(access, whole ? "0000-00-00" : scan.range.from,
                              whole ? "9999-99-99" : scan.range.to, &seen))
    return access.error().value_or(store::StoreError{});
  for (seats::SeenName& s : SeenInRange(scan)) seen.push_back(std::move(s));
  const int added = book->Absorb(seen);
  if (save && added > 0 && !seats::SaveSeatBook(access, *book))
    return access.error().value_or(store::StoreError{});
  return access.CloseStore();
}

std::vector<seats::DayListing> DayListings(const RangeData& d) {
  std::vector<seats::DayListing> listings;
  for (const RangeListing& l : d.listings) {
    if (!l.in_range) continue;
    seats::DayListing& out = listings.emplace_back();
    out.code = d.codes[l.stock];
    out.name = d.names[l.name];
    out.buying = l.buying;
    out.selling = l.selling;
    for (uint32_t e = l.first_entry; e < l.first_entry + l.entry_count; ++e) {
      out.seats.push_back(seats::DaySeat{std::string(d.seats[d.entry_seats[e] & kSeatBits]),
                                         d.entry_buy[e], d.entry_sell[e],
                                         (d.entry_seats[e] & kInBuyBlock) != 0});
    }
  }
  return listings;
}

void KeepSeatKind(Rankings& r, const RangeData& d, const std::vector<int64_t>& identities,
                  const seats::SeatBook& book, seats::Kind kind) {
  std::erase_if(r.seats, [&](const SeatRanking& row) {
    const int64_t id = row.seat < identities.size() ? identities[row.seat] : 0;
    std::optional<seats::Kind> k = id ? book.KindOf(id) : std::nullopt;
    if (!k) k = seats::AutomaticKind(d.seats[row.seat]);
    return *k != kind;
  });
}

// The newest date held: windows back from today, widening, then the whole
// store; through the date index, so a long store costs no full pass.
std::optional<std::string> NewestListingDate(store::Store& store, const text::DateTime& now,
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

}  // namespace ranking
