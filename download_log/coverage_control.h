// The page "下载记录"'s events: its date range, "补全下载", a double-click
// on one page's cell, and "重建记录".
#pragma once

#include "download_log/coverage_page.h"
#include "program/program_context.h"

namespace coverage {

// A quick range was clicked, or a date box changed: the grid follows. A
// date box's change unchecks the quick ranges, and an end date after today
// is refused, as on 数据管理.
void OnLogQuickRangeClicked(const LogPageScope& scope);
void OnLogStartDateChanged(const LogPageScope& scope);
void OnLogEndDateChanged(const LogPageScope& scope);

// "补全下载": the download job for the pages of the page's range that the
// log says are missing, failed or not yet published.
void OnFillGapsClicked(program::ProgramContext& ctx);
// A double-click on a board's cell: the same for that one page.
void OnLogCellDoubleClicked(program::ProgramContext& ctx);

// "重建记录": asks, then gives every board and date with stored listings and
// no row of its own an inferred row, on a worker (as a download job, so
// that no download meets it), and refills the page.
void OnRebuildLogClicked(program::ProgramContext& ctx);

}  // namespace coverage
