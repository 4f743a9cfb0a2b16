// Figures as the exports print them: the statistics grid's text for the
// computed figures (three decimals), two decimals for Seat amounts. The
// formatter is the grids' own (text/figure_text.h).
#pragma once

#include "text/figure_text.h"

namespace cli {

using text::AppendFigure;

}  // namespace cli
