// The one pass of the ranking over a date range: every listing of the
// range (and of the few trading days after it, for "次日卖出") taken apart
// into compact numbers that the rankings, the listings behind a row and the
// chart are all worked out from, without reading the store again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ranking/date_range.h"
#include "ranking/text_ids.h"
#include "store/record_store.h"

namespace ranking {

// The Seat of an entry and the blocks it stands in.
inline constexpr uint32_t kInBuyBlock = 1u << 31;
inline constexpr uint32_t kInSellBlock = 1u << 30;
inline constexpr uint32_t kSeatBits = kInSellBlock - 1;

// "机构专用" (UTF-8): the Seat name of the institutions.
inline constexpr const char* kInstitutionSeat = "机构专用";

struct RangeListing {
  int64_t record_number = 0;
  uint32_t stock = 0;        // by code
  uint32_t name = 0;         // the stock name as this listing has it
  uint32_t first_entry = 0;  // its Seats: entries first_entry .. + entry_count - 1
  uint16_t day = 0;          // index into RangeData::days
  uint8_t entry_count = 0;
  bool in_range = false;  // false: one of the days after the range
  // The listing's totals in yuan, summed exactly as the statistics grid
  // sums them (the buy values of both blocks in order, then the sell
  // values).
  double buying = 0;
  double selling = 0;
};

struct RangeData {
  DateRange range;
  bool repeats_counted = false;
  TextIds seats;
  TextIds codes;
  TextIds names;
  // The distinct dates of the listings kept, ascending: the days of the
  // range first, then the days after it that were read.
  std::vector<std::string> days;
  uint16_t range_days = 0;  // days[0 .. range_days - 1] lie in the range
  // In record order. One entry per distinct Seat of a listing: a Seat named
  // twice (in one block or in both) has its amounts added up, in the
  // blocks' order.
  std::vector<RangeListing> listings;
  std::vector<uint32_t> entry_seats;  // Seat number | kInBuyBlock | kInSellBlock
  std::vector<double> entry_buy;      // yuan
  std::vector<double> entry_sell;
  // Per stock: the name of its newest listing in the range.
  std::vector<uint32_t> stock_names;
  uint32_t institution = 0;  // the number of "机构专用" among the Seats (given first)

  int64_t record_count = 0;      // listings in the whole store
  int64_t range_listings = 0;    // listings of the range that count
  int64_t repeats_left_out = 0;  // listings of the range left out as repeats
  int64_t damaged_left_out = 0;  // buy block with fewer than three values
};

struct RangeScan {
  RangeData data;
  std::optional<store::StoreError> error;
  bool stopped = false;
};

// Reads the listings of `range`. Without count_repeats a stock listed more
// than once on one day (the same date and name, as duplicate removal keys
// them) counts with its first stored listing only. `stop` is asked between
// listings; when it answers true the scan ends with `stopped` set.
RangeScan ScanRange(store::Store& store, const DateRange& range, bool count_repeats,
                    const std::function<bool()>& stop = {});

}  // namespace ranking
