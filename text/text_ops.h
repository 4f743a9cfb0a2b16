// Byte-exact text operations on GBK text.
//
// Positions are byte offsets. Every search walks the text one character at a
// time: a byte of 0x80 or above starts a double-byte character and is stepped
// over together with the byte after it, so a match only ever starts on a
// character boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace text {

inline constexpr size_t kNotFound = std::string_view::npos;

// Byte length of the character that starts at byte b.
inline size_t CharLength(unsigned char b) { return b >= 0x80 ? 2 : 1; }

// First occurrence of needle in text at a character boundary, walking from
// byte `from` (which is taken as a boundary). kNotFound when absent. An empty
// needle is found at `from`.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0);

// True when keyword occurs in text at a character boundary. An empty keyword
// is contained in every non-empty text and in no empty text.
bool ContainsText(std::string_view text, std::string_view keyword);

// The text between the first start marker and the first end marker after it.
// Empty when the end marker is missing or directly follows the start marker.
// A missing start marker counts as found one byte before the text, so the
// rest is taken from byte position (marker length - 1), counted from 1:
// nothing for a one-byte marker.
std::string_view TextBetween(std::string_view text, std::string_view start_marker,
                             std::string_view end_marker);

// The pieces between separators, empty ones included; the remainder after the
// last separator is a piece only when it is not empty. An empty text gives no
// pieces, a text without the separator one piece (itself). The views point
// into `text`.
std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator);

// Every non-overlapping occurrence of `from`, left to right, replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Removes every occurrence of one byte-exact piece.
inline std::string RemoveAll(std::string_view text, std::string_view piece) {
  return ReplaceAll(text, piece, {});
}

// The text without leading and trailing blanks: single-byte spaces and the
// double-byte ideographic space (GBK A1 A1).
std::string_view TrimBlanks(std::string_view text);

// The longest prefix of at most max_bytes that does not end inside a
// double-byte character.
std::string_view CutToWidth(std::string_view text, size_t max_bytes);

// Three-way comparison in GBK character order (unsigned bytes). Without
// case_sensitive, single-byte ASCII letters compare as lower case; bytes of
// double-byte characters are never folded.
int CompareGbk(std::string_view a, std::string_view b, bool case_sensitive);

}  // namespace text
