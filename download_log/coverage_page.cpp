#include "download_log/coverage_page.h"

#include <optional>

#include "download/datacentre_json.h"
#include "download/date_list.h"
#include "download/log_plan.h"
#include "download_log/coverage_grid.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "ui/messages.h"

namespace coverage {
namespace {

struct LogPageTexts {
  std::string with_log = text::Gbk(
      "双击格子下载该页；[补全下载]只下载缺失、失败和未发布的页，已入库的页不会重复下载。");
  std::string without_log = text::Gbk(
      "此数据文件建立时尚无下载记录，所有页面都算作未下载；点击[重建记录]可由已存数据推断。");
};

const LogPageTexts& LogPageT() {
  static const LogPageTexts texts;
  return texts;
}

// "命令行 --source", "环境变量 QUORVANE_SOURCE_HOST", "安装默认", "程序内置".
std::string OriginCaption(program::SettingOrigin origin, const char* option,
                          const char* environment) {
  switch (origin) {
    case program::SettingOrigin::kCommandLine:
      return text::Gbk("命令行 ") + option;
    case program::SettingOrigin::kEnvironment:
      return text::Gbk("环境变量 ") + environment;
    case program::SettingOrigin::kInstalled:
      return text::Gbk("安装默认");
    case program::SettingOrigin::kBuild:
      break;
  }
  return text::Gbk("程序内置");
}

}  // namespace

std::string SourceCaption(const program::ProgramSettings& settings) {
  const bool centre = settings.source_kind == download::SourceKind::kDataCentre;
  std::string caption =
      text::Gbk(centre ? "数据来源：数据中心 datacenter" : "数据来源：列表页 pages");
  const std::string kind_origin =
      OriginCaption(settings.source_kind_origin, "--source-kind", download::kSourceKindEnvironment);
  const std::string host_origin =
      OriginCaption(settings.source_host_origin, "--source", "QUORVANE_SOURCE_HOST");
  if (kind_origin != host_origin) caption += text::Gbk("（") + kind_origin + text::Gbk("）");
  int replaced = 0;
  caption += text::Gbk("，") + download::GbkWithMarks(settings.source_host, replaced) +
             text::Gbk("（") + host_origin + text::Gbk("）");
  return caption;
}

namespace {

void ShowTotals(ui::DownloadLogPage& page) {
  page.标签_下载记录统计.SetCaption(TotalsCaption(GridTotals(page.高级表格_下载记录)));
}

}  // namespace

LogPageScope LogPageScope::Of(program::ProgramContext& ctx) {
  return LogPageScope{ctx.window.download_log, ctx.store, ctx.platform, ctx.settings};
}

std::vector<std::string> LogPageDates(const ui::DownloadLogPage& page) {
  const ui::RadioButton* quick[6] = {&page.单选框_记录日,   &page.单选框_记录周,
                                     &page.单选框_记录月,   &page.单选框_记录季,
                                     &page.单选框_记录半年, &page.单选框_记录年};
  std::optional<int> quick_days;
  for (int i = 0; i < 6; ++i)
    if (quick[i]->checked()) quick_days = download::kQuickRangeDays[i];
  return RangeWeekdays(page.日期框_记录开始.value(), page.日期框_记录结束.value(), quick_days);
}

void RefreshDownloadLogPage(const LogPageScope& scope, bool tell_errors) {
  ui::DownloadLogPage& page = scope.page;
  page.标签_下载记录来源.SetCaption(SourceCaption(scope.settings));
  const Coverage coverage = ReadCoverage(scope.store, LogPageDates(page));
  if (coverage.error) {
    const std::string message = store::ErrorMessage(*coverage.error);
    page.标签_下载记录提示.SetCaption(message);
    if (tell_errors) ui::Tell(scope.platform, message, ui::MessageIcon::kWarning);
    return;
  }
  FillCoverageGrid(page.高级表格_下载记录, coverage);
  page.标签_下载记录提示.SetCaption(coverage.log_present ? LogPageT().with_log
                                                         : LogPageT().without_log);
  ShowTotals(page);
}

void RefreshDownloadLogPage(program::ProgramContext& ctx, bool tell_errors) {
  RefreshDownloadLogPage(LogPageScope::Of(ctx), tell_errors);
}

void RefreshDownloadLogPageIfShown(program::ProgramContext& ctx) {
  if (ctx.window.高级选择夹1.current_page() == ui::MainWindow::kDownloadLogPage)
    RefreshDownloadLogPage(ctx, false);
}

void ShowLoggedPage(ui::MainWindow& w, const store::PageLogEntry& row) {
  if (w.高级选择夹1.current_page() != ui::MainWindow::kDownloadLogPage) return;
  if (ShowPageRow(w.download_log.高级表格_下载记录, row)) ShowTotals(w.download_log);
}

void OnDownloadLogPageShown(program::ProgramContext& ctx) {
  const LogPageScope scope = LogPageScope::Of(ctx);
  for (ui::DateBox* box : {&scope.page.日期框_记录开始, &scope.page.日期框_记录结束})
    if (box->value() == ui::DateTime{}) box->SetValue(scope.platform.Now());
  RefreshDownloadLogPage(scope);
}

}  // namespace coverage
