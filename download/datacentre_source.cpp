#include "download/datacentre_source.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace download {
namespace {

// Seats per answer page: a stock has five or so per side and reason.
constexpr int kSeatPageSize = 50;

// Percent-encodes everything but the unreserved characters.
std::string Escape(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '_' || b == '.' || b == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

std::string Query(std::string_view report, const std::string& filter, int page_number,
                  int page_size, std::string_view sort_column, int sort_type) {
  std::string q = "reportName=";
  q += report;
  q += "&columns=ALL&filter=" + Escape(filter);
  q += "&pageNumber=" + std::to_string(page_number);
  q += "&pageSize=" + std::to_string(page_size);
  q += "&sortColumns=";
  q += sort_column;
  q += "&sortTypes=" + std::to_string(sort_type);
  q += "&source=WEB&client=WEB";
  return q;
}

bool Retryable(const FetchResult& r) {
  return r.failure == FetchFailure::kTimeout ||
         (r.failure == FetchFailure::kStatus && (r.status == 429 || r.status >= 500));
}

// Sleeps, or returns false as soon as `stop` is asked to stop.
bool Pause(std::chrono::milliseconds how_long, const std::stop_token& stop) {
  if (how_long <= std::chrono::milliseconds::zero()) return !stop.stop_requested();
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_for(lock, stop, how_long, [] { return false; });
  return !stop.stop_requested();
}

}  // namespace

std::string DataCentreAddress(std::string_view host, std::string_view query) {
  std::string address;
  if (host.find("://") == std::string_view::npos) address = "http://";
  while (!host.empty() && host.back() == '/') host.remove_suffix(1);
  address += host;
  address += "/api/data/v1/get?";
  address += query;
  return address;
}

std::string DayListQuery(std::string_view date, int page_number, int page_size) {
  const std::string d(date);
  return Query(kDayListReport, "(TRADE_DATE>='" + d + "')(TRADE_DATE<='" + d + "')", page_number,
               page_size, "SECURITY_CODE", 1);
}

std::string SeatQuery(bool buy_side, std::string_view date, std::string_view code,
                      int page_number) {
  const std::string filter =
      "(TRADE_DATE='" + std::string(date) + "')(SECURITY_CODE=\"" + std::string(code) + "\")";
  return Query(buy_side ? kBuySeatsReport : kSellSeatsReport, filter, page_number, kSeatPageSize,
               buy_side ? "BUY" : "SELL", -1);
}

DataCentreSource::DataCentreSource(std::string host, FetchLimits limits,
                                   DataCentrePoliteness politeness)
    : host_(std::move(host)), politeness_(politeness), fetcher_(host_, limits) {}

FetchResult DataCentreSource::Get(const std::string& query, std::stop_token stop,
                                  SourceNotes& notes) {
  using std::chrono::milliseconds;
  const std::string address = DataCentreAddress(host_, query);
  for (int attempt = 0;; ++attempt) {
    milliseconds wait{0};
    if (attempt > 0)
      wait =
          milliseconds(int64_t{std::max(politeness_.backoff_ms, 0)} << std::min(attempt - 1, 16));
    if (asked_before_) {
      const auto since =
          std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - last_answer_);
      wait = std::max(wait, milliseconds(politeness_.gap_ms) - since);
    }
    if (!Pause(wait, stop)) {
      FetchResult stopped;
      stopped.failure = FetchFailure::kStopped;
      return stopped;
    }
    FetchResult r = fetcher_.Fetch(address, stop);
    asked_before_ = true;
    last_answer_ = std::chrono::steady_clock::now();
    ++notes.requests;
    if (r.ok || !Retryable(r) || attempt >= politeness_.max_retries) return r;
    ++notes.retries;
  }
}

template <typename Row, typename QueryOf, typename Read>
bool DataCentreSource::GetAll(const QueryOf& query_of, const Read& read, std::vector<Row>& rows,
                              std::stop_token stop, SourcePage& out) {
  int pages = 1;
  for (int n = 1; n <= pages; ++n) {
    FetchResult r = Get(query_of(n), stop, out.notes);
    out.fetch.status = r.status;
    out.fetch.body_bytes += r.body_bytes;
    if (!r.ok) {
      out.fetch.failure = r.failure;
      return false;
    }
    auto answer = read(r.text);
    if (!answer.ok) {
      out.fetch.failure = FetchFailure::kConnection;  // a bad answer
      return false;
    }
    out.notes.unreadable_rows += answer.unreadable;
    if (n == 1) pages = answer.pages;
    for (Row& row : answer.rows) rows.push_back(std::move(row));
  }
  return true;
}

bool DataCentreSource::ReadDay(const std::string& date, std::stop_token stop, SourcePage& out) {
  std::vector<CentreListing> rows;
  const int page_size = std::max(1, politeness_.page_size);
  if (!GetAll([&](int n) { return DayListQuery(date, n, page_size); },
              [](const std::string& body) { return ReadListingAnswer(body); }, rows, stop, out))
    return false;
  Day day;
  for (CentreListing& listing : rows) {
    // The filter asked for this date; a row of another is none of its.
    if (!listing.date.empty() && listing.date != date) {
      ++out.notes.unreadable_rows;
    } else if (BoardOfCode(listing.code, listing.secucode)) {
      day.listings.push_back(std::move(listing));
    } else {
      ++out.notes.skipped_codes;
    }
  }
  days_[date] = std::move(day);
  return true;
}

SourcePage DataCentreSource::Failed(SourcePage out) {
  out.fetch.ok = false;
  out.fetch.text.clear();
  out.parsed = {};
  if (out.fetch.failure == FetchFailure::kStopped) return out;
  if (out.fetch.failure == FetchFailure::kNone) out.fetch.failure = FetchFailure::kConnection;
  ++failed_in_row_;
  last_failure_ = out.fetch;
  return out;
}

SourcePage DataCentreSource::Fetch(const PageKey& page, std::stop_token stop) {
  SourcePage out;
  if (stop.stop_requested()) {
    out.fetch.failure = FetchFailure::kStopped;
    return out;
  }
  if (politeness_.give_up_after > 0 && failed_in_row_ >= politeness_.give_up_after) {
    // The source keeps failing: the page fails as the last one did, and
    // the source is asked nothing more.
    out.fetch = last_failure_;
    out.fetch.body_bytes = 0;
    return out;
  }

  if (!days_.contains(page.date) && !ReadDay(page.date, stop, out)) return Failed(std::move(out));
  const Day& day = days_[page.date];

  // A stock listed for two reasons is asked for its Seats once.
  struct Seats {
    std::vector<CentreSeat> buys;
    std::vector<CentreSeat> sells;
  };
  std::map<std::string, Seats> seats;
  std::vector<const CentreListing*> board;
  for (const CentreListing& listing : day.listings) {
    if (BoardOfCode(listing.code, listing.secucode) != page.market) continue;
    board.push_back(&listing);
    if (seats.contains(listing.code)) continue;
    Seats& s = seats[listing.code];
    for (const bool buy_side : {true, false}) {
      if (!GetAll([&](int n) { return SeatQuery(buy_side, page.date, listing.code, n); },
                  [](const std::string& body) { return ReadSeatAnswer(body); },
                  buy_side ? s.buys : s.sells, stop, out))
        return Failed(std::move(out));
    }
  }

  out.parsed.listings.reserve(board.size());
  for (const CentreListing* listing : board) {
    const Seats& s = seats[listing->code];
    out.parsed.listings.push_back(
        MapListing(*listing, s.buys, s.sells, out.notes.replaced_characters));
  }
  out.parsed.piece_count = static_cast<int>(board.size()) + 1;
  out.fetch.ok = true;
  out.fetch.failure = FetchFailure::kNone;
  failed_in_row_ = 0;
  // 中小板 is a date's last board in download order: the date is done.
  if (page.market == Market::kSmeBoard) days_.erase(page.date);
  return out;
}

}  // namespace download
