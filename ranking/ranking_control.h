// The window's side of the page "席位统计": the range, the kinds and the
// repeat switch, the ranking on a worker (a result whose range changed
// meanwhile is dropped), the header sorts, and a row's listings and chart.
#pragma once

#include <string_view>

#include "program/program_context.h"
#include "ranking/row_listings.h"
#include "ui/component.h"

namespace ranking {

// Binds every event of the page and gives its date boxes 近一月 up to
// today. The page's state lives in the bound handlers; ctx must outlive
// the window's events. User-interface thread.
void WireRankingPage(program::ProgramContext& ctx);

// The chart of a row's net over the range: the bars per day (or month),
// the running total as the line, and a title that says the amounts are
// the disclosed ones only. Texts GBK.
ui::ChartData NetChart(std::string_view row_name_gbk, const NetSeries& series);

}  // namespace ranking
