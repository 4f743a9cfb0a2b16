#include "cli/gbk_decoder.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "text/gbk.h"

namespace cli {
namespace {

// UTF-8 of one double-byte character: up to three bytes (GBK maps into the
// Basic Multilingual Plane); length 0 when the pair is no valid character.
struct Utf8Char {
  uint8_t length = 0;
  char bytes[3] = {};
};

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;

class PairTable {
 public:
  PairTable() : pairs_(std::make_unique<std::array<Utf8Char, 65536>>()) {
    char pair[2];
    for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        pair[0] = static_cast<char>(lead);
        pair[1] = static_cast<char>(trail);
        const auto utf8 = text::GbkToUtf8Strict(std::string_view(pair, 2));
        // One character of one to three bytes, never U+FFFD itself.
        if (!utf8 || utf8->empty() || utf8->size() > 3 || *utf8 == "\xEF\xBF\xBD") continue;
        Utf8Char& c = (*pairs_)[lead << 8 | trail];
        c.length = static_cast<uint8_t>(utf8->size());
        std::memcpy(c.bytes, utf8->data(), utf8->size());
      }
    }
  }
  const Utf8Char& operator()(unsigned lead, unsigned trail) const {
    return (*pairs_)[lead << 8 | trail];
  }

 private:
  std::unique_ptr<std::array<Utf8Char, 65536>> pairs_;
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

}  // namespace

void AppendUtf8(std::string_view gbk, std::string& out) {
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const size_t n = gbk.size();
  size_t i = 0;
  while (i < n && s[i] < 0x80) ++i;
  if (i == n) {
    out.append(gbk);
    return;
  }
  // A double-byte character takes at most three bytes in UTF-8: room for
  // all of them, then cut to what was written.
  const size_t start = out.size();
  out.resize(start + n + n / 2 + 1);
  char* p = out.data() + start;
  std::memcpy(p, gbk.data(), i);
  p += i;
  const PairTable& pairs = Pairs();
  while (i < n) {
    const unsigned c = s[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      ++i;
      continue;
    }
    const Utf8Char* u =
        i + 1 < n && c >= kFirstLead && c <= kLastLead ? &pairs(c, s[i + 1]) : nullptr;
    if (!u || u->length == 0) {
      // Not a character the table knows: the converter decides for the
      // whole field, as the other exports do.
      out.resize(start);
      out += text::Utf8(gbk);
      return;
    }
    std::memcpy(p, u->bytes, 3);  // the table entry has room for three
    p += u->length;
    i += 2;
  }
  out.resize(static_cast<size_t>(p - out.data()));
}

std::string_view Utf8View(std::string_view gbk, std::string& scratch) {
  for (char c : gbk) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      scratch.clear();
      AppendUtf8(gbk, scratch);
      return scratch;
    }
  }
  return gbk;
}

}  // namespace cli
