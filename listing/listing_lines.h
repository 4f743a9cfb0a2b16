// The lines of a fill, made ready as grid cells away from the grid (a worker
// can do it) and then put into a listing grid in one go.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "listing/listing_scan.h"
#include "ui/grid.h"

namespace listing {

struct ListingLines {
  // The scanned listings with their figures; the lines are the first
  // `count` of them, in `order` when it is not empty.
  std::vector<ScannedListing> listings;
  std::vector<uint32_t> order;
  int count = 0;              // lines to show
  int64_t listings_read = 0;  // listings the scan gave (the grid's row count follows it)
  int64_t record_count = 0;   // listings in the whole store
  // The lines stop before the first listing whose buy block has fewer than
  // three values: the store is damaged there.
  bool damaged_buy_block = false;
  // The lines are in the statistics grid's default order, newest date
  // first, exactly as SortGridRows on the date column would leave them
  // (record numbers then are text cells, as a sort leaves them).
  bool newest_first = false;
};

// Works out the lines of a scan, in scan order or, with newest_first, as
// the default descending date sort would order them (no sort when a date
// is empty, since that sort would be refused). Touches no grid.
ListingLines MakeListingLines(ListingScan&& scan, bool newest_first);

// Gives the grid the row count for the listings read, the lines in rows 1..
// and blank rows below them, so nothing of an earlier fill stays. A grid of
// the listing columns gets them as records (see listing_records.h). Takes
// the lines' texts. User-interface thread.
void PutListingLines(ui::Grid& grid, ListingLines& lines);

class ListingRowSource;

// Gives a listing grid (set up by SetUpListingGrid) the rows of `source`,
// in one swap; the row count follows the listings read.
void PutListingSource(ui::Grid& grid, std::shared_ptr<ListingRowSource> source);

// Every row of a listing grid as ten cells each, as PutListingLines and then
// ApplyGridColours leave them (row 0 a stand-in for the title row). The
// grids hold records instead; these cells are what their rows are checked
// against. Takes the lines' texts.
std::vector<ui::Cell> MakeListingGridRows(ListingLines& lines);
// Puts such rows into a grid set up by SetUpListingGrid, in one swap.
// Returns the cells the grid held, to be freed
// away from the user-interface thread.
std::vector<ui::Cell> PutListingGridRows(ui::Grid& grid, std::vector<ui::Cell>&& rows);

}  // namespace listing
