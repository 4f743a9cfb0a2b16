// A grid of the window as an .xlsx file, as it shows: the title row frozen,
// text cells as text (codes keep their leading zeros), figures as numbers
// with the decimals they show. The context menu's "导出Excel…" writes this.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sheets/table.h"
#include "ui/grid.h"

namespace ui {

// The grid as the table the file holds. Rows run from the title row to the
// last row holding any text; columns narrower than 2 pixels (the hidden
// record-number column) are left out, as in the CSV export. Row 0 gives the
// column names. A cell is a number when it is a number cell or a
// right-aligned figure column's cell and its text is a plain decimal
// number; its decimals are those its text shows. Texts become UTF-8.
sheets::Table GridTable(const Grid& grid);

// Writes GridTable(grid) to `file` as one sheet named `sheet_name` (UTF-8).
// The error text (English) when the file could not be written; an existing
// file is then left as it was.
std::optional<std::string> WriteGridXlsx(const Grid& grid, const std::filesystem::path& file,
                                         std::string_view sheet_name);

}  // namespace ui
