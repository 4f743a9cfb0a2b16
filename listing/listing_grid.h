// The two listing grids' columns, rows and row count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/grid.h"
#include "ui/main_window.h"

namespace listing {

// One computed line of the statistics.
struct ListingRow {
  std::string date;
  std::string stock_name;
  std::string stock_code;
  std::string first_buy_seat;
  double buy_total = 0;   // 10,000 yuan
  double sell_total = 0;  // 10,000 yuan
  double net = 0;         // 10,000 yuan
  std::optional<double> strength;  // none when the turnover is zero or no number
  int64_t record_number = 0;
};

// Columns, widths, titles, alignment and striping of a listing grid; also
// empties the sort arrow.
void SetUpListingGrid(ui::MainWindow& window, ui::Grid& grid);
// Rows, header included, of a listing grid for n listings: n + 1, at least 16.
int ListingGridRowCount(int64_t n);
// Writes the ten cells of row i.
void WriteListingRow(ui::Grid& grid, int i, const ListingRow& row);

}  // namespace listing
