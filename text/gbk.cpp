#include "text/gbk.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <memory>

namespace text {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU converters are not thread-safe and costly to open, so each thread keeps
// its own pair: one lenient (substitutes), one strict (stops at the first
// invalid sequence).
struct Converters {
  ConverterPtr lenient;
  ConverterPtr strict;
};

Converters& ThreadConverters() {
  thread_local Converters converters = [] {
    Converters c;
    UErrorCode status = U_ZERO_ERROR;
    c.lenient.reset(ucnv_open("GBK", &status));
    status = U_ZERO_ERROR;
    c.strict.reset(ucnv_open("GBK", &status));
    if (c.strict) {
      status = U_ZERO_ERROR;
      ucnv_setToUCallBack(c.strict.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
      status = U_ZERO_ERROR;
      ucnv_setFromUCallBack(c.strict.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
    }
    if (c.lenient) {
      status = U_ZERO_ERROR;
      ucnv_setSubstChars(c.lenient.get(), "?", 1, &status);
    }
    return c;
  }();
  return converters;
}

std::optional<std::u16string> ToUtf16(UConverter* conv, std::string_view gbk) {
  std::u16string out(gbk.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(conv);
  int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()),
                            static_cast<int32_t>(out.size()), gbk.data(),
                            static_cast<int32_t>(gbk.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(n));
  return out;
}

std::optional<std::string> FromUtf16(UConverter* conv, std::u16string_view u16) {
  std::string out(u16.size() * 2 + 1, '\0');
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(conv);
  int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(u16.data()),
                              static_cast<int32_t>(u16.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(n));
  return out;
}

// UTF-8 <-> UTF-16 through ICU's string functions. Invalid UTF-8 yields
// nullopt in strict mode and U+FFFD otherwise.
std::optional<std::u16string> Utf8ToUtf16(std::string_view s, bool strict) {
  std::u16string out(s.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                       &length, s.data(), static_cast<int32_t>(s.size()), strict ? -1 : 0xFFFD,
                       nullptr, &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(length));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view u) {
  std::string out(u.size() * 3 + 1, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                     0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return std::string();
  out.resize(static_cast<size_t>(length));
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string Gbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  auto u16 = Utf8ToUtf16(utf8, /*strict=*/false);
  UConverter* conv = ThreadConverters().lenient.get();
  if (!u16 || !conv) return std::string(utf8);
  auto out = FromUtf16(conv, *u16);
  return out ? *out : std::string();
}

std::string Utf8(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  UConverter* conv = ThreadConverters().lenient.get();
  if (!conv) return std::string(gbk);
  auto u16 = ToUtf16(conv, gbk);
  return u16 ? Utf16ToUtf8(*u16) : std::string();
}

std::optional<std::string> GbkToUtf8Strict(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  UConverter* conv = ThreadConverters().strict.get();
  if (!conv) return std::nullopt;
  auto u16 = ToUtf16(conv, gbk);
  if (!u16) return std::nullopt;
  return Utf16ToUtf8(*u16);
}

std::optional<std::string> Utf8ToGbkStrict(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  auto u16 = Utf8ToUtf16(utf8, /*strict=*/true);
  UConverter* conv = ThreadConverters().strict.get();
  if (!u16 || !conv) return std::nullopt;
  return FromUtf16(conv, *u16);
}

}  // namespace text
