// TextBetween, SplitText and ReplaceAll against plain reference versions that
// walk the text one character at a time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_ops.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

size_t ReferenceFind(std::string_view text, std::string_view needle, size_t from = 0) {
  for (size_t i = from; i <= text.size();
       i += text::CharLength(static_cast<unsigned char>(text[i]))) {
    if (text.substr(i).starts_with(needle)) return i;
    if (i == text.size()) break;
  }
  return text::kNotFound;
}

std::string_view ReferenceTextBetween(std::string_view text, std::string_view start,
                                      std::string_view end) {
  size_t rest_begin;
  const size_t found = ReferenceFind(text, start);
  if (found != text::kNotFound) {
    rest_begin = found + start.size();
  } else if (start.size() <= 1) {
    return {};
  } else {
    rest_begin = start.size() - 2;  // 1-based position (length - 1)
  }
  if (rest_begin >= text.size()) return {};
  const std::string_view rest = text.substr(rest_begin);
  const size_t stop = ReferenceFind(rest, end);
  if (stop == text::kNotFound || stop == 0) return {};
  return rest.substr(0, stop);
}

}  // namespace

// Input: one byte each for the lengths of the two markers, the markers, then
// the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t start_len = data[0] % 24;
  const size_t end_len = data[1] % 24;
  if (size < 2 + start_len + end_len) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::string_view start = all.substr(2, start_len);
  const std::string_view end = all.substr(2 + start_len, end_len);
  const std::string_view text = all.substr(2 + start_len + end_len);

  const std::string_view between = text::TextBetween(text, start, end);
  Require(between == ReferenceTextBetween(text, start, end));
  // The result lies inside the text.
  Require(between.empty() || (between.data() >= text.data() &&
                              between.data() + between.size() <= text.data() + text.size()));

  if (!start.empty()) {
    Require(text::FindText(text, start) == ReferenceFind(text, start));
    // The pieces joined again give the text (a trailing separator leaves no
    // piece of its own).
    const std::vector<std::string_view> pieces = text::SplitText(text, start);
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i) joined.append(start);
      joined.append(pieces[i]);
    }
    Require(joined == text || joined + std::string(start) == text);
    // Replacing every occurrence of a one-byte marker by ASCII text without
    // that byte leaves none; character boundaries stay where they were.
    const bool ascii_end = std::all_of(end.begin(), end.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (start.size() == 1 && static_cast<unsigned char>(start[0]) < 0x80 && ascii_end &&
        end.find(start[0]) == std::string_view::npos)
      Require(text::FindText(text::ReplaceAll(text, start, end), start) == text::kNotFound);
  }
  return 0;
}
