// The two listing grids' columns, rows and row count.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "listing/listing_row.h"
#include "ui/grid.h"
#include "ui/main_window.h"

namespace listing {

// Columns of a listing grid.
inline constexpr int kListingColumnCount = 10;
inline constexpr int kDateColumn = 0;
inline constexpr int kNameColumn = 1;
inline constexpr int kCodeColumn = 2;
inline constexpr int kSeatColumn = 3;
inline constexpr int kNetColumn = 6;
inline constexpr int kStrengthColumn = 7;
inline constexpr int kDetailsColumn = 8;
inline constexpr int kRecordNumberColumn = 9;

// Columns, widths, titles, alignment and striping of a listing grid; also
// empties the sort arrow. `align_rows` false aligns the title row only, for
// rows that are about to be replaced by rows aligned already.
void SetUpListingGrid(ui::Label& sort_arrow, ui::Grid& grid, bool align_rows = true);
// The alignment of a listing cell of column c (0..9).
ui::Align ListingColumnAlign(int column);
// "查看>>", the text of the details column.
const std::string& ListingDetailsLinkText();
// Rows, header included, of a listing grid for n listings: n + 1, at least 16.
int ListingGridRowCount(int64_t n);
// The text of a listing figure: PadThreeDecimals(NumberText(x)).
std::string ListingFigureText(double x);
// Writes the ten cells of row i.
void WriteListingRow(ui::Grid& grid, int i, const ListingRow& row);

// The ten cells of a row, as WriteListingRow writes them, into `cells`
// (at least kListingColumnCount). Every cell is replaced whole: text, number
// flag and the column's alignment, no colours. With record_number_as_text the
// record number is a text cell, as a sort leaves it. Touches no grid, so a
// worker can prepare rows.
void MakeListingCells(const ListingRow& row, std::span<ui::Cell> cells,
                      bool record_number_as_text = false);
// The same, taking the row's texts instead of copying them.
void MakeListingCells(ListingRow&& row, std::span<ui::Cell> cells,
                      bool record_number_as_text = false);

}  // namespace listing
