// One computed line of the statistics: what a listing grid shows of one
// StockListing. Plain values, no grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace listing {

// One computed line of the statistics.
struct ListingRow {
  std::string date;
  std::string stock_name;
  std::string stock_code;
  std::string first_buy_seat;
  double buy_total = 0;            // 10,000 yuan
  double sell_total = 0;           // 10,000 yuan
  double net = 0;                  // 10,000 yuan
  std::optional<double> strength;  // none when the turnover is zero or no number
  int64_t record_number = 0;
};

}  // namespace listing
