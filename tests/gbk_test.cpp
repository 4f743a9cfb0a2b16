#include "text/gbk.h"

#include <gtest/gtest.h>

namespace {

TEST(Gbk, RoundTripOfProgramLiterals) {
  const std::string gbk = text::Gbk("成交量：");
  EXPECT_EQ(gbk, "\xB3\xC9\xBD\xBB\xC1\xBF\xA3\xBA");
  EXPECT_EQ(text::Utf8(gbk), "成交量：");
  EXPECT_EQ(text::Gbk("abc"), "abc");
  EXPECT_EQ(text::Utf8(text::Gbk("中国“涨停板敢死队”")), "中国“涨停板敢死队”");
}

TEST(Gbk, StrictConversionDetectsInvalidBytes) {
  // A lone lead byte at the end, and a lead byte with an impossible trail.
  EXPECT_FALSE(text::GbkToUtf8Strict("abc\xB3").has_value());
  EXPECT_FALSE(text::GbkToUtf8Strict("\xB3\x20").has_value());
  EXPECT_EQ(text::GbkToUtf8Strict("\xD6\xD0").value(), "中");
  // Lenient conversion still gives text, with replacement characters.
  EXPECT_NE(text::Utf8("abc\xB3").find("abc"), std::string::npos);
  // 0x80 reads as the euro sign in this code page.
  EXPECT_EQ(text::GbkToUtf8Strict("\x80").value(), "€");
}

TEST(Gbk, StrictConversionFromUtf8) {
  EXPECT_EQ(text::Utf8ToGbkStrict("中").value(), "\xD6\xD0");
  EXPECT_FALSE(text::Utf8ToGbkStrict("\xFF").has_value());  // not UTF-8
  EXPECT_FALSE(text::Utf8ToGbkStrict("😀").has_value());    // not in GBK
  EXPECT_EQ(text::Gbk("😀"), "?");
}

}  // namespace
