#include "app/program_shell.h"

#include <string>

#include "download_log/coverage_page.h"
#include "listing/listing_grid.h"
#include "program/jobs.h"
#include "listing/statistics_refresh.h"
#include "store/store_error.h"
#include "store/store_stamp.h"
#include "text/gbk.h"
#include "ui/messages.h"

namespace app {

using program::ProgramContext;

void OnMainWindowCreated(ProgramContext& ctx) {
  ui::MainWindow& w = ctx.window;
  const std::string& version = w.tag();
  w.SetTitle(text::Gbk("Quorvane ") + version);
  w.标签_版本号.SetCaption(text::Gbk("版本号：") + version);

  if (auto error = ctx.store.EnsureStore()) {
    // Without a store file the refresh could only fail again with a second
    // message: show the empty statistics grid instead.
    ui::Tell(ctx.platform, store::ErrorMessage(*error), ui::MessageIcon::kWarning);
    listing::ShowNoStatistics(ctx);
    return;
  }
  // The statistics page fills while the window is already usable. The
  // refresh posts work that refers to ctx: hand it the program's own. The
  // window's activation meanwhile must not start a second one.
  ctx.state.statistics_store_stamp = store::StampOfStore(ctx.store.Path());
  ctx.platform.StartWorker([&ctx] { listing::RefreshStatistics(ctx); });
}

void RefreshIfStoreChanged(ProgramContext& ctx) {
  program::ProgramState& state = ctx.state;
  // A job reads what it wrote before it ends, and this is asked again then;
  // a refresh on its way reads the store anyway.
  if (program::JobRunning(state)) return;
  // 回测 compares the store with the one its figures came from by itself.
  if (ctx.window.高级选择夹1.current_page() == ui::MainWindow::kBacktestPage)
    ctx.window.backtest.RaiseShown();
  if (state.statistics_refresh_started.load() > state.statistics_refresh_ended) return;
  const store::StoreStamp now = store::StampOfStore(ctx.store.Path());
  if (now == state.statistics_store_stamp) return;
  state.statistics_store_stamp = now;  // no second refresh before this one begins
  ctx.platform.StartWorker([&ctx] { listing::RefreshStatistics(ctx); });
  // The pages of our own read the store each time they come up.
  switch (ctx.window.高级选择夹1.current_page()) {
    case ui::MainWindow::kDownloadLogPage:
      coverage::OnDownloadLogPageShown(ctx);
      break;
    case ui::MainWindow::kRankingPage:
      ctx.window.ranking.RaiseShown();
      break;
    default:
      break;
  }
}

bool OnMainWindowCloseQuery(ProgramContext& ctx) {
  program::ProgramState& state = ctx.state;
  if (!program::JobRunning(state)) return true;
  // Already confirmed: the window closes by itself when the job ends.
  if (state.close_pending) return false;
  if (state.job == program::Job::kDuplicateRemoval) {
    // Nothing to ask: the removal stops before its purge, or finishes the
    // purge it has begun, and then the window closes.
    state.close_pending = true;
    state.job_stop.request_stop();
    return false;
  }

  const auto answer = ctx.platform.ShowMessage(
      text::Gbk(
          "系统数据下载未完成，是否真的要退出系统？\r\n\r\n      强行退出有可能会造成数据异常！"),
      text::Gbk("确认退出"), ui::MessageButtons::kOkCancel, ui::MessageIcon::kQuestion);
  if (answer != ui::MessageAnswer::kOk) return false;
  // The download may have ended while the question was open.
  if (!program::JobRunning(state)) return true;
  // Stop the download after the page it is writing; it closes the store on
  // its way out, and its last report closes the window. The user-interface
  // thread does not wait for it meanwhile.
  state.close_pending = true;
  state.job_stop.request_stop();
  return false;
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
