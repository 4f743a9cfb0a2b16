#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/test_support.h"

namespace {

using testing_support::G;
using text::ContainsText;
using text::FindText;
using text::SplitText;
using text::TextBetween;

TEST(FindText, MatchesOnlyAtCharacterBoundaries) {
  // 中小 is D6 D0 D0 A1: a naive byte search finds D0 D0 at byte 1, which is
  // the second byte of 中 followed by the first of 小.
  const std::string text = G("中小");
  EXPECT_EQ(FindText(text, G("小")), 2u);
  EXPECT_EQ(FindText(text, text.substr(1, 2)), text::kNotFound);
  // An ASCII byte can be the second byte of a character (81 40): it is not
  // found there, only where it stands on its own.
  const std::string with_trail = "\x81\x40" "a@";
  EXPECT_EQ(FindText(with_trail, "@"), 3u);
}

// The plain character-by-character walk, to check the fast search against.
size_t ReferenceFind(std::string_view text, std::string_view needle, size_t from) {
  for (size_t i = from; i + needle.size() <= text.size();
       i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1) {
    if (text.substr(i, needle.size()) == needle) return i;
  }
  return text::kNotFound;
}

TEST(FindText, AgreesWithACharacterWalkOnRandomText) {
  // A small alphabet of ASCII bytes, lead bytes and bytes that are both
  // possible leads and trails makes boundary mistakes likely to show.
  const char alphabet[] = {'a', '@', '<', '\x81', '\xB0', '\xA1'};
  std::mt19937 rng(12345);
  for (int round = 0; round < 20000; ++round) {
    std::string text(rng() % 40, 'a');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    std::string needle(1 + rng() % 3, 'a');
    for (char& c : needle) c = alphabet[rng() % sizeof alphabet];
    const size_t from = text.empty() ? 0 : rng() % text.size();
    ASSERT_EQ(FindText(text, needle, from), ReferenceFind(text, needle, from))
        << "round " << round;
  }
}

TEST(FindText, LongAsciiRunBeforeADoubleByteCharacter) {
  // The fast path skips ASCII eight bytes at a time; the character after the
  // run still decides the boundary.
  const std::string text = std::string(21, 'x') + "\x81@" + "@";
  EXPECT_EQ(FindText(text, "@"), 23u);
}

TEST(FindText, EmptyNeedleAndStartOffset) {
  EXPECT_EQ(FindText("abc", ""), 0u);
  EXPECT_EQ(FindText("abcabc", "abc", 1), 3u);
  EXPECT_EQ(FindText("abc", "abcd"), text::kNotFound);
  EXPECT_EQ(FindText("abc", "c", 4), text::kNotFound);
}

TEST(TextBetween, Examples) {
  // One-byte start marker absent: nothing at all.
  EXPECT_EQ(TextBetween("abc", "x", "c"), "");
  // End marker right after the start marker: empty.
  EXPECT_EQ(TextBetween("a[]b", "[", "]"), "");
  EXPECT_EQ(TextBetween("a[xy]b", "[", "]"), "xy");
  // End marker missing in the rest.
  EXPECT_EQ(TextBetween("a[xy", "[", "]"), "");
  // The first start marker and the first end marker after it.
  EXPECT_EQ(TextBetween("]a[x]y[z]", "[", "]"), "x");
}

TEST(TextBetween, MissingStartMarkerTakesRestFromMarkerLengthMinusOne) {
  // A 20-byte marker missing: the rest starts at byte position 19
  // (1-based), that is index 18.
  const std::string marker = "1px solid #96CAEF;\">";
  ASSERT_EQ(marker.size(), 20u);
  const std::string page = "0123456789ABCDEFGHIJKLMN<div class=\"bdnews\">";
  EXPECT_EQ(TextBetween(page, marker, "<div class=\"bdnews\">"), "IJKLMN");
  // A two-byte marker missing: the whole text is the rest.
  EXPECT_EQ(TextBetween(G("万股"), G("值"), G("股")), G("万"));
  // A four-byte marker missing: the rest starts at byte position 3.
  EXPECT_EQ(TextBetween(G("万股万元"), G("值："), G("元")), G("股万"));
}

TEST(TextBetween, MarkerThatWouldOnlyMatchAcrossACharacter) {
  // "(" is 0x28 and is a possible GBK trail byte (81 28 is not valid GBK,
  // but the walk treats 0x81 as a lead byte all the same).
  const std::string text = "\x81(" "name(x";
  EXPECT_EQ(TextBetween(text, "\x81(", "("), "name");
  EXPECT_EQ(TextBetween("ab\x81(c(", "b", "("), "\x81(c");
}

TEST(SplitText, PiecesAndRemainder) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitText("", "|"), V{});
  EXPECT_EQ(SplitText("abc", "|"), V{"abc"});
  EXPECT_EQ(SplitText("a||b", "|"), (V{"a", "", "b"}));
  // The empty remainder after a trailing separator is dropped.
  EXPECT_EQ(SplitText("a|b|", "|"), (V{"a", "b"}));
  EXPECT_EQ(SplitText("|", "|"), (V{""}));
  EXPECT_EQ(SplitText("a/td>b/td>", "/td>"), (V{"a", "b"}));
}

TEST(SplitText, SeparatorInsideADoubleByteCharacterIsNoSeparator) {
  // 0x7C ("|") is a valid GBK trail byte: 81 7C is one character.
  const std::string text = "a\x81|b|c";
  const auto pieces = SplitText(text, "|");
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], "a\x81|b");
  EXPECT_EQ(pieces[1], "c");
}

TEST(ReplaceAll, NonOverlappingLeftToRight) {
  EXPECT_EQ(text::ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(text::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(text::ReplaceAll(G("连续三个交易日内，涨幅偏离值累计达20%"), G("连续三个交易日内，"),
                             G("三日内")),
            G("三日内涨幅偏离值累计达20%"));
  EXPECT_EQ(text::RemoveAll("1,234.56", ","), "1234.56");
  EXPECT_EQ(text::ReplaceAll("abc", "", "x"), "abc");
}

TEST(ContainsText, EmptyKeywordAndEmptyText) {
  EXPECT_TRUE(ContainsText("abc", ""));
  EXPECT_FALSE(ContainsText("", ""));
  EXPECT_FALSE(ContainsText("", "a"));
  EXPECT_TRUE(ContainsText(G("中国平安"), G("平安")));
  EXPECT_FALSE(ContainsText(G("中小"), G("中小").substr(1, 2)));
}

TEST(TrimBlanks, AsciiAndIdeographicSpaces) {
  EXPECT_EQ(text::TrimBlanks("  600000  "), "600000");
  EXPECT_EQ(text::TrimBlanks(G("　600000　 ")), "600000");
  EXPECT_EQ(text::TrimBlanks("   "), "");
  EXPECT_EQ(text::TrimBlanks(G("中 国")), G("中 国"));
  // A1 A1 made of a trail byte and a lead byte is no ideographic space:
  // "\xB0\xA1" is 啊, followed by "\xA1\xA1": only the real pair goes.
  EXPECT_EQ(text::TrimBlanks("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
}

TEST(CutToWidth, NeverSplitsACharacter) {
  EXPECT_EQ(text::CutToWidth("2010-04-09", 10), "2010-04-09");
  EXPECT_EQ(text::CutToWidth("2010-04-091", 10), "2010-04-09");
  // Five Chinese characters fill 10 bytes; "a" + five would end in half a
  // character at byte 10, so the cut goes before it.
  EXPECT_EQ(text::CutToWidth(G("a中国平安银行"), 10), G("a中国平安"));
  EXPECT_EQ(text::CutToWidth(G("中国平安银行"), 10), G("中国平安银"));
}

TEST(CompareGbk, OrderAndCaseFolding) {
  EXPECT_LT(text::CompareGbk("10", "9.5", false), 0);
  EXPECT_EQ(text::CompareGbk("abc", "ABC", false), 0);
  EXPECT_NE(text::CompareGbk("abc", "ABC", true), 0);
  EXPECT_GT(text::CompareGbk("abc", "ABC", true), 0);
  EXPECT_LT(text::CompareGbk("ab", "abc", false), 0);
  // GBK order: 啊 (B0 A1) before 中 (D6 D0).
  EXPECT_LT(text::CompareGbk(G("啊"), G("中"), false), 0);
  // Trail bytes are never folded: 81 41 and 81 61 are different characters.
  EXPECT_NE(text::CompareGbk("\x81\x41", "\x81\x61", false), 0);
}

}  // namespace
