#include "download/page_scraper.h"

#include <array>

#include "text/gbk.h"
#include "text/text_ops.h"

namespace download {
namespace {

using text::TextBetween;

struct Markers {
  std::string list_start = "1px solid #96CAEF;\">";
  std::string list_end = "<div class=\"bdnews\">";
  std::string row_separator = "</tr></table></div>";
  std::string cell_separator = "/td>";
  std::string name_start = "font_bold\">";
  std::string name_end = "(";
  std::string code_start = "q.php?code=";
  std::string code_end = ".";
  std::string reason_start = "color_gray\">";
  std::string reason_end = text::Gbk("的");
  std::string volume_start = text::Gbk("成交量：");
  std::string volume_end = text::Gbk("万股");
  std::string turnover_start = text::Gbk("成交额：");
  std::string turnover_end = text::Gbk("万元");
  std::string value_start = text::Gbk("值：");
  std::string value_end = text::Gbk("，");
  std::string seat_start = "<td>";
  std::string seat_end = "<";
  std::string amount_start = "right\">";
  std::string amount_end = "<";
  std::string three_days_long = text::Gbk("连续三个交易日内，");
  std::string three_days_short = text::Gbk("三日内");
  std::string ge = text::Gbk("个");
  std::string tian = text::Gbk("天");
  std::string no_amount = "0.00";
};

const Markers& M() {
  static const Markers markers;
  return markers;
}

// Cell numbers (1-based) of the Seat tables.
struct SeatCells {
  std::array<int, 5> buy_names;
  std::array<int, 5> sell_names;
  size_t cells_needed;  // the highest cell read
};

// One amount per Seat: name, amount.
constexpr SeatCells kOneAmount = {{7, 10, 13, 16, 19}, {26, 29, 32, 35, 38}, 39};
// Two amounts per Seat: name, buying amount, selling amount.
constexpr SeatCells kTwoAmounts = {{8, 12, 16, 20, 24}, {33, 37, 41, 45, 49}, 51};

// Rows with fewer cells are never stock rows, whatever the board.
constexpr size_t kMinimumCells = 38;

std::string_view Name(const std::vector<std::string_view>& cells, int n) {
  return TextBetween(cells[static_cast<size_t>(n - 1)], M().seat_start, M().seat_end);
}

std::string_view Amount(const std::vector<std::string_view>& cells, int n) {
  return TextBetween(cells[static_cast<size_t>(n - 1)], M().amount_start, M().amount_end);
}

// `buy_side`: the buy table of a one-amount page gives buying amounts, its
// sell table selling amounts; the other amount is "0.00".
std::string SeatBlock(const std::vector<std::string_view>& cells, const std::array<int, 5>& names,
                      bool two_amounts, bool buy_side) {
  std::string block;
  block.reserve(320);
  for (const int n : names) {
    if (two_amounts) {
      AppendSeatEntry(block, Name(cells, n), Amount(cells, n + 1), Amount(cells, n + 2));
    } else if (buy_side) {
      AppendSeatEntry(block, Name(cells, n), Amount(cells, n + 1), M().no_amount);
    } else {
      AppendSeatEntry(block, Name(cells, n), M().no_amount, Amount(cells, n + 1));
    }
  }
  return text::RemoveAll(block, ",");
}

}  // namespace

ParsedPage ParseListingPage(Market market, std::string_view page) {
  const Markers& m = M();
  const bool two_amounts = UsesTwoAmountLayout(market);
  const SeatCells& layout = two_amounts ? kTwoAmounts : kOneAmount;

  ParsedPage parsed;
  const std::string_view list_block = TextBetween(page, m.list_start, m.list_end);
  const std::vector<std::string_view> pieces = text::SplitText(list_block, m.row_separator);
  parsed.piece_count = static_cast<int>(pieces.size());
  parsed.listings.reserve(pieces.size());

  std::vector<std::string_view> cells;
  for (const std::string_view piece : pieces) {
    cells = text::SplitText(piece, m.cell_separator);
    // A row that cannot be read completely is skipped like a short one.
    if (cells.size() < kMinimumCells || cells.size() < layout.cells_needed) continue;

    const std::string_view heading = cells[0];
    ScrapedListing& row = parsed.listings.emplace_back();
    row.name = TextBetween(heading, m.name_start, m.name_end);
    row.code = TextBetween(heading, m.code_start, m.code_end);
    row.reason = ShortenReason(TextBetween(heading, m.reason_start, m.reason_end));
    row.volume = TextBetween(heading, m.volume_start, m.volume_end);
    row.turnover = TextBetween(heading, m.turnover_start, m.turnover_end);
    row.value = TextBetween(heading, m.value_start, m.value_end);
    row.buy_seats = SeatBlock(cells, layout.buy_names, two_amounts, true);
    row.sell_seats = SeatBlock(cells, layout.sell_names, two_amounts, false);
  }
  return parsed;
}

std::string ShortenReason(std::string_view reason) {
  const size_t de = text::FindText(reason, M().reason_end);
  if (de != text::kNotFound) reason = reason.substr(0, de);
  return text::ReplaceAll(reason, M().three_days_long, M().three_days_short);
}

void AppendSeatEntry(std::string& block, std::string_view name, std::string_view buy,
                     std::string_view sell) {
  if (!block.empty()) block += '|';
  block.append(name);
  block += '|';
  block.append(buy);
  block += '|';
  block.append(sell);
}

std::string ValueField(std::string_view reason, std::string_view value) {
  // "个" and "天" are both one double-byte character, so cutting first and
  // replacing afterwards gives the same 8 bytes.
  std::string field = text::ReplaceAll(text::CutToWidth(reason, 8), M().ge, M().tian);
  field.append(value);
  return field;
}

ScrapeResult StoreListings(const ParsedPage& page, std::string_view date,
                           store::StoreAccess& access, const store::PageLogEntry* log) {
  ScrapeResult result;
  result.piece_count = page.piece_count;
  if (page.listings.empty() && page.extras.empty() && !log) return result;

  auto fail = [&]() {
    access.RollbackBatch();
    result.stored = 0;
    result.error = access.error();
    if (!result.error)
      result.error = store::StoreError{store::ErrorKind::kOther, 0, "write failed"};
    return result;
  };

  if (!access.BeginBatch()) return fail();
  for (const ScrapedListing& row : page.listings) {
    if (!access.AppendBlank()) return fail();
    bool ok = access.WriteField(store::kDate, date) && access.WriteField(store::kName, row.name) &&
              access.WriteField(store::kCode, row.code);
    std::string reason = row.reason;
    if (ok && reason.empty()) {
      // Inherit from the record just before the new one, if there is one.
      const int64_t current = access.CurrentRecordNumber();
      if (current > 1) {
        ok = access.GoToRecord(current - 1);
        if (ok) reason = access.ReadField(store::kReason);
        ok = ok && access.GoToRecord(access.CurrentRecordNumber() + 1) &&
             access.CurrentRecordNumber() == current;
      }
    }
    ok = ok && access.WriteField(store::kReason, reason) &&
         access.WriteField(store::kValue, ValueField(reason, row.value)) &&
         access.WriteField(store::kVolume, row.volume) &&
         access.WriteField(store::kTurnover, row.turnover) &&
         access.WriteField(store::kBuySeats, row.buy_seats) &&
         access.WriteField(store::kSellSeats, row.sell_seats);
    if (!ok || !access.ok()) return fail();
    ++result.stored;
  }
  for (const store::ListingExtras& extras : page.extras)
    if (!access.WriteListingExtras(extras)) return fail();
  for (const store::SeatCode& seat : page.seat_codes)
    if (!access.WriteSeatCode(seat)) return fail();
  if (log && !access.WritePageLog(*log)) return fail();
  if (!access.CommitBatch()) return fail();
  return result;
}

ScrapeResult ScrapeListingPage(Market market, std::string_view date, std::string_view page,
                               store::StoreAccess& access) {
  return StoreListings(ParseListingPage(market, page), date, access);
}

}  // namespace download
