#include "app/program_shell.h"

#include <string>

#include "listing/listing_grid.h"
#include "listing/statistics_refresh.h"
#include "store/store_error.h"
#include "text/gbk.h"

namespace app {

using listing::ProgramContext;

void OnMainWindowCreated(ProgramContext& ctx) {
  ui::MainWindow& w = ctx.window;
  const std::string& version = w.tag();
  w.SetTitle(text::Gbk("Quorvane ") + version);
  w.标签_版本号.SetCaption(text::Gbk("版本号：") + version);

  if (auto error = ctx.store.EnsureStore()) {
    // Without a store file the refresh could only fail again with a second
    // message: show the empty statistics grid instead.
    ctx.platform.ShowMessage(store::ErrorMessage(*error), text::Gbk("Ferrow提示"),
                             ui::MessageButtons::kOk, ui::MessageIcon::kWarning);
    listing::SetUpListingGrid(w, w.高级表格_龙虎统计);
    return;
  }
  // The statistics page fills while the window is already usable. The
  // refresh posts work that refers to ctx: hand it the program's own.
  ctx.platform.StartWorker([&ctx] { listing::RefreshStatistics(ctx); });
}

bool OnMainWindowCloseQuery(ProgramContext& ctx) {
  ui::SuperButton& start = ctx.window.超级按钮_开始下载;
  if (start.enabled()) return true;
  // Already confirmed: the window closes by itself when the download ends.
  if (ctx.state.close_pending) return false;

  const auto answer = ctx.platform.ShowMessage(
      text::Gbk(
          "系统数据下载未完成，是否真的要退出系统？\r\n\r\n      强行退出有可能会造成数据异常！"),
      text::Gbk("确认退出"), ui::MessageButtons::kOkCancel, ui::MessageIcon::kQuestion);
  if (answer != ui::MessageAnswer::kOk) return false;
  // The download may have ended while the question was open.
  if (start.enabled()) return true;
  // Stop the download after the page it is writing; it closes the store and
  // enables the start button on its way out, and then the window closes.
  // The user-interface thread does not wait for it meanwhile.
  ctx.state.close_pending = true;
  ctx.state.download_stop.request_stop();
  return false;
}

void OnStartButtonEnabledChanged(ProgramContext& ctx) {
  if (!ctx.state.close_pending || !ctx.window.超级按钮_开始下载.enabled()) return;
  // Posted, so the download's last window updates are done first.
  ctx.platform.PostToUi([&ctx] { ctx.window.Close(); });
}

void GiveFocusOnHover(ProgramContext& ctx, ui::Component& component) {
  ctx.platform.SetFocus(component);
}

void EmptySearchBox(ProgramContext& ctx) {
  ctx.window.编辑框_搜索.SetCaption("");
}

void OnKeepDataClicked(ProgramContext& ctx) {
  ctx.window.选择框_更新.SetChecked(false);
}

void OnReplaceDataClicked(ProgramContext& ctx) {
  ctx.window.选择框_保留.SetChecked(false);
}

}  // namespace app
