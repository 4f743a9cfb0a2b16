#include "cli/download_progress.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "cli/messages.h"
#include "download/download_run.h"
#include "download/market.h"
#include "text/gbk.h"

namespace cli {
namespace {

constexpr int kBarWidth = 24;
constexpr double kRedrawSeconds = 0.1;

std::string Clock(double seconds) {
  const long long s = std::llround(seconds);
  char buf[32];
  if (s >= 3600) {
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
  }
  return buf;
}

void Put(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string LocalTimeStamp() {
  return download::FetchTimeText(download::SystemLocalTime());
}

DownloadProgress::DownloadProgress(std::FILE* stream, bool terminal, SecondsClock clock,
                                   TimeStamp stamp)
    : stream_(stream), terminal_(terminal), clock_(std::move(clock)), stamp_(std::move(stamp)) {}

std::string DownloadProgress::BarText(int done, int planned, int failed, double seconds) {
  const int filled = planned > 0 ? done * kBarWidth / planned : 0;
  std::string bar = "[";
  bar.append(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '-');
  bar += "] " + std::to_string(done) + "/" + std::to_string(planned) + " pages, " +
         std::to_string(failed) + " failed";
  if (done > 0 && seconds > 0) {
    const double rate = done / seconds;
    char buf[32];
    std::snprintf(buf, sizeof buf, ", %.1f pages/s", rate);
    bar += buf;
    bar += ", " + Clock((planned - done) / rate) + " left";
  }
  return bar;
}

std::string DownloadProgress::PageLine(const download::PageReport& report, int planned) {
  std::string line = "[" + std::to_string(report.index + 1) + "/" + std::to_string(planned) + "] " +
                     report.page.date + " " + text::Utf8(download::MarketName(report.page.market)) +
                     ": ";
  if (report.failure == store::PageFailure::kNone) {
    line += std::to_string(report.stored) + (report.stored == 1 ? " listing" : " listings");
  } else {
    line += "failed (" + FailureWords(report.failure, report.fetch.status);
    if (!report.notes.detail.empty()) line += ": " + report.notes.detail;
    if (!report.notes.kept_answers.empty())
      line += "; kept in " + report.notes.kept_answers.back().string();
    line += ")";
  }
  return line;
}

void DownloadProgress::RunStarted(int planned_pages) {
  started_ = clock_();
  if (terminal_) Draw(0, planned_pages, 0, true);
}

void DownloadProgress::PageDone(const download::PageReport& report,
                                const download::DownloadSummary& so_far) {
  // What the source asks the user to read, once, on a line of its own.
  for (const std::string& notice : report.notes.notices) {
    if (terminal_ && drawn_) Put(stream_, "\n");
    drawn_ = false;
    Put(stream_, (terminal_ ? std::string() : stamp_() + " ") + "note: " + notice + "\n");
  }
  if (terminal_)
    return Draw(so_far.done, so_far.planned, so_far.failed, so_far.done == so_far.planned);
  Put(stream_, stamp_() + " " + PageLine(report, so_far.planned) + "\n");
}

void DownloadProgress::Finished(const download::DownloadSummary&) {
  // The bar's line ends; what follows starts on a line of its own.
  if (terminal_ && drawn_) Put(stream_, "\n");
  drawn_ = false;
}

void DownloadProgress::Draw(int done, int planned, int failed, bool force) {
  const double now = clock_();
  if (!force && last_draw_ >= 0 && now - last_draw_ < kRedrawSeconds) return;
  last_draw_ = now;
  drawn_ = true;
  // Back to the line's start, the bar, and the rest of the line erased.
  Put(stream_, "\r" + BarText(done, planned, failed, now - started_) + "\x1b[K");
}

}  // namespace cli
