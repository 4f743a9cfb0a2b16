// The data centre's shape of the sample day: the same listings as the
// sample list pages (stocks, reasons, values, turnovers, Seats), as the
// public JSON data centre serves them: UTF-8, every board in one list sorted
// by stock code, amounts in yuan, each stock's Seats in a report of their own,
// ranked by amount. Written from the data centre's documented report and
// field names; the real service may differ in what it leaves out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sample-source/sample_pages.h"

namespace sample_source {

struct CentreSeatRow {
  std::string name;                   // OPERATEDEPT_NAME, UTF-8
  std::optional<int64_t> buy_cents;   // BUY in yuan × 100; nullopt: null
  std::optional<int64_t> sell_cents;  // SELL
  std::string branch;                 // OPERATEDEPT_CODE
  std::string branch_old;             // OPERATEDEPT_CODE_OLD
};

struct CentreRow {
  std::string code;                  // SECURITY_CODE
  std::string secucode;              // SECUCODE: code and exchange, "600000.SH"
  std::string name;                  // SECURITY_NAME_ABBR, UTF-8
  std::string explanation;           // EXPLANATION, UTF-8: the reason as the pages print it
  int64_t change_hundredths = 0;     // CHANGE_RATE in % × 100
  int64_t turnover_yuan = 0;         // ACCUM_AMOUNT
  std::vector<CentreSeatRow> buys;   // largest buying amount first
  std::vector<CentreSeatRow> sells;  // largest selling amount first
  // What the nine fields do not hold. The list's own amounts and ratios
  // follow from the Seats and the turnover.
  int64_t close_cents = 0;                        // CLOSE_PRICE
  int64_t turnover_rate_hundredths = 0;           // TURNOVERRATE, % × 100
  int64_t free_cap_yuan = 0;                      // FREE_MARKET_CAP
  std::string explain;                            // EXPLAIN, UTF-8
  std::array<std::optional<int64_t>, 4> after{};  // D1/D2/D5/D10_CLOSE_ADJCHRATE, % × 100
};

// The list's own amounts of a row (yuan × 100): the Seats' buying and
// selling amounts summed.
int64_t ListBuyCents(const CentreRow& r);
int64_t ListSellCents(const CentreRow& r);
// A branch's codes as the sample day gives them, from its name's index.
std::string BranchCode(int seat_name);
std::string OldBranchCode(int seat_name);

// The rows standing for a board's stocks as RenderPage renders them: a stock
// that prints no reason has the one it inherits. On "沪市", whose pages give
// one amount per Seat, the other amount is null.
std::vector<CentreRow> CentreRows(int board, const std::vector<SampleStock>& stocks);
// A Beijing-exchange listing, which belongs to none of the three boards.
CentreRow BeijingRow(std::string_view date);
// The day of a date: every board's rows, then the Beijing listing; none on
// weekends. `stocks` gives each board's stocks (StocksOf when absent).
std::vector<CentreRow> CentreDay(std::string_view date,
                                 const std::vector<std::vector<SampleStock>>* stocks = nullptr);

// The data centre's answers. The day's list sorted by code (stable), cut
// into pages of `page_size`; the Seats of a stock (of every stock when
// `code` is empty; buy_side: the buy report) ranked by amount, stably.
// Nothing to give is "result": null.
std::string DayListAnswer(const std::vector<CentreRow>& day, std::string_view date, int page_number,
                          int page_size);
std::string SeatAnswer(const std::vector<CentreRow>& day, std::string_view date,
                       std::string_view code, bool buy_side, int page_number, int page_size);
// The answer for nothing: {"result": null, "success": false, ...}.
std::string EmptyAnswer();

}  // namespace sample_source
