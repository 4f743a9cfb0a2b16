// The public JSON data centre as a listing source: for every date one list
// of the day's listings (all boards at once, kept for the date's three board
// pages), and for every stock on a board's page its buying and its selling
// Seats. Answers are mapped to the rows a list page of that board and date
// would give.
#pragma once

#include <chrono>
#include <map>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "download/datacentre_json.h"
#include "download/listing_source.h"
#include "download/page_fetch.h"

namespace download {

// The report names of the day's list and of a stock's Seats.
inline constexpr const char* kDayListReport = "RPT_DAILYBILLBOARD_DETAILS";
inline constexpr const char* kBuySeatsReport = "RPT_BILLBOARD_DAILYDETAILSBUY";
inline constexpr const char* kSellSeatsReport = "RPT_BILLBOARD_DAILYDETAILSSELL";

// host + "/api/data/v1/get?" + query, after "http://" unless the host names
// its own scheme ("https://…").
std::string DataCentreAddress(std::string_view host, std::string_view query);
// The query of one answer page of a date's list, sorted by stock code.
std::string DayListQuery(std::string_view date, int page_number, int page_size);
// The query of one answer page of a stock's buying (or selling) Seats on a
// date, largest amount first.
std::string SeatQuery(bool buy_side, std::string_view date, std::string_view code, int page_number);

class DataCentreSource : public ListingSource {
 public:
  DataCentreSource(std::string host, FetchLimits limits, DataCentrePoliteness politeness = {});

  // The board's page of a date. Its piece count is the board's listings
  // plus one, as a list page's is: 1 when the board has none that day, and
  // when the data centre answers "result": null for the date. A page whose
  // requests failed (after the retries) is a failed page with nothing in
  // it; an answer that is no JSON of the known shape fails its page as a
  // bad answer (FetchFailure::kConnection), without retries.
  SourcePage Fetch(const PageKey& page, std::stop_token stop) override;

 private:
  // The day's listings on the three boards, in the data centre's order.
  struct Day {
    std::vector<CentreListing> listings;
  };

  // One GET with the gap before it, repeated after a time-out, 429 or 5xx.
  FetchResult Get(const std::string& query, std::stop_token stop, SourceNotes& notes);
  // Every answer page of a report into `rows`; false when a request failed
  // or an answer was unreadable (out.fetch then says why).
  template <typename Row, typename QueryOf, typename Read>
  bool GetAll(const QueryOf& query_of, const Read& read, std::vector<Row>& rows,
              std::stop_token stop, SourcePage& out);
  bool ReadDay(const std::string& date, std::stop_token stop, SourcePage& out);
  SourcePage Failed(SourcePage out);

  std::string host_;
  DataCentrePoliteness politeness_;
  PageFetcher fetcher_;
  std::map<std::string, Day> days_;
  bool asked_before_ = false;
  std::chrono::steady_clock::time_point last_answer_;
  int failed_in_row_ = 0;
  FetchResult last_failure_;
};

}  // namespace download
