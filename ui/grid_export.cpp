#include "ui/grid_export.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "text/gbk.h"

namespace ui {
namespace {

constexpr int kNarrowestShownColumn = 2;  // pixels

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string ToUtf8(std::string_view gbk) {
  return IsAscii(gbk) ? std::string(gbk) : text::Utf8(gbk);
}

void AppendTabField(std::string& out, std::string_view gbk) {
  std::string field = ToUtf8(gbk);
  std::replace_if(
      field.begin(), field.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  out += field;
}

// A decimal number as the grids print figures: optional sign, digits, an
// optional fraction and exponent ("-926.310", "1e-05").
bool IsPlainNumber(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  const size_t digits_from = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  bool digits = i > digits_from;
  if (i < t.size() && t[i] == '.') {
    ++i;
    const size_t fraction_from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    digits = digits || i > fraction_from;
  }
  if (!digits) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const size_t exponent_from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == exponent_from) return false;
  }
  return i == t.size();
}

// Spreadsheet programs run a cell that starts with one of these as a
// formula. Texts from web pages must never do that: such a text gets a
// leading apostrophe, which they show as plain text. Figures stay numbers.
bool ReadAsFormula(std::string_view field) {
  if (field.empty()) return false;
  switch (field.front()) {
    case '=':
    case '@':
    case '\t':
    case '\r':
      return true;
    case '+':
    case '-':
      return !IsPlainNumber(field);
    default:
      return false;
  }
}

void AppendCsvField(std::string& out, std::string_view gbk) {
  std::string field = ToUtf8(gbk);
  if (ReadAsFormula(field)) field.insert(0, 1, '\'');
  if (field.find_first_of(",\"\r\n") == std::string::npos) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}


// A title of the screen as a spreadsheet's header: the blanks that space it
// out and a hint in brackets ("(单击查看全部席位)") dropped, and the listing
// grids' titles under the stored fields' names.
std::string CsvPlainHeader(std::string title) {
  static const std::string hint = text::Gbk("(单击");
  static const std::pair<std::string, std::string> field_names[] = {
      {text::Gbk("上榜日期"), text::Gbk("日期")},
      {text::Gbk("股票名称"), text::Gbk("股名")},
      {text::Gbk("交易营业部"), text::Gbk("席位")}};
  std::erase(title, ' ');
  if (const size_t at = title.find(hint); at != std::string::npos) title.erase(at);
  for (const auto& [shown, field] : field_names)
    if (title == shown) return field;
  return title;
}

// A column of links ("查看>>" in every filled row) is no data.
bool IsCsvLinkColumn(const ui::Grid& grid, int column, int last_row) {
  static const std::string link = text::Gbk("查看>>");
  bool any = false;
  for (int r = 1; r <= last_row; ++r) {
    const std::string& t = grid.Text(r, column);
    if (t.empty()) continue;
    if (t != link) return false;
    any = true;
  }
  return any;
}

}  // namespace

std::string CellsAsTabText(const ui::Grid& grid, ui::CellRange range) {
  range.first_row = std::max(range.first_row, 0);
  range.first_column = std::max(range.first_column, 0);
  range.last_row = std::min(range.last_row, grid.RowCount() - 1);
  range.last_column = std::min(range.last_column, grid.ColumnCount() - 1);
  std::string out;
  for (int r = range.first_row; r <= range.last_row; ++r) {
    if (r > range.first_row) out += '\n';
    for (int c = range.first_column; c <= range.last_column; ++c) {
      if (c > range.first_column) out += '\t';
      AppendTabField(out, grid.Text(r, c));
    }
  }
  return out;
}

std::string GridAsCsv(const ui::Grid& grid) {
  std::vector<int> columns;
  for (int c = 0; c < grid.ColumnCount(); ++c)
    if (grid.ColumnWidth(c) >= kNarrowestShownColumn) columns.push_back(c);
  int last_row = 0;
  for (int r = grid.RowCount() - 1; r > 0 && last_row == 0; --r) {
    for (int c : columns) {
      if (!grid.Text(r, c).empty()) {
        last_row = r;
        break;
      }
    }
  }
  std::erase_if(columns, [&](int c) { return IsCsvLinkColumn(grid, c, last_row); });
  std::string out = "\xEF\xBB\xBF";
  if (grid.RowCount() == 0 || columns.empty()) return out;
  for (int r = 0; r <= last_row; ++r) {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) out += ',';
      AppendCsvField(out, r == 0 ? CsvPlainHeader(grid.Text(0, columns[i]))
                                 : grid.Text(r, columns[i]));
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace ui
