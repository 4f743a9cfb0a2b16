// Fetching one listing page over HTTP.
#pragma once

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>

#include "download/market.h"

namespace download {

// "http://" + host + "/stock/smebt.php?t=" + board number + "&tdate=" + date.
std::string ListingPageAddress(std::string_view host, Market market, std::string_view date);

struct FetchLimits {
  long connect_timeout_ms = 10'000;
  long total_timeout_ms = 60'000;
  // A transfer slower than this many bytes per second for low_speed_time_s
  // seconds is given up.
  long low_speed_bytes = 64;
  long low_speed_time_s = 20;
  size_t max_body_bytes = size_t{16} << 20;
  long max_redirects = 5;
  // Certificates of https servers are verified against the system's store;
  // a file of certificate authorities here is trusted instead (a setting
  // for tests: QUORVANE_CA_FILE).
  std::string ca_file;
};

// Why a fetch gave no page.
enum class FetchFailure {
  kNone,
  kConnection,   // no connection, refused, reset, a bad answer
  kTimeout,      // connect or transfer time-out, or a transfer too slow
  kStatus,       // an answer with a status other than 2xx
  kTooBig,       // a body above the cap
  kStopped,      // the download was asked to stop
  kCertificate,  // an https server whose certificate failed verification
  kBadAnswer,    // an answer not of the expected shape (a source's verdict)
  kRefused,      // the service refused the request in its answer (a source's verdict)
  kRedirect,     // a redirect not followed: too many, or to a scheme not http(s)
};

struct FetchResult {
  std::string text;  // the body (up to its first NUL byte, see Fetch); empty on failure
  bool ok = false;   // false: see failure
  FetchFailure failure = FetchFailure::kNone;
  long status = 0;         // the HTTP status of the answer, 0 when none came
  size_t body_bytes = 0;   // bytes received, before the cut at a NUL byte
};

// One HTTP client for a whole download: one connection handle reused from
// page to page, so the server's keep-alive connection carries every request.
// Not to be shared between threads.
class PageFetcher {
 public:
  explicit PageFetcher(std::string host, FetchLimits limits = {});
  ~PageFetcher();
  PageFetcher(const PageFetcher&) = delete;
  PageFetcher& operator=(const PageFetcher&) = delete;

  // One GET of the listing page of a board and date. The transfer is given
  // up as soon as `stop` is asked to stop.
  FetchResult FetchListingPage(Market market, std::string_view date, std::stop_token stop = {});
  // One GET of any http(s) address, with the same limits. The text is cut
  // at its first NUL byte unless `whole_body` (an answer kept as it came).
  FetchResult Fetch(const std::string& address, std::stop_token stop = {}, bool whole_body = false);

 private:
  struct Transfer;
  static size_t OnBody(char* data, size_t size, size_t count, void* user);
  static int OnProgress(void* user, long long, long long, long long, long long);

  std::string host_;
  FetchLimits limits_;
  void* handle_ = nullptr;  // CURL*
};

}  // namespace download
