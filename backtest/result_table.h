// A back-test's results in the shape both outputs show them: the figures
// under their keys with returns and rates in percent, and the trade list's
// cells. Texts stay GBK; the outputs convert at their edge.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "backtest/market_data.h"
#include "backtest/portfolio.h"
#include "backtest/selection.h"

namespace backtest {

struct FigureField {
  std::string_view key;
  double value = 0;  // percent for returns and rates; infinity for a profit factor without loss
  bool is_count = false;
};
inline constexpr size_t kFigureFieldCount = 11;
// trades, skipped, win_rate, mean_return, median_return, best, worst,
// profit_factor, total_return, annual_return, max_drawdown.
std::array<FigureField, kFigureFieldCount> FigureFields(const Figures& figures);

inline constexpr std::array<std::string_view, 10> kTradeColumns = {
    "date",  "code",      "name", "seat",   "entry_date",
    "entry", "exit_date", "exit", "return", "skipped"};

// One trade row's cells; prices, dates and the return are empty where the
// skip reason leaves them unknown.
struct TradeCells {
  std::string date;  // the listing's, "YYYY-MM-DD"
  std::string code;
  std::string name;
  std::string seat;
  std::string entry_date;
  std::optional<double> entry;
  std::string exit_date;
  std::optional<double> exit;
  std::optional<double> return_percent;
  std::string skipped;  // the reason, empty for a trade taken
};
// `seat_name` names a Seat identity (the identity list knows the names).
TradeCells CellsOf(const MarketData& data, const TradeRow& row,
                   const std::function<std::string(uint32_t identity)>& seat_name);

}  // namespace backtest
