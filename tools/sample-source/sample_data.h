// The names the sample pages draw from (GBK, converted once).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample_source {

struct StockName {
  std::string name;  // GBK, at most 10 bytes
  std::string code;
};

struct Reason {
  std::string printed;  // as the page prints it, up to and past its first "的"
  std::string stored;   // as the program stores it
  std::string prefix;   // field 5's head: the stored reason's first 8 bytes, "个" as "天"
  std::string label;    // the value's label in the heading, ending in "值"
  int64_t min_value;    // deviation value range, % × 100
  int64_t max_value;
};

const std::vector<StockName>& BoardStocks(int board);
const std::vector<std::string>& SeatNames();
const std::vector<Reason>& Reasons();

}  // namespace sample_source
