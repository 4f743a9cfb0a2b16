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
  std::string date;
  std::string stock_name;
  std::string stock_code;
  std::string first_buy_seat;  // value 1 of the buy block
  double turnover = 0;         // 10,000 yuan; thousands separators skipped
  // Yuan, summed in this order: the buy block's values 2, 5, 8, 11, 14, then
  // the sell block's; and values 3, 6, 9, 12, 15 of both for selling.
  double buying = 0;
  double selling = 0;
  int buy_block_values = 0;  // pieces of the buy block
  int64_t record_number = 0;
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

// Fills first_buy_seat, buying, selling and buy_block_values from the two
// Seat blocks ("|"-separated, empty pieces kept, an empty last remainder
// dropped; missing values count as empty, that is 0).
void TakeSeatBlocks(std::string_view buy_block, std::string_view sell_block,
                    ScannedListing& listing);

// The line of one listing: totals in 10,000 yuan to 2 decimals, their
// difference, and the strength net / turnover to 3 decimals (none for a
// turnover of 0).
ListingRow ComputeListingRow(const ScannedListing& listing);
// The same, taking the listing's texts instead of copying them.
ListingRow ComputeListingRow(ScannedListing&& listing);

}  // namespace listing
