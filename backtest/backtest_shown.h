// A back-test's result as the page "回测" shows it: the figures beside
// those of every listing, the years, the two equity curves and the trade
// rows. Made on the worker, so the window only swaps them in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "backtest/backtester.h"
#include "backtest/result_table.h"
#include "ui/backtest_page.h"
#include "ui/component.h"
#include "ui/grid.h"

namespace backtest {

struct ShownBacktest {
  // Whole rows of cells; the first row of each stands in for the grid's
  // title row (see ui::Grid::ReplaceRowsBelowTitle).
  std::vector<ui::Cell> figures;  // figure, rule, every listing
  std::vector<ui::Cell> years;    // year, rule, every listing
  std::vector<ui::Cell> trades;   // the trade columns
  // The record number of each trade row's listing.
  std::vector<int64_t> record_numbers;
  ui::ChartData chart;
};

inline constexpr int kYearColumnCount = 3;
inline constexpr int kTradeColumnCount = static_cast<int>(kTradeColumns.size());

// The text a figure shows: a count whole, the others with two decimals, a
// profit factor without a loss as "∞" (GBK).
std::string ShownFigureText(const FigureField& field);
// A skip reason in the page's words (GBK); empty for a trade taken.
std::string ShownSkipReason(SkipReason reason);

// `record_numbers` runs parallel to the data's listings; `seat_name` names
// an identity.
ShownBacktest MakeShownBacktest(const Result& result, const MarketData& data,
                                const std::vector<int64_t>& record_numbers,
                                const std::function<std::string(uint32_t)>& seat_name,
                                double capital);

// Swaps the result into the page's grids and chart (the cells and the
// chart are taken). User-interface thread.
void PutShownBacktest(ui::BacktestPage& page, ShownBacktest& shown);

// The title rows and widths of the page's three grids.
void SetUpBacktestGrids(ui::Grid& figures, ui::Grid& years, ui::Grid& trades);

}  // namespace backtest
