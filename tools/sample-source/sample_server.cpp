#include "tools/sample-source/sample_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <regex>

#include "tools/sample-source/sample_pages.h"

namespace sample_source {
namespace {

constexpr const char* kContentType = "text/html; charset=gb2312";
constexpr const char* kJsonType = "application/json; charset=utf-8";

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
    {Fault::kBusy, "busy"},       {Fault::kUnavailable, "unavailable"},
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

std::string FaultyPage(Fault fault, int board, std::string_view date, std::string page) {
  switch (fault) {
    case Fault::kTruncated:
      page.resize(ListMiddle(page));
      return page;
    case Fault::kGarbage:
      return Garbage(board, date);
    case Fault::kNul:
      page.insert(ListMiddle(page), 1, '\0');
      return page;
    case Fault::kNoList:
      return NoListPage();
    case Fault::kUnpublished:
      return EmptyListPage(board, date);
    default:
      return page;
  }
}

int NumberParam(const httplib::Request& req, const char* name, int otherwise) {
  if (!req.has_param(name)) return otherwise;
  return std::atoi(req.get_param_value(name).c_str());
}

// Rows an answer holds at most, whatever page size was asked.
constexpr int kLargestPageSize = 5000;

// What the data centre answers a filter or report it does not know.
std::string UnknownQueryAnswer() {
  return R"({"version":null,"result":null,"success":false,"message":"请求参数有误","code":9501})";
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
  return FaultyPage(fault, board, date, PageOf(board, date));
}

std::string FaultyAnswer(Fault fault, const std::string& answer) {
  switch (fault) {
    case Fault::kTruncated:
      return answer.substr(0, answer.size() / 2);
    case Fault::kGarbage:
      return Garbage(7, answer.substr(0, 40));
    case Fault::kNul: {
      std::string cut = answer;
      cut.insert(answer.size() / 2, 1, '\0');
      return cut;
    }
    case Fault::kNoList:
      return R"({"version":null,"success":false,"message":"系统维护中，请稍后访问","code":500})";
    case Fault::kUnpublished:
      return EmptyAnswer();
    default:
      return answer;
  }
}

SampleSource::SampleSource() = default;

SampleSource::~SampleSource() {
  Stop();
}

int SampleSource::Start(int port, const std::string& address) {
  if (server_) return port_;
  stopping_ = false;
  if (tls_) {
    auto tls = std::make_unique<httplib::SSLServer>(tls_->first.c_str(), tls_->second.c_str());
    if (!tls->is_valid()) return -1;
    server_ = std::move(tls);
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  server_->set_keep_alive_max_count(100000);
  // Stopping waits for idle keep-alive connections to time out; a download
  // asks for its next page within milliseconds, so one second is plenty.
  server_->set_keep_alive_timeout(1);
  // Headers and body go out in separate writes: without this, Nagle and the
  // client's delayed acknowledgement cost 40 ms a page.
  server_->set_tcp_nodelay(true);
  address_ = address;

  auto record = [this](const httplib::Request& req) {
    std::lock_guard lock(mutex_);
    requests_.push_back({req.target, req.get_header_value("User-Agent"), req.remote_port,
                         std::chrono::steady_clock::now()});
  };
  auto handler = [this, record](const httplib::Request& req, httplib::Response& res,
                                std::optional<Fault> from_path) {
    record(req);
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
  // The data centre and the price history answer at their path, and under
  // /fault/<name>/ with that fault; an unknown fault name is not found.
  using ServeJson =
      void (SampleSource::*)(const httplib::Request&, std::optional<Fault>, httplib::Response&);
  auto json_routes = [this, record](const std::string& path, ServeJson serve) {
    server_->Get(path, [this, record, serve](const httplib::Request& req, httplib::Response& res) {
      record(req);
      (this->*serve)(req, std::nullopt, res);
    });
    server_->Get(R"(/fault/([a-z-]+))" + path,
                 [this, record, serve](const httplib::Request& req, httplib::Response& res) {
                   record(req);
                   const std::optional<Fault> fault = FaultFromName(req.matches[1].str());
                   if (!fault) {
                     res.status = 404;
                     return;
                   }
                   (this->*serve)(req, fault, res);
                 });
  };
  json_routes(R"(/api/data/v1/get)", &SampleSource::ServeCentre);
  json_routes(R"(/api/qt/stock/kline/get)", &SampleSource::ServeKline);
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
  centre_faults_.clear();
  centre_bodies_.clear();
}

void SampleSource::SetDay(const std::string& date, std::vector<std::vector<SampleStock>> boards) {
  boards.resize(kBoardCount);
  std::lock_guard lock(mutex_);
  days_[date] = std::move(boards);
}

void SampleSource::SetCentreDay(const std::string& date, std::vector<CentreRow> day) {
  std::lock_guard lock(mutex_);
  centre_days_[date] = std::move(day);
}

void SampleSource::UseTls(const std::string& certificate_file, const std::string& key_file) {
  tls_.emplace(certificate_file, key_file);
}

void SampleSource::SetCentreBody(const std::string& report, const std::string& date,
                                 std::string body, int page_number, const std::string& code) {
  std::lock_guard lock(mutex_);
  centre_bodies_[{report, date, code, page_number}] = std::move(body);
}

void SampleSource::SetSeatsNeedCode(bool need) {
  seats_need_code_ = need;
}

void SampleSource::SetNewDayReportRefused(bool refused) {
  refuse_new_day_report_ = refused;
}

void SampleSource::SetCentreFault(const std::string& report, const std::string& date, Fault fault,
                                  int times, const std::string& code) {
  std::lock_guard lock(mutex_);
  centre_faults_.push_back({report, date, code, fault, times});
}

std::string SampleSource::PageFor(int board, const std::string& date) const {
  std::lock_guard lock(mutex_);
  const auto it = days_.find(date);
  if (it == days_.end()) return PageOf(board, date);
  return RenderPage(board, date, it->second[static_cast<size_t>(board)]);
}

std::vector<CentreRow> SampleSource::CentreDayFor(const std::string& date) const {
  std::lock_guard lock(mutex_);
  if (const auto it = centre_days_.find(date); it != centre_days_.end()) return it->second;
  if (const auto it = days_.find(date); it != days_.end()) return CentreDay(date, &it->second);
  return CentreDay(date);
}

std::vector<ServedRequest> SampleSource::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t SampleSource::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

Fault SampleSource::CentreFaultFor(const std::string& report, const std::string& date,
                                   const std::string& code, std::optional<Fault> from_path) {
  if (from_path) return *from_path;
  std::lock_guard lock(mutex_);
  for (CentreFault& f : centre_faults_) {
    if (f.times == 0 || f.report != report || f.date != date) continue;
    if (!f.code.empty() && f.code != code) continue;
    if (f.times > 0) --f.times;
    return f.fault;
  }
  return fault_;
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
  const std::string page = PageFor(board, date);
  Respond(fault, page, FaultyPage(fault, board, date, page), kContentType, res);
}

void SampleSource::ServeCentre(const httplib::Request& req, std::optional<Fault> from_path,
                               httplib::Response& res) {
  static const std::regex day_filter(
      R"re(\(TRADE_DATE>='(\d{4}-\d{2}-\d{2})'\)\(TRADE_DATE<='(\d{4}-\d{2}-\d{2})'\))re");
  static const std::regex seat_filter(
      R"re(\(TRADE_DATE='(\d{4}-\d{2}-\d{2})'\)(\(SECURITY_CODE="(\d{6})"\))?)re");
  const std::string report = req.get_param_value("reportName");
  const std::string filter = req.get_param_value("filter");
  const int page_number = NumberParam(req, "pageNumber", 1);
  // The service's own cap on a page's rows.
  const int page_size = std::min(NumberParam(req, "pageSize", 50), kLargestPageSize);
  bool day_list = report == "RPT_DAILYBILLBOARD_DETAILS";
  if (report == "RPT_DAILYBILLBOARD_DETAILSNEW") day_list = !refuse_new_day_report_;
  const bool buys = report == "RPT_BILLBOARD_DAILYDETAILSBUY";
  const bool sells = report == "RPT_BILLBOARD_DAILYDETAILSSELL";
  std::smatch m;
  std::string date;
  std::string code;
  if (day_list && std::regex_match(filter, m, day_filter) && m[1] == m[2]) {
    date = m[1];
  } else if ((buys || sells) && std::regex_match(filter, m, seat_filter) &&
             (m[3].matched || !seats_need_code_)) {
    date = m[1];
    code = m[3];
  }
  // Only one date at a time, and only a real one.
  if (date.empty() || !WeekdayOf(date)) {
    res.set_content(UnknownQueryAnswer(), kJsonType);
    return;
  }
  const Fault fault = CentreFaultFor(report, date, code, from_path);
  const std::vector<CentreRow> day = CentreDayFor(date);
  std::string answer = day_list ? DayListAnswer(day, date, page_number, page_size)
                                : SeatAnswer(day, date, code, buys, page_number, page_size);
  {
    std::lock_guard lock(mutex_);
    const auto it = centre_bodies_.find({report, date, code, page_number});
    if (it != centre_bodies_.end()) answer = it->second;
  }
  Respond(fault, answer, FaultyAnswer(fault, answer), kJsonType, res);
}

void SampleSource::SetKlineFault(const std::string& code, Fault fault, int times) {
  std::lock_guard lock(mutex_);
  kline_faults_[code] = {fault, times};
}

void SampleSource::SetKlineBody(const std::string& code, std::string body) {
  std::lock_guard lock(mutex_);
  kline_bodies_[code] = std::move(body);
}

void SampleSource::ServeKline(const httplib::Request& req, std::optional<Fault> from_path,
                              httplib::Response& res) {
  const std::string secid = req.get_param_value("secid");
  const std::string code = secid.size() > 2 ? secid.substr(2) : std::string();
  if (req.get_param_value("klt") != "101" || req.get_param_value("fqt") != "2") {
    res.status = 400;
    res.set_content(R"({"rc":102,"data":null})", kJsonType);
    return;
  }
  Fault fault = Fault::kNone;
  std::string answer;
  {
    std::lock_guard lock(mutex_);
    fault = from_path.value_or(fault_);
    if (auto it = kline_faults_.find(code); it != kline_faults_.end() && it->second.second != 0) {
      fault = it->second.first;
      if (it->second.second > 0) --it->second.second;
    }
    if (auto it = kline_bodies_.find(code); it != kline_bodies_.end()) answer = it->second;
  }
  if (answer.empty())
    answer = KlineAnswer(secid, req.get_param_value("beg"), req.get_param_value("end"));
  const std::string faulty =
      fault == Fault::kUnpublished ? KlineNoDataAnswer() : FaultyAnswer(fault, answer);
  Respond(fault, answer, faulty, kJsonType, res);
}

void SampleSource::Respond(Fault fault, const std::string& body, const std::string& faulty,
                           const char* content_type, httplib::Response& res) {
  switch (fault) {
    case Fault::kSlow:
      Sleep(slow_ms_);
      res.set_content(body, content_type);
      return;
    case Fault::kError:
    case Fault::kBusy:
    case Fault::kUnavailable:
      res.status = fault == Fault::kError ? 500 : fault == Fault::kBusy ? 429 : 503;
      res.set_content(body, content_type);
      return;
    case Fault::kDrop: {
      auto shared = std::make_shared<std::string>(body);
      const size_t half = shared->size() / 2;
      res.set_content_provider(shared->size(), content_type,
                               [shared, half](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset >= half) return false;  // hang up
                                 sink.write(shared->data() + offset, half - offset);
                                 return true;
                               });
      return;
    }
    case Fault::kFileRedirect:
      res.set_redirect("file:///etc/hostname");
      return;
    default:
      res.set_content(faulty, content_type);
      return;
  }
}

}  // namespace sample_source
