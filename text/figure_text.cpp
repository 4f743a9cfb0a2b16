#include "text/figure_text.h"

#include <charconv>
#include <cmath>

#include "text/numbers.h"

namespace text {

void AppendScaledInteger(int64_t k, int decimals, std::string& out) {
  const uint64_t scale = decimals == 2 ? 100 : 1000;
  const uint64_t magnitude = k < 0 ? 0 - static_cast<uint64_t>(k) : static_cast<uint64_t>(k);
  char buf[32];
  char* end = buf;
  if (k < 0) *end++ = '-';
  end = std::to_chars(end, buf + sizeof buf, magnitude / scale).ptr;
  *end++ = '.';
  const uint64_t fraction = magnitude % scale;
  if (decimals == 2) {
    *end++ = static_cast<char>('0' + fraction / 10);
    *end++ = static_cast<char>('0' + fraction % 10);
  } else {
    *end++ = static_cast<char>('0' + fraction / 100);
    *end++ = static_cast<char>('0' + fraction / 10 % 10);
    *end++ = static_cast<char>('0' + fraction % 10);
  }
  out.append(buf, end);
}

void AppendFigure(double x, int decimals, std::string& out) {
  if (!std::isfinite(x)) return;
  const double scale = decimals == 2 ? 100 : 1000;
  // A figure that is a whole number of hundredths or thousandths (what the
  // rounding leaves) is written from that integer: for x the double nearest
  // to k / scale, the 13 digits of NumberText give exactly that decimal.
  // Anything else takes the slow way.
  if (std::fabs(x) < 1e10) {
    const long long k = std::llround(x * scale);
    if (static_cast<double>(k) / scale == x) {
      AppendScaledInteger(k, decimals, out);
      return;
    }
  }
  if (decimals == 2) {
    // Fixed notation without the process locale's decimal point.
    char buf[400];
    const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 2);
    if (written.ec == std::errc()) out.append(buf, written.ptr);
    return;
  }
  out += PadThreeDecimals(NumberText(x));
}

}  // namespace text
