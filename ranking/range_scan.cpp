#include "ranking/range_scan.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>

#include "listing/listing_scan.h"
#include "text/gbk.h"

namespace ranking {
namespace {

// The days after the range that "次日卖出" looks at, and the windows of
// calendar days after the range in which they are looked for: a week and a
// half holds two trading days but at the longest holidays; a store that
// holds nothing for a month and a half after the range is read on to its
// end.
constexpr size_t kFollowingDays = 2;
constexpr int kWindowEnds[] = {10, 45};
constexpr const char* kBeyondEveryDate = "\xff";

// A set of 64-bit keys by open addressing; the key ~0 is never added.
class KeySet {
 public:
  // True when the key is new.
  bool Insert(uint64_t key) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    size_t slot = Slot(key);
    while (slots_[slot] != kFree) {
      if (slots_[slot] == key) return false;
      slot = (slot + 1) & (slots_.size() - 1);
    }
    slots_[slot] = key;
    ++size_;
    return true;
  }

 private:
  static constexpr uint64_t kFree = ~uint64_t{0};
  size_t Slot(uint64_t key) const {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots_.size() - 1);
  }
  void Grow() {
    std::vector<uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, kFree);
    for (uint64_t key : old) {
      if (key == kFree) continue;
      size_t slot = Slot(key);
      while (slots_[slot] != kFree) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = key;
    }
  }
  std::vector<uint64_t> slots_;
  size_t size_ = 0;
};

class RangeBuilder {
 public:
  RangeBuilder(RangeData& data, bool count_repeats) : d_(data), count_repeats_(count_repeats) {
    d_.repeats_counted = count_repeats;
    d_.institution = d_.seats.Intern(text::Gbk(kInstitutionSeat));
  }

  void Take(const listing::StoredListing& stored, bool in_range) {
    const DateRange& range = d_.range;
    // The store may have changed since the records were looked up.
    if (!range.whole_store &&
        (in_range ? stored.date < range.from || stored.date > range.to : stored.date <= range.to))
      return;
    const listing::SeatBlock buy = listing::ReadSeatBlock(stored.buy_block);
    if (buy.values < listing::kFewestBuyBlockValues || !DateFits(stored.date)) {
      if (in_range) ++d_.damaged_left_out;
      return;
    }
    const uint32_t date = dates_.Intern(stored.date);
    const uint32_t name = d_.names.Intern(stored.name);
    if (!count_repeats_ && !seen_.Insert(uint64_t{date} << 32 | name)) {
      if (in_range) ++d_.repeats_left_out;
      return;
    }
    const listing::SeatBlock sell = listing::ReadSeatBlock(stored.sell_block);

    RangeListing& listing = d_.listings.emplace_back();
    listing.record_number = stored.record_number;
    listing.stock = d_.codes.Intern(stored.code);
    listing.name = name;
    listing.in_range = in_range;
    listing.first_entry = static_cast<uint32_t>(d_.entry_seats.size());
    listing_dates_.push_back(date);
    for (const listing::SeatBlock* block : {&buy, &sell}) {
      for (const listing::SeatEntry& seat : block->seats) listing.buying += seat.buy;
    }
    for (const listing::SeatBlock* block : {&buy, &sell}) {
      for (const listing::SeatEntry& seat : block->seats) listing.selling += seat.sell;
    }
    AddEntries(buy, kInBuyBlock, listing);
    AddEntries(sell, kInSellBlock, listing);

    if (in_range) {
      ++d_.range_listings;
      if (listing.stock >= newest_date_.size()) {
        newest_date_.resize(listing.stock + 1, kNone);
        d_.stock_names.resize(listing.stock + 1, 0);
      }
      uint32_t& newest = newest_date_[listing.stock];
      if (newest == kNone || dates_[date] >= dates_[newest]) {
        newest = date;
        d_.stock_names[listing.stock] = name;
      }
    } else if (following_seen_.Insert(date)) {
      ++following_count_;
    }
  }

  // Room for `more` listings, so that a long pass never moves what it has
  // (a move would hold both the old and the new arrays for a moment).
  // Untouched room costs no memory pages.
  void Reserve(size_t more) {
    constexpr size_t kMostEntries = 10;
    d_.listings.reserve(d_.listings.size() + more);
    listing_dates_.reserve(listing_dates_.size() + more);
    const size_t entries = d_.entry_seats.size() + more * kMostEntries;
    d_.entry_seats.reserve(entries);
    d_.entry_buy.reserve(entries);
    d_.entry_sell.reserve(entries);
  }

  // Distinct days after the range met so far.
  size_t following_days() const { return following_count_; }

  // The days in date order; each listing learns the index of its day.
  void Finish() {
    std::vector<uint32_t> order(dates_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return dates_[a] < dates_[b]; });
    std::vector<uint16_t> rank(dates_.size());
    d_.days.clear();
    for (size_t k = 0; k < order.size(); ++k) {
      rank[order[k]] = static_cast<uint16_t>(k);
      d_.days.emplace_back(dates_[order[k]]);
    }
    for (size_t i = 0; i < d_.listings.size(); ++i) d_.listings[i].day = rank[listing_dates_[i]];
    listing_dates_ = {};
    uint16_t range_days = 0;
    for (const std::string& day : d_.days)
      if (d_.range.whole_store || day <= d_.range.to) ++range_days;
    d_.range_days = range_days;
  }

 private:
  static constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

  // A day index must fit its 16 bits.
  bool DateFits(std::string_view date) const {
    uint32_t id = 0;
    return dates_.size() < std::numeric_limits<uint16_t>::max() || dates_.Find(date, &id);
  }

  void AddEntries(const listing::SeatBlock& block, uint32_t side, RangeListing& listing) {
    for (int k = 0; k < block.count; ++k) {
      const listing::SeatEntry& seat = block.seats[static_cast<size_t>(k)];
      if (seat.name.empty()) continue;  // amounts without a Seat count for the stock only
      const uint32_t id = d_.seats.Intern(seat.name);
      size_t e = listing.first_entry;
      const size_t end = d_.entry_seats.size();
      while (e < end && (d_.entry_seats[e] & kSeatBits) != id) ++e;
      if (e == end) {
        d_.entry_seats.push_back(id);
        d_.entry_buy.push_back(0);
        d_.entry_sell.push_back(0);
        ++listing.entry_count;
      }
      d_.entry_seats[e] |= side;
      d_.entry_buy[e] += seat.buy;
      d_.entry_sell[e] += seat.sell;
    }
  }

  RangeData& d_;
  const bool count_repeats_;
  TextIds dates_;
  std::vector<uint32_t> listing_dates_;  // per listing, its date's number until Finish
  std::vector<uint32_t> newest_date_;    // per stock
  KeySet seen_;                          // date and name of the listings kept
  KeySet following_seen_;                // days after the range met
  size_t following_count_ = 0;
};

}  // namespace

RangeScan ScanRange(store::Store& store, const DateRange& range, bool count_repeats,
                    const std::function<bool()>& stop) {
  RangeScan scan;
  scan.data.range = range;
  RangeBuilder builder(scan.data, count_repeats);

  // One part of the pass: true when it went through.
  const auto read = [&](const std::vector<int64_t>* numbers, bool in_range) {
    if (numbers && numbers->empty()) return true;
    bool first = true;
    auto error = listing::ForEachStoredListingInParallel(
        store, numbers,
        [&](const listing::StoredListing& stored) {
          if (first) {
            builder.Reserve(numbers ? numbers->size()
                                    : static_cast<size_t>(scan.data.record_count));
            first = false;
          }
          if (stop && stop()) {
            scan.stopped = true;
            return false;
          }
          builder.Take(stored, in_range);
          return true;
        },
        &scan.data.record_count);
    if (error) scan.error = error;
    return !error && !scan.stopped;
  };
  const auto lookup = [&](std::string_view from, std::string_view to) {
    RecordLookup found = RecordNumbersInDateRange(store, from, to);
    if (found.error) scan.error = found.error;
    return found;
  };

  bool ok = true;
  if (range.whole_store) {
    ok = read(nullptr, true);
  } else {
    const RecordLookup in_range = lookup(range.from, range.to);
    ok = !in_range.error && read(&in_range.numbers, true);
    // The trading days after the range, for the Seats that sell there what
    // they bought on the range's last days.
    std::string window_start = DaysAfter(range.to, 1);
    for (size_t w = 0; ok && w <= std::size(kWindowEnds); ++w) {
      if (builder.following_days() >= kFollowingDays) break;
      const std::string window_end =
          w < std::size(kWindowEnds) ? DaysAfter(range.to, kWindowEnds[w]) : kBeyondEveryDate;
      const RecordLookup following = lookup(window_start, window_end);
      ok = !following.error && read(&following.numbers, false);
      window_start = DaysAfter(window_end, 1);
    }
  }
  if (!ok) {
    scan.data.listings.clear();
    scan.data.entry_seats.clear();
    scan.data.entry_buy.clear();
    scan.data.entry_sell.clear();
    return scan;
  }
  builder.Finish();
  return scan;
}

}  // namespace ranking
