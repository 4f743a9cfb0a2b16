// The data centre's side-table rows of a date, found again for the stored
// listings they belong to. A listing is the row of its date and code whose
// full reason shortens to the listing's stored reason; when several do (the
// shortened reasons of one stock can agree), the one whose buying Seats
// bear the names of the listing's buy block.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/listing_extras.h"
#include "store/record_store.h"

namespace download {

class CentreExtrasOfDay {
 public:
  // Reads the side rows of `date` through `access` (none from a file
  // without the tables). False on an engine error.
  bool Load(store::StoreAccess& access, std::string_view date);
  const std::string& date() const { return date_; }
  bool empty() const { return listings_.empty(); }

  // The row of the stored listing with this code, stored reason (field 4)
  // and buy Seat block (field 8); nullptr when there is none.
  const store::ListingExtras* Find(std::string_view code, std::string_view stored_reason,
                                   std::string_view buy_block) const;
  // The Seat of that listing at `side` (0 buy, 1 sell) and `position`
  // (1 to 5); nullptr when there is none.
  const store::SeatCode* Seat(const store::ListingExtras& listing, int side, int position) const;

 private:
  std::string date_;
  std::vector<store::ListingExtras> listings_;  // by code and reason
  std::vector<store::SeatCode> seats_;          // by code, reason, side and position
};

}  // namespace download
