// The public JSON data centre as a listing source. For every date it reads
// the day's list (every board at once) and each Seat report for the whole
// date, grouped by stock, and keeps them for the date's three board pages;
// a stock the Seat answers lack (a service that insists on a stock code) is
// asked for alone. Answers are mapped to the rows a list page of that board
// and date would give, and to the rows of the store's side tables.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/datacentre_json.h"
#include "download/kept_answers.h"
#include "download/listing_source.h"
#include "download/page_fetch.h"

namespace download {

// The report names of the day's list (the current one and the one the
// service used before it) and of the Seats.
inline constexpr const char* kDayListReport = "RPT_DAILYBILLBOARD_DETAILSNEW";
inline constexpr const char* kOldDayListReport = "RPT_DAILYBILLBOARD_DETAILS";
inline constexpr const char* kBuySeatsReport = "RPT_BILLBOARD_DAILYDETAILSBUY";
inline constexpr const char* kSellSeatsReport = "RPT_BILLBOARD_DAILYDETAILSSELL";

// host + "/api/data/v1/get?" + query, after "http://" unless the host names
// its own scheme ("https://…").
std::string DataCentreAddress(std::string_view host, std::string_view query);
// The query of one answer page of a date's list from `report`, sorted by
// stock code.
std::string DayListQuery(std::string_view report, std::string_view date, int page_number,
                         int page_size);
// The query of one answer page of the buying (or selling) Seats on a date,
// largest amount first: of every stock, or of the stock `code` alone.
std::string SeatQuery(bool buy_side, std::string_view date, std::string_view code, int page_number,
                      int page_size);

class DataCentreSource : public ListingSource {
 public:
  DataCentreSource(std::string host, FetchLimits limits, DataCentrePoliteness politeness = {},
                   std::filesystem::path answers_folder = {});

  // The board's page of a date. Its piece count is the board's listings
  // plus one, as a list page's is: 1 when the board has none that day, and
  // when the data centre has nothing for the date. A page whose requests
  // failed (after the retries) is a failed page with nothing in it; an
  // answer that is no JSON of the known shape fails its page at once
  // (FetchFailure::kBadAnswer, the answer kept), and so does a refusal
  // (FetchFailure::kRefused, with the service's message in the note).
  SourcePage Fetch(const PageKey& page, std::stop_token stop) override;

  // The report the day's list is asked from: kDayListReport, until the
  // service refused it and kOldDayListReport answered with rows.
  const char* day_report() const { return day_report_; }
  // Whether the Seat reports are asked for each stock alone, since the
  // service refused them for a whole date.
  bool seats_per_stock() const { return seats_per_stock_; }

 private:
  // How a report's answers came out.
  enum class Outcome { kRows, kNoData, kRefused, kFailed };
  struct Collected {
    Outcome outcome = Outcome::kFailed;
    std::optional<int64_t> code;  // of a refusal
    std::string message;          // of a refusal (UTF-8)
  };
  // What a date holds, read once for its three boards.
  struct Day {
    std::vector<CentreListing> listings;  // of the three boards, in the data centre's order
    bool seats_read[2] = {false, false};  // buy, sell: read for the whole date
    // Each stock's Seats by code, in rank order: buy [0] and sell [1].
    std::map<std::string, std::vector<CentreSeat>> seats[2];
  };

  // One GET with the gap before it, repeated after a time-out, 429 or 5xx.
  FetchResult Get(const std::string& query, std::stop_token stop, SourceNotes& notes);
  // Every answer page of a report into `rows`. A transfer that failed or an
  // answer that cannot be read (kept, with a note) gives kFailed with
  // out.fetch saying why.
  template <typename Row, typename QueryOf, typename Read>
  Collected GetAll(const QueryOf& query_of, const Read& read, std::string_view what,
                   std::vector<Row>& rows, std::stop_token stop, SourcePage& out);
  bool ReadDay(const std::string& date, std::stop_token stop, SourcePage& out);
  bool ReadDaySeats(const std::string& date, int side, Day& day, std::stop_token stop,
                    SourcePage& out);
  bool ReadStockSeats(const std::string& date, const std::string& code, int side, Day& day,
                      std::stop_token stop, SourcePage& out);
  // The page fails: a refusal with the service's words.
  bool Refused(const char* report, const Collected& answer, SourcePage& out);
  SourcePage Failed(SourcePage out);

  std::string host_;
  DataCentrePoliteness politeness_;
  PageFetcher fetcher_;
  AnswerKeeper keeper_;
  std::map<std::string, Day> days_;
  const char* day_report_ = kDayListReport;
  bool seats_per_stock_ = false;
  bool asked_before_ = false;
  std::chrono::steady_clock::time_point last_answer_;
  int failed_in_row_ = 0;
  SourcePage last_failure_;
};

}  // namespace download
