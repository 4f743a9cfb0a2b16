// Writing a table (sheets::Table's shape: columns, then rows of cells) in
// the formats of the command line: an aligned text table, CSV, JSON, JSON
// lines and .xlsx. A command that yields rows picks a format and streams
// them; nothing here knows what the rows are.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sheets/table.h"

namespace cli {

enum class TableFormat {
  kTable,      // columns aligned for a terminal
  kCsv,        // RFC 4180 (CRLF) with a header row, UTF-8 without a byte-order mark
  kJson,       // one array of objects keyed by column name
  kJsonLines,  // one object per line
  kXlsx,       // one sheet (needs a file)
};

// "table", "csv", "json", "jsonl", "xlsx".
const char* FormatName(TableFormat format);
std::optional<TableFormat> FormatFromName(std::string_view name);

// The rows of a CSV writer written straight into its buffer by a caller
// that makes many rows of its own: the row's bytes (fields as
// AppendCsvTextFrom leaves them, commas between) appended to buffer(), then
// EndRow().
class CsvRowSink {
 public:
  virtual std::string& buffer() = 0;
  // Ends the row and writes the buffer out when it is full; false once the
  // output failed.
  virtual bool EndRow() = 0;

 protected:
  ~CsvRowSink() = default;
};

// Quotes the text cell appended to `out` from `start` on, as a CSV row holds
// it: in double quotes, quotes doubled, when it holds a comma, a quote or a
// line break.
void QuoteCsvTextFrom(std::string& out, size_t start);

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // The CSV writer's rows for a caller writing their bytes itself; none for
  // the other formats.
  virtual CsvRowSink* csv_rows() { return nullptr; }
  // Once, before the first row.
  virtual bool Begin(std::span<const sheets::Column> columns) = 0;
  // False once the output failed; the reason comes from Finish().
  virtual bool Row(std::span<const sheets::Cell> cells) = 0;
  // Completes the output (a file is moved into place); the error (English)
  // when anything failed, and then no file is left behind.
  virtual std::optional<std::string> Finish() = 0;
};

struct OutputTarget {
  std::optional<std::filesystem::path> file;  // none: standard output
  std::FILE* standard_output = stdout;
  std::string sheet_name = "Sheet1";  // UTF-8, for xlsx
};

struct OpenedWriter {
  std::unique_ptr<TableWriter> writer;
  std::string error;  // when writer is null
};

// A writer for `format` onto `target`. xlsx needs a file.
OpenedWriter OpenTableWriter(TableFormat format, const OutputTarget& target);

// A whole table through a writer, Finish() included.
std::optional<std::string> WriteTable(const sheets::Table& table, TableWriter& writer);

// Columns a text takes on a terminal: two for East Asian wide and
// full-width characters, one for the rest.
size_t DisplayWidth(std::string_view utf8);

}  // namespace cli
