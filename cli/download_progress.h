// How a download shows its progress on standard error: a bar redrawn in
// place on a terminal (pages done, failed, rate, time left), one line per
// page with its time otherwise (a log, a pipe, cron's mail).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "download/download_run.h"

namespace cli {

// Seconds on a steady clock.
using SecondsClock = std::function<double()>;
double SteadySeconds();
// The local date and time, "YYYY-MM-DD HH:MM:SS".
using TimeStamp = std::function<std::string()>;
std::string LocalTimeStamp();

class DownloadProgress : public download::ProgressSink {
 public:
  // Off a terminal every line starts with `stamp`'s time (a cron log then
  // tells when each page came).
  DownloadProgress(std::FILE* stream, bool terminal, SecondsClock clock = SteadySeconds,
                   TimeStamp stamp = LocalTimeStamp);

  void RunStarted(int planned_pages) override;
  void PageDone(const download::PageReport& report,
                const download::DownloadSummary& so_far) override;
  void Finished(const download::DownloadSummary& summary) override;

  // The bar's text for the counts at `seconds` since the start (no
  // carriage return): "[#####-----] 312/783 pages, 2 failed, 41.3 pages/s,
  // 0:11 left".
  static std::string BarText(int done, int planned, int failed, double seconds);
  // The line of one page: "[3/6] 2010-06-04 深市: 5 listings" or
  // "[4/6] 2010-06-03 深市: failed (status 500)".
  static std::string PageLine(const download::PageReport& report, int planned);

 private:
  void Draw(int done, int planned, int failed, bool force);

  std::FILE* stream_;
  bool terminal_;
  SecondsClock clock_;
  TimeStamp stamp_;
  double started_ = 0;
  double last_draw_ = -1;
  bool drawn_ = false;
};

}  // namespace cli
