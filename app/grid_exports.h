// The file formats a listing grid's context menu offers: CSV, and the
// spreadsheet for users whose CSV reader turns "000001" into the number 1.
#pragma once

#include "ui/export_action.h"

namespace app {

// "导出Excel…": the grid as it shows, one sheet named after the grid, codes
// and dates as text, figures as numbers, the title row frozen.
const ui::ExportFormat& ExcelExport();

}  // namespace app
