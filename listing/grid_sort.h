// Sorting and colouring the listing grids.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_scope.h"
#include "program/program_context.h"
#include "ui/grid.h"

namespace listing {

// Key kinds of SortGridRows: 2 compares as numbers, every other valid kind
// (1 and 3 to 7) as text.
inline constexpr int kSortAsText = 1;
inline constexpr int kSortAsNumber = 2;

// Result codes of SortGridRows.
inline constexpr int kSortDone = 0;
inline constexpr int kSortBadKind = 1;  // also: a key cell of the block is empty
inline constexpr int kSortEmptyKey = 1;
inline constexpr int kSortBadFirstRow = 2;
inline constexpr int kSortBadLastRow = 3;  // also: the block reaches past the grid
inline constexpr int kSortBadFirstColumn = 4;
inline constexpr int kSortBadLastColumn = 5;
inline constexpr int kSortBadOrder = -1;  // first row > last row or first > last column

// Re-orders the rows first_row..last_row of `grid` (columns first_column..
// last_column) by the cells of key_column. Rows are bounded by
// shown_row_count (rows holding the title and the listings), columns by the
// grid. Defaults: rows 1..shown_row_count-1, every column. On any result but
// kSortDone the grid is unchanged. Afterwards the cells of the block hold
// text (numbers come back as their digits) and their background colour, the
// block's alignment stays, and the grid is recoloured.
//
// An empty key cell refuses the sort, except with empty_listing_keys_lowest
// for a number sort: a row that holds a listing (its date cell is not
// empty) and has no key then counts as lower than every number, so such
// rows come first ascending and last descending, in their earlier order.
int SortGridRows(ui::Grid& grid, int shown_row_count, int key_column, int kind = kSortAsText,
                 bool case_sensitive = false, bool ascending = true,
                 std::optional<int> first_row = std::nullopt,
                 std::optional<int> last_row = std::nullopt,
                 std::optional<int> first_column = std::nullopt,
                 std::optional<int> last_column = std::nullopt,
                 bool empty_listing_keys_lowest = false);

class ListingRowSource;

// SortGridRows of every row and column of a listing source by a typed key
// (a text column as text, a figure column as number, case-insensitive), for
// a header click on many rows: the checks at once, the order worked out on
// a worker from the order shown, then swapped in on the user-interface
// thread. Meanwhile the grid is busy and shows the old order; a sort asked
// for meanwhile starts from the order the one before leaves, and only the
// latest is shown. Rows replaced meanwhile (a refresh) drop them.
int SortListingRowsOffUi(ui::Platform& platform, ui::Grid& grid, ListingRowSource& source,
                         int key_column, int kind, bool ascending, bool empty_listing_keys_lowest);

// The sorted order of keys as positions into `keys`: ascending, rows with
// equal keys in their earlier order; descending is the ascending order read
// backwards. Number keys are read with text::NumberFromText and count as
// equal within 1e-7, an empty number key below every number; text keys
// compare in GBK order (text::CompareGbk).
std::vector<uint32_t> SortedKeyOrder(std::span<const std::string_view> keys, bool as_number,
                                     bool case_sensitive, bool ascending);

// The rank of each text in the order a text sort compares them (as
// SortedKeyOrder does): equal texts, after folding, share a rank.
std::vector<uint32_t> TextRanks(const std::vector<std::string>& texts, bool case_sensitive);

// Net and strength coloured by sign, rows striped.
void ApplyGridColours(ui::Grid& grid);
// The colour ApplyGridColours gives a net or strength cell of this text.
ui::Colour FigureColour(std::string_view text);
// The colours ApplyGridColours gives one row's net and strength cells.
void ColourFigureCells(std::span<ui::Cell> row);

// The click behaviour of both listing grids: sorts by the column of the
// current cell when it is in row 1, remembers the direction for the grid,
// and puts the arrow at the right edge of the clicked column.
void SortByClickedColumn(const ListingScope& scope, ui::Grid& grid, bool ascending);
void SortByClickedColumn(program::ProgramContext& ctx, ui::Grid& grid, bool ascending);

// The header-click handler of either listing grid.
void OnListingHeaderClicked(const ListingScope& scope, ui::Grid& grid);
void OnListingHeaderClicked(program::ProgramContext& ctx, ui::Grid& grid);

// Window-relative left edge of the sort arrow for column c of `grid`.
int SortArrowLeft(const ui::ListingPages& pages, const ui::Grid& grid, int column);

}  // namespace listing
