// A loopback web server that serves the sample listing pages at
// /stock/smebt.php?t=<board>&tdate=<date>, with faults on request.
//
// A fault applies to every request (SetFault), to one page (SetPageFault),
// or to the requests under a path prefix: /fault/<name>/stock/smebt.php, so a
// client pointed at the host "127.0.0.1:<port>/fault/error" gets error pages.
// /redirect/<n>/stock/smebt.php redirects n times before serving the page.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
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
};

// "none", "slow", "error", "truncated", "garbage", "nul", "nolist",
// "unpublished", "drop", "file-redirect".
std::optional<Fault> FaultFromName(std::string_view name);
const char* FaultName(Fault fault);
inline constexpr Fault kAllFaults[] = {Fault::kSlow,        Fault::kError, Fault::kTruncated,
                                       Fault::kGarbage,     Fault::kNul,   Fault::kNoList,
                                       Fault::kUnpublished, Fault::kDrop,  Fault::kFileRedirect};

// The bytes a fault serves in place of the page (for kNone, kSlow and kError
// the page itself).
std::string FaultyBody(Fault fault, int board, std::string_view date);

struct ServedRequest {
  std::string target;  // path and query, as asked
  std::string user_agent;
  int remote_port = 0;  // tells the client's connections apart
};

class SampleSource {
 public:
  SampleSource();
  ~SampleSource();
  SampleSource(const SampleSource&) = delete;
  SampleSource& operator=(const SampleSource&) = delete;

  // Listens on address:port (port 0: one the system picks) and serves on a
  // thread of its own. Returns the port, or -1 when it cannot listen.
  int Start(int port = 0, const std::string& address = "127.0.0.1");
  void Stop();
  int port() const { return port_; }
  // "127.0.0.1:<port>", the host a client is pointed at.
  std::string Host() const;

  void SetFault(Fault fault);
  void SetPageFault(int board, const std::string& date, Fault fault);
  void ClearPageFaults();
  void SetSlowMs(int ms) { slow_ms_ = ms; }

  std::vector<ServedRequest> Requests() const;
  size_t RequestCount() const;

 private:
  void Serve(int board, const std::string& date, Fault fault, httplib::Response& res);
  Fault FaultFor(int board, const std::string& date, std::optional<Fault> from_path) const;
  void Sleep(int ms) const;

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::string address_;
  int port_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<int> slow_ms_{200};

  mutable std::mutex mutex_;
  Fault fault_ = Fault::kNone;
  std::map<std::pair<int, std::string>, Fault> page_faults_;
  std::vector<ServedRequest> requests_;
};

}  // namespace sample_source
