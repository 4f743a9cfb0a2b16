// The window's side of the page "今日关注": the summary of a day (the
// newest held, or the date box's) built on a worker by the same seats
// library as `quorvane-cli summary`, and the count a finished download
// offers the page with.
#pragma once

#include "program/program_context.h"

namespace seats {

// Binds every event of the page. ctx must outlive the window's events.
// User-interface thread.
void WireTodaysWatchPage(program::ProgramContext& ctx);

}  // namespace seats
