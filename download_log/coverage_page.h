// The page "下载记录" on the window: its date range, its grid, caption and
// hint filled from the download log, and single pages as they arrive.
#pragma once

#include <string>
#include <vector>

#include "program/program_context.h"
#include "store/download_log.h"
#include "ui/main_window.h"

namespace coverage {

// What the page's refresh and its date handlers work on: the page's
// components, the store, the system and the settings whose source the page
// names. All of them outlive the window's events.
struct LogPageScope {
  ui::DownloadLogPage& page;
  store::Store& store;
  ui::Platform& platform;
  const program::ProgramSettings& settings;

  static LogPageScope Of(program::ProgramContext& ctx);
};

// The page's source line (GBK): "数据来源：数据中心 datacenter，
// https://datacenter-web.eastmoney.com（安装默认）", the kind's origin beside
// the kind when it differs from the host's.
std::string SourceCaption(const program::ProgramSettings& settings);

// The weekdays the page shows, latest first: its checked quick range
// counted back from its end date, else its two date boxes.
std::vector<std::string> LogPageDates(const ui::DownloadLogPage& page);

// Refills the page from the store (user-interface thread). A store that
// cannot be read is told in a message box when `tell_errors`, else on the
// page's hint line.
void RefreshDownloadLogPage(const LogPageScope& scope, bool tell_errors = true);
void RefreshDownloadLogPage(program::ProgramContext& ctx, bool tell_errors = true);
// The same, only while the page is on show (after a job, say).
void RefreshDownloadLogPageIfShown(program::ProgramContext& ctx);

// A page's new row (user-interface thread): its cell and the totals, when
// the page shows that date.
void ShowLoggedPage(ui::MainWindow& w, const store::PageLogEntry& row);

// The page comes up: date boxes that hold no date yet take today's, then
// the page is refilled.
void OnDownloadLogPageShown(program::ProgramContext& ctx);

}  // namespace coverage
