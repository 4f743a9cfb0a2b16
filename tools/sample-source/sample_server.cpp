#include "tools/sample-source/sample_server.h"

#include <httplib.h>

#include <chrono>
#include <cstring>

#include "tools/sample-source/sample_pages.h"

namespace sample_source {
namespace {

constexpr const char* kContentType = "text/html; charset=gb2312";

struct FaultNameRow {
  Fault fault;
  const char* name;
};
constexpr FaultNameRow kFaultNames[] = {
    {Fault::kNone, "none"},       {Fault::kSlow, "slow"},
    {Fault::kError, "error"},     {Fault::kTruncated, "truncated"},
    {Fault::kGarbage, "garbage"}, {Fault::kNul, "nul"},
    {Fault::kNoList, "nolist"},   {Fault::kUnpublished, "unpublished"},
    {Fault::kDrop, "drop"},       {Fault::kFileRedirect, "file-redirect"},
};

// Where the list of a page lies, so that a fault can damage its middle.
size_t ListMiddle(const std::string& page) {
  const size_t start = page.find("1px solid #96CAEF;\">");
  const size_t end = page.find("<div class=\"bdnews\">");
  if (start == std::string::npos || end == std::string::npos || end <= start)
    return page.size() / 2;
  return start + (end - start) / 2;
}

std::string Garbage(int board, std::string_view date) {
  uint64_t x = 0x243F6A8885A308D3ull ^ static_cast<uint64_t>(board);
  for (const char c : date) x = x * 31 + static_cast<unsigned char>(c);
  std::string bytes(4096, '\0');
  for (char& b : bytes) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    b = static_cast<char>(x & 0xFF);
  }
  return bytes;
}

std::optional<int> BoardOf(const std::string& t) {
  if (t == "0") return 0;
  if (t == "1") return 1;
  if (t == "2") return 2;
  return std::nullopt;
}

}  // namespace

std::optional<Fault> FaultFromName(std::string_view name) {
  for (const auto& row : kFaultNames)
    if (name == row.name) return row.fault;
  return std::nullopt;
}

const char* FaultName(Fault fault) {
  for (const auto& row : kFaultNames)
    if (row.fault == fault) return row.name;
  return "none";
}

std::string FaultyBody(Fault fault, int board, std::string_view date) {
  switch (fault) {
    case Fault::kTruncated: {
      std::string page = PageOf(board, date);
      page.resize(ListMiddle(page));
      return page;
    }
    case Fault::kGarbage:
      return Garbage(board, date);
    case Fault::kNul: {
      std::string page = PageOf(board, date);
      page.insert(ListMiddle(page), 1, '\0');
      return page;
    }
    case Fault::kNoList:
      return NoListPage();
    case Fault::kUnpublished:
      return EmptyListPage(board, date);
    default:
      return PageOf(board, date);
  }
}

SampleSource::SampleSource() = default;

SampleSource::~SampleSource() {
  Stop();
}

int SampleSource::Start(int port, const std::string& address) {
  if (server_) return port_;
  stopping_ = false;
  server_ = std::make_unique<httplib::Server>();
  server_->set_keep_alive_max_count(100000);
  // Stopping waits for idle keep-alive connections to time out; a download
  // asks for its next page within milliseconds, so one second is plenty.
  server_->set_keep_alive_timeout(1);
  // Headers and body go out in separate writes: without this, Nagle and the
  // client's delayed acknowledgement cost 40 ms a page.
  server_->set_tcp_nodelay(true);
  address_ = address;

  auto handler = [this](const httplib::Request& req, httplib::Response& res,
                        std::optional<Fault> from_path) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({req.target, req.get_header_value("User-Agent"), req.remote_port});
    }
    const std::optional<int> board = BoardOf(req.get_param_value("t"));
    const std::string date = req.get_param_value("tdate");
    if (!board || !WeekdayOf(date)) {
      res.status = 404;
      res.set_content("<html><body>not found</body></html>", kContentType);
      return;
    }
    Serve(*board, date, FaultFor(*board, date, from_path), res);
  };

  server_->Get(R"(/stock/smebt\.php)",
               [handler](const httplib::Request& req, httplib::Response& res) {
                 handler(req, res, std::nullopt);
               });
  server_->Get(R"(/fault/([a-z-]+)/stock/smebt\.php)",
               [handler](const httplib::Request& req, httplib::Response& res) {
                 const std::optional<Fault> fault = FaultFromName(req.matches[1].str());
                 if (!fault) {
                   res.status = 404;
                   return;
                 }
                 handler(req, res, fault);
               });
  server_->Get(R"(/redirect/(\d+)/stock/smebt\.php)", [](const httplib::Request& req,
                                                         httplib::Response& res) {
    const int left = std::atoi(req.matches[1].str().c_str());
    const std::string query = req.target.substr(req.target.find('?'));
    res.set_redirect(left > 1 ? "/redirect/" + std::to_string(left - 1) + "/stock/smebt.php" + query
                              : "/stock/smebt.php" + query);
  });

  port_ = port == 0 ? server_->bind_to_any_port(address)
                    : (server_->bind_to_port(address, port) ? port : -1);
  if (port_ < 0) {
    server_.reset();
    return -1;
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

void SampleSource::Stop() {
  if (!server_) return;
  stopping_ = true;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = -1;
}

std::string SampleSource::Host() const {
  return address_ + ":" + std::to_string(port_);
}

void SampleSource::SetFault(Fault fault) {
  std::lock_guard lock(mutex_);
  fault_ = fault;
}

void SampleSource::SetPageFault(int board, const std::string& date, Fault fault) {
  std::lock_guard lock(mutex_);
  page_faults_[{board, date}] = fault;
}

void SampleSource::ClearPageFaults() {
  std::lock_guard lock(mutex_);
  page_faults_.clear();
}

std::vector<ServedRequest> SampleSource::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t SampleSource::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

Fault SampleSource::FaultFor(int board, const std::string& date,
                             std::optional<Fault> from_path) const {
  if (from_path) return *from_path;
  std::lock_guard lock(mutex_);
  const auto it = page_faults_.find({board, date});
  return it != page_faults_.end() ? it->second : fault_;
}

void SampleSource::Sleep(int ms) const {
  // In short steps, so that stopping the server never waits for a slow page.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stopping_ && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void SampleSource::Serve(int board, const std::string& date, Fault fault, httplib::Response& res) {
  switch (fault) {
    case Fault::kSlow:
      Sleep(slow_ms_);
      res.set_content(PageOf(board, date), kContentType);
      return;
    case Fault::kError:
      res.status = 500;
      res.set_content(PageOf(board, date), kContentType);
      return;
    case Fault::kDrop: {
      auto body = std::make_shared<std::string>(PageOf(board, date));
      const size_t half = body->size() / 2;
      res.set_content_provider(body->size(), kContentType,
                               [body, half](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset >= half) return false;  // hang up
                                 sink.write(body->data() + offset, half - offset);
                                 return true;
                               });
      return;
    }
    case Fault::kFileRedirect:
      res.set_redirect("file:///etc/hostname");
      return;
    default:
      res.set_content(FaultyBody(fault, board, date), kContentType);
      return;
  }
}

}  // namespace sample_source
