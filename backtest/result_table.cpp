#include "backtest/result_table.h"

namespace backtest {

std::array<FigureField, kFigureFieldCount> FigureFields(const Figures& f) {
  return {{{"trades", static_cast<double>(f.trades), true},
           {"skipped", static_cast<double>(f.skipped), true},
           {"win_rate", f.win_rate * 100},
           {"mean_return", f.mean_return * 100},
           {"median_return", f.median_return * 100},
           {"best", f.best * 100},
           {"worst", f.worst * 100},
           {"profit_factor", f.profit_factor},
           {"total_return", f.total_return * 100},
           {"annual_return", f.annual_return * 100},
           {"max_drawdown", f.max_drawdown * 100}}};
}

TradeCells CellsOf(const MarketData& data, const TradeRow& row,
                   const std::function<std::string(uint32_t identity)>& seat_name) {
  const Listing& l = data.Listings()[row.listing];
  TradeCells c;
  c.date = DateOfDayNumber(l.day).DateText();
  c.code = data.Code(l.code);
  c.name = data.Text(l.name);
  if (row.seat != kNoSeat && seat_name) c.seat = seat_name(data.Seats()[row.seat].identity);
  if (row.entry_day != 0) c.entry_date = DateOfDayNumber(row.entry_day).DateText();
  if (row.entry > 0) c.entry = row.entry;
  if (row.skipped == SkipReason::kNone) {
    c.exit_date = DateOfDayNumber(row.exit_day).DateText();
    c.exit = row.exit;
    c.return_percent = row.ret * 100;
  }
  c.skipped = std::string(SkipReasonText(row.skipped));
  return c;
}

}  // namespace backtest
