// Daily prices beside the listings, in tables of Data.edb: "日线", one
// row per stock and trading day (back-adjusted prices, so a stored bar
// never changes when a later dividend is paid), and "行情记录", one row per
// stock saying how its last fetch went. "日线打包" holds each stock's bars
// once more, packed in one blob, so that ten years of every stock load in
// a fraction of the time the bars table takes; it is derived from "日线",
// rewritten in the same transaction, and a packed row whose stamp does not
// match the stock's log row is not used. None is emptied with the
// listings: prices do not depend on them. Files made without the tables
// gain them at their first write; until then a read finds none.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/table_file.h"

namespace store {

inline constexpr std::string_view kPriceBarsTable = "日线";
inline constexpr std::string_view kPriceLogTable = "行情记录";
inline constexpr std::string_view kPackedBarsTable = "日线打包";

// One trading day of one stock. Prices in yuan, back-adjusted.
struct PriceBar {
  std::string date;  // 日期, "YYYY-MM-DD"
  double open = 0;
  double high = 0;
  double low = 0;
  double close = 0;
  double volume = 0;  // lots (100 shares), as the service gives them
  double amount = 0;  // yuan
  bool operator==(const PriceBar&) const = default;
};

// How a stock's last fetch went.
enum class PriceFetchResult : int {
  kBars = 0,     // answered with bars (or none left to give in the span)
  kNoBars = 1,   // the service holds no bars for the code
  kFailed = 2,   // no usable answer: see reason
};

struct PriceLogEntry {
  std::string code;        // 代码
  std::string fetched_at;  // 时间, "YYYY-MM-DD HH:MM:SS"
  PriceFetchResult result = PriceFetchResult::kBars;
  std::string reason;      // 原因 (English, one line), empty when fetched
  int64_t bars = 0;        // 条数: bars the table holds for the code
  std::string from;        // 起: the span answered so far (empty: none)
  std::string to;          // 止
  bool operator==(const PriceLogEntry&) const = default;
};

// One stock's bars, in date order.
struct CodeBars {
  std::string code;
  std::vector<PriceBar> bars;
};

// A trading day as the returns need it, small enough for ten years of
// every stock in memory: the day as a number, the prices in thousandths
// of a yuan. The service gives two decimals, so n / 1000.0 is the very
// number its text gave.
struct DayBar {
  int32_t day = 0;    // days since 1970-01-01
  int32_t open = 0;   // thousandths of a yuan; kNoPrice when unknown
  int32_t high = 0;
  int32_t close = 0;
};
inline constexpr int32_t kNoPrice = INT32_MIN;

// A price in thousandths; kNoPrice for no number or one out of reach.
int32_t ThousandthsOf(double price);
// "YYYY-MM-DD" as days since 1970-01-01; nullopt for another text.
std::optional<int32_t> DayNumberOfDate(std::string_view date);

// Many stocks' bars in one array, each stock's in date order.
struct DayBarTable {
  std::vector<std::string> codes;  // ascending
  std::vector<size_t> starts;      // codes[k]'s bars: bars[starts[k] .. starts[k + 1])
  std::vector<DayBar> bars;
};

// A trading day with the four prices the back-test uses, in thousandths of
// a yuan: n / 1000.0 is the very double the bars table holds (ExactPrice).
// The reader hands them over undivided, so a caller that keeps only some
// bars divides only those.
struct ExactDayBar {
  int32_t day = 0;  // days since 1970-01-01
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
};
inline double ExactPrice(int32_t thousandths) { return thousandths / 1000.0; }
// Given one stock's bars within the dates asked, in date order (at least
// one), with the stamp of the packed row they came from; the span is only
// valid during the call.
using ExactDayBarsSink =
    std::function<void(std::string_view code, int64_t stamp, std::span<const ExactDayBar>)>;

const SideTable& PriceBarsSideTable();
const SideTable& PriceLogSideTable();
const SideTable& PackedBarsSideTable();

}  // namespace store
