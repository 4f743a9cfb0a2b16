#include "sheets/xlsx_writer.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace sheets {
namespace {

constexpr size_t kMaxSheetNameCharacters = 31;

std::filesystem::path SideFile(const std::filesystem::path& file) {
  std::random_device random;
  std::filesystem::path side = file;
  side += ".part-" + std::to_string(random() % 1000000);
  return side;
}

// "0", "0.0", "0.00", ...
std::string DecimalsFormat(int decimals) {
  std::string format = "0";
  if (decimals > 0) format += "." + std::string(static_cast<size_t>(decimals), '0');
  return format;
}

bool StartsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

}  // namespace

std::string SheetName(std::string_view utf8) {
  std::string name;
  size_t characters = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (StartsCharacter(c)) {
      if (characters == kMaxSheetNameCharacters) break;
      ++characters;
    }
    switch (c) {
      case '[':
      case ']':
      case ':':
      case '*':
      case '?':
      case '/':
      case '\\':
        name += '_';
        break;
      default:
        name += c;
    }
  }
  // A name may not begin or end with an apostrophe.
  if (!name.empty() && name.front() == '\'') name.front() = '_';
  if (!name.empty() && name.back() == '\'') name.back() = '_';
  if (name.empty()) name = "Sheet1";
  return name;
}

XlsxWriter::XlsxWriter(const std::filesystem::path& file, std::string_view sheet_name)
    : file_(file), side_file_(SideFile(file)) {
  // The library would only find out at the very end, and say so on
  // standard error: try the side file now.
  if (std::FILE* probe = std::fopen(side_file_.string().c_str(), "wb")) {
    std::fclose(probe);
  } else {
    Fail("cannot write " + file_.string() + ": " + std::strerror(errno));
    return;
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = nullptr;
  options.use_zip64 = LXW_TRUE;
  workbook_ = workbook_new_opt(side_file_.string().c_str(), &options);
  if (!workbook_) {
    Fail("cannot start a workbook at " + file_.string());
    return;
  }
  const std::string name = SheetName(sheet_name);
  sheet_ = workbook_add_worksheet(workbook_, name.c_str());
  title_format_ = workbook_add_format(workbook_);
  text_format_ = workbook_add_format(workbook_);
  if (!sheet_ || !title_format_ || !text_format_) {
    Fail("cannot start the sheet \"" + name + "\"");
    return;
  }
  format_set_bold(title_format_);
  // "@": what is typed into these cells later stays text too.
  format_set_num_format(text_format_, "@");
}

XlsxWriter::~XlsxWriter() {
  if (closed_) return;
  if (workbook_) workbook_close(workbook_);
  std::error_code ec;
  std::filesystem::remove(side_file_, ec);
}

bool XlsxWriter::Fail(std::string message) {
  if (!error_) error_ = std::move(message);
  return false;
}

lxw_format* XlsxWriter::NumberFormat(int decimals) {
  auto it = number_formats_.find(decimals);
  if (it != number_formats_.end()) return it->second;
  lxw_format* format = workbook_add_format(workbook_);
  if (format) format_set_num_format(format, DecimalsFormat(decimals).c_str());
  number_formats_.emplace(decimals, format);
  return format;
}

bool XlsxWriter::SetColumns(std::span<const Column> columns) {
  if (error_) return false;
  if (rows_ != 0) return Fail("the columns are already set");
  if (columns.size() > LXW_COL_MAX) return Fail("too many columns for one sheet");
  columns_.assign(columns.begin(), columns.end());
  for (size_t c = 0; c < columns_.size(); ++c) {
    const Column& column = columns_[c];
    lxw_format* format =
        column.kind == ColumnKind::kText ? text_format_ : NumberFormat(column.decimals);
    const auto col = static_cast<lxw_col_t>(c);
    if (worksheet_set_column(sheet_, col, col, column.width, format) != LXW_NO_ERROR ||
        worksheet_write_string(sheet_, 0, col, column.name.c_str(), title_format_) != LXW_NO_ERROR)
      return Fail("cannot write the title row");
  }
  worksheet_freeze_panes(sheet_, 1, 0);
  rows_ = 1;
  return true;
}

bool XlsxWriter::AddRow(std::span<const Cell> cells) {
  if (error_) return false;
  if (rows_ == 0) return Fail("the columns are not set");
  if (rows_ > kMaxDataRows)
    return Fail("more than " + std::to_string(kMaxDataRows) + " rows do not fit on one sheet");
  const auto row = static_cast<lxw_row_t>(rows_);
  std::string text;
  const size_t n = std::min(cells.size(), columns_.size());
  for (size_t c = 0; c < n; ++c) {
    const Cell& cell = cells[c];
    const auto col = static_cast<lxw_col_t>(c);
    lxw_error result = LXW_NO_ERROR;
    switch (cell.kind) {
      case Cell::Kind::kEmpty:
        break;
      case Cell::Kind::kText:
        if (cell.text.empty()) break;
        text.assign(cell.text);
        result = worksheet_write_string(sheet_, row, col, text.c_str(), text_format_);
        break;
      case Cell::Kind::kNumber:
        // A spreadsheet has no infinity or NaN: such a figure stays blank.
        if (!std::isfinite(cell.number)) break;
        result = worksheet_write_number(
            sheet_, row, col, cell.number,
            NumberFormat(cell.decimals >= 0 ? cell.decimals : columns_[c].decimals));
        break;
    }
    if (result != LXW_NO_ERROR)
      return Fail("row " + std::to_string(rows_) + ": " + lxw_strerror(result));
  }
  ++rows_;
  return true;
}

std::optional<std::string> XlsxWriter::Close() {
  if (closed_) return error_;
  closed_ = true;
  if (workbook_) {
    const lxw_error result = workbook_close(workbook_);
    workbook_ = nullptr;
    if (result != LXW_NO_ERROR)
      Fail("cannot write " + file_.string() + ": " + lxw_strerror(result));
  }
  std::error_code ec;
  if (!error_) {
    std::filesystem::rename(side_file_, file_, ec);
    if (ec) Fail("cannot put " + file_.string() + " in place: " + ec.message());
  }
  if (error_) std::filesystem::remove(side_file_, ec);
  return error_;
}

std::optional<std::string> WriteXlsx(const Table& table, const std::filesystem::path& file,
                                     std::string_view sheet_name) {
  XlsxWriter writer(file, sheet_name);
  writer.SetColumns(table.columns);
  std::vector<Cell> cells;
  for (const auto& row : table.rows) {
    cells.clear();
    for (const OwnedCell& cell : row) cells.push_back(cell.View());
    if (!writer.AddRow(cells)) break;
  }
  return writer.Close();
}

}  // namespace sheets
