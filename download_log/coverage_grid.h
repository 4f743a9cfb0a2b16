// The grid of the page "下载记录": one row per weekday, newest first, one
// column per board, each cell what the download log says of that page.
#pragma once

#include <optional>
#include <string>

#include "download/download_request.h"
#include "download/log_plan.h"
#include "store/download_log.h"
#include "ui/grid.h"

namespace coverage {

// Columns of the grid.
inline constexpr int kDateColumn = 0;
inline constexpr int kWeekdayColumn = 1;
inline constexpr int kFirstBoardColumn = 2;  // 沪市, then 深市, 中小板
inline constexpr int kCoverageColumnCount = 5;

// Columns, titles, widths and striping.
void SetUpCoverageGrid(ui::Grid& grid);
// Rows for the days of `coverage`, in its order, below the title row.
void FillCoverageGrid(ui::Grid& grid, const Coverage& coverage);
// Rewrites the cell of one page from its new row; false when the grid does
// not show that page's date.
bool ShowPageRow(ui::Grid& grid, const store::PageLogEntry& row);

// The cell of a page: its text, colours and tooltip. Never downloaded: an
// empty cell; stored: the number of listings; else "无上榜", "未发布" or
// "失败" (the reason as tooltip).
void MakeCoverageCell(const std::optional<store::PageLogEntry>& row, ui::Cell& cell,
                      std::string* tooltip);

// The totals of what the grid shows, read back from its cells.
CoverageTotals GridTotals(const ui::Grid& grid);
// "完整 18/22 天，失败 1 页，缺失 4 页" and "，未发布 3 页" when there are
// such pages (GBK).
std::string TotalsCaption(const CoverageTotals& totals);

// The page a cell stands for; none for the title row and the date columns.
std::optional<download::PageKey> PageOfCell(const ui::Grid& grid, int row, int column);

}  // namespace coverage
