#include "download/datacentre_source.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "text/gbk.h"

namespace download {
namespace {

// The log's notes (GBK).
struct CentreSourceTexts {
  std::string separator = text::Gbk("；");
  std::string old_report_open = text::Gbk("日榜改由 ");
  std::string old_report_middle = text::Gbk(" 读取（");
  std::string old_report_refused = text::Gbk(" 被拒：");
  std::string old_report_close = text::Gbk("）");
  std::string per_stock = text::Gbk("数据中心的席位查询须带股票代码，改为逐股查询");
  std::string refused = text::Gbk("数据中心拒绝请求：");
  std::string code_open = text::Gbk("（代码 ");
  std::string code_close = text::Gbk("）");
  std::string unreadable_open = text::Gbk("应答无法读取（");
  std::string unreadable_kept = text::Gbk("），已保存：");
  std::string unreadable_not_kept = text::Gbk("）");
  std::string rows_skipped_open = text::Gbk("无法读取的行 ");
  std::string rows_skipped_close = text::Gbk(" 条");
  std::string odd_values_open = text::Gbk("无法读取的数值 ");
  std::string odd_values_close = text::Gbk(" 个");
  std::string replaced_open = text::Gbk("GBK 以外的字符 ");
  std::string replaced_close = text::Gbk(" 个，以□代替");
};

const CentreSourceTexts& CentreSourceT() {
  static const CentreSourceTexts texts;
  return texts;
}

void AddNote(SourceNotes& notes, const std::string& gbk) {
  if (!notes.note.empty()) notes.note += CentreSourceT().separator;
  notes.note += gbk;
}

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

// "code 9501, 请求参数有误" and the like, for the user.
std::string RefusalWords(const std::optional<int64_t>& code, const std::string& message) {
  std::string words = message.empty() ? std::string("no message") : message;
  if (code) words += " (code " + std::to_string(*code) + ")";
  return words;
}

// The buying (0) or selling (1) Seats of a stock in the order a stock's own
// answer ranks them: largest amount of the side first, ties as given.
void RankSeats(std::vector<CentreSeat>& seats, int side) {
  std::stable_sort(seats.begin(), seats.end(), [side](const CentreSeat& a, const CentreSeat& b) {
    const auto& x = side == 0 ? a.buy : a.sell;
    const auto& y = side == 0 ? b.buy : b.sell;
    return x.value_or(0) > y.value_or(0);
  });
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

std::string DayListQuery(std::string_view report, std::string_view date, int page_number,
                         int page_size) {
  const std::string d(date);
  return Query(report, "(TRADE_DATE>='" + d + "')(TRADE_DATE<='" + d + "')", page_number, page_size,
               "SECURITY_CODE", 1);
}

std::string SeatQuery(bool buy_side, std::string_view date, std::string_view code, int page_number,
                      int page_size) {
  std::string filter = "(TRADE_DATE='" + std::string(date) + "')";
  if (!code.empty()) filter += "(SECURITY_CODE=\"" + std::string(code) + "\")";
  return Query(buy_side ? kBuySeatsReport : kSellSeatsReport, filter, page_number, page_size,
               buy_side ? "BUY" : "SELL", -1);
}

DataCentreSource::DataCentreSource(std::string host, FetchLimits limits,
                                   DataCentrePoliteness politeness,
                                   std::filesystem::path answers_folder)
    : host_(std::move(host)),
      politeness_(politeness),
      fetcher_(host_, std::move(limits)),
      keeper_(std::move(answers_folder)) {
  politeness_.page_size = std::max(1, politeness_.page_size);
}

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
    // The whole body: an answer with a NUL byte in it is no JSON, and is
    // kept as it came.
    FetchResult r = fetcher_.Fetch(address, stop, /*whole_body=*/true);
    asked_before_ = true;
    last_answer_ = std::chrono::steady_clock::now();
    ++notes.requests;
    if (r.ok || !Retryable(r) || attempt >= politeness_.max_retries) return r;
    ++notes.retries;
  }
}

template <typename Row, typename QueryOf, typename Read>
DataCentreSource::Collected DataCentreSource::GetAll(const QueryOf& query_of, const Read& read,
                                                     std::string_view what, std::vector<Row>& rows,
                                                     std::stop_token stop, SourcePage& out) {
  Collected collected;
  int pages = 1;
  for (int n = 1; n <= pages; ++n) {
    FetchResult r = Get(query_of(n), stop, out.notes);
    out.fetch.status = r.status;
    out.fetch.body_bytes += r.body_bytes;
    if (!r.ok) {
      out.fetch.failure = r.failure;
      return collected;
    }
    auto answer = read(r.text);
    std::string problem = answer.problem;
    if (n > 1 &&
        (answer.kind != AnswerKind::kRows || (answer.rows.empty() && answer.unreadable == 0))) {
      // The first answer promised more pages than came.
      problem = "page " + std::to_string(n) + " of " + std::to_string(pages) + " holds no rows";
    } else if (answer.kind == AnswerKind::kRefused) {
      collected.outcome = Outcome::kRefused;
      collected.code = answer.code;
      collected.message = std::move(answer.message);
      return collected;
    } else if (answer.kind == AnswerKind::kNoData) {
      collected.outcome = Outcome::kNoData;
      return collected;
    }
    if (!problem.empty()) {
      // Nothing is guessed from an answer that cannot be read: the page
      // fails, and the answer is kept for the user to show us.
      out.fetch.failure = FetchFailure::kBadAnswer;
      out.notes.detail = std::string(what) + " page " + std::to_string(n) + ": " + problem;
      std::string note = CentreSourceT().unreadable_open + text::Gbk(out.notes.detail);
      const std::string name = std::string(what) + "-p" + std::to_string(n);
      if (const auto kept = keeper_.Keep(r.text, name)) {
        int replaced = 0;
        note += CentreSourceT().unreadable_kept + GbkWithMarks(kept->string(), replaced);
        out.notes.kept_answers.push_back(*kept);
      } else {
        note += CentreSourceT().unreadable_not_kept;
      }
      AddNote(out.notes, note);
      return collected;
    }
    out.notes.unreadable_rows += answer.unreadable;
    out.notes.odd_values += answer.odd_values;
    if (n == 1) pages = answer.pages;
    for (Row& row : answer.rows) rows.push_back(std::move(row));
  }
  collected.outcome = Outcome::kRows;
  return collected;
}

bool DataCentreSource::Refused(const char* report, const Collected& answer, SourcePage& out) {
  out.fetch.failure = FetchFailure::kRefused;
  out.notes.detail =
      std::string("refused ") + report + ": " + RefusalWords(answer.code, answer.message);
  int replaced = 0;
  std::string note = CentreSourceT().refused + GbkWithMarks(answer.message, replaced);
  if (answer.code)
    note += CentreSourceT().code_open + std::to_string(*answer.code) + CentreSourceT().code_close;
  AddNote(out.notes, note);
  return false;
}

bool DataCentreSource::ReadDay(const std::string& date, std::stop_token stop, SourcePage& out) {
  const auto list_of = [&](const char* report, std::vector<CentreListing>& rows) {
    return GetAll([&](int n) { return DayListQuery(report, date, n, politeness_.page_size); },
                  [&](const std::string& body) { return ReadListingAnswer(body, date); },
                  std::string(report) + " " + date, rows, stop, out);
  };
  std::vector<CentreListing> rows;
  Collected list = list_of(day_report_, rows);
  if (list.outcome == Outcome::kRefused && day_report_ == kDayListReport) {
    // The service may not know the report's current name yet (or any
    // more): the one it used before is asked for this date, and kept for
    // the rest of the run once it answers with rows.
    Collected old = list_of(kOldDayListReport, rows);
    if (old.outcome == Outcome::kRefused) return Refused(kDayListReport, list, out);
    if (old.outcome == Outcome::kRows) {
      day_report_ = kOldDayListReport;
      int replaced = 0;
      AddNote(out.notes, CentreSourceT().old_report_open + kOldDayListReport +
                             CentreSourceT().old_report_middle + kDayListReport +
                             CentreSourceT().old_report_refused +
                             GbkWithMarks(list.message, replaced) +
                             CentreSourceT().old_report_close);
      out.notes.notices.push_back(std::string("the data centre refused ") + kDayListReport + " (" +
                                  RefusalWords(list.code, list.message) +
                                  "): the day's list is read from " + kOldDayListReport + " from " +
                                  date + " on");
    }
    list = std::move(old);
  }
  if (list.outcome == Outcome::kFailed) return false;
  if (list.outcome == Outcome::kRefused) return Refused(day_report_, list, out);

  Day day;
  for (CentreListing& listing : rows) {
    if (BoardOfCode(listing.code, listing.secucode)) {
      day.listings.push_back(std::move(listing));
    } else {
      ++out.notes.skipped_codes;
    }
  }
  days_[date] = std::move(day);
  return true;
}

bool DataCentreSource::ReadDaySeats(const std::string& date, int side, Day& day,
                                    std::stop_token stop, SourcePage& out) {
  if (day.seats_read[side] || seats_per_stock_) return true;
  std::vector<CentreSeat> rows;
  const bool buy_side = side == 0;
  const Collected seats = GetAll(
      [&](int n) { return SeatQuery(buy_side, date, {}, n, politeness_.page_size); },
      [&](const std::string& body) { return ReadSeatAnswer(body, date); },
      std::string(buy_side ? kBuySeatsReport : kSellSeatsReport) + " " + date, rows, stop, out);
  if (seats.outcome == Outcome::kFailed) return false;
  if (seats.outcome == Outcome::kRefused) {
    // A service that insists on a stock code: every stock is asked for
    // alone from now on.
    seats_per_stock_ = true;
    AddNote(out.notes, CentreSourceT().per_stock);
    out.notes.notices.push_back(
        "the data centre takes the Seat reports only for one stock at a time (" +
        RefusalWords(seats.code, seats.message) + "): each stock is asked for alone");
    return true;
  }
  for (CentreSeat& seat : rows) {
    if (seat.code.empty()) {
      ++out.notes.unreadable_rows;  // no stock to put it with
      continue;
    }
    day.seats[side][seat.code].push_back(std::move(seat));
  }
  for (auto& [code, of_stock] : day.seats[side]) RankSeats(of_stock, side);
  day.seats_read[side] = true;
  return true;
}

bool DataCentreSource::ReadStockSeats(const std::string& date, const std::string& code, int side,
                                      Day& day, std::stop_token stop, SourcePage& out) {
  std::vector<CentreSeat> rows;
  const bool buy_side = side == 0;
  const char* report = buy_side ? kBuySeatsReport : kSellSeatsReport;
  const Collected seats =
      GetAll([&](int n) { return SeatQuery(buy_side, date, code, n, politeness_.page_size); },
             [&](const std::string& body) { return ReadSeatAnswer(body, date); },
             std::string(report) + " " + date + " " + code, rows, stop, out);
  if (seats.outcome == Outcome::kFailed) return false;
  if (seats.outcome == Outcome::kRefused) return Refused(report, seats, out);
  std::vector<CentreSeat>& of_stock = day.seats[side][code];
  of_stock.clear();
  for (CentreSeat& seat : rows) {
    if (!seat.code.empty() && seat.code != code) {
      ++out.notes.unreadable_rows;  // asked for one stock, given another
      continue;
    }
    of_stock.push_back(std::move(seat));
  }
  RankSeats(of_stock, side);
  return true;
}

SourcePage DataCentreSource::Failed(SourcePage out) {
  out.fetch.ok = false;
  out.fetch.text.clear();
  out.parsed = {};
  if (out.fetch.failure == FetchFailure::kStopped) return out;
  if (out.fetch.failure == FetchFailure::kNone) out.fetch.failure = FetchFailure::kConnection;
  ++failed_in_row_;
  last_failure_ = SourcePage{};
  last_failure_.fetch = out.fetch;
  last_failure_.notes.detail = out.notes.detail;
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
    out = last_failure_;
    out.fetch.body_bytes = 0;
    return out;
  }

  if (!days_.contains(page.date) && !ReadDay(page.date, stop, out)) return Failed(std::move(out));
  Day& day = days_[page.date];
  std::vector<const CentreListing*> board;
  for (const CentreListing& listing : day.listings)
    if (BoardOfCode(listing.code, listing.secucode) == page.market) board.push_back(&listing);

  // The Seats: of the whole date when the service gives them so, then of
  // each stock of the board the answers lack, alone.
  for (const int side : {0, 1}) {
    if (!board.empty() && !ReadDaySeats(page.date, side, day, stop, out))
      return Failed(std::move(out));
    for (const CentreListing* listing : board) {
      if (day.seats[side].contains(listing->code)) continue;
      if (!ReadStockSeats(page.date, listing->code, side, day, stop, out))
        return Failed(std::move(out));
    }
  }

  ParsedPage& parsed = out.parsed;
  parsed.listings.reserve(board.size());
  parsed.extras.reserve(board.size());
  for (const CentreListing* listing : board) {
    const std::vector<CentreSeat>& buys = day.seats[0][listing->code];
    const std::vector<CentreSeat>& sells = day.seats[1][listing->code];
    parsed.listings.push_back(MapListing(*listing, buys, sells, out.notes.replaced_characters));
    parsed.extras.push_back(ExtrasOf(*listing, page.date));
    for (store::SeatCode& code : SeatCodesOf(*listing, page.date, buys, sells))
      parsed.seat_codes.push_back(std::move(code));
  }
  parsed.piece_count = static_cast<int>(board.size()) + 1;
  out.fetch.ok = true;
  out.fetch.failure = FetchFailure::kNone;
  failed_in_row_ = 0;

  if (out.notes.unreadable_rows > 0)
    AddNote(out.notes, CentreSourceT().rows_skipped_open +
                           std::to_string(out.notes.unreadable_rows) +
                           CentreSourceT().rows_skipped_close);
  if (out.notes.odd_values > 0)
    AddNote(out.notes, CentreSourceT().odd_values_open + std::to_string(out.notes.odd_values) +
                           CentreSourceT().odd_values_close);
  if (out.notes.replaced_characters > 0)
    AddNote(out.notes, CentreSourceT().replaced_open +
                           std::to_string(out.notes.replaced_characters) +
                           CentreSourceT().replaced_close);

  // The board's stocks are done with their Seats.
  for (const CentreListing* listing : board)
    for (const int side : {0, 1}) day.seats[side].erase(listing->code);
  // 中小板 is a date's last board in download order: the date is done.
  if (page.market == Market::kSmeBoard) days_.erase(page.date);
  return out;
}

}  // namespace download
