// The window's side of the page "回测": the rule read from the page's
// controls, the store read and the back-test on a worker that keeps its
// Backtester between runs, and the results swapped into the page.
#pragma once

#include "program/program_context.h"

namespace backtest {

void WireBacktestPage(program::ProgramContext& ctx);

}  // namespace backtest
