#include "cli/table_output.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cli/output_file.h"
#include "sheets/xlsx_writer.h"

namespace cli {
namespace {

using sheets::Cell;
using sheets::Column;

// The bytes a CSV field is quoted for: a comma, a quote, a line break.
bool IsCsvQuotedByte(unsigned char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }

// A field needs quotes when it holds one of those bytes. All four are below
// '-' (0x2D), and the digits, points, minus signs, bars and UTF-8 bytes a
// field is mostly made of are not, so eight bytes at a time are first
// asked whether any is below 0x2D (exact for the word as a whole), and only
// such a word is looked at byte by byte.
bool NeedsQuotes(std::string_view t) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  const auto* s = reinterpret_cast<const unsigned char*>(t.data());
  const size_t n = t.size();
  size_t i = 0;
  for (; n - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, s + i, 8);
    if (((word - kOnes * 0x2D) & ~word & kHighBits) == 0) continue;
    for (size_t k = i; k < i + 8; ++k)
      if (IsCsvQuotedByte(s[k])) return true;
  }
  for (; i < n; ++i)
    if (IsCsvQuotedByte(s[i])) return true;
  return false;
}

void AppendCsvField(std::string& out, const Cell& cell) {
  const size_t start = out.size();
  out.append(cell.text);
  if (cell.kind == Cell::Kind::kText) QuoteCsvTextFrom(out, start);
}

}  // namespace

void QuoteCsvTextFrom(std::string& out, size_t start) {
  const std::string_view t = std::string_view(out).substr(start);
  if (t.empty() || !NeedsQuotes(t)) return;
  std::string quoted;
  quoted.reserve(t.size() + 8);
  quoted += '"';
  for (char c : t) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  out.replace(start, std::string::npos, quoted);
}

namespace {

void AppendJsonString(std::string& out, std::string_view t) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : t) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20) {
          out += "\\u00";
          out += kHex[u >> 4];
          out += kHex[u & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendJsonValue(std::string& out, const Cell& cell) {
  switch (cell.kind) {
    case Cell::Kind::kEmpty:
      out += "null";
      break;
    case Cell::Kind::kText:
      AppendJsonString(out, cell.text);
      break;
    case Cell::Kind::kNumber:
      if (cell.text.empty()) {
        out += "null";
      } else {
        out.append(cell.text);
      }
      break;
  }
}

// The text writers share the output and its end.
class StreamWriter : public TableWriter {
 public:
  explicit StreamWriter(Output output) : out_(std::move(output)) {}
  bool Row(std::span<const Cell> cells) override {
    AppendRow(out_.buffer(), cells);
    out_.FlushIfFull();
    return !out_.failed();
  }
  std::optional<std::string> Finish() override {
    AppendEnd(out_.buffer());
    return out_.Commit();
  }

 protected:
  virtual void AppendRow(std::string& out, std::span<const Cell> cells) = 0;
  virtual void AppendEnd(std::string&) {}
  Output out_;
};

class CsvWriter : public StreamWriter, public CsvRowSink {
 public:
  using StreamWriter::StreamWriter;
  CsvRowSink* csv_rows() override { return this; }
  std::string& buffer() override { return out_.buffer(); }
  bool EndRow() override {
    out_.buffer() += "\r\n";
    out_.FlushIfFull();
    return !out_.failed();
  }
  bool Begin(std::span<const Column> columns) override {
    std::string& out = out_.buffer();
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i) out += ',';
      AppendCsvField(out, Cell::Text(columns[i].name));
    }
    out += "\r\n";
    return true;
  }

 protected:
  void AppendRow(std::string& out, std::span<const Cell> cells) override {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i) out += ',';
      AppendCsvField(out, cells[i]);
    }
    out += "\r\n";
  }
};

class JsonObjectsWriter : public StreamWriter {
 public:
  JsonObjectsWriter(Output output, bool one_array)
      : StreamWriter(std::move(output)), one_array_(one_array) {}
  bool Begin(std::span<const Column> columns) override {
    for (const Column& column : columns) {
      std::string key;
      AppendJsonString(key, column.name);
      key += ':';
      keys_.push_back(std::move(key));
    }
    if (one_array_) out_.buffer() += '[';
    return true;
  }

 protected:
  void AppendRow(std::string& out, std::span<const Cell> cells) override {
    if (one_array_) out += rows_ == 0 ? "\n" : ",\n";
    ++rows_;
    out += '{';
    const size_t n = std::min(cells.size(), keys_.size());
    for (size_t i = 0; i < n; ++i) {
      if (i) out += ',';
      out += keys_[i];
      AppendJsonValue(out, cells[i]);
    }
    out += '}';
    if (!one_array_) out += '\n';
  }
  void AppendEnd(std::string& out) override {
    if (one_array_) out += rows_ == 0 ? "]\n" : "\n]\n";
  }

 private:
  bool one_array_;
  std::vector<std::string> keys_;
  size_t rows_ = 0;
};

// Keeps every row, then pads each column to its widest text; number
// columns (and their titles) to the right.
class AlignedTableWriter : public TableWriter {
 public:
  explicit AlignedTableWriter(Output output) : out_(std::move(output)) {}
  bool Begin(std::span<const Column> columns) override {
    columns_.assign(columns.begin(), columns.end());
    std::vector<std::string> titles;
    for (const Column& column : columns_) titles.push_back(column.name);
    rows_.push_back(std::move(titles));
    return true;
  }
  bool Row(std::span<const Cell> cells) override {
    std::vector<std::string> row;
    for (size_t i = 0; i < columns_.size(); ++i)
      row.emplace_back(i < cells.size() ? cells[i].text : std::string_view());
    rows_.push_back(std::move(row));
    return true;
  }
  std::optional<std::string> Finish() override {
    std::vector<size_t> widths(columns_.size(), 0);
    for (const auto& row : rows_)
      for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    std::string& out = out_.buffer();
    for (size_t r = 0; r < rows_.size(); ++r) {
      std::string line;
      for (size_t i = 0; i < columns_.size(); ++i) {
        const std::string& t = rows_[r][i];
        const size_t pad = widths[i] - DisplayWidth(t);
        const bool right = columns_[i].kind == sheets::ColumnKind::kNumber;
        if (i) line += "  ";
        if (right) line.append(pad, ' ');
        line += t;
        if (!right && i + 1 < columns_.size()) line.append(pad, ' ');
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out += line;
      out += '\n';
      if (r == 0) {
        std::string rule;
        for (size_t i = 0; i < columns_.size(); ++i) {
          if (i) rule += "  ";
          rule.append(widths[i], '-');
        }
        out += rule;
        out += '\n';
      }
      out_.FlushIfFull();
    }
    return out_.Commit();
  }

 private:
  Output out_;
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

class SheetWriter : public TableWriter {
 public:
  SheetWriter(const std::filesystem::path& file, const std::string& sheet_name)
      : xlsx_(file, sheet_name) {}
  bool Begin(std::span<const Column> columns) override { return xlsx_.SetColumns(columns); }
  bool Row(std::span<const Cell> cells) override { return xlsx_.AddRow(cells); }
  std::optional<std::string> Finish() override { return xlsx_.Close(); }

 private:
  sheets::XlsxWriter xlsx_;
};

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

const char* FormatName(TableFormat format) {
  switch (format) {
    case TableFormat::kTable:
      return "table";
    case TableFormat::kCsv:
      return "csv";
    case TableFormat::kJson:
      return "json";
    case TableFormat::kJsonLines:
      return "jsonl";
    case TableFormat::kXlsx:
      return "xlsx";
  }
  return "";
}

std::optional<TableFormat> FormatFromName(std::string_view name) {
  for (TableFormat f : {TableFormat::kTable, TableFormat::kCsv, TableFormat::kJson,
                        TableFormat::kJsonLines, TableFormat::kXlsx})
    if (name == FormatName(f)) return f;
  return std::nullopt;
}

OpenedWriter OpenTableWriter(TableFormat format, const OutputTarget& target) {
  OpenedWriter opened;
  if (format == TableFormat::kXlsx) {
    if (!target.file) {
      opened.error = "--format xlsx writes a file: give it with --output FILE";
      return opened;
    }
    auto writer = std::make_unique<SheetWriter>(*target.file, target.sheet_name);
    opened.writer = std::move(writer);
    return opened;
  }
  std::optional<Output> output = target.file
                                     ? Output::ToFile(*target.file, &opened.error)
                                     : std::optional<Output>(std::in_place, target.standard_output);
  if (!output) return opened;
  switch (format) {
    case TableFormat::kTable:
      opened.writer = std::make_unique<AlignedTableWriter>(std::move(*output));
      break;
    case TableFormat::kCsv:
      opened.writer = std::make_unique<CsvWriter>(std::move(*output));
      break;
    case TableFormat::kJson:
      opened.writer = std::make_unique<JsonObjectsWriter>(std::move(*output), true);
      break;
    case TableFormat::kJsonLines:
      opened.writer = std::make_unique<JsonObjectsWriter>(std::move(*output), false);
      break;
    case TableFormat::kXlsx:
      break;
  }
  return opened;
}

std::optional<std::string> WriteTable(const sheets::Table& table, TableWriter& writer) {
  writer.Begin(table.columns);
  std::vector<Cell> cells;
  for (const auto& row : table.rows) {
    cells.clear();
    for (const sheets::OwnedCell& cell : row) cells.push_back(cell.View());
    if (!writer.Row(cells)) break;
  }
  return writer.Finish();
}

size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c = b;
    size_t length = 1;
    if (b >= 0xF0) {
      c = b & 0x07;
      length = 4;
    } else if (b >= 0xE0) {
      c = b & 0x0F;
      length = 3;
    } else if (b >= 0xC0) {
      c = b & 0x1F;
      length = 2;
    }
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    width += IsWide(c) ? 2 : 1;
  }
  return width;
}

}  // namespace cli
