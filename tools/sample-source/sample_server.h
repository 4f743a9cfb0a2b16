// A loopback web server that serves the sample day in both shapes: the
// listing pages at /stock/smebt.php?t=<board>&tdate=<date>, and the data
// centre's JSON answers at /api/data/v1/get?reportName=…&filter=…, with
// faults on request.
//
// A fault applies to every request (SetFault), to one page (SetPageFault),
// to the data centre's answers of one report and date (SetCentreFault), or
// to the requests under a path prefix: /fault/<name>/stock/smebt.php and
// /fault/<name>/api/data/v1/get, so a client pointed at the host
// "127.0.0.1:<port>/fault/error" gets error answers.
// The daily K-line answers at /api/qt/stock/kline/get (and under
// /fault/<name>/ as well).
// /redirect/<n>/stock/smebt.php redirects n times before serving the page.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/sample-source/sample_datacentre.h"
#include "tools/sample-source/sample_kline.h"
#include "tools/sample-source/sample_pages.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace sample_source {

enum class Fault {
  kNone,
  kSlow,          // the page, after a delay (slow_ms)
  kError,         // status 500, with the page as its body
  kTruncated,     // the page cut off inside its list, as a complete response
  kGarbage,       // bytes that are no page at all
  kNul,           // the page with a NUL byte inside its list
  kNoList,        // a page without the list block (a maintenance notice)
  kUnpublished,   // the day's list without rows: not yet published
  kDrop,          // the connection closes halfway through the body
  kFileRedirect,  // a redirect to a file:// address
  kBusy,          // status 429: too many requests
  kUnavailable,   // status 503
};

// "none", "slow", "error", "truncated", "garbage", "nul", "nolist",
// "unpublished", "drop", "file-redirect", "busy", "unavailable".
std::optional<Fault> FaultFromName(std::string_view name);
const char* FaultName(Fault fault);
inline constexpr Fault kAllFaults[] = {
    Fault::kSlow,         Fault::kError,  Fault::kTruncated,   Fault::kGarbage,
    Fault::kNul,          Fault::kNoList, Fault::kUnpublished, Fault::kDrop,
    Fault::kFileRedirect, Fault::kBusy,   Fault::kUnavailable};

// The bytes a fault serves in place of the page (for kNone, kSlow and kError
// the page itself).
std::string FaultyBody(Fault fault, int board, std::string_view date);
// The same for a data-centre answer: cut in half (kTruncated), bytes that
// are no JSON (kGarbage), a NUL inside (kNul), an answer without "result"
// (kNoList), "result": null (kUnpublished); else the answer itself.
std::string FaultyAnswer(Fault fault, const std::string& answer);

struct ServedRequest {
  std::string target;  // path and query, as asked
  std::string user_agent;
  int remote_port = 0;  // tells the client's connections apart
  std::chrono::steady_clock::time_point arrived;
};

class SampleSource {
 public:
  SampleSource();
  ~SampleSource();
  SampleSource(const SampleSource&) = delete;
  SampleSource& operator=(const SampleSource&) = delete;

  // Serves https with this certificate (PEM, its chain) and key from the
  // next Start on.
  void UseTls(const std::string& certificate_file, const std::string& key_file);
  // Listens on address:port (port 0: one the system picks) and serves on a
  // thread of its own. Returns the port, or -1 when it cannot listen (or
  // the certificate and key cannot be used).
  int Start(int port = 0, const std::string& address = "127.0.0.1");
  void Stop();
  int port() const { return port_; }
  bool tls() const { return tls_.has_value(); }
  // "127.0.0.1:<port>", the host a client is pointed at.
  std::string Host() const;

  void SetFault(Fault fault);
  void SetPageFault(int board, const std::string& date, Fault fault);
  void ClearPageFaults();
  void SetSlowMs(int ms) { slow_ms_ = ms; }
  // The day both shapes serve for `date`: each board's stocks (three lists).
  void SetDay(const std::string& date, std::vector<std::vector<SampleStock>> boards);
  // The day only the data centre serves for `date`, for what the pages
  // cannot hold (characters outside GBK, fewer than five Seats).
  void SetCentreDay(const std::string& date, std::vector<CentreRow> day);
  // The Seat reports refuse a filter without a stock code, as a service
  // that insists on one would.
  void SetSeatsNeedCode(bool need);
  // The day's list under its current name, RPT_DAILYBILLBOARD_DETAILSNEW,
  // is refused as an unknown report; the older name still answers.
  void SetNewDayReportRefused(bool refused);
  // A fault for the next `times` answers (-1: all) of `report`
  // ("RPT_DAILYBILLBOARD_DETAILSNEW", "RPT_BILLBOARD_DAILYDETAILSBUY", …)
  // for `date`, and for one stock's Seats when `code` is given (a Seat
  // query of the whole date has none).
  void SetCentreFault(const std::string& report, const std::string& date, Fault fault,
                      int times = -1, const std::string& code = {});

  // `body` as the answer to page `page_number` of `report` for `date` (and
  // stock `code`; none for a query of the whole date), in place of what the
  // sample day gives: for answers of any shape.
  void SetCentreBody(const std::string& report, const std::string& date, std::string body,
                     int page_number = 1, const std::string& code = {});

  // The daily K-line answers (/api/qt/stock/kline/get): a fault for the
  // next `times` answers (-1: all) for `code`, or `body` in place of the
  // bars for it (for answers of any shape).
  void SetKlineFault(const std::string& code, Fault fault, int times = -1);
  void SetKlineBody(const std::string& code, std::string body);

  std::vector<ServedRequest> Requests() const;
  size_t RequestCount() const;

 private:
  struct CentreFault {
    std::string report;
    std::string date;
    std::string code;
    Fault fault;
    int times;
  };
  void ServeKline(const httplib::Request& req, std::optional<Fault> from_path,
                  httplib::Response& res);
  void Serve(int board, const std::string& date, Fault fault, httplib::Response& res);
  void ServeCentre(const httplib::Request& req, std::optional<Fault> from_path,
                   httplib::Response& res);
  // Answers with `body` as `fault` has it: delayed, with an error status,
  // dropped halfway, redirected, or with `faulty` in its place.
  void Respond(Fault fault, const std::string& body, const std::string& faulty,
               const char* content_type, httplib::Response& res);
  Fault FaultFor(int board, const std::string& date, std::optional<Fault> from_path) const;
  Fault CentreFaultFor(const std::string& report, const std::string& date, const std::string& code,
                       std::optional<Fault> from_path);
  std::string PageFor(int board, const std::string& date) const;
  std::vector<CentreRow> CentreDayFor(const std::string& date) const;
  void Sleep(int ms) const;

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::string address_;
  int port_ = -1;
  std::optional<std::pair<std::string, std::string>> tls_;  // certificate and key files
  std::atomic<bool> stopping_{false};
  std::atomic<int> slow_ms_{200};
  std::atomic<bool> seats_need_code_{false};
  std::atomic<bool> refuse_new_day_report_{false};

  mutable std::mutex mutex_;
  Fault fault_ = Fault::kNone;
  std::map<std::pair<int, std::string>, Fault> page_faults_;
  std::vector<CentreFault> centre_faults_;
  std::map<std::tuple<std::string, std::string, std::string, int>, std::string> centre_bodies_;
  std::map<std::string, std::vector<std::vector<SampleStock>>> days_;
  std::map<std::string, std::vector<CentreRow>> centre_days_;
  std::map<std::string, std::pair<Fault, int>> kline_faults_;  // by code: the fault, times left
  std::map<std::string, std::string> kline_bodies_;
  std::vector<ServedRequest> requests_;
};

}  // namespace sample_source
