// A listing grid as text for the clipboard and as a CSV file.
#pragma once

#include <string>

#include "ui/grid.h"

namespace listing {

// The cells of a range as tab-separated lines (UTF-8).
std::string CellsAsTabText(const ui::Grid& grid, ui::CellRange range);
// The grid as shown, header row first, as CSV in UTF-8 with a byte-order
// mark, so spreadsheet programs read the Chinese.
std::string GridAsCsv(const ui::Grid& grid);

}  // namespace listing
