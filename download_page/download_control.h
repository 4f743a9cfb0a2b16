// The download page's side of a download: the date range, the start
// button, and the job that runs a download on a worker and shows its
// progress, result and closing message on the window.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "download/download_request.h"
#include "download/listing_source.h"
#include "program/program_context.h"
#include "text/date_time.h"
#include "ui/download_page.h"

namespace download {

// Fills the download date list from the date boxes and quick ranges.
void BuildDownloadDateList(const ui::DownloadPage& page, program::ProgramState& state);
// Click on "开始下载": builds the list, disables the button and starts the
// download job on a worker, which works on `ctx` itself: ctx must live as
// long as the program (app/ owns it). The job stops early when
// ctx.state.job_stop is asked to stop; its last report ends the job.
void OnStartDownloadClicked(program::ProgramContext& ctx);
void OnStartDateChanged(const ui::DownloadPage& page);
void OnEndDateChanged(const ui::DownloadPage& page, ui::Platform& platform);

// What the job needs from the window, read on the user-interface thread
// when the download starts: the worker never reads the window model.
struct WindowDownloadRequest {
  bool keep = false;               // 选择框_保留
  bool replace = false;            // 选择框_更新
  bool today_only = false;         // 单选框_日
  text::DateTime start;            // 日期框1
  text::DateTime end;              // 日期框2
  std::vector<std::string> dates;  // the download date list, latest first
  std::string source_host;
  download::SourceKind source_kind = download::SourceKind::kPages;
  FetchLimits fetch_limits;
  // The gap fill ("补全下载", a cell of "下载记录"): of these pages, in this
  // order, the job downloads only those the download log says are missing,
  // failed or not yet published, and never empties the store; keep,
  // replace and dates play no part, start and end are the range's.
  std::optional<std::vector<PageKey>> gap_pages;
  DataCentrePoliteness politeness;
  std::filesystem::path answers_folder;  // where unreadable answers are kept
};
WindowDownloadRequest SnapshotRequest(const ui::DownloadPage& page, const program::ProgramState& state,
                                      const program::ProgramSettings& settings);

// Starts the download job for `request` on a worker (user-interface
// thread; no job may be running). Used by "开始下载" and the gap fill.
void StartDownloadJob(program::ProgramContext& ctx, WindowDownloadRequest request);

// Tells why no download can start now, when a job runs: true when it
// refused. (A download disables "开始下载" itself; the gap fill's buttons
// stay usable and are told.)
bool RefuseDuringJob(const program::ProgramState& state, ui::Platform& platform);

// What the download job works on: the page, the system, the store and the
// program-wide values, all of which outlive the job, and the report that
// ends the job (posted after everything the job posted before).
struct DownloadJobScope {
  ui::DownloadPage page;
  ui::Platform& platform;
  store::Store& store;
  program::ProgramState& state;
  std::function<void()> job_finished;
};

// The job's whole run (its own thread): the checks with their messages
// (for the gap fill, its plan from the download log), the download with its
// captions and progress bar, the result, the closing message and the
// statistics refresh; the page "下载记录" follows each page as it is
// logged. Every change to the window is posted to the user-interface
// thread, in order.
void RunDownloadJob(const DownloadJobScope& scope, const WindowDownloadRequest& request,
                    std::stop_token stop);

// The progress caption: "已完成 12/783 页，失败 2 页" (GBK).
std::string ProgressCaption(int done, int planned, int failed);
// The download page's result caption after a run in which `failed` pages
// failed: "数据下载完毕，3 页下载失败！" (GBK).
std::string FailedResultCaption(int failed);

}  // namespace download
