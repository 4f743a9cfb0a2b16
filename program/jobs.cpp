#include "program/jobs.h"

namespace program {

std::stop_token BeginJob(ProgramContext& ctx, Job job) {
  ctx.state.job = job;
  ctx.state.job_stop = std::stop_source();
  if (job == Job::kDownload) ctx.window.超级按钮_开始下载.SetEnabled(false);
  return ctx.state.job_stop.get_token();
}

void PostJobFinished(ProgramContext& ctx) {
  ProgramContext* program = &ctx;
  ctx.platform.PostToUi([program] {
    ProgramState& state = program->state;
    if (state.job == Job::kDownload) program->window.超级按钮_开始下载.SetEnabled(true);
    state.job = Job::kNone;
    if (state.close_pending) {
      program->window.Close();
    } else if (state.after_job) {
      state.after_job();
    }
  });
}

}  // namespace program
