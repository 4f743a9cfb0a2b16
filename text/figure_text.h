// The one text of a figure, for the listing grids and the command line:
// the computed figures with three decimals as the statistics grid shows
// them, Seat amounts with two.
#pragma once

#include <cstdint>
#include <string>

namespace text {

// Appends k / 10^decimals (decimals 2 or 3) with exactly that many
// decimals: k = -12340, decimals 3 gives "-12.340".
void AppendScaledInteger(int64_t k, int decimals, std::string& out);

// Appends x with exactly `decimals` decimals (2 or 3). With 3 the text is
// PadThreeDecimals(NumberText(x)) for every finite value; non-finite values
// append nothing.
void AppendFigure(double x, int decimals, std::string& out);

}  // namespace text
