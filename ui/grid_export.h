// A listing grid as text for the clipboard and as a CSV file.
//
// Cell texts are GBK inside the program; both exports are UTF-8. A byte
// sequence that is not valid GBK becomes U+FFFD, so an export always
// completes and shows where a text was damaged.
#pragma once

#include <string>

#include "ui/grid.h"

namespace ui {

// The cells of a range (cut to the grid) as tab-separated lines joined by
// "\n" (UTF-8). Tabs and line breaks inside a cell become spaces.
std::string CellsAsTabText(const ui::Grid& grid, ui::CellRange range);
// The grid as shown, header row first, as CSV in UTF-8 with a byte-order
// mark, so spreadsheet programs read the Chinese. Rows run from the header
// to the last row holding any text (the blank rows below are left out);
// columns narrower than 2 pixels (the hidden record-number column) and a
// column of "查看>>" links are left out, and the header row holds plain
// titles ("席位" for "交 易 营 业 部 (单击查看全部席位)"). Lines end in CRLF; a field holding a comma, a quote or a line
// break is quoted, its quotes doubled (RFC 4180).
std::string GridAsCsv(const ui::Grid& grid);

}  // namespace ui
