// The page's two grids: their columns, their lines made ready as cells
// away from the grid (a worker builds them), putting the lines in, the
// header-click sort, and the caption under the range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ranking/rankings.h"
#include "ranking/row_listings.h"
#include "ui/grid.h"

namespace ranking {

struct GridColumn {
  const char* title;  // UTF-8
  int width;
  bool number;        // sorts as a number, stands right
  bool left = false;  // a long text, from the left (others stand in the middle)
};

// The columns of a ranking (the row's number in a last, hidden column)
// and of the grid of the listings behind a row (the record number last).
const std::vector<GridColumn>& RankingColumns(RankingKind kind);
const std::vector<GridColumn>& RowListingColumns();
// The column of the net that a ranking is sorted by at first.
int RankingNetColumn(RankingKind kind);

// Cells, row by row, ready to go into a grid below its title row.
struct GridLines {
  int columns = 0;
  std::vector<ui::Cell> cells;
  // Per column, as the figures need them: the title (GBK; an amount column
  // in 亿 says so) and the width that fits the widest figure. Empty when
  // the columns' own serve.
  std::vector<std::string> titles;
  std::vector<int> widths;
  int rows() const { return columns == 0 ? 0 : static_cast<int>(cells.size()) / columns; }
};

// The rows of a ranking, sorted by its net, largest first.
GridLines RankingLines(const RangeData& data, const Rankings& rankings, RankingKind kind);
// The listings behind a row, in the order given.
GridLines RowListingLines(const RangeData& data, const std::vector<RowListing>& listings);

// Titles, widths, alignment and striping of a grid with these columns (and
// the titles and widths the lines ask for, when given).
void SetUpGrid(ui::Grid& grid, const std::vector<GridColumn>& columns,
               const GridLines* lines = nullptr);
// The lines into rows 1.., every row below them blank. At least
// `least_rows` rows, title included.
void PutLines(ui::Grid& grid, const GridLines& lines, int least_rows);
// The same, taking the lines' texts instead of copying them.
void PutLines(ui::Grid& grid, GridLines&& lines, int least_rows);
// Rows 1..rows by the cells of `column`, stably: numbers as numbers (an
// empty cell below every number), text in GBK byte order.
void SortGridLines(ui::Grid& grid, int rows, int column, bool as_number, bool ascending);

// The text of an amount (in 万, or in 亿 when `in_yi`: two decimals,
// thousands separated), a count and a share as the grids show them.
std::string AmountText(double wan, bool in_yi = false);
std::string ShareText(int part, int whole);

// What the caption under the range says: the days, the rows, how repeated
// listings were counted and the time taken (GBK).
struct CaptionFacts {
  const RangeData* data = nullptr;
  RankingKind kind = RankingKind::kSeats;
  int rows = 0;
  int64_t elapsed_ms = 0;
};
std::string RankingCaption(const CaptionFacts& facts);

}  // namespace ranking
