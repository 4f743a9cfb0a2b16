#include "text/text_ops.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace text {
namespace {

// The high bits of the bytes at offsets 0, 2, 4 and 6 of a word read from
// memory.
constexpr uint64_t kEvenLeads = std::endian::native == std::endian::little
                                    ? 0x0080008000800080ull
                                    : 0x8000800080008000ull;

}  // namespace

size_t FindText(std::string_view text, std::string_view needle, size_t from) {
  const size_t n = text.size();
  if (from > n) return kNotFound;
  if (needle.empty()) return from;
  if (needle.size() > n - from) return kNotFound;
  const char* base = text.data();
  const size_t last_start = n - needle.size();
  size_t boundary = from;  // always a character boundary
  while (boundary <= last_start) {
    // Jump to the next byte-wise occurrence of the whole needle, then walk
    // the characters up to it to learn whether it starts a character.
    // Looking for the needle rather than its first byte keeps the walks
    // long, where skipping eight bytes at a time pays.
    const size_t candidate = text.find(needle, boundary);
    if (candidate == std::string_view::npos) return kNotFound;
    // A byte below 0x80 is a character of its own or the second byte of
    // one, so the byte after two such bytes always starts a character: the
    // walk may start at the last such point before the candidate.
    size_t resync = candidate;
    while (resync >= boundary + 2 && (static_cast<unsigned char>(base[resync - 1]) >= 0x80 ||
                                      static_cast<unsigned char>(base[resync - 2]) >= 0x80))
      --resync;
    if (resync >= boundary + 2) boundary = resync;
    while (boundary < candidate) {
      // Runs of plain ASCII are skipped eight bytes at a time, and so are
      // runs of four double-byte characters: when the bytes at even offsets
      // from a boundary are all lead bytes, the trail bytes between them do
      // not matter.
      while (boundary + 8 <= candidate) {
        uint64_t word;
        std::memcpy(&word, base + boundary, sizeof word);
        if ((word & 0x8080808080808080ull) != 0 && (word & kEvenLeads) != kEvenLeads) break;
        boundary += 8;
      }
      if (boundary >= candidate) break;
      boundary += CharLength(static_cast<unsigned char>(base[boundary]));
    }
    if (boundary == candidate) return candidate;
    // Otherwise the candidate was the second byte of a character and
    // `boundary` already stands after that character.
  }
  return kNotFound;
}

bool ContainsText(std::string_view text, std::string_view keyword) {
  if (text.empty()) return false;
  return FindText(text, keyword) != kNotFound;
}

std::string_view TextBetween(std::string_view text, std::string_view start_marker,
                             std::string_view end_marker) {
  size_t rest_begin;
  const size_t found = FindText(text, start_marker);
  if (found != kNotFound) {
    rest_begin = found + start_marker.size();
  } else if (start_marker.size() >= 2) {
    rest_begin = start_marker.size() - 2;  // position (length - 1), counted from 1
  } else {
    return {};  // position 0: nothing at all
  }
  if (rest_begin >= text.size()) return {};
  const std::string_view rest = text.substr(rest_begin);
  const size_t end = FindText(rest, end_marker);
  if (end == kNotFound || end == 0) return {};
  return rest.substr(0, end);
}

std::vector<std::string_view> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  size_t pos = 0;
  while (true) {
    const size_t found = FindText(text, separator, pos);
    if (found == kNotFound) break;
    pieces.push_back(text.substr(pos, found - pos));
    pos = found + separator.size();
  }
  if (pos < text.size()) pieces.push_back(text.substr(pos));
  return pieces;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  while (true) {
    const size_t found = FindText(text, from, pos);
    if (found == kNotFound) break;
    if (out.empty()) out.reserve(text.size());
    out.append(text.substr(pos, found - pos));
    out.append(to);
    pos = found + from.size();
  }
  if (pos == 0) return std::string(text);
  out.append(text.substr(pos));
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  // Leading blanks.
  while (begin < end) {
    if (text[begin] == ' ') {
      ++begin;
    } else if (begin + 1 < end && static_cast<unsigned char>(text[begin]) == 0xA1 &&
               static_cast<unsigned char>(text[begin + 1]) == 0xA1) {
      begin += 2;
    } else {
      break;
    }
  }
  // Trailing blanks: walk the characters so an A1 A1 pair is only taken when
  // it really is one character.
  size_t keep_end = begin;
  size_t i = begin;
  while (i < end) {
    const size_t len = CharLength(static_cast<unsigned char>(text[i]));
    const bool blank =
        (len == 1 && text[i] == ' ') ||
        (len == 2 && i + 1 < end && static_cast<unsigned char>(text[i]) == 0xA1 &&
         static_cast<unsigned char>(text[i + 1]) == 0xA1);
    i += len;
    if (!blank) keep_end = i < end ? i : end;
  }
  return text.substr(begin, keep_end - begin);
}

std::string_view CutToWidth(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t i = 0;
  while (i < text.size()) {
    const size_t len = CharLength(static_cast<unsigned char>(text[i]));
    if (i + len > max_bytes) break;
    i += len;
  }
  return text.substr(0, i);
}

int CompareGbk(std::string_view a, std::string_view b, bool case_sensitive) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    const size_t la = CharLength(ca);
    const size_t lb = CharLength(cb);
    if (la == 1 && lb == 1) {
      if (!case_sensitive) {
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
      }
      if (ca != cb) return ca < cb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    // Same lead byte, so both are double-byte characters: compare the trail.
    ++i;
    ++j;
    if (i >= a.size() || j >= b.size()) break;
    ca = static_cast<unsigned char>(a[i]);
    cb = static_cast<unsigned char>(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  const size_t ra = a.size() - (i < a.size() ? i : a.size());
  const size_t rb = b.size() - (j < b.size() ? j : b.size());
  if (ra == rb) return 0;
  return ra < rb ? -1 : 1;
}

}  // namespace text
