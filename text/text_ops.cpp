#include "text/text_ops.h"

#include <cstdint>
#include <cstring>

namespace text {

size_t FindText(std::string_view text, std::string_view needle, size_t from) {
  const size_t n = text.size();
  if (from > n) return kNotFound;
  if (needle.empty()) return from;
  if (needle.size() > n - from) return kNotFound;
  const char* base = text.data();
  const char first = needle[0];
  const size_t last_start = n - needle.size();
  size_t boundary = from;  // always a character boundary
  while (boundary <= last_start) {
    // Jump to the next byte equal to the needle's first byte, then walk the
    // characters up to it to learn whether it starts a character.
    const void* hit = std::memchr(base + boundary, first, last_start - boundary + 1);
    if (hit == nullptr) return kNotFound;
    const size_t candidate = static_cast<size_t>(static_cast<const char*>(hit) - base);
    while (boundary < candidate) {
      // Runs of plain ASCII are skipped eight bytes at a time.
      while (boundary + 8 <= candidate) {
        uint64_t word;
        std::memcpy(&word, base + boundary, sizeof word);
        if (word & 0x8080808080808080ull) break;
        boundary += 8;
      }
      if (boundary >= candidate) break;
      boundary += CharLength(static_cast<unsigned char>(base[boundary]));
    }
    if (boundary == candidate) {
      if (std::memcmp(base + candidate, needle.data(), needle.size()) == 0) return candidate;
      boundary += CharLength(static_cast<unsigned char>(base[boundary]));
    }
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
