// Conversion between the program's GBK text and UTF-8.
//
// Inside the program every text is GBK bytes in a std::string, exactly as the
// listing pages deliver it. UTF-8 appears only at the edges: source literals
// (converted once with Gbk()), the Qt widgets and exports.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace text {

// UTF-8 to GBK. Characters GBK lacks become "?". Meant for the program's own
// literals, which are all representable.
std::string Gbk(std::string_view utf8);

// GBK to UTF-8. Invalid or unmapped bytes become U+FFFD, so a damaged page can
// still be shown. Valid double-byte characters are looked up in a table made
// from the converter (a row of it on the first use of its lead byte); text
// holding anything else (an invalid pair, 0x80, a lone lead byte) goes to the
// converter whole, so its replacement characters come out as it makes them.
std::string Utf8(std::string_view gbk);

// Appends the UTF-8 of `gbk` to `out`, as Utf8 makes it.
void AppendUtf8(std::string_view gbk, std::string& out);

// The UTF-8 of `gbk`, in `scratch` (reused between calls) unless `gbk` is
// plain ASCII, which is returned as it is.
std::string_view Utf8View(std::string_view gbk, std::string& scratch);

// Strict conversions: nullopt when any byte sequence is invalid or unmapped
// (ICU replaces silently unless told to stop, so these install a stop callback).
std::optional<std::string> GbkToUtf8Strict(std::string_view gbk);
std::optional<std::string> Utf8ToGbkStrict(std::string_view utf8);

}  // namespace text
