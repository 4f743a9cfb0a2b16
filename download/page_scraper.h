// Cutting the StockListings out of a listing page and appending them to the
// store. The page is never parsed as HTML: fixed markers, found byte for byte
// on character boundaries, and the position of a cell among a row's cells
// say where each value is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/market.h"
#include "store/download_log.h"
#include "store/listing_extras.h"
#include "store/record_store.h"

namespace download {

// One stock row of a page, as it will be stored (GBK).
struct ScrapedListing {
  std::string name;
  std::string code;
  std::string reason;      // shortened; empty: the record before it lends its reason
  std::string value;       // the deviation value text, e.g. "9.52%"
  std::string volume;      // as printed, thousands separators kept
  std::string turnover;    // as printed
  std::string buy_seats;   // Seat block, "," removed
  std::string sell_seats;  // Seat block, "," removed
};

struct ParsedPage {
  int piece_count = 0;  // row pieces of the list block, skipped ones included
  std::vector<ScrapedListing> listings;
  // What a source gives beyond the nine fields (the data centre's side
  // tables), stored with the listings.
  std::vector<store::ListingExtras> extras;
  std::vector<store::SeatCode> seat_codes;
};

// Page text to rows; no store involved. Rows with too few cells for the
// board's layout are left out.
ParsedPage ParseListingPage(Market market, std::string_view page);

// The reason as stored, from the text a source gives for it: the text
// before its first "的" (all of it when there is none), with "连续三个交易日内，"
// as "三日内".
std::string ShortenReason(std::string_view reason);

// Appends one Seat to a Seat block: "name|buy|sell", after a "|" when the
// block already holds one. Amounts go in as given (the pages' thousands
// separators are removed from the whole block afterwards).
void AppendSeatEntry(std::string& block, std::string_view name, std::string_view buy,
                     std::string_view sell);

// Field 5: the reason's first 8 bytes with every "个" as "天" (never ending
// in half a double-byte character), then the value text.
std::string ValueField(std::string_view reason, std::string_view value);

struct ScrapeResult {
  int piece_count = 0;
  int stored = 0;                          // records appended and committed
  std::optional<store::StoreError> error;  // the page's batch failed and was rolled back
};

// Appends the page's rows at the end of the store in one batch: all of them
// or, when a write fails, none. A row without a reason takes field 4 of the
// record just before it, which may come from an earlier page or run. The
// page's side-table rows go into the same batch. With
// `log`, the page's row of the download log goes into the same batch (a
// page without rows gets a batch for its row alone), so that the file holds
// both or neither.
ScrapeResult StoreListings(const ParsedPage& page, std::string_view date,
                           store::StoreAccess& access, const store::PageLogEntry* log = nullptr);

// ParseListingPage then StoreListings.
ScrapeResult ScrapeListingPage(Market market, std::string_view date, std::string_view page,
                               store::StoreAccess& access);

}  // namespace download
