// The evening summary: for one day, every listing that involves something
// watched, one item per watched Seat in a listing and one per listing of a
// watched stock code, amounts in 10,000 yuan as the grids show them; as
// text, Markdown, HTML or JSON.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "seats/seat_book.h"

namespace seats {

// A Seat of a day's listing (its amounts over both blocks, in yuan).
struct DaySeat {
  std::string name;  // GBK
  double buy = 0;
  double sell = 0;
  bool in_buy = false;  // stands in the buy block
};

// A listing of the day, its totals as the statistics grid sums them.
struct DayListing {
  std::string code;
  std::string name;  // GBK
  double buying = 0;  // yuan
  double selling = 0;
  std::vector<DaySeat> seats;
};

struct SummaryItem {
  std::string code;
  std::string name;      // GBK, the stock
  std::string seat;      // GBK, the Seat's name as the listing has it; empty for a watched code
  std::string nickname;  // GBK
  std::string kind;      // GBK
  bool buy_side = true;  // "buy": it stands in the buy block
  double buy = 0;        // 10,000 yuan, two decimals
  double sell = 0;
  double net = 0;
  double listing_net = 0;  // the whole listing's net, 10,000 yuan, two decimals
  size_t listing = 0;      // its listing's place among the day's
};

struct Summary {
  std::string date;  // "YYYY-MM-DD"
  std::vector<SummaryItem> items;
  size_t watched_seats = 0;
  size_t watched_codes = 0;
};

Summary MakeSummary(const std::string& date, const std::vector<DayListing>& listings,
                    const SeatBook& book);

// UTF-8: {"date": "YYYY-MM-DD", "items": [{"code", "name", "seat",
// "nickname", "kind", "side", "buy", "sell", "net"}, ...]}.
std::string SummaryJson(const Summary& summary);
enum class SummaryFormat { kText, kMarkdown, kHtml, kJson };
// UTF-8, in the format; a summary without items says why plainly.
std::string FormatSummary(const Summary& summary, SummaryFormat format);

}  // namespace seats
