// Any bytes as a listing page: the scraper must neither crash nor hand the
// store a value that breaks what readers rely on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/page_scraper.h"
#include "text/text_ops.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Field 5 is an 8-byte head that never ends inside a character, then the
// value.
void CheckValueField(std::string_view reason, std::string_view value) {
  const std::string field = download::ValueField(reason, value);
  Require(field.size() >= value.size());
  const std::string_view head(field.data(), field.size() - value.size());
  Require(std::string_view(field).substr(head.size()) == value);
  Require(head.size() <= 8);
  Require(text::CutToWidth(head, head.size()).size() == head.size());
  Require(head.size() == text::CutToWidth(reason, 8).size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto market = static_cast<download::Market>(data[0] % 3);
  const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);
  const download::ParsedPage parsed = download::ParseListingPage(market, page);
  Require(parsed.piece_count >= static_cast<int>(parsed.listings.size()));
  std::string previous_reason;
  for (const download::ScrapedListing& row : parsed.listings) {
    // Seat blocks carry no thousands separators (a "," right after a byte
    // of 0x80 or above is the second half of that character, not a comma).
    Require(text::FindText(row.buy_seats, ",") == text::kNotFound);
    Require(text::FindText(row.sell_seats, ",") == text::kNotFound);
    // A row without a reason takes the one before it.
    const std::string& reason = row.reason.empty() ? previous_reason : row.reason;
    CheckValueField(reason, row.value);
    previous_reason = reason;
  }
  return 0;
}
