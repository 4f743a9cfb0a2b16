#include "listing/listing_scan.h"

#include <cmath>

#include "text/numbers.h"
#include "text/text_ops.h"

namespace listing {
namespace {

constexpr int kBlockValues = 15;  // five Seats: name, buying, selling

// Walks the pieces of a Seat block up to the fifteenth; returns how many
// pieces the whole block has.
template <typename Visit>
int ForEachSeatValue(std::string_view block, Visit visit) {
  int count = 0;
  size_t pos = 0;
  while (pos < block.size()) {
    const size_t bar = text::FindText(block, "|", pos);
    const size_t end = bar == text::kNotFound ? block.size() : bar;
    ++count;
    if (count <= kBlockValues) visit(count, block.substr(pos, end - pos));
    if (bar == text::kNotFound) break;
    pos = bar + 1;
  }
  return count;
}

void AddAmounts(std::string_view block, ScannedListing& listing, std::string* first_value) {
  const int count = ForEachSeatValue(block, [&](int k, std::string_view value) {
    if (k == 1 && first_value) first_value->assign(value);
    if (k % 3 == 2) {
      listing.buying += text::NumberFromText(value);
    } else if (k % 3 == 0) {
      listing.selling += text::NumberFromText(value);
    }
  });
  if (first_value) listing.buy_block_values = count;
}

}  // namespace

void TakeSeatBlocks(std::string_view buy_block, std::string_view sell_block,
                    ScannedListing& listing) {
  listing.buying = 0;
  listing.selling = 0;
  listing.first_buy_seat.clear();
  AddAmounts(buy_block, listing, &listing.first_buy_seat);
  AddAmounts(sell_block, listing, nullptr);
}

ListingScan ScanListings(store::Store& store, const std::vector<int64_t>* record_numbers) {
  ListingScan scan;
  store::StoreAccess access = store.OpenStore();
  if (!access.ok()) {
    scan.error = access.error();
    if (!scan.error) scan.error = store::StoreError{};
    return scan;
  }
  access.GoToFirst();
  scan.record_count = access.RecordCount();
  const int64_t n = record_numbers ? static_cast<int64_t>(record_numbers->size())
                                   : scan.record_count;
  scan.listings.reserve(static_cast<size_t>(n));
  for (int64_t i = 0; i < n && access.ok(); ++i) {
    if (record_numbers) access.GoToRecord((*record_numbers)[static_cast<size_t>(i)]);
    ScannedListing& listing = scan.listings.emplace_back();
    listing.date.assign(access.FieldView(store::kDate));
    listing.stock_name.assign(access.FieldView(store::kName));
    listing.stock_code.assign(access.FieldView(store::kCode));
    listing.turnover = text::NumberFromTextSkippingSeparators(access.FieldView(store::kTurnover));
    // A field's view lasts until the next read, so each block is taken
    // apart before the next field is read: the buy block first, as the
    // sums want it.
    AddAmounts(access.FieldView(store::kBuySeats), listing, &listing.first_buy_seat);
    AddAmounts(access.FieldView(store::kSellSeats), listing, nullptr);
    listing.record_number = access.CurrentRecordNumber();
    access.Skip(1);
  }
  std::optional<store::StoreError> failure = access.error();
  std::optional<store::StoreError> closing = access.CloseStore();
  if (!failure) failure = closing;
  if (failure) {
    scan.listings.clear();
    scan.error = failure;
  }
  return scan;
}

namespace {

// Everything of a line but its texts.
void ComputeFigures(const ScannedListing& listing, ListingRow& row) {
  row.buy_total = text::RoundHalfAway(listing.buying / 10000, 2);
  row.sell_total = text::RoundHalfAway(listing.selling / 10000, 2);
  // The difference of two 2-decimal values carries the binary error of
  // both (100.01 - 99.99 = 0.02000000000001): rounded again, it shows as
  // the 2-decimal figure it is.
  row.net = text::RoundHalfAway(row.buy_total - row.sell_total, 2);
  row.strength.reset();
  if (listing.turnover != 0 && std::isfinite(listing.turnover)) {
    const double strength = text::RoundHalfAway(row.net / listing.turnover, 3);
    if (std::isfinite(strength)) row.strength = strength;
  }
  row.record_number = listing.record_number;
}

}  // namespace

ListingRow ComputeListingRow(const ScannedListing& listing) {
  ListingRow row;
  row.date = listing.date;
  row.stock_name = listing.stock_name;
  row.stock_code = listing.stock_code;
  row.first_buy_seat = listing.first_buy_seat;
  ComputeFigures(listing, row);
  return row;
}

ListingRow ComputeListingRow(ScannedListing&& listing) {
  ListingRow row;
  row.date = std::move(listing.date);
  row.stock_name = std::move(listing.stock_name);
  row.stock_code = std::move(listing.stock_code);
  row.first_buy_seat = std::move(listing.first_buy_seat);
  ComputeFigures(listing, row);
  return row;
}

}  // namespace listing
