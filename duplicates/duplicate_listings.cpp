#include "duplicates/duplicate_listings.h"

#include <string>

#include "listing/statistics_refresh.h"
#include "program/jobs.h"
#include "store/duplicate_removal.h"
#include "text/gbk.h"
#include "ui/messages.h"

namespace details {
namespace {

using text::Gbk;

struct RemovalTexts {
  // Every date is cleaned, not the day's alone; the count tells what went.
  std::string done_open = Gbk("系统已为你清除了重复上榜的龙虎榜数据，共删除 ");
  std::string done_close = Gbk(" 条。");
  std::string download_running = Gbk("数据下载中……，请在下载完成后再删除重复数据！");
  std::string removal_running = Gbk("正在删除重复数据……，请稍候！");
};

const RemovalTexts& RemovalT() {
  static const RemovalTexts texts;
  return texts;
}

void RunRemoval(program::ProgramContext& ctx, std::stop_token stop) {
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(ctx.store, stop);
  // Leaving the program: no message, no refresh, only the job's end.
  if (result.stopped || stop.stop_requested()) return program::PostJobFinished(ctx);
  if (result.error) {
    // The store is as it was: nothing to refresh, nothing to report as done.
    ui::Tell(ctx.platform, store::ErrorMessage(*result.error), ui::MessageIcon::kError);
    return program::PostJobFinished(ctx);
  }
  ui::Tell(ctx.platform,
           RemovalT().done_open + std::to_string(result.removed) + RemovalT().done_close,
           ui::MessageIcon::kInformation);
  listing::RefreshStatistics(ctx);
  program::PostJobFinished(ctx);
}

}  // namespace

void RemoveDuplicateListings(program::ProgramContext& ctx) {
  // A download's appends must not meet this purge, nor one purge another.
  switch (ctx.state.job) {
    case program::Job::kDownload:
      return ui::Tell(ctx.platform, RemovalT().download_running, ui::MessageIcon::kWarning);
    case program::Job::kDuplicateRemoval:
      return ui::Tell(ctx.platform, RemovalT().removal_running, ui::MessageIcon::kWarning);
    case program::Job::kNone:
      break;
  }
  if (program::RefuseWhenReadOnly(ctx)) return;
  std::stop_token stop = program::BeginJob(ctx, program::Job::kDuplicateRemoval);
  program::ProgramContext* program = &ctx;
  ctx.platform.StartWorker([program, stop = std::move(stop)] { RunRemoval(*program, stop); });
}

}  // namespace details
