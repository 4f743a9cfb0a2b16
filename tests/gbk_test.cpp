#include "text/gbk.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <random>
#include <string>

namespace {

// ICU's own reading of a GBK text, replacement characters and all: what the
// table-driven conversion must give byte for byte.
std::string ReferenceUtf8(std::string_view gbk) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open("GBK", &status);
  std::u16string u16(gbk.size() + 1, u'\0');
  const int32_t n16 =
      ucnv_toUChars(conv, reinterpret_cast<UChar*>(u16.data()), static_cast<int32_t>(u16.size()),
                    gbk.data(), static_cast<int32_t>(gbk.size()), &status);
  ucnv_close(conv);
  std::string out(static_cast<size_t>(n16) * 3 + 1, '\0');
  int32_t n8 = 0;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n8,
                     reinterpret_cast<const UChar*>(u16.data()), n16, 0xFFFD, nullptr, &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  out.resize(static_cast<size_t>(n8));
  return out;
}

TEST(Gbk, EveryDoubleByteCharacterAsTheConverterReadsIt) {
  std::string field;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      field.assign({static_cast<char>(lead), static_cast<char>(trail), 'x'});
      std::string fast;
      text::AppendUtf8(field, fast);
      ASSERT_EQ(fast, ReferenceUtf8(field)) << std::hex << lead << " " << trail;
    }
  }
}

// Invalid pairs, 0x80, lone and truncated lead bytes read the same through
// every entry: appended after other text, whole, and as a view.
TEST(Gbk, DamagedTextComesOutAsTheConverterMakesIt) {
  std::mt19937 random(7);
  const std::string some = text::Gbk("中国平安机构专用");
  std::string scratch;
  for (int i = 0; i < 20000; ++i) {
    std::string field;
    const int n = static_cast<int>(random() % 12);
    for (int k = 0; k < n; ++k) {
      switch (random() % 4) {
        case 0:
          field += static_cast<char>(random() % 0x80);
          break;
        case 1:
          field += some.substr(2 * (random() % 8), 2);
          break;
        default:
          field += static_cast<char>(0x80 + random() % 0x80);
      }
    }
    const std::string expected = ReferenceUtf8(field);
    std::string fast = "kept|";
    text::AppendUtf8(field, fast);
    ASSERT_EQ(fast, "kept|" + expected) << i;
    ASSERT_EQ(text::Utf8(field), expected) << i;
    ASSERT_EQ(text::Utf8View(field, scratch), expected) << i;
  }
}

// Long texts such as Seat blocks: ASCII runs of every length (read eight
// bytes at a time) between runs of characters, now and then a damaged byte
// anywhere in them, with ASCII before and after.
TEST(Gbk, LongMixedTextsComeOutAsTheConverterMakesThem) {
  std::mt19937 random(11);
  const std::string some = text::Gbk("中信证券股份有限公司上海溧阳路证券营业部");
  for (int i = 0; i < 4000; ++i) {
    std::string field;
    const int runs = static_cast<int>(random() % 10);
    for (int k = 0; k < runs; ++k) {
      const size_t ascii = random() % 20;
      for (size_t a = 0; a < ascii; ++a) field += static_cast<char>('0' + random() % 10);
      const size_t pairs = random() % 8;
      field += some.substr(2 * (random() % 12), 2 * pairs);
      if (random() % 8 == 0) field.insert(random() % (field.size() + 1), 1, '\x80');
    }
    const std::string expected = ReferenceUtf8(field);
    std::string fast = "kept|";
    text::AppendUtf8(field, fast);
    ASSERT_EQ(fast, "kept|" + expected) << i;
  }
}

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
