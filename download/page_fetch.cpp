#include "download/page_fetch.h"

#include <curl/curl.h>

#include <mutex>
#include <string>

#include "quorvane/version.h"

namespace download {
namespace {

// An honest client name: the program and its version.
const std::string& UserAgent() {
  static const std::string agent = std::string("Quorvane/") + quorvane::kVersion;
  return agent;
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

std::string ListingPageAddress(std::string_view host, Market market, std::string_view date) {
  std::string address = "http://";
  address += host;
  address += "/stock/smebt.php?t=";
  address += std::to_string(BoardNumber(market));
  address += "&tdate=";
  address += date;
  return address;
}

struct PageFetcher::Transfer {
  std::string body;
  size_t cap = 0;
  bool too_big = false;
  std::stop_token stop;
};

PageFetcher::PageFetcher(std::string host, FetchLimits limits)
    : host_(std::move(host)), limits_(limits) {
  InitCurlOnce();
  CURL* curl = curl_easy_init();
  handle_ = curl;
  if (!curl) return;
  // Set once: the handle keeps them, and its connection, from page to page.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits_.connect_timeout_ms);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits_.total_timeout_ms);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits_.low_speed_bytes);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits_.low_speed_time_s);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits_.max_redirects);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent().c_str());
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(limits_.max_body_bytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &PageFetcher::OnBody);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &PageFetcher::OnProgress);
  // Verification stays on (libcurl's default); a test's authority replaces
  // the system's store, never turns it off.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!limits_.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, limits_.ca_file.c_str());
}

PageFetcher::~PageFetcher() {
  if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

size_t PageFetcher::OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (t->body.size() + bytes > t->cap) {
    t->too_big = true;
    return 0;  // makes libcurl end the transfer with an error
  }
  t->body.append(data, bytes);
  return bytes;
}

int PageFetcher::OnProgress(void* user, long long, long long, long long, long long) {
  const auto* t = static_cast<Transfer*>(user);
  return t->stop.stop_requested() ? 1 : 0;
}

FetchResult PageFetcher::FetchListingPage(Market market, std::string_view date,
                                          std::stop_token stop) {
  return Fetch(ListingPageAddress(host_, market, date), std::move(stop));
}

FetchResult PageFetcher::Fetch(const std::string& address, std::stop_token stop, bool whole_body) {
  FetchResult result;
  if (!handle_) {
    result.failure = FetchFailure::kConnection;
    return result;
  }
  if (stop.stop_requested()) {
    result.failure = FetchFailure::kStopped;
    return result;
  }
  CURL* curl = static_cast<CURL*>(handle_);

  Transfer transfer;
  transfer.cap = limits_.max_body_bytes;
  transfer.stop = std::move(stop);

  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  result.status = status;
  result.body_bytes = transfer.body.size();
  // An error page is no listing page: any final status but 2xx (above all
  // 4xx and 5xx) counts as a failed fetch, whatever its body says.
  if (transfer.too_big || code == CURLE_FILESIZE_EXCEEDED) {
    result.failure = FetchFailure::kTooBig;
    return result;
  }
  if (code == CURLE_ABORTED_BY_CALLBACK || transfer.stop.stop_requested()) {
    result.failure = FetchFailure::kStopped;
    return result;
  }
  if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE ||
      code == CURLE_SSL_ISSUER_ERROR || code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) {
    result.failure = FetchFailure::kCertificate;
    return result;
  }
  if (code == CURLE_OPERATION_TIMEDOUT) {
    result.failure = FetchFailure::kTimeout;
    return result;
  }
  // A 3xx that is still the last answer: the redirect was not followed
  // (too many of them, a scheme not allowed, or no Location at all).
  if (code == CURLE_TOO_MANY_REDIRECTS || (status >= 300 && status < 400)) {
    result.failure = FetchFailure::kRedirect;
    return result;
  }
  if (code != CURLE_OK) {
    result.failure = FetchFailure::kConnection;
    return result;
  }
  if (status < 200 || status >= 300) {
    result.failure = FetchFailure::kStatus;
    return result;
  }

  const size_t nul = whole_body ? std::string::npos : transfer.body.find('\0');
  if (nul != std::string::npos) transfer.body.resize(nul);
  result.text = std::move(transfer.body);
  result.ok = true;
  return result;
}

}  // namespace download
