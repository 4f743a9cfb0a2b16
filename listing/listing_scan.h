// Reading listings out of the store: one pass that yields every listing's
// fields, its figures (buy, sell, net, strength) and its ten Seats. The
// statistics grid is one consumer; nothing here needs a window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_row.h"
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

// One stored listing as a pass meets it: the fields the statistics read,
// as views into the store that last until the visitor returns.
struct StoredListing {
  int64_t record_number = 0;
  std::string_view date;
  std::string_view name;
  std::string_view code;
  std::string_view turnover;  // as printed, "1,234"
  std::string_view reason;    // 上榜原因
  std::string_view buy_block;
  std::string_view sell_block;
};

// Answers whether the pass goes on.
using ListingVisitor = std::function<bool(const StoredListing&)>;

// The one pass over the store that every reading of all listings makes:
// one store access (a snapshot), every record in record order, or, with
// record_numbers, the records of those numbers in that order (a number that
// no record has reads the nearest record). `visit` reads what it needs of
// the record the access stands on and answers whether the pass goes on; the
// views it takes last until it returns. The store is closed when this
// returns; an error says it could not be opened or failed during the pass.
// record_count, when given, receives the number of listings in the whole
// store before the first visit.
using StoredRecordVisitor = std::function<bool(store::StoreAccess&)>;
std::optional<store::StoreError> ForEachStoredRecord(store::Store& store,
                                                     const std::vector<int64_t>* record_numbers,
                                                     const StoredRecordVisitor& visit,
                                                     int64_t* record_count = nullptr);

// ForEachStoredRecord giving the fields the statistics read: every listing in record order, or, with record_numbers,
// the listings of those numbers in that order (a number that no record has
// reads the nearest record). The store is closed when this returns; an
// error says the store could not be opened or failed during the pass.
// record_count, when given, receives the number of listings in the whole
// store, from the same snapshot, before the first visit.
std::optional<store::StoreError> ForEachStoredListing(store::Store& store,
                                                      const std::vector<int64_t>* record_numbers,
                                                      const ListingVisitor& visit,
                                                      int64_t* record_count = nullptr);

// As ForEachStoredListing, with the store read on a thread of its own while
// `visit` runs on the calling thread, in the same order: the reader copies
// the fields of a few hundred listings at a time into a batch and hands it
// on, so reading the store and taking the listings apart use both cores.
// The views a visit gets point into the batch and last until it returns.
// When a visit answers false, the reader stops soon after. An
// error is the reader's; record_count is set before the first visit.
std::optional<store::StoreError> ForEachStoredListingInParallel(
    store::Store& store, const std::vector<int64_t>* record_numbers, const ListingVisitor& visit,
    int64_t* record_count = nullptr);

// The pass of ForEachStoredListingInParallel over any of the nine fields
// (store field numbers, at most nine): `visit` gets their texts in the
// order asked for, as views that last until it returns, and the record
// number.
using CopiedFieldsVisitor =
    std::function<bool(std::span<const std::string_view> fields, int64_t record_number)>;
std::optional<store::StoreError> ForEachStoredRecordInParallel(
    store::Store& store, const std::vector<int64_t>* record_numbers, std::span<const int> fields,
    const CopiedFieldsVisitor& visit, int64_t* record_count = nullptr);

// Every field of one stored listing (views into the store or a batch,
// valid until the visitor returns) and its record number.
struct StoredRecordFields {
  int64_t record_number = 0;
  std::array<std::string_view, store::kFieldCount> fields;
  std::string_view field(int f) const { return fields[static_cast<size_t>(f - 1)]; }
};
using RecordFieldsVisitor = std::function<bool(const StoredRecordFields&)>;

// Every listing in record order with all nine fields: read on the calling
// thread (ForEachStoredRecord), or with `in_parallel` on a thread of its
// own while `visit` runs on the calling one (ForEachStoredRecordInParallel).
std::optional<store::StoreError> ForEachStoredRecordFields(store::Store& store, bool in_parallel,
                                                           const RecordFieldsVisitor& visit,
                                                           int64_t* record_count = nullptr);

// The figures of a listing: date, name, code, first buying Seat, record
// number, the turnover and the totals of its line (see ComputeFigures).
ScannedListing Summarise(const StoredListing& listing);

// One Seat of a block: its name and amounts in yuan (thousands separators
// already removed by the download).
struct SeatEntry {
  std::string_view name;
  double buy = 0;
  double sell = 0;
};

// The Seats of one block, in the block's order: up to five, each from its
// three values; a Seat whose name the block lacks is not counted, missing
// amounts count as 0.
struct SeatBlock {
  std::array<SeatEntry, 5> seats;
  int count = 0;   // Seats with a name value
  int values = 0;  // "|"-separated pieces of the whole block
};
SeatBlock ReadSeatBlock(std::string_view block);

// ForEachStoredListing, keeping what the statistics grid needs of each
// listing (figures not yet computed).
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
