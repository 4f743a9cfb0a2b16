// The listing pages the sample source serves: a deterministic handful of
// stocks per board and weekday, rendered as GBK HTML in the page format the
// program's scraper reads, and the StockListings each page stands for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sample_source {

struct SampleSeat {
  int name = 0;            // index into the Seat names
  int64_t buy_cents = 0;   // yuan × 100
  int64_t sell_cents = 0;  // yuan × 100
};

struct SampleStock {
  int stock = 0;                    // index into the board's stock list
  int reason = 0;                   // index into the reasons: the kind of the value
  bool prints_reason = true;        // false: the heading has no reason; it inherits one
  int64_t value_hundredths = 0;     // deviation value in % × 100
  int64_t volume_hundredths = 0;    // 万股 × 100
  int64_t turnover_hundredths = 0;  // 万元 × 100
  std::array<SampleSeat, 5> buys;
  std::array<SampleSeat, 5> sells;
};

// Board numbers as the page address gives them: 0 "沪市" (one amount per
// Seat), 1 "深市" and 2 "中小板" (a buying and a selling amount per Seat).
inline constexpr int kBoardCount = 3;

// The date text "YYYY-MM-DD" as a weekday number, 0 = Sunday; nullopt when it
// is not a valid date.
std::optional<int> WeekdayOf(std::string_view date);

// The stocks of a board's page for a date: 3 to 8 on weekdays, none on
// weekends. The first stock always prints its reason.
std::vector<SampleStock> StocksOf(int board, std::string_view date);
// `count` stocks drawn from `seed`, for benchmarks; beyond the 25 names of a
// board the names repeat.
std::vector<SampleStock> GenerateStocks(int board, uint64_t seed, int count);

// The page as the server sends it (GBK HTML).
std::string RenderPage(int board, std::string_view date, const std::vector<SampleStock>& stocks);
std::string PageOf(int board, std::string_view date);
// A page whose list block holds no rows: weekends, or a day not yet published.
std::string EmptyListPage(int board, std::string_view date);
// A page without the list block at all (a maintenance notice).
std::string NoListPage();

// The nine fields of one StockListing (GBK), as the program stores them.
using ExpectedListing = std::array<std::string, 9>;
// The StockListings a page stands for, in page order. Pages never start with
// a stock without a reason, so a page's records do not depend on what was
// stored before it.
std::vector<ExpectedListing> ExpectedListings(int board, std::string_view date,
                                              const std::vector<SampleStock>& stocks);
std::vector<ExpectedListing> ExpectedListings(int board, std::string_view date);

// "1,234.56" (with_separators) or "1234.56" for hundredths.
std::string FormatHundredths(int64_t hundredths, bool with_separators);

}  // namespace sample_source
