// GBK to UTF-8 for exports of a whole store: the same text as text::Utf8,
// without a converter call per field. Every valid double-byte character is
// looked up in a table made once from the converter itself; a field holding
// anything else (an invalid sequence, 0x80, a lone lead byte) goes to
// text::Utf8 whole, so the replacement characters come out as it makes them.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Appends the UTF-8 of `gbk` to `out`.
void AppendUtf8(std::string_view gbk, std::string& out);

// The UTF-8 of `gbk`, in `scratch` (reused between calls) unless `gbk` is
// plain ASCII, which is returned as it is.
std::string_view Utf8View(std::string_view gbk, std::string& scratch);

}  // namespace cli
