#include "download/download_control.h"

#include <utility>

#include "download/download_worker.h"
#include "text/gbk.h"

namespace download {
namespace {

void UncheckQuickRanges(ui::MainWindow& w) {
  for (ui::RadioButton* b :
       {&w.单选框_日, &w.单选框_周, &w.单选框_月, &w.单选框_季, &w.单选框_半年, &w.单选框_年})
    b->SetChecked(false);
}

}  // namespace

void OnStartDownloadClicked(listing::ProgramContext& ctx) {
  BuildDownloadDateList(ctx);
  // The disabled button is the running flag, from now until the worker ends.
  ctx.window.超级按钮_开始下载.SetEnabled(false);
  DownloadRequest request = SnapshotRequest(ctx);
  ctx.state.download_stop = std::stop_source();
  std::stop_token stop = ctx.state.download_stop.get_token();
  // The worker works on the program's own context, which outlives it: what
  // the worker posts to the user-interface thread (its own updates and the
  // statistics refresh) may refer to it after the worker has ended.
  listing::ProgramContext* program = &ctx;
  ctx.platform.StartWorker([program, request = std::move(request), stop = std::move(stop)] {
    DownloadWorker(*program, request, stop);
  });
}

void OnStartDateChanged(listing::ProgramContext& ctx) {
  UncheckQuickRanges(ctx.window);
}

void OnEndDateChanged(listing::ProgramContext& ctx) {
  UncheckQuickRanges(ctx.window);
  if (ctx.window.日期框2.value() > ctx.platform.Now()) {
    static const std::string message = text::Gbk("已超出交易日期范围，请重新选择！");
    static const std::string title = text::Gbk("Ferrow提示");
    ctx.platform.ShowMessage(message, title, ui::MessageButtons::kOk, ui::MessageIcon::kError);
    ctx.window.日期框2.SetValue(ctx.platform.Now());
  }
}

}  // namespace download
