// Reading the data centre's JSON answers and turning their values into the
// texts a scraped list page gives: GBK names, boards by stock code, amounts
// and rates in the pages' number formats.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/market.h"
#include "download/page_scraper.h"

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
};

// One Seat of a stock's buy or sell answer.
struct CentreSeat {
  std::string name;            // OPERATEDEPT_NAME
  std::string explanation;     // EXPLANATION of the listing it belongs to, may be empty
  std::optional<double> buy;   // BUY, yuan
  std::optional<double> sell;  // SELL, yuan
};

// An answer {"result": {"pages": N, "data": [...]}}. "result": null is an
// answer without rows (nothing listed, or not yet published).
template <typename Row>
struct CentreAnswer {
  bool ok = false;  // false: not JSON, or not in this shape
  int pages = 0;    // 0 for "result": null
  std::vector<Row> rows;
  int unreadable = 0;  // data elements that are no object or lack what a row needs
};

// Rows in the answer's order; a listing needs its SECURITY_CODE.
CentreAnswer<CentreListing> ReadListingAnswer(std::string_view body);
CentreAnswer<CentreSeat> ReadSeatAnswer(std::string_view body);

// A Seat block from a stock's Seats in the order the data centre ranks
// them: the Seats of the listing's reason (all of them when none carries
// that reason), the first five, each "name|buy|sell" with the amounts as
// YuanText (a missing amount is "0.00"); fewer than five are padded with
// empty Seats, so the block always holds its 15 values.
std::string SeatBlockOf(const std::vector<CentreSeat>& seats, std::string_view explanation,
                        int& replaced);

// The row a list page would give for the listing: name, code, the reason
// shortened as the pages' reason is, the change rate as the value, no
// volume, the turnover in 10,000 yuan, the two Seat blocks.
ScrapedListing MapListing(const CentreListing& listing, const std::vector<CentreSeat>& buys,
                          const std::vector<CentreSeat>& sells, int& replaced);

}  // namespace download
