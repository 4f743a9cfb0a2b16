#include "program/jobs.h"

#include "text/gbk.h"
#include "ui/messages.h"

namespace program {

std::stop_token BeginJob(ProgramContext& ctx, Job job) {
  ctx.state.job = job;
  ctx.state.job_stop = std::stop_source();
  if (job == Job::kDownload) ctx.window.超级按钮_开始下载.SetEnabled(false);
  return ctx.state.job_stop.get_token();
}

bool RefuseWhenReadOnly(ProgramContext& ctx) {
  if (!ctx.store.read_only()) return false;
  static const std::string message = text::Gbk(
      "数据文件Data.edb所在文件夹不可写入，数据已以只读方式打开。\r\n\r\n"
      "可以浏览、查询、统计和导出，不能下载、去重复或重建下载记录。");
  ui::Tell(ctx.platform, message, ui::MessageIcon::kWarning);
  return true;
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
