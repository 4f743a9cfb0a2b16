#include "text/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

#include "tests/test_support.h"

namespace {

using testing_support::G;
using text::NumberFromText;
using text::NumberText;
using text::PadThreeDecimals;
using text::RoundHalfAway;

TEST(NumberText, ShortestFormUpToThirteenDigits) {
  EXPECT_EQ(NumberText(12.5), "12.5");
  EXPECT_EQ(NumberText(150), "150");
  EXPECT_EQ(NumberText(-0.01), "-0.01");
  EXPECT_EQ(NumberText(0.012), "0.012");
  EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberText(-0.0), "0");
  EXPECT_EQ(NumberText(1234567.891), "1234567.891");
  EXPECT_EQ(NumberText(1.0 / 3.0), "0.3333333333333");
  EXPECT_EQ(NumberText(std::nan("")), "");
}

// Qt takes the user's locale at start; a decimal comma must not reach the
// figures, which are then padded, sorted and exported as numbers.
TEST(NumberText, KeepsTheDecimalPointInADecimalCommaLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  const std::string probe_text = probe;
  const std::string twelve_and_a_half = NumberText(12.5);
  const std::string tiny = NumberText(-0.00001234);
  const double read = NumberFromText("1234.56");
  std::setlocale(LC_ALL, before.c_str());
  ASSERT_EQ(probe_text, "1,5");  // the locale is really in force
  EXPECT_EQ(twelve_and_a_half, "12.5");
  EXPECT_EQ(tiny, "-1.234e-05");
  EXPECT_DOUBLE_EQ(read, 1234.56);
}

TEST(PadThreeDecimals, Examples) {
  EXPECT_EQ(PadThreeDecimals("150"), "150.000");
  EXPECT_EQ(PadThreeDecimals("12.5"), "12.500");
  EXPECT_EQ(PadThreeDecimals("1234.56"), "1234.560");
  EXPECT_EQ(PadThreeDecimals("-0.01"), "-0.010");
  EXPECT_EQ(PadThreeDecimals("0"), "0.000");
  EXPECT_EQ(PadThreeDecimals("0.012"), "0.012");
  EXPECT_EQ(PadThreeDecimals("-0.125"), "-0.125");
  EXPECT_EQ(PadThreeDecimals("0.3333"), "0.3333");
  EXPECT_EQ(PadThreeDecimals(NumberText(1500)), "1500.000");
  EXPECT_EQ(PadThreeDecimals(NumberText(99.99)), "99.990");
  EXPECT_EQ(PadThreeDecimals(NumberText(-7)), "-7.000");
}

TEST(RoundHalfAway, HalvesAwayFromZeroWithNudge) {
  EXPECT_EQ(NumberText(RoundHalfAway(12.345, 2)), "12.35");
  EXPECT_EQ(NumberText(RoundHalfAway(-12.345, 2)), "-12.35");
  EXPECT_EQ(NumberText(RoundHalfAway(2.675, 2)), "2.68");
  EXPECT_EQ(NumberText(RoundHalfAway(0.125, 2)), "0.13");
  EXPECT_EQ(NumberText(RoundHalfAway(0.0124, 3)), "0.012");
  EXPECT_EQ(NumberText(RoundHalfAway(1.004, 2)), "1");
  EXPECT_EQ(RoundHalfAway(0.0, 2), 0.0);
  EXPECT_EQ(NumberText(RoundHalfAway(120.0 / 10000.0, 3)), "0.012");
}

TEST(NumberFromText, DecimalPrefix) {
  EXPECT_EQ(NumberFromText("1234.56"), 1234.56);
  EXPECT_EQ(NumberFromText("  -12.3abc"), -12.3);
  EXPECT_EQ(NumberFromText("+5"), 5);
  EXPECT_EQ(NumberFromText(".5"), 0.5);
  EXPECT_EQ(NumberFromText("5."), 5);
  EXPECT_EQ(NumberFromText("1e3"), 1000);
  EXPECT_EQ(NumberFromText("1e"), 1);
  EXPECT_EQ(NumberFromText("1e+"), 1);
  EXPECT_EQ(NumberFromText("2E-2x"), 0.02);
  // A thousands separator ends the number.
  EXPECT_EQ(NumberFromText("1,234"), 1);
  EXPECT_EQ(NumberFromText(""), 0);
  EXPECT_EQ(NumberFromText("abc"), 0);
  EXPECT_EQ(NumberFromText("-"), 0);
  EXPECT_EQ(NumberFromText("."), 0);
  // No hexadecimal, infinity or nan words.
  EXPECT_EQ(NumberFromText("0x1A"), 0);
  EXPECT_EQ(NumberFromText("inf"), 0);
  EXPECT_EQ(NumberFromText("nan"), 0);
}

TEST(NumberFromText, FullWidthFormsReadAsAscii) {
  EXPECT_EQ(NumberFromText(G("１２３")), 123);
  EXPECT_EQ(NumberFromText(G("－１２．５")), -12.5);
  EXPECT_EQ(NumberFromText(G("＋３")), 3);
  EXPECT_EQ(NumberFromText(G("　４２")), 42);
  EXPECT_EQ(NumberFromText(G("１２万")), 12);
  EXPECT_EQ(NumberFromText(G("万１２")), 0);
}

TEST(NumberFromText, OutOfRangeAndOddBytes) {
  EXPECT_TRUE(std::isinf(NumberFromText("1e999")));
  EXPECT_EQ(NumberFromText("1e-999"), 0);
  EXPECT_TRUE(std::isinf(NumberFromText(std::string(400, '9'))));
  EXPECT_EQ(NumberFromText("1e0000000000000000002"), 100);
  EXPECT_EQ(NumberFromText("\xA3"), 0);  // a lone lead byte
}

TEST(NumberFromTextSkippingSeparators, TurnoverWithThousands) {
  EXPECT_EQ(text::NumberFromTextSkippingSeparators("1,234"), 1234);
  EXPECT_EQ(text::NumberFromTextSkippingSeparators("12,345.67"), 12345.67);
  EXPECT_EQ(text::NumberFromTextSkippingSeparators(G("１，２３４")), 1234);
  EXPECT_EQ(text::NumberFromTextSkippingSeparators(""), 0);
}

TEST(IntegerFromText, RecordNumbers) {
  EXPECT_EQ(text::IntegerFromText("42"), 42);
  EXPECT_EQ(text::IntegerFromText("7.9"), 7);
  EXPECT_EQ(text::IntegerFromText(""), 0);
  EXPECT_EQ(text::IntegerFromText("-3.5"), -3);
  EXPECT_EQ(text::IntegerFromText("1e300"), INT64_MAX);
}

}  // namespace
