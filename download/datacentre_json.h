// Reading the data centre's JSON answers and turning their values into the
// texts a scraped list page gives: GBK names, boards by stock code, amounts
// and rates in the pages' number formats; and the rows of the store's side
// tables for what the nine fields do not hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/market.h"
#include "download/page_scraper.h"
#include "store/listing_extras.h"

namespace download {

// The mark that stands in for a character GBK lacks: "□" (GBK).
const std::string& UnmappedMark();

// UTF-8 to GBK. Every character GBK lacks, and every byte that is no UTF-8,
// becomes the mark and is counted in `replaced`. A "|" becomes "｜", since
// the Seat blocks are "|"-separated.
std::string GbkWithMarks(std::string_view utf8, int& replaced);

// The board of a stock code: 6… "沪市", 002… "中小板", other 0… and 3…
// "深市". nullopt for the codes of other exchanges (Beijing 4…, 8…, 9…; the
// B shares 2… and 900…) and for what is no six-digit code. A SECUCODE
// ("600000.SH"), when given, must name the same exchange.
std::optional<Market> BoardOfCode(std::string_view code, std::string_view secucode = {});

// Amount texts, rounded to the cent (halves away from zero); empty for a
// value that is not finite or too large for any listing.
// Yuan as a Seat block holds them: "12345.67".
std::string YuanText(double yuan);
// Yuan in 10,000 yuan as the pages print a turnover: "1,234.56".
std::string TenThousandYuanText(double yuan);
// A rate in percent as the pages print a value: "9.52%", "-7.10%".
std::string PercentText(double rate);

// One listing of the day's list, with its texts as the data centre gives
// them (UTF-8).
struct CentreListing {
  std::string code;                   // SECURITY_CODE
  std::string secucode;               // SECUCODE, may be empty
  std::string name;                   // SECURITY_NAME_ABBR
  std::string date;                   // the first 10 characters of TRADE_DATE
  std::string explanation;            // EXPLANATION: the reason for listing
  std::optional<double> change_rate;  // CHANGE_RATE, percent
  std::optional<double> turnover;     // ACCUM_AMOUNT, yuan
  // What the nine fields do not hold, as given.
  std::optional<double> close;            // CLOSE_PRICE
  std::optional<double> turnover_rate;    // TURNOVERRATE, percent
  std::optional<double> free_market_cap;  // FREE_MARKET_CAP, yuan
  std::optional<double> list_buy;         // BILLBOARD_BUY_AMT
  std::optional<double> list_sell;        // BILLBOARD_SELL_AMT
  std::optional<double> list_net;         // BILLBOARD_NET_AMT
  std::optional<double> list_deal;        // BILLBOARD_DEAL_AMT
  std::optional<double> net_ratio;        // DEAL_NET_RATIO
  std::optional<double> deal_ratio;       // DEAL_AMOUNT_RATIO
  std::string explain;                    // EXPLAIN: the service's one-line reading
  std::optional<double> after_1_day;      // D1_CLOSE_ADJCHRATE
  std::optional<double> after_2_days;     // D2_CLOSE_ADJCHRATE
  std::optional<double> after_5_days;     // D5_CLOSE_ADJCHRATE
  std::optional<double> after_10_days;    // D10_CLOSE_ADJCHRATE
};

// One Seat of a buy or sell answer.
struct CentreSeat {
  std::string name;            // OPERATEDEPT_NAME
  std::string explanation;     // EXPLANATION of the listing it belongs to, may be empty
  std::optional<double> buy;   // BUY, yuan
  std::optional<double> sell;  // SELL, yuan
  std::string code;            // SECURITY_CODE of the stock, may be empty
  std::string date;            // the first 10 characters of TRADE_DATE, may be empty
  std::string branch;          // OPERATEDEPT_CODE, the branch's code
  std::string branch_old;      // OPERATEDEPT_CODE_OLD
};

// What an answer is.
enum class AnswerKind {
  kRows,  // {"result": {"pages": N, "data": [...]}}
  // "result": null: nothing listed, or not yet published ("success": false
  // with code 9201, "返回数据为空", or no refusal at all).
  kNoData,
  // "success": false with another code: the service refused the request
  // (a report or filter it does not take, a block); its code and message
  // say why.
  kRefused,
  kUnreadable,  // not JSON, or not of this shape
};

// The code with which the service says a query found nothing.
inline constexpr int64_t kNoDataCode = 9201;

template <typename Row>
struct CentreAnswer {
  AnswerKind kind = AnswerKind::kUnreadable;
  int pages = 0;  // 0 unless kRows
  std::vector<Row> rows;
  // Data elements left out: no object, or without what a row needs (a
  // listing its code and date; any row a date of another day).
  int unreadable = 0;
  // Numbers given as texts that are no number, taken as missing.
  int odd_values = 0;
  std::optional<int64_t> code;  // the answer's "code"
  std::string message;          // its "message" (UTF-8)
  std::string problem;          // why it is kUnreadable (English)
};

// Rows in the answer's order; a listing needs its SECURITY_CODE and
// TRADE_DATE. `date`, when given, is the day asked for: rows of another day
// are left out and counted.
CentreAnswer<CentreListing> ReadListingAnswer(std::string_view body, std::string_view date = {});
CentreAnswer<CentreSeat> ReadSeatAnswer(std::string_view body, std::string_view date = {});

// The Seats of a listing as its Seat block holds them, in the order the
// data centre ranks them: the Seats of the listing's reason (all of them
// when none carries that reason), the first five, each with its name in
// GBK (names cut on a character boundary, longest first, when the five
// would not fit the block's 512 bytes) and its amounts as YuanText (a
// missing amount is "0.00").
struct BlockSeat {
  const CentreSeat* seat = nullptr;
  std::string name;  // GBK
  std::string buy;
  std::string sell;
};
std::vector<BlockSeat> BlockSeatsOf(const std::vector<CentreSeat>& seats,
                                    std::string_view explanation, int& replaced);

// A Seat block: the BlockSeatsOf as "name|buy|sell", padded with empty
// Seats to five, so the block always holds its 15 values.
std::string SeatBlockOf(const std::vector<CentreSeat>& seats, std::string_view explanation,
                        int& replaced);

// The row a list page would give for the listing: name, code, the reason
// shortened as the pages' reason is, the change rate as the value, no
// volume, the turnover in 10,000 yuan, the two Seat blocks.
ScrapedListing MapListing(const CentreListing& listing, const std::vector<CentreSeat>& buys,
                          const std::vector<CentreSeat>& sells, int& replaced);

// The side tables' rows of the listing on `date`: its extra figures, and
// the branch codes of the Seats of its two blocks by position.
// (Characters outside GBK are marked as in the nine fields, and counted
// there.)
store::ListingExtras ExtrasOf(const CentreListing& listing, std::string_view date);
std::vector<store::SeatCode> SeatCodesOf(const CentreListing& listing, std::string_view date,
                                         const std::vector<CentreSeat>& buys,
                                         const std::vector<CentreSeat>& sells);

}  // namespace download
