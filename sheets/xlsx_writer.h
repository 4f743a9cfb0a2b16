// Writing one table as a one-sheet .xlsx workbook (libxlsxwriter): the
// title row bold and frozen, texts as texts (a code such as "000001" stays
// text), numbers as numbers with their decimals. Rows stream to the file
// (constant memory), so a million rows cost no more memory than ten.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sheets/table.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace sheets {

class XlsxWriter {
 public:
  // Rows below the title row one sheet can hold.
  static constexpr int64_t kMaxDataRows = 1'048'575;

  // Starts the workbook under a side name beside `file`; Close() puts it in
  // place. `sheet_name` (UTF-8) is made acceptable to spreadsheet programs
  // (at most 31 characters, none of []:*?/\).
  XlsxWriter(const std::filesystem::path& file, std::string_view sheet_name);
  // Without a successful Close() the side file is removed and `file` is
  // left as it was.
  ~XlsxWriter();
  XlsxWriter(const XlsxWriter&) = delete;
  XlsxWriter& operator=(const XlsxWriter&) = delete;

  // The title row and the columns' widths and formats. Once, first.
  bool SetColumns(std::span<const Column> columns);
  // One row; cells beyond the columns are ignored. False once the sheet is
  // full or a write failed (error() says which).
  bool AddRow(std::span<const Cell> cells);
  // Writes the workbook and moves it into place; the error when anything
  // failed (then nothing is left at `file` that was not there before).
  std::optional<std::string> Close();

  const std::optional<std::string>& error() const { return error_; }
  int64_t data_rows() const { return rows_ - 1; }

 private:
  lxw_format* NumberFormat(int decimals);
  bool Fail(std::string message);

  std::filesystem::path file_;
  std::filesystem::path side_file_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* title_format_ = nullptr;
  lxw_format* text_format_ = nullptr;
  std::map<int, lxw_format*> number_formats_;
  std::vector<Column> columns_;
  int64_t rows_ = 0;  // rows written, title row included
  std::optional<std::string> error_;
  bool closed_ = false;
};

// A sheet name a spreadsheet program accepts: the forbidden characters
// become "_", at most 31 characters, never empty.
std::string SheetName(std::string_view utf8);

// Writes a whole table (Close included).
std::optional<std::string> WriteXlsx(const Table& table, const std::filesystem::path& file,
                                     std::string_view sheet_name);

}  // namespace sheets
