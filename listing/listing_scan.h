// Reading listings out of the store for the statistics, and the line each
// one gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_grid.h"
#include "store/record_store.h"

namespace listing {

// What the statistics need of one stored listing. The Seat blocks are taken
// apart during the scan into the first buying Seat and the two sums the
// totals are made of, so a million listings do not keep their kilobyte of
// Seat text each in memory; all the arithmetic of a line happens after the
// store is closed.
struct ScannedListing {
  // Date, stock name, stock code and first buying Seat (value 1 of the buy
  // block) as stored, and the record number; the figures are filled in by
  // ComputeFigures once the store is closed.
  ListingRow row;
  double turnover = 0;  // 10,000 yuan; thousands separators skipped
  // Yuan, summed in this order: the buy block's values 2, 5, 8, 11, 14, then
  // the sell block's; and values 3, 6, 9, 12, 15 of both for selling.
  double buying = 0;
  double selling = 0;
  int buy_block_values = 0;  // pieces of the buy block
};

struct ListingScan {
  std::vector<ScannedListing> listings;
  int64_t record_count = 0;  // listings in the whole store
  // Set when the store could not be opened or failed during the scan;
  // nothing read is then to be shown.
  std::optional<store::StoreError> error;
};

// A buy block with fewer values means the store is damaged.
inline constexpr int kFewestBuyBlockValues = 3;

// One store access: every listing in record order, or, with record_numbers,
// the listings of those numbers in that order (a number that no record has
// reads the nearest record). The store is closed when this returns.
ListingScan ScanListings(store::Store& store, const std::vector<int64_t>* record_numbers);

// An amount of a Seat block as text::NumberFromText reads it, quicker for
// the plain figures pages print.
double AmountFromText(std::string_view t);
// The turnover as text::NumberFromTextSkippingSeparators reads it ("1,234"
// is 1234), quicker for plain figures.
double TurnoverFromText(std::string_view t);

// Fills row.first_buy_seat, buying, selling and buy_block_values from the two
// Seat blocks ("|"-separated, empty pieces kept, an empty last remainder
// dropped; missing values count as empty, that is 0).
void TakeSeatBlocks(std::string_view buy_block, std::string_view sell_block,
                    ScannedListing& listing);

// The figures of a listing's line: totals in 10,000 yuan to 2 decimals,
// their difference, and the strength net / turnover to 3 decimals (none for
// a turnover of 0).
void ComputeFigures(ScannedListing& listing);

}  // namespace listing
