// The lines of a fill, made ready as grid cells away from the grid (a worker
// can do it) and then put into a listing grid in one go.
#pragma once

#include <cstdint>
#include <vector>

#include "listing/listing_scan.h"
#include "ui/grid.h"

namespace listing {

struct ListingLines {
  std::vector<ui::Cell> cells;  // kListingColumnCount cells per line
  int count = 0;                // lines made
  int64_t listings_read = 0;    // listings the scan gave (the grid's row count follows it)
  int64_t record_count = 0;     // listings in the whole store
  // The lines stop before the first listing whose buy block has fewer than
  // three values: the store is damaged there.
  bool damaged_buy_block = false;
  // The lines are in the statistics grid's default order, newest date
  // first, exactly as SortGridRows on the date column would leave them.
  bool newest_first = false;
};

// Makes the lines of a scan, in scan order or, with newest_first, as the
// default descending date sort would order them (no sort when a date is
// empty, since that sort would be refused). Takes the scan's texts.
ListingLines MakeListingLines(ListingScan&& scan, bool newest_first);

// Gives the grid the row count for the listings read, moves the lines into
// rows 1.. and blanks every row below them, so nothing of an earlier fill
// stays. User-interface thread.
void PutListingLines(ui::Grid& grid, ListingLines& lines);

}  // namespace listing
