#include "text/gbk.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

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

// The index of the first byte with its high bit set in a word of bytes read
// from memory, given the word masked to those bits (not zero).
size_t FirstHighByte(uint64_t high) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<size_t>(std::countr_zero(high)) / 8;
  } else {
    return static_cast<size_t>(std::countl_zero(high)) / 8;
  }
}

// The length of the ASCII bytes `s` starts with, read eight at a time.
size_t AsciiPrefixLength(const unsigned char* s, size_t n) {
  size_t i = 0;
  for (; n - i >= 8; i += 8) {
    uint64_t word;
    std::memcpy(&word, s + i, 8);
    if (const uint64_t high = word & 0x8080808080808080u)
      return i + FirstHighByte(high);
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

bool IsAscii(std::string_view s) {
  return AsciiPrefixLength(reinterpret_cast<const unsigned char*>(s.data()), s.size()) ==
         s.size();
}

// The lenient converter's UTF-8 of a whole text.
std::string ConverterUtf8(std::string_view gbk) {
  UConverter* conv = ThreadConverters().lenient.get();
  if (!conv) return std::string(gbk);
  auto u16 = ToUtf16(conv, gbk);
  return u16 ? Utf16ToUtf8(*u16) : std::string();
}

// UTF-8 of one double-byte character: up to three bytes (GBK maps into the
// Basic Multilingual Plane); length 0 when the pair is no valid character.
// The bytes come first so that an entry can be copied as one four-byte word
// (its length lands past the character and is overwritten next).
struct GbkPairUtf8 {
  char bytes[3] = {};
  uint8_t length = 0;
};
static_assert(sizeof(GbkPairUtf8) == 4);

constexpr unsigned kGbkFirstLead = 0x81;
constexpr unsigned kGbkLastLead = 0xFE;
constexpr unsigned kGbkLeadCount = kGbkLastLead - kGbkFirstLead + 1;

// Every pair's UTF-8 as the strict converter reads it, found through the
// row of its first byte. A lead byte's row is filled on its first use: most
// texts touch few rows, and a whole table would cost some 24,000 converter
// calls up front. Until then, and for every byte that leads no pair, the
// row is one of empty entries.
class GbkPairTable {
 public:
  GbkPairTable() {
    for (auto& row : by_first_byte_) row.store(kNoPairs.data(), std::memory_order_relaxed);
  }
  // The entries of the pairs that start with `first`, indexed by the
  // second byte.
  const GbkPairUtf8* Row(unsigned char first) const {
    return by_first_byte_[first].load(std::memory_order_acquire);
  }
  // Fills the row of a lead byte if `seen` (its Row() when a pair was
  // looked up) was the empty one; true when the pair is to be looked up
  // again.
  bool FillIfEmpty(unsigned char first, const GbkPairUtf8* seen) {
    if (first < kGbkFirstLead || first > kGbkLastLead || seen != kNoPairs.data()) return false;
    const unsigned row = first - kGbkFirstLead;
    std::call_once(filling_[row], [this, first, row] {
      FillRow(first, rows_[row]);
      by_first_byte_[first].store(rows_[row].data(), std::memory_order_release);
    });
    return true;
  }

 private:
  static void FillRow(unsigned lead, std::array<GbkPairUtf8, 256>& row) {
    char pair[2] = {static_cast<char>(lead), 0};
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      pair[1] = static_cast<char>(trail);
      const auto utf8 = GbkToUtf8Strict(std::string_view(pair, 2));
      // One character of one to three bytes, never U+FFFD itself.
      if (!utf8 || utf8->empty() || utf8->size() > 3 || *utf8 == "\xEF\xBF\xBD") continue;
      row[trail].length = static_cast<uint8_t>(utf8->size());
      std::memcpy(row[trail].bytes, utf8->data(), utf8->size());
    }
  }

  static constexpr std::array<GbkPairUtf8, 256> kNoPairs{};
  std::array<std::array<GbkPairUtf8, 256>, kGbkLeadCount> rows_{};
  std::array<std::atomic<const GbkPairUtf8*>, 256> by_first_byte_;
  std::array<std::once_flag, kGbkLeadCount> filling_;
};

GbkPairTable& GbkPairs() {
  static GbkPairTable table;
  return table;
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
  std::string out;
  AppendUtf8(gbk, out);
  return out;
}

void AppendUtf8(std::string_view gbk, std::string& out) {
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const size_t n = gbk.size();
  size_t i = AsciiPrefixLength(s, n);
  if (i == n) {
    out.append(gbk);
    return;
  }
  // A double-byte character takes at most three bytes in UTF-8, so the
  // output is at most n + n / 2 bytes and never ahead of 1.5 times the
  // input read. The one byte more lets the loops below store whole words:
  // eight bytes while eight are left to read, four (an entry) while two are.
  const size_t start = out.size();
  out.resize(start + n + n / 2 + 1);
  char* const base = out.data() + start;
  std::memcpy(base, gbk.data(), i);
  char* p = base + i;
  GbkPairTable& pairs = GbkPairs();
  while (i < n) {
    if (s[i] < 0x80) {
      // A run of ASCII (digits, separators), eight bytes at a time: each
      // word is stored whole and the bytes before its first non-ASCII one
      // are kept.
      while (n - i >= 8) {
        uint64_t word;
        std::memcpy(&word, s + i, 8);
        std::memcpy(p, &word, 8);
        const uint64_t high = word & 0x8080808080808080u;
        if (high) {
          const size_t ascii = FirstHighByte(high);
          p += ascii;
          i += ascii;
          break;
        }
        p += 8;
        i += 8;
      }
      while (i < n && s[i] < 0x80) *p++ = static_cast<char>(s[i++]);
      continue;
    }
    // A run of double-byte characters, up to the first byte that starts
    // no character of the table (ASCII included).
    while (i + 1 < n) {
      const GbkPairUtf8* row = pairs.Row(s[i]);
      const GbkPairUtf8& u = row[s[i + 1]];
      if (u.length == 0) {
        if (pairs.FillIfEmpty(s[i], row)) continue;
        break;
      }
      std::memcpy(p, &u, 4);
      p += u.length;
      i += 2;
    }
    if (i < n && s[i] >= 0x80) {
      // Not a character of the table: the converter decides for the whole
      // text, replacement characters and all.
      out.resize(start);
      out += ConverterUtf8(gbk);
      return;
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
}

std::string_view Utf8View(std::string_view gbk, std::string& scratch) {
  if (IsAscii(gbk)) return gbk;
  scratch.clear();
  AppendUtf8(gbk, scratch);
  return scratch;
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
