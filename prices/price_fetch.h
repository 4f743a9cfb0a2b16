// Fetching the daily bars of every stock listed in a range, politely: one
// request at a time and one per stock, a gap between requests, a longer
// pause after a refusal (429, 5xx, a time-out), and a stop after five
// failures in a row, since the service blocks addresses that ask too often.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/page_fetch.h"
#include "store/price_bars.h"
#include "store/record_store.h"

namespace prices {

inline constexpr int kPricesGapMs = 600;
inline constexpr int kFailuresInARowToStop = 5;
inline constexpr int kTradingDaysBefore = 10;
inline constexpr int kTradingDaysAfter = 30;

// The span of bars a stock needs: from 10 trading days before its first
// listing to 30 trading days after its last one, or `today` if that comes
// first. Without a trading calendar, trading days are counted as weekdays
// and a week is added on either side for holidays: more than needed, never
// less. Dates "YYYY-MM-DD".
struct WantedSpan {
  std::string from;
  std::string to;
};
WantedSpan SpanWanted(std::string_view first_listing, std::string_view last_listing,
                      std::string_view today);

// What one request must ask for, given what the log says is held: nullopt
// when nothing is lacking (the code was answered over the whole span).
std::optional<WantedSpan> SpanToAsk(const WantedSpan& wanted,
                                    const std::optional<store::PriceLogEntry>& log);

struct PricesRequest {
  std::string host;  // host[:port] or an http(s) address of the K-line service
  std::string from;  // the listings' range, "YYYY-MM-DD"
  std::string to;
  std::string today;  // "YYYY-MM-DD"
  int gap_ms = kPricesGapMs;
  // The first pause after a refusal; doubled for each further one in a row.
  int backoff_ms = 2'000;
  download::FetchLimits limits;
  // Where unreadable answers are kept (none: not kept).
  std::filesystem::path answers_folder;
};

struct PricesSummary {
  int codes = 0;           // stocks listed in the range (of both exchanges)
  int other_exchange = 0;  // codes of other exchanges, skipped
  int up_to_date = 0;      // held already: nothing asked
  int fetched = 0;         // answered with bars
  int no_bars = 0;         // answered "no bars"
  int failed = 0;          // no usable answer (see the log)
  int not_asked = 0;       // left after a stop
  int requests = 0;
  int64_t bars_stored = 0;
  bool stopped = false;  // asked to stop
  bool gave_up = false;  // five failures in a row
  std::optional<store::StoreError> store_error;
  std::vector<std::filesystem::path> kept_answers;
};

class PricesProgress {
 public:
  virtual ~PricesProgress() = default;
  // Before the requests: how many stocks will be asked for.
  virtual void OnStart(int /*to_ask*/) {}
  // After each stock asked for.
  virtual void OnCode(int /*done*/, int /*to_ask*/, std::string_view /*code*/, bool /*failed*/) {}
};

PricesSummary RunPricesFetch(store::Store& store, const PricesRequest& request,
                             PricesProgress& progress, std::stop_token stop = {});

}  // namespace prices
