#include "text/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "text/text_ops.h"

namespace text {

std::string NumberText(double x) {
  if (!std::isfinite(x)) return {};
  if (x == 0) return "0";  // also turns -0 into 0
  // to_chars writes the C locale's form whatever the process locale is
  // (Qt sets the user's at start): a decimal point, never a comma.
  char buf[40];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 13);
  return std::string(buf, result.ptr);
}

std::string FixedText(double x, int decimals, bool grouped) {
  if (!std::isfinite(x)) return {};
  x = RoundHalfAway(x, decimals);
  if (x == 0) x = 0;  // no "-0.00"
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  std::string plain(buf, result.ptr);
  if (!grouped) return plain;
  const size_t digits_begin = plain[0] == '-' ? 1 : 0;
  size_t digits_end = plain.find('.');
  if (digits_end == std::string::npos) digits_end = plain.size();
  std::string out(plain, 0, digits_begin);
  for (size_t k = digits_begin; k < digits_end; ++k) {
    if (k > digits_begin && (digits_end - k) % 3 == 0) out += ',';
    out += plain[k];
  }
  out.append(plain, digits_end);
  return out;
}

std::string PadThreeDecimals(std::string_view t) {
  std::string out(t);
  const size_t dot = t.rfind('.');
  if (dot == std::string_view::npos) {
    out += ".000";
    return out;
  }
  const size_t after = t.size() - dot - 1;
  if (after == 1) {
    out += "00";
  } else if (after == 2) {
    out += "0";
  }
  return out;
}

double RoundHalfAway(double x, int d) {
  if (x == 0) return 0;
  // Exact powers of ten: the values pow gives, without its cost per figure.
  static constexpr double kScales[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const double scale = d >= 0 && d <= 15 ? kScales[d] : std::pow(10.0, d);
  const double scaled = std::fabs(x) * scale + 1e-12;
  double integer_part = std::floor(scaled);
  if (scaled - integer_part >= 0.5) integer_part += 1;
  const double result = integer_part / scale;
  return x < 0 ? -result : result;
}

namespace {

// Reads the characters of t as ASCII: full-width forms (GBK A3 A1..A3 FE)
// become their single-byte forms and the ideographic space (A1 A1) a space;
// other double-byte characters become 0x01, which never fits a number.
class AsciiReader {
 public:
  explicit AsciiReader(std::string_view t) : t_(t) {}
  bool AtEnd() const { return pos_ >= t_.size(); }
  char Peek() const {
    const unsigned char b = static_cast<unsigned char>(t_[pos_]);
    if (b < 0x80) return static_cast<char>(b);
    if (pos_ + 1 >= t_.size()) return '\x01';
    const unsigned char trail = static_cast<unsigned char>(t_[pos_ + 1]);
    if (b == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
    if (b == 0xA1 && trail == 0xA1) return ' ';
    return '\x01';
  }
  void Next() { pos_ += CharLength(static_cast<unsigned char>(t_[pos_])); }

 private:
  std::string_view t_;
  size_t pos_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Rough decimal exponent of a digit text such as "123.4e5": tells an
// overflow from an underflow when from_chars reports "out of range".
long DecimalExponent(const std::string& buf) {
  const size_t e = buf.find('e');
  const std::string mantissa = buf.substr(0, e);
  long exponent = 0;
  if (e != std::string::npos) {
    const std::string ex = buf.substr(e + 1);
    std::from_chars(ex.data() + (ex[0] == '+' ? 1 : 0), ex.data() + ex.size(), exponent);
  }
  const size_t dot = mantissa.find('.');
  const std::string integer = mantissa.substr(0, dot);
  const size_t first = integer.find_first_not_of('0');
  if (first != std::string::npos) return exponent + static_cast<long>(integer.size() - first);
  if (dot == std::string::npos) return exponent - 1000;
  const std::string fraction = mantissa.substr(dot + 1);
  const size_t nonzero = fraction.find_first_not_of('0');
  if (nonzero == std::string::npos) return exponent - 1000;
  return exponent - static_cast<long>(nonzero);
}

double ParseNumber(AsciiReader r) {
  while (!r.AtEnd() && IsBlank(r.Peek())) r.Next();
  std::string buf;
  bool negative = false;
  if (!r.AtEnd() && (r.Peek() == '+' || r.Peek() == '-')) {
    negative = r.Peek() == '-';
    r.Next();
  }
  size_t digits = 0;
  while (!r.AtEnd() && IsDigit(r.Peek())) {
    buf.push_back(r.Peek());
    ++digits;
    r.Next();
  }
  if (!r.AtEnd() && r.Peek() == '.') {
    buf.push_back('.');
    r.Next();
    while (!r.AtEnd() && IsDigit(r.Peek())) {
      buf.push_back(r.Peek());
      ++digits;
      r.Next();
    }
  }
  if (digits == 0) return 0;
  if (!r.AtEnd() && (r.Peek() == 'e' || r.Peek() == 'E')) {
    // The exponent counts only when at least one digit follows it.
    AsciiReader probe = r;
    std::string exponent = "e";
    probe.Next();
    if (!probe.AtEnd() && (probe.Peek() == '+' || probe.Peek() == '-')) {
      exponent.push_back(probe.Peek());
      probe.Next();
    }
    size_t exponent_digits = 0;
    std::string significant;  // exponent digits without leading zeros
    while (!probe.AtEnd() && IsDigit(probe.Peek())) {
      if (!significant.empty() || probe.Peek() != '0') significant.push_back(probe.Peek());
      ++exponent_digits;
      probe.Next();
    }
    // An exponent of ten or more digits is out of range either way.
    if (significant.size() > 9) significant = "999999999";
    if (significant.empty()) significant = "0";
    if (exponent_digits > 0) buf += exponent + significant;
  }
  double value = 0;
  const auto result = std::from_chars(buf.data(), buf.data() + buf.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Mirrors strtod: overflow gives infinity, underflow zero.
    value = DecimalExponent(buf) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

}  // namespace

double NumberFromText(std::string_view t) { return ParseNumber(AsciiReader(t)); }

double NumberFromTextSkippingSeparators(std::string_view t) {
  static constexpr char kFullWidthComma[] = "\xA3\xAC";
  std::string cleaned = RemoveAll(RemoveAll(t, ","), kFullWidthComma);
  return NumberFromText(cleaned);
}

int64_t IntegerFromText(std::string_view t) {
  const double v = NumberFromText(t);
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);  // truncates toward zero
}

}  // namespace text
