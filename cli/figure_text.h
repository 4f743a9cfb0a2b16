// Figures as the exports print them: the statistics grid's text for the
// computed figures (three decimals), two decimals for Seat amounts.
#pragma once

#include <string>

namespace cli {

// Appends x with exactly `decimals` decimals (2 or 3). With 3 the text is
// the statistics grid's (PadThreeDecimals(NumberText(x))) for every value;
// non-finite values append nothing.
void AppendFigure(double x, int decimals, std::string& out);

}  // namespace cli
