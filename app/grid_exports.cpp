#include "app/grid_exports.h"

#include <string>
#include <string_view>

#include "sheets/grid_xlsx.h"
#include "text/gbk.h"

namespace app {
namespace {

// "高级表格_龙虎统计" names its sheet "龙虎统计".
std::string SheetName(const ui::Grid& grid) {
  std::string_view name = grid.name();
  if (const size_t cut = name.find('_'); cut != std::string_view::npos) name.remove_prefix(cut + 1);
  return name.empty() ? std::string("Sheet1") : std::string(name);
}

}  // namespace

const ui::ExportFormat& ExcelExport() {
  static const ui::ExportFormat excel{
      text::Gbk("导出Excel"), text::Gbk("Excel (*.xlsx)"),
      [](const ui::Grid& grid, const std::filesystem::path& file) {
        return !sheets::WriteGridXlsx(grid, file, SheetName(grid)).has_value();
      },
      text::Gbk("导出Excel…")};
  return excel;
}

}  // namespace app
