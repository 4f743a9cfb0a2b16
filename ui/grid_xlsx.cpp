#include "ui/grid_xlsx.h"

#include <charconv>
#include <vector>

#include "sheets/xlsx_writer.h"
#include "text/gbk.h"

namespace ui {
namespace {

constexpr int kNarrowestShownColumn = 2;  // pixels
constexpr double kPixelsPerCharacter = 7;

// The decimals of a plain decimal number ("-926.310" has 3), or -1 when
// the text is no such number (a code such as "000001" has 0 and is a
// number by its text alone: the caller asks for a figure column too).
int PlainNumberDecimals(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const size_t digits_from = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  bool digits = i > digits_from;
  int decimals = 0;
  if (i < t.size() && t[i] == '.') {
    ++i;
    const size_t fraction_from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    decimals = static_cast<int>(i - fraction_from);
    digits = digits || decimals > 0;
  }
  if (!digits || i != t.size()) return -1;
  return decimals;
}

bool IsFigureCell(const Cell& cell) {
  return cell.is_number || cell.Alignment() == Align::kRight;
}

}  // namespace

sheets::Table GridTable(const Grid& grid) {
  sheets::Table table;
  std::vector<int> columns;
  for (int c = 0; c < grid.ColumnCount(); ++c)
    if (grid.ColumnWidth(c) >= kNarrowestShownColumn) columns.push_back(c);
  if (grid.RowCount() == 0 || columns.empty()) return table;
  int last_row = 0;
  for (int r = grid.RowCount() - 1; r > 0 && last_row == 0; --r)
    for (int c : columns)
      if (!grid.Text(r, c).empty()) {
        last_row = r;
        break;
      }

  for (int c : columns) {
    sheets::Column column;
    column.name = text::Utf8(grid.Text(0, c));
    column.width = std::max(4.0, grid.ColumnWidth(c) / kPixelsPerCharacter);
    table.columns.push_back(std::move(column));
  }
  for (int r = 1; r <= last_row; ++r) {
    std::vector<sheets::OwnedCell>& row = table.rows.emplace_back();
    for (int c : columns) {
      const Cell& cell = grid.At(r, c);
      sheets::OwnedCell& out = row.emplace_back();
      if (cell.text.empty()) continue;
      const int decimals = IsFigureCell(cell) ? PlainNumberDecimals(cell.text) : -1;
      double value = 0;
      if (decimals >= 0) {
        const char* begin = cell.text.data() + (cell.text.front() == '+' ? 1 : 0);
        const auto parsed = std::from_chars(begin, cell.text.data() + cell.text.size(), value);
        if (parsed.ec == std::errc()) {
          out.kind = sheets::Cell::Kind::kNumber;
          out.decimals = static_cast<int8_t>(decimals);
          out.number = value;
          out.text = cell.text;
          continue;
        }
      }
      out.kind = sheets::Cell::Kind::kText;
      out.text = text::Utf8(cell.text);
    }
  }
  return table;
}

std::optional<std::string> WriteGridXlsx(const Grid& grid, const std::filesystem::path& file,
                                         std::string_view sheet_name) {
  return sheets::WriteXlsx(GridTable(grid), file, sheet_name);
}

}  // namespace ui
