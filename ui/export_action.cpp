#include "ui/export_action.h"

#include <fstream>

#include "text/gbk.h"
#include "ui/grid_export.h"
#include "ui/messages.h"

namespace ui {

const ExportFormat& CsvExport() {
  static const ExportFormat csv{text::Gbk("导出CSV"), text::Gbk("CSV (*.csv)"),
                                [](const Grid& grid, const std::filesystem::path& file) {
                                  return WriteFileBytes(file, GridAsCsv(grid));
                                },
                                text::Gbk("导出CSV…"), {}};
  return csv;
}

bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

ExportOutcome ExportGrid(Platform& platform, const Grid& grid, const ExportFormat& format) {
  const std::optional<std::filesystem::path> file =
      platform.AskSaveFileName(format.dialog_title, format.filter,
                               format.suggested_name ? format.suggested_name(grid) : std::string());
  if (!file) return ExportOutcome::kCancelled;
  if (format.write(grid, *file)) return ExportOutcome::kWritten;
  static const std::string cannot_write = text::Gbk("无法写入文件：");
  const std::u8string name = file->u8string();
  Tell(platform,
       cannot_write +
           text::Gbk(std::string_view(reinterpret_cast<const char*>(name.data()), name.size())),
       MessageIcon::kWarning);
  return ExportOutcome::kFailed;
}

}  // namespace ui
