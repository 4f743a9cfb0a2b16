// The window's long-running jobs (a download, duplicate removal): which one
// runs, how it starts, and the one report that ends it.
#pragma once

#include <stop_token>

#include "program/program_context.h"

namespace program {

inline bool JobRunning(const ProgramState& state) {
  return state.job != Job::kNone;
}

// Marks `job` as running with a fresh stop source and returns its token. A
// download also disables "开始下载", which shows the user that it runs.
// User-interface thread.
std::stop_token BeginJob(ProgramContext& ctx, Job job);

// A read-only store (its folder may not be written) refuses the jobs that
// write it: says so in a message and returns true. User-interface thread.
bool RefuseWhenReadOnly(ProgramContext& ctx);

// The job's last window update, posted after everything it posted before:
// the job is over, "开始下载" is usable again after a download, and a
// window whose closing was confirmed meanwhile closes now. Any thread.
void PostJobFinished(ProgramContext& ctx);

}  // namespace program
