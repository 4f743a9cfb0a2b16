// Exporting a grid to a file the user names: the save dialog, the file's
// contents, and a message when the file cannot be written. The toolkit's
// context menu calls it; each file format is one ExportFormat, so another
// format is another entry on the same menu.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "ui/grid.h"
#include "ui/platform.h"

namespace ui {

struct ExportFormat {
  std::string dialog_title;  // GBK, e.g. "导出CSV"
  std::string filter;        // GBK, e.g. "CSV (*.csv)"
  // Writes the grid to the file, replacing it; false when the file could
  // not be written whole.
  std::function<bool(const Grid&, const std::filesystem::path&)> write;
  // The context menu's entry (GBK), e.g. "导出CSV…".
  std::string menu_caption;
  // The file name the save dialog offers for a grid (GBK); none when unset.
  std::function<std::string(const Grid&)> suggested_name;
};

// The grid as CSV (GridAsCsv), under "导出CSV".
const ExportFormat& CsvExport();

// Writes the bytes to the file, replacing it; false when the file could not
// be written whole.
bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

enum class ExportOutcome { kWritten, kCancelled, kFailed };

// Asks for a file name and writes the grid there with the format. A file
// that cannot be written is told as "无法写入文件：" and its path, with the
// warning icon.
ExportOutcome ExportGrid(Platform& platform, const Grid& grid, const ExportFormat& format);

}  // namespace ui
