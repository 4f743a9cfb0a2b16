// A table as the exports write it: named columns of texts or numbers, and
// rows of cells. The spreadsheet writer and the command line's text
// writers (CSV, JSON, an aligned table) all take this one shape, so any
// list of rows (listings, Seats, rankings) goes to every format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sheets {

enum class ColumnKind : uint8_t {
  kText,    // kept as text everywhere (codes keep their leading zeros)
  kNumber,  // a number, shown with `decimals` decimals
};

struct Column {
  std::string name;  // UTF-8: the CSV header, the JSON key, the sheet's title
  ColumnKind kind = ColumnKind::kText;
  int decimals = 0;   // of a number column
  double width = 12;  // in characters, for the sheet
};

// One cell of a row: a text, a number or nothing. A number carries the text
// it shows as (the text formats write that; the sheet writes the value).
// Views only: the texts must outlive the row's write.
struct Cell {
  enum class Kind : uint8_t { kEmpty, kText, kNumber };
  Kind kind = Kind::kEmpty;
  int8_t decimals = -1;   // a number's decimals; -1: the column's
  std::string_view text;  // UTF-8
  double number = 0;

  static Cell Text(std::string_view t) { return Cell{Kind::kText, -1, t, 0}; }
  static Cell Number(double x, std::string_view shown, int decimals = -1) {
    return Cell{Kind::kNumber, static_cast<int8_t>(decimals), shown, x};
  }
};

// A cell that owns its text, for tables built whole in memory.
struct OwnedCell {
  Cell::Kind kind = Cell::Kind::kEmpty;
  int8_t decimals = -1;
  std::string text;
  double number = 0;
  Cell View() const { return Cell{kind, decimals, text, number}; }
};

// A whole table in memory (a ranking, a grid as shown).
struct Table {
  std::vector<Column> columns;
  std::vector<std::vector<OwnedCell>> rows;
};

}  // namespace sheets
