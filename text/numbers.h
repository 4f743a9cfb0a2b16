// Number helpers: number text, three-decimal padding, rounding and reading a
// number from page text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Decimal text with up to 13 significant digits in the shortest form: no
// trailing zeros, no point when nothing follows it, "-" for negatives
// (12.5, 150, -0.01, 0.012). Exponent form only from 1e13 up or below 1e-4.
// Non-finite values give the empty text.
std::string NumberText(double x);

// Fixed decimals, rounded half away from zero: (2.4, 2) -> "2.40",
// (-25535335.8, 2) -> "-25535335.80"; with `grouped`, thousands separated by
// commas ("-25,535,335.80"). Non-finite values give the empty text.
std::string FixedText(double x, int decimals, bool grouped = false);

// Pads a number text to exactly three decimals: 150 -> 150.000,
// 12.5 -> 12.500, 0.012 stays.
std::string PadThreeDecimals(std::string_view t);

// Rounds x to d decimals (d >= 1), halves away from zero. The scaled
// magnitude gets 1e-12 added first, so 2.675 (stored slightly below) gives
// 2.68.
double RoundHalfAway(double x, int d);

// The leading decimal number of a text: full-width digits, signs, points and
// blanks count as their ASCII forms; leading blanks are skipped; then an
// optional sign, digits with an optional point, an optional exponent. Reading
// stops at the first character that does not fit (so "1,234" reads as 1);
// no number gives 0.
double NumberFromText(std::string_view t);

// As NumberFromText, but thousands separators ("," and the full-width comma)
// are skipped first: for page figures such as the turnover "1,234".
double NumberFromTextSkippingSeparators(std::string_view t);

// NumberFromText cut toward zero to an integer, saturating at the int64
// range: record numbers read back from grid cells.
int64_t IntegerFromText(std::string_view t);

}  // namespace text
