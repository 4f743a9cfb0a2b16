#include "download_log/coverage_control.h"

#include <optional>
#include <string>
#include <iterator>
#include <utility>
#include <vector>

#include "download/date_list.h"
#include "download_log/coverage_grid.h"
#include "download_page/download_control.h"
#include "program/jobs.h"
#include "program/source_settings.h"
#include "store/download_log.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "ui/messages.h"

namespace coverage {
namespace {

using text::Gbk;

struct GapFillTexts {
  std::string beyond_today = Gbk("已超出交易日期范围，请重新选择！");
  std::string rebuild_question =
      Gbk("将由已存的龙虎榜数据推断各板块每日的下载记录（标为推断），\r\n\r\n"
          "已有的下载记录保持不变。是否继续？");
  std::string rebuilt_open = Gbk("下载记录重建完毕，由已存数据推断出 ");
  std::string rebuilt_close = Gbk(" 页。");
};

const GapFillTexts& GapFillT() {
  static const GapFillTexts texts;
  return texts;
}

void UncheckQuickRanges(ui::DownloadLogPage& page) {
  for (ui::RadioButton* b : page.quick_ranges()) b->SetChecked(false);
}

download::WindowDownloadRequest GapFillRequest(const program::ProgramSettings& settings,
                                               std::vector<download::PageKey> pages) {
  download::WindowDownloadRequest request;
  request.keep = true;
  request.gap_pages = std::move(pages);
  request.source_host = settings.source_host;
  // The settings' kind of source, as "开始下载" asks it.
  request.source_kind = settings.source_kind;
  request.politeness = program::PolitenessOf(settings);
  request.fetch_limits.ca_file = settings.ca_file;
  request.answers_folder = settings.answers_folder;
  return request;
}

void RunRebuild(program::ProgramContext& ctx, std::stop_token stop) {
  std::optional<store::StoreError> error;
  int64_t rows = 0;
  if (!stop.stop_requested()) {
    store::StoreAccess access = ctx.store.OpenStore(store::AccessMode::kWriter);
    const bool ok = access.ok() && access.RebuildPageLog(&rows);
    error = access.CloseStore();  // the open's failure or the access's first
    if (!ok && !error) error = store::StoreError{};
  }
  if (!stop.stop_requested()) {
    if (error) {
      ui::Tell(ctx.platform, store::ErrorMessage(*error), ui::MessageIcon::kError);
    } else {
      ui::Tell(ctx.platform,
               GapFillT().rebuilt_open + std::to_string(rows) + GapFillT().rebuilt_close,
               ui::MessageIcon::kInformation);
    }
  }
  program::PostJobFinished(ctx);
  program::ProgramContext* program = &ctx;
  ctx.platform.PostToUi([program] { RefreshDownloadLogPageIfShown(*program); });
}

}  // namespace

void OnLogQuickRangeClicked(const LogPageScope& scope) {
  // The range ends today and the date boxes show it, as on 席位统计; the
  // boxes' own change events do not fire, so the choice stays checked.
  ui::DownloadLogPage& page = scope.page;
  const std::vector<ui::RadioButton*> quick = page.quick_ranges();
  for (size_t i = 0; i < quick.size() && i < std::size(download::kQuickRangeDays); ++i) {
    if (!quick[i]->checked()) continue;
    const ui::DateTime today = scope.platform.Now();
    page.日期框_记录结束.SetValue(today);
    page.日期框_记录开始.SetValue(today.AddDays(-(download::kQuickRangeDays[i] - 1)));
  }
  RefreshDownloadLogPage(scope);
}

void OnLogStartDateChanged(const LogPageScope& scope) {
  UncheckQuickRanges(scope.page);
  RefreshDownloadLogPage(scope);
}

void OnLogEndDateChanged(const LogPageScope& scope) {
  ui::DownloadLogPage& page = scope.page;
  UncheckQuickRanges(page);
  if (page.日期框_记录结束.value() > scope.platform.Now()) {
    ui::Tell(scope.platform, GapFillT().beyond_today, ui::MessageIcon::kError);
    page.日期框_记录结束.SetValue(scope.platform.Now());
  }
  RefreshDownloadLogPage(scope);
}

void OnFillGapsClicked(program::ProgramContext& ctx) {
  if (download::RefuseDuringJob(ctx.state, ctx.platform) || program::RefuseWhenReadOnly(ctx)) return;
  const ui::DownloadLogPage& page = LogPageScope::Of(ctx).page;
  download::WindowDownloadRequest request =
      GapFillRequest(ctx.settings, download::AllPages(LogPageDates(page)));
  request.start = page.日期框_记录开始.value();
  request.end = page.日期框_记录结束.value();
  request.today_only = page.单选框_记录日.checked();
  download::StartDownloadJob(ctx, std::move(request));
}

void OnLogCellDoubleClicked(program::ProgramContext& ctx) {
  const ui::Grid& grid = LogPageScope::Of(ctx).page.高级表格_下载记录;
  const std::optional<download::PageKey> page =
      PageOfCell(grid, grid.CurrentRow(), grid.CurrentColumn());
  if (!page) return;
  if (download::RefuseDuringJob(ctx.state, ctx.platform) || program::RefuseWhenReadOnly(ctx)) return;
  download::WindowDownloadRequest request = GapFillRequest(ctx.settings, {*page});
  request.today_only = page->date == ctx.platform.Now().DateText();
  download::StartDownloadJob(ctx, std::move(request));
}

void OnRebuildLogClicked(program::ProgramContext& ctx) {
  if (download::RefuseDuringJob(ctx.state, ctx.platform) || program::RefuseWhenReadOnly(ctx)) return;
  const ui::MessageAnswer answer =
      ctx.platform.ShowMessage(GapFillT().rebuild_question, ui::MessageTitle(),
                               ui::MessageButtons::kOkCancel, ui::MessageIcon::kQuestion);
  if (answer != ui::MessageAnswer::kOk || program::JobRunning(ctx.state)) return;
  std::stop_token stop = program::BeginJob(ctx, program::Job::kDownload);
  program::ProgramContext* program = &ctx;
  ctx.platform.StartWorker([program, stop = std::move(stop)] { RunRebuild(*program, stop); });
}

}  // namespace coverage
