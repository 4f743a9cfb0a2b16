#include "app/grid_exports.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <utility>

#include "sheets/xlsx_writer.h"
#include "text/gbk.h"
#include "ui/grid_xlsx.h"

namespace app {
namespace {

// "高级表格_龙虎统计" names its sheet "龙虎统计".
std::string SheetName(const ui::Grid& grid) {
  std::string_view name = grid.name();
  if (const size_t cut = name.find('_'); cut != std::string_view::npos) name.remove_prefix(cut + 1);
  return name.empty() ? std::string("Sheet1") : std::string(name);
}

// A title of the screen as a spreadsheet's header: the blanks that space
// it out and a hint in brackets ("(单击查看全部席位)") dropped, and the
// listing grids' titles under the stored fields' names.
std::string PlainHeader(std::string title) {
  std::erase(title, ' ');
  if (const size_t hint = title.find("(单击"); hint != std::string::npos) title.erase(hint);
  static const std::pair<std::string_view, std::string_view> kFieldNames[] = {
      {"上榜日期", "日期"}, {"股票名称", "股名"}, {"交易营业部", "席位"}};
  for (const auto& [shown, field] : kFieldNames)
    if (title == shown) return std::string(field);
  return title;
}

// A column of links ("查看>>" in every row) is no data: left out.
bool IsLinkColumn(const sheets::Table& table, size_t column) {
  bool any = false;
  for (const auto& row : table.rows) {
    const std::string& text = row[column].text;
    if (text.empty()) continue;
    if (text != "查看>>") return false;
    any = true;
  }
  return any;
}

sheets::Table PlainTable(sheets::Table table) {
  for (size_t c = table.columns.size(); c-- > 0;) {
    if (!IsLinkColumn(table, c)) continue;
    table.columns.erase(table.columns.begin() + static_cast<std::ptrdiff_t>(c));
    for (auto& row : table.rows) row.erase(row.begin() + static_cast<std::ptrdiff_t>(c));
  }
  for (sheets::Column& column : table.columns) column.name = PlainHeader(std::move(column.name));
  return table;
}

// A name typed without ".xlsx" gets it: a spreadsheet program opens the
// file by its ending.
std::filesystem::path WithXlsxEnding(std::filesystem::path file) {
  std::string ending = file.extension().string();
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ending != ".xlsx") file += ".xlsx";
  return file;
}

bool IsDateText(std::string_view t) {
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (t[i] < '0' || t[i] > '9') return false;
  return true;
}

// "龙虎统计_2010-06-01_2010-06-30.xlsx": the page's grid and the dates its
// rows span (the first column's dates), or the grid alone without them.
std::string SuggestedName(const ui::Grid& grid) {
  std::string first, last;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string& t = grid.Text(r, 0);
    if (!IsDateText(t)) continue;
    if (first.empty() || t < first) first = t;
    if (last.empty() || t > last) last = t;
  }
  std::string name = text::Gbk(SheetName(grid));
  if (!first.empty()) name += "_" + first + (first == last ? std::string() : "_" + last);
  return name + ".xlsx";
}

}  // namespace

const ui::ExportFormat& ExcelExport() {
  static const ui::ExportFormat excel{
      text::Gbk("导出Excel"), text::Gbk("Excel (*.xlsx)"),
      [](const ui::Grid& grid, const std::filesystem::path& file) {
        return !sheets::WriteXlsx(PlainTable(ui::GridTable(grid)), WithXlsxEnding(file),
                                  SheetName(grid))
                    .has_value();
      },
      text::Gbk("导出Excel…"), SuggestedName};
  return excel;
}

}  // namespace app
