// The download worker: checks the request, then fetches and stores one page
// per board and date, and reports the result.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "download/page_fetch.h"
#include "listing/program_context.h"
#include "ui/date_time.h"

namespace download {

// What the worker needs from the window, read on the user-interface thread
// when the download starts: the worker never reads the window model itself.
struct DownloadRequest {
  bool keep = false;               // 选择框_保留
  bool replace = false;            // 选择框_更新
  bool today_only = false;         // 单选框_日
  ui::DateTime start;              // 日期框1
  ui::DateTime end;                // 日期框2
  std::vector<std::string> dates;  // the download date list, latest first
  std::string source_host;
  FetchLimits fetch_limits;
};

// Reads the request from the window and the program state (UI thread).
DownloadRequest SnapshotRequest(const listing::ProgramContext& ctx);

// The worker's whole run (its own thread). Every change to the window is
// posted to the user-interface thread, in order; message boxes wait for the
// user. When `stop` is asked to stop, the page being stored is completed,
// the store closed and the start button enabled, without further messages.
void DownloadWorker(listing::ProgramContext& ctx, const DownloadRequest& request,
                    std::stop_token stop);

// The progress caption: "已完成 12/783 页，失败 2 页" (GBK).
std::string ProgressCaption(int done, int planned, int failed);

}  // namespace download
