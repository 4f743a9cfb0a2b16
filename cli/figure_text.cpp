#include "cli/figure_text.h"

#include <charconv>
#include <cmath>

#include "text/numbers.h"

namespace cli {

void AppendFigure(double x, int decimals, std::string& out) {
  if (!std::isfinite(x)) return;
  const long long scale = decimals == 2 ? 100 : 1000;
  // A figure that is a whole number of hundredths or thousandths (what the
  // rounding leaves) is written from that integer; anything else the slow
  // way, which gives the same text for these.
  if (std::fabs(x) < 1e10) {
    const long long k = std::llround(x * static_cast<double>(scale));
    if (static_cast<double>(k) / static_cast<double>(scale) == x) {
      const unsigned long long magnitude = static_cast<unsigned long long>(k < 0 ? -k : k);
      char buf[32];
      char* end = buf;
      if (k < 0) *end++ = '-';
      end = std::to_chars(end, buf + sizeof buf, magnitude / static_cast<unsigned long long>(scale))
                .ptr;
      *end++ = '.';
      const unsigned long long fraction = magnitude % static_cast<unsigned long long>(scale);
      if (decimals == 2) {
        *end++ = static_cast<char>('0' + fraction / 10);
        *end++ = static_cast<char>('0' + fraction % 10);
      } else {
        *end++ = static_cast<char>('0' + fraction / 100);
        *end++ = static_cast<char>('0' + fraction / 10 % 10);
        *end++ = static_cast<char>('0' + fraction % 10);
      }
      out.append(buf, end);
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
  out += text::PadThreeDecimals(text::NumberText(x));
}

}  // namespace cli
