#include "download_page/download_control.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "download/datacentre_json.h"
#include "download/date_list.h"
#include "download/download_run.h"
#include "download/log_plan.h"
#include "program/jobs.h"
#include "program/source_settings.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "ui/messages.h"

namespace download {
namespace {

struct DownloadTexts {
  std::string downloading = text::Gbk("龙虎榜上榜数据下载中……");
  std::string fetching_open = text::Gbk("正在下载（");
  std::string fetching_close = text::Gbk("）数据");
  std::string updated_open = text::Gbk("更新日期：（");
  std::string updated_close = text::Gbk("）");
  std::string not_published = text::Gbk("本日数据暂未上传，请稍后下载！");
  std::string finished = text::Gbk("数据下载完毕！");
  std::string finished_failed_open = text::Gbk("数据下载完毕，");
  std::string finished_failed_close = text::Gbk(" 页下载失败！");
  std::string elapsed_open = text::Gbk("下载耗时：");
  std::string elapsed_close = text::Gbk("秒");
  std::string closing = text::Gbk(
      "龙虎榜数据下载完毕，如要过滤每日多次上榜\r\n\r\n  的重复数据，请点击[删除重复数据]按钮。");
  std::string closing_failed_open = text::Gbk("\r\n\r\n其中 ");
  std::string closing_failed_close = text::Gbk(" 页下载失败，请稍后重新下载这些日期。");
  std::string closing_kept_open = text::Gbk("\r\n\r\n数据中心有 ");
  std::string closing_kept_middle = text::Gbk(" 份应答无法读取，已保存在：\r\n");
  std::string progress_done = text::Gbk("已完成 ");
  std::string progress_failed = text::Gbk(" 页，失败 ");
  std::string progress_pages = text::Gbk(" 页");
  std::string nothing_missing = text::Gbk("所选日期的数据均已下载，无需补全！");
  std::string page_complete = text::Gbk("该页数据已下载，无需重复下载！");
  std::string removal_running = text::Gbk("正在删除重复数据……，请在删除完成后再下载！");
  std::string download_running = text::Gbk("数据下载中……，请勿操作，稍候！");
  std::string stored_open = text::Gbk("所选日期中有 ");
  std::string stored_close =
      text::Gbk(" 页已保存，再次下载将重复保存。是否跳过已保存的页？");
};

const DownloadTexts& DownloadT() {
  static const DownloadTexts texts;
  return texts;
}

void UncheckQuickRanges(const ui::DownloadPage& page) {
  for (ui::RadioButton* b : page.quick_ranges) b->SetChecked(false);
}

// Posts window updates and asks questions on behalf of the job. Tasks
// capture pointers to the program's long-lived objects, never the job's
// locals.
class WindowUpdates {
 public:
  explicit WindowUpdates(const DownloadJobScope& scope) : scope_(&scope) {}

  void Post(std::function<void(ui::DownloadPage&)> change) {
    scope_->platform.PostToUi(
        [page = scope_->page, change = std::move(change)]() mutable { change(page); });
  }

  void Tell(const std::string& gbk) { ui::Tell(scope_->platform, gbk); }

  void SetDateBoxesToNow() {
    ui::Platform* p = &scope_->platform;
    Post([p](ui::DownloadPage& w) {
      const ui::DateTime now = p->Now();
      w.日期框1.SetValue(now);
      w.日期框2.SetValue(now);
    });
  }

  void SetStartTime(int64_t ticks) {
    program::ProgramState* s = &scope_->state;
    scope_->platform.PostToUi([s, ticks] { s->start_time = ticks; });
  }

  void ShowProgress(int done, int planned, int failed) {
    Post([done, planned, failed](ui::DownloadPage& w) {
      w.download_progress.SetProgress(done, planned);
      w.download_progress.SetCaption(ProgressCaption(done, planned, failed));
      w.download_progress.SetVisible(true);
    });
  }

  // The result caption and the elapsed time, measured on the
  // user-interface thread from the shared start time.
  void ShowResult(bool not_published, int failed) {
    ui::Platform* p = &scope_->platform;
    program::ProgramState* s = &scope_->state;
    Post([p, s, not_published, failed](ui::DownloadPage& w) {
      if (failed > 0) {
        w.标签_下载标题.SetCaption(FailedResultCaption(failed));
        w.标签_耗时.SetVisible(true);
      } else if (not_published) {
        w.标签_下载标题.SetCaption(DownloadT().not_published);
      } else {
        w.标签_下载标题.SetCaption(DownloadT().finished);
        w.标签_耗时.SetVisible(true);
      }
      const double seconds = static_cast<double>(p->TickCount() - s->start_time) / 1000.0;
      w.标签_耗时.SetCaption(DownloadT().elapsed_open + text::NumberText(seconds) +
                             DownloadT().elapsed_close);
    });
  }

  // The page "下载记录" follows the log: one page's new row, or all of it.
  void ShowLogged(const store::PageLogEntry& row) {
    program::ProgramState* s = &scope_->state;
    scope_->platform.PostToUi([s, row] {
      if (s->download_page_logged) s->download_page_logged(row);
    });
  }
  void RefreshLogPage() {
    program::ProgramState* s = &scope_->state;
    scope_->platform.PostToUi([s] {
      if (s->download_log_changed) s->download_log_changed();
    });
  }

  void JobFinished() {
    if (scope_->job_finished) scope_->job_finished();
  }
  // What follows every completed download (the price update), after the
  // job's end: it may start a job of its own.
  void AfterDownload(std::pair<std::string, std::string> span) {
    program::ProgramState* s = &scope_->state;
    scope_->platform.PostToUi([s, span = std::move(span)] {
      if (s->after_download) s->after_download(span.first, span.second);
    });
  }
  void Refresh() {
    if (scope_->state.download_stored_listings) scope_->state.download_stored_listings();
  }

 private:
  const DownloadJobScope* scope_;
};

// Turns the run's reports into the download page's captions and the
// progress bar.
class WindowProgress : public ProgressSink {
 public:
  WindowProgress(WindowUpdates& ui, bool replace) : ui_(ui), replace_(replace) {}
  bool started() const { return started_; }

  void RunStarted(int planned) override {
    started_ = true;
    ui_.ShowProgress(0, planned, 0);
    if (replace_) ui_.RefreshLogPage();  // emptied with the listings
  }
  void MarketStarted(Market market) override {
    const std::string caption = MarketName(market) + DownloadT().downloading;
    ui_.Post([caption](ui::DownloadPage& w) { w.标签_下载标题.SetCaption(caption); });
  }
  void PageStarted(const PageKey& page, int) override {
    const std::string fetching = DownloadT().fetching_open + page.date + DownloadT().fetching_close;
    ui_.Post([fetching](ui::DownloadPage& w) { w.标签_上榜日期.SetCaption(fetching); });
  }
  void PageDone(const PageReport& report, const DownloadSummary& so_far) override {
    ui_.ShowProgress(so_far.done, so_far.planned, so_far.failed);
    ui_.ShowLogged(report.log);
  }

 private:
  WindowUpdates& ui_;
  bool replace_;
  bool started_ = false;
};

// The one way out of a job that did not complete: a message when there is
// one, the job's end, and afterwards what the way out still asks for.
struct Exit {
  std::optional<std::string> message;
  bool date_boxes_to_now = false;  // after the job's end
  bool refresh = false;
};

void Leave(WindowUpdates& ui, const Exit& exit) {
  if (exit.message) ui.Tell(*exit.message);
  // The window reads what the job wrote before the job ends, so the check
  // for other writers at its end finds nothing new of the job's own.
  if (exit.refresh) {
    ui.RefreshLogPage();
    ui.Refresh();
  }
  ui.JobFinished();
  if (exit.date_boxes_to_now) ui.SetDateBoxesToNow();
}

// The first and last date a download covered.
std::pair<std::string, std::string> DownloadedSpan(const WindowDownloadRequest& request) {
  if (request.gap_pages || request.dates.empty())
    return {request.start.DateText(), request.end.DateText()};
  const auto [first, last] = std::minmax_element(request.dates.begin(), request.dates.end());
  return {*first, *last};
}

size_t DistinctDates(const std::vector<PageKey>& pages) {
  std::vector<std::string_view> dates;
  dates.reserve(pages.size());
  for (const PageKey& page : pages) dates.push_back(page.date);
  std::sort(dates.begin(), dates.end());
  return static_cast<size_t>(std::unique(dates.begin(), dates.end()) - dates.begin());
}

// The gap fill's checks and plan: the range as a download checks it, then
// the pages the log says still need fetching, at most a year's dates of
// them. Leaves the job with its message when nothing is to be fetched.
std::optional<std::vector<PageKey>> PlanGapFill(store::Store& store, WindowUpdates& ui,
                                                const WindowDownloadRequest& request) {
  const std::vector<PageKey>& candidates = *request.gap_pages;
  Refusal refusal =
      CheckDownload(true, false, request.start, request.end, DistinctDates(candidates));
  if (refusal == Refusal::kStartAfterEnd || refusal == Refusal::kNoDates) {
    Leave(ui, {.message = RefusalMessage(refusal)});
    return std::nullopt;
  }
  coverage::PagePlan plan = coverage::PlanMissingPages(store, candidates);
  if (plan.error) {
    Leave(ui, {.message = store::ErrorMessage(*plan.error)});
    return std::nullopt;
  }
  if (plan.pages.empty()) {
    Leave(ui, {.message = candidates.size() == 1 ? DownloadT().page_complete
                                                 : DownloadT().nothing_missing});
    return std::nullopt;
  }
  refusal = CheckDownload(true, false, request.start, request.end, DistinctDates(plan.pages));
  if (refusal != Refusal::kNone) {
    Leave(ui, {.message = RefusalMessage(refusal)});
    return std::nullopt;
  }
  return std::move(plan.pages);
}

// With pages of the range already stored, the user chooses once: skip them
// (the default), fetch them again (and store them twice), or not start.
// False when the download is not to start.
bool SkipStoredPages(const DownloadJobScope& scope, std::vector<PageKey>& pages) {
  coverage::StoredSplit split = coverage::SplitStoredPages(scope.store, pages);
  // A store that cannot be read now fails the download with its own
  // message.
  if (split.error || split.stored.empty()) return true;
  const std::string question =
      DownloadT().stored_open + std::to_string(split.stored.size()) + DownloadT().stored_close;
  switch (scope.platform.ShowMessage(question, ui::MessageTitle(),
                                     ui::MessageButtons::kYesNoCancel,
                                     ui::MessageIcon::kQuestion)) {
    case ui::MessageAnswer::kYes:
    case ui::MessageAnswer::kOk:
      pages = std::move(split.others);
      return true;
    case ui::MessageAnswer::kNo:
      return true;
    case ui::MessageAnswer::kCancel:
      break;
  }
  return false;
}

std::string ClosingMessage(const DownloadSummary& summary) {
  std::string message = DownloadT().closing;
  if (summary.failed > 0)
    message += DownloadT().closing_failed_open + std::to_string(summary.failed) +
               DownloadT().closing_failed_close;
  if (!summary.kept_answers.empty()) {
    // Where the user finds what the service sent, to show us.
    int replaced = 0;
    message += DownloadT().closing_kept_open + std::to_string(summary.kept_answers.size()) +
               DownloadT().closing_kept_middle +
               GbkWithMarks(summary.kept_answers.back().parent_path().string(), replaced);
  }
  return message;
}

// The closing message; when the days fetched hold listings that involve
// something watched, it offers the page "今日关注" with their count.
void TellClosing(const DownloadJobScope& scope, WindowUpdates& ui, std::string message,
                 const std::vector<PageKey>& pages) {
  const auto& count = scope.page.count_watched_listings;
  size_t watched = 0;
  if (count) {
    std::vector<std::string> days;
    for (const PageKey& page : pages) {
      if (std::find(days.begin(), days.end(), page.date) == days.end()) days.push_back(page.date);
    }
    watched = count(days);
  }
  if (watched == 0) return ui.Tell(message);
  message += text::Gbk("\n\n下载的日子里有 " + std::to_string(watched) +
                       " 条上榜涉及关注的席位或股票，按“确定”打开“今日关注”。");
  if (scope.platform.ShowMessage(message, ui::MessageTitle(), ui::MessageButtons::kOkCancel,
                                 ui::MessageIcon::kInformation) == ui::MessageAnswer::kOk)
    ui.Post([](ui::DownloadPage& w) {
      w.高级选择夹1.SetCurrentPage(ui::MainWindow::kTodaysWatchPage);
    });
}

}  // namespace

std::string ProgressCaption(int done, int planned, int failed) {
  return DownloadT().progress_done + std::to_string(done) + "/" + std::to_string(planned) +
         DownloadT().progress_failed + std::to_string(failed) + DownloadT().progress_pages;
}

std::string FailedResultCaption(int failed) {
  return DownloadT().finished_failed_open + std::to_string(failed) +
         DownloadT().finished_failed_close;
}

void BuildDownloadDateList(const ui::DownloadPage& page, program::ProgramState& state) {
  // The checked quick range counts back from the end date; being radio
  // buttons, at most one is checked, and the last checked one in this order
  // would win.
  std::optional<int> quick_days;
  for (size_t i = 0; i < page.quick_ranges.size(); ++i)
    if (page.quick_ranges[i]->checked()) quick_days = kQuickRangeDays[i];
  state.download_date_list =
      DownloadDates(page.日期框1.value(), page.日期框2.value(), quick_days);
}

WindowDownloadRequest SnapshotRequest(const ui::DownloadPage& w, const program::ProgramState& state,
                                      const program::ProgramSettings& settings) {
  WindowDownloadRequest r;
  r.keep = w.选择框_保留.checked();
  r.replace = w.选择框_更新.checked();
  r.today_only = w.单选框_日.checked();
  r.start = w.日期框1.value();
  r.end = w.日期框2.value();
  r.dates = state.download_date_list;
  r.source_host = settings.source_host;
  r.source_kind = settings.source_kind;
  r.politeness = program::PolitenessOf(settings);
  r.fetch_limits.ca_file = settings.ca_file;
  r.answers_folder = settings.answers_folder;
  return r;
}

void RunDownloadJob(const DownloadJobScope& scope, const WindowDownloadRequest& request,
                    std::stop_token stop) {
  WindowUpdates ui(scope);
  DownloadRequest run;

  if (request.gap_pages) {
    std::optional<std::vector<PageKey>> pages = PlanGapFill(scope.store, ui, request);
    if (!pages) return;
    run.pages = std::move(*pages);
  } else {
    const Refusal refusal = CheckDownload(request.keep, request.replace, request.start, request.end,
                                          request.dates.size());
    if (refusal == Refusal::kNoDataChoice) return Leave(ui, {.message = RefusalMessage(refusal)});
    if (refusal == Refusal::kStartAfterEnd)
      return Leave(ui, {.message = RefusalMessage(refusal), .date_boxes_to_now = true});
    ui.SetDateBoxesToNow();
    if (refusal != Refusal::kNone) return Leave(ui, {.message = RefusalMessage(refusal)});
    run.pages = AllPages(request.dates);
    run.replace = request.replace;
    if (!run.replace && !SkipStoredPages(scope, run.pages)) return Leave(ui, {});
  }
  if (stop.stop_requested()) return Leave(ui, {});

  ui.SetStartTime(scope.platform.TickCount());
  run.source_host = request.source_host;
  run.fetch_limits = request.fetch_limits;
  ui::Platform* platform = &scope.platform;
  run.local_time = [platform] { return platform->Now(); };
  WindowProgress progress(ui, run.replace);
  // The settings' kind of source, at their host.
  const std::unique_ptr<ListingSource> source =
      MakeListingSource(request.source_kind, run.source_host, run.fetch_limits, request.politeness,
                        request.answers_folder);
  const DownloadSummary summary = RunDownload(scope.store, run, *source, progress, stop);

  switch (summary.end) {
    case RunEnd::kStopped:
      return Leave(ui, {});
    case RunEnd::kStoreFailed:
      // Once pages were under way, what was committed is worth showing.
      return Leave(ui, {.message = store::ErrorMessage(summary.error.value_or(store::StoreError{})),
                        .refresh = progress.started()});
    case RunEnd::kCompleted:
      break;
  }
  const std::string updated =
      DownloadT().updated_open + summary.first_record_date + DownloadT().updated_close;
  ui.Post([updated](ui::DownloadPage& w) { w.标签_上榜日期.SetCaption(updated); });
  ui.ShowResult(request.today_only && summary.last_piece_count == 1, summary.failed);
  ui.RefreshLogPage();
  ui.Refresh();
  ui.JobFinished();
  TellClosing(scope, ui, ClosingMessage(summary), run.pages);
  ui.AfterDownload(DownloadedSpan(request));
}

bool RefuseDuringJob(const program::ProgramState& state, ui::Platform& platform) {
  // One job at a time: the removal's purge must not meet a download's
  // appends.
  switch (state.job) {
    case program::Job::kDuplicateRemoval:
      ui::Tell(platform, DownloadT().removal_running, ui::MessageIcon::kWarning);
      return true;
    case program::Job::kDownload:
      ui::Tell(platform, DownloadT().download_running, ui::MessageIcon::kInformation);
      return true;
    case program::Job::kNone:
      break;
  }
  return false;
}

void StartDownloadJob(program::ProgramContext& ctx, WindowDownloadRequest request) {
  // From now until the job's last report the download runs.
  std::stop_token stop = program::BeginJob(ctx, program::Job::kDownload);
  // The job works on the program's own objects, which outlive it: what it
  // posts to the user-interface thread (its own updates and the statistics
  // refresh) may refer to them after the job has ended.
  program::ProgramContext* program = &ctx;
  DownloadJobScope scope{.page = ui::DownloadPage::Of(ctx.window),
                         .platform = ctx.platform,
                         .store = ctx.store,
                         .state = ctx.state,
                         .job_finished = [program] { program::PostJobFinished(*program); }};
  ctx.platform.StartWorker([scope = std::move(scope), request = std::move(request),
                            stop = std::move(stop)] { RunDownloadJob(scope, request, stop); });
}

void OnStartDownloadClicked(program::ProgramContext& ctx) {
  // During a download the button itself is disabled.
  if (ctx.state.job == program::Job::kDuplicateRemoval) {
    RefuseDuringJob(ctx.state, ctx.platform);
    return;
  }
  if (program::JobRunning(ctx.state) || program::RefuseWhenReadOnly(ctx)) return;
  const ui::DownloadPage page = ui::DownloadPage::Of(ctx.window);
  BuildDownloadDateList(page, ctx.state);
  StartDownloadJob(ctx, SnapshotRequest(page, ctx.state, ctx.settings));
}

void OnStartDateChanged(const ui::DownloadPage& page) {
  UncheckQuickRanges(page);
}

void OnEndDateChanged(const ui::DownloadPage& page, ui::Platform& platform) {
  UncheckQuickRanges(page);
  if (page.日期框2.value() > platform.Now()) {
    static const std::string message = text::Gbk("已超出交易日期范围，请重新选择！");
    ui::Tell(platform, message, ui::MessageIcon::kError);
    page.日期框2.SetValue(platform.Now());
  }
}

}  // namespace download
