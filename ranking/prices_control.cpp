#include "ranking/prices_control.h"

#include <functional>
#include <utility>
#include <vector>

#include "download/datacentre_json.h"
#include "download_page/download_control.h"
#include "program/jobs.h"
#include "ranking/date_range.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "ui/download_page.h"
#include "ui/messages.h"

namespace prices {
namespace {

using program::ProgramContext;

struct PricesWindowTexts {
  std::string fetching_open = text::Gbk("正在下载（");
  std::string fetching_close = text::Gbk("）行情");
  std::string progress_done = text::Gbk("已完成 ");
  std::string progress_failed = text::Gbk(" 只，失败 ");
  std::string progress_stocks = text::Gbk(" 只");
  std::string finished = text::Gbk("行情更新完毕！");
  std::string finished_failed_open = text::Gbk("行情更新完毕，");
  std::string finished_failed_close = text::Gbk(" 只下载失败！");
  std::string elapsed_open = text::Gbk("下载耗时：");
  std::string elapsed_close = text::Gbk("秒");
  std::string closing_open = text::Gbk("行情更新完毕：上榜股票 ");
  std::string closing_fetched = text::Gbk(" 只，取得日线 ");
  std::string closing_held = text::Gbk(" 只，已是最新 ");
  std::string closing_no_bars = text::Gbk(" 只，无日线 ");
  std::string closing_end = text::Gbk(" 只。");
  std::string closing_other_open = text::Gbk("\r\n\r\n非沪深股票 ");
  std::string closing_other_close = text::Gbk(" 只，已跳过。");
  std::string closing_failed_open = text::Gbk("\r\n\r\n其中 ");
  std::string closing_failed_close = text::Gbk(" 只下载失败，请稍后重新更新行情。");
  std::string closing_gave_up_open = text::Gbk("\r\n\r\n连续 5 次下载失败，行情服务可能暂时拒绝访问，");
  std::string closing_gave_up_close = text::Gbk(" 只未下载，请稍后再更新行情。");
  std::string closing_kept_open = text::Gbk("\r\n\r\n行情服务有 ");
  std::string closing_kept_middle = text::Gbk(" 份应答无法读取，已保存在：\r\n");
};

const PricesWindowTexts& PricesWindowT() {
  static const PricesWindowTexts texts;
  return texts;
}

// The run's reports as the download shows its own: the window-wide
// progress bar and date caption, posted in order.
class PricesWindowProgress : public PricesProgress {
 public:
  PricesWindowProgress(ui::Platform& platform, ui::Label& date_line, ui::ProgressBar& bar)
      : platform_(&platform), date_line_(&date_line), bar_(&bar) {}

  void OnStart(int to_ask) override { Show(0, to_ask, 0); }
  void OnCode(int done, int to_ask, std::string_view code, bool failed) override {
    if (failed) ++failed_;
    const std::string fetching =
        PricesWindowT().fetching_open + std::string(code) + PricesWindowT().fetching_close;
    ui::Label* date_line = date_line_;
    platform_->PostToUi([date_line, fetching] { date_line->SetCaption(fetching); });
    Show(done, to_ask, failed_);
  }

 private:
  void Show(int done, int to_ask, int failed) {
    ui::ProgressBar* bar = bar_;
    platform_->PostToUi([bar, done, to_ask, failed] {
      bar->SetProgress(done, to_ask);
      bar->SetCaption(PricesProgressCaption(done, to_ask, failed));
      bar->SetVisible(true);
    });
  }

  ui::Platform* platform_;
  ui::Label* date_line_;
  ui::ProgressBar* bar_;
  int failed_ = 0;
};

// The range the page 席位统计 is set to: its quick range, or its boxes.
ranking::DateRange PageRange(ui::RankingPage& page, ui::Platform& platform) {
  const std::vector<ui::RadioButton*> quick = page.quick_ranges();
  for (size_t k = 0; k < quick.size(); ++k)
    if (quick[k]->checked())
      return ranking::QuickRangeEndingOn(static_cast<ranking::QuickRange>(k), platform.Now());
  return ranking::RangeBetween(page.日期框_统计起.value(), page.日期框_统计止.value());
}

}  // namespace

std::string PricesProgressCaption(int done, int to_ask, int failed) {
  const PricesWindowTexts& t = PricesWindowT();
  return t.progress_done + std::to_string(done) + "/" + std::to_string(to_ask) +
         t.progress_failed + std::to_string(failed) + t.progress_stocks;
}

std::string PricesClosingMessage(const PricesSummary& s) {
  const PricesWindowTexts& t = PricesWindowT();
  const int listed = s.codes - s.other_exchange;
  std::string message = t.closing_open + std::to_string(listed) + t.closing_fetched +
                        std::to_string(s.fetched) + t.closing_held + std::to_string(s.up_to_date) +
                        t.closing_no_bars + std::to_string(s.no_bars) + t.closing_end;
  if (s.other_exchange > 0)
    message += t.closing_other_open + std::to_string(s.other_exchange) + t.closing_other_close;
  if (s.failed > 0)
    message += t.closing_failed_open + std::to_string(s.failed) + t.closing_failed_close;
  if (s.gave_up)
    message += t.closing_gave_up_open + std::to_string(s.not_asked) + t.closing_gave_up_close;
  if (!s.kept_answers.empty()) {
    int replaced = 0;
    message += t.closing_kept_open + std::to_string(s.kept_answers.size()) +
               t.closing_kept_middle +
               download::GbkWithMarks(s.kept_answers.back().parent_path().string(), replaced);
  }
  return message;
}

void RunPricesJob(ProgramContext& ctx, const PricesRequest& request, std::stop_token stop,
                  const std::string& date_caption) {
  // The download page's head and the lines over every page show the run.
  const ui::DownloadPage page = ui::DownloadPage::Of(ctx.window);
  ui::RankingPage* ranking_page = &ctx.window.ranking;
  ui::Platform* platform = &ctx.platform;
  const int64_t start = ctx.platform.TickCount();
  PricesWindowProgress progress(ctx.platform, page.标签_上榜日期, page.download_progress);
  const PricesSummary s = RunPricesFetch(ctx.store, request, progress, stop);
  // The caption over the pages says the newest listing's date again, as
  // after a download; the run's result goes to the download page's head.
  ctx.platform.PostToUi([page, date_caption] { page.标签_上榜日期.SetCaption(date_caption); });
  if (s.stopped) return program::PostJobFinished(ctx);
  if (s.store_error) {
    ui::Tell(ctx.platform, store::ErrorMessage(*s.store_error), ui::MessageIcon::kWarning);
    return program::PostJobFinished(ctx);
  }
  const int failed = s.failed + (s.gave_up ? s.not_asked : 0);
  ctx.platform.PostToUi([page, platform, start, failed] {
    const PricesWindowTexts& t = PricesWindowT();
    const std::string result = failed > 0 ? t.finished_failed_open + std::to_string(failed) +
                                                t.finished_failed_close
                                          : t.finished;
    page.标签_下载标题.SetCaption(result);
    const double seconds = static_cast<double>(platform->TickCount() - start) / 1000.0;
    page.标签_耗时.SetCaption(t.elapsed_open + text::NumberText(seconds) + t.elapsed_close);
    page.标签_耗时.SetVisible(true);
  });
  program::PostJobFinished(ctx);
  ui::Tell(ctx.platform, PricesClosingMessage(s));
  // The page 席位统计 shows the returns of the bars now held.
  ctx.platform.PostToUi([page, ranking_page] {
    if (page.高级选择夹1.current_page() == ui::MainWindow::kRankingPage) ranking_page->RaiseShown();
  });
}

void StartPricesJob(ProgramContext& ctx, const std::string& from, const std::string& to) {
  PricesRequest request;
  request.host = ctx.settings.prices_host.empty() ? ctx.settings.source_host
                                                  : ctx.settings.prices_host;
  request.from = from;
  request.to = to;
  request.today = ctx.platform.Now().DateText();
  request.gap_ms = ctx.settings.prices_gap_ms;
  request.limits.ca_file = ctx.settings.ca_file;
  request.answers_folder = ctx.settings.answers_folder;
  // A download of prices: "开始下载" is disabled, the other jobs are
  // refused, and closing the window asks and stops it as it does a
  // download.
  std::stop_token stop = program::BeginJob(ctx, program::Job::kDownload);
  ProgramContext* program = &ctx;
  ctx.platform.StartWorker([program, request = std::move(request), stop = std::move(stop),
                            date_caption = ctx.window.标签_上榜日期.caption()] {
    RunPricesJob(*program, request, stop, date_caption);
  });
}

void OnUpdatePricesClicked(ProgramContext& ctx) {
  if (download::RefuseDuringJob(ctx.state, ctx.platform)) return;
  const ranking::DateRange range = PageRange(ctx.window.ranking, ctx.platform);
  if (range.whole_store || range.from.empty()) {
    StartPricesJob(ctx, "0000-00-00", "9999-99-99");
  } else {
    StartPricesJob(ctx, range.from, range.to);
  }
}

void WirePricesControls(ProgramContext& ctx) {
  ProgramContext* program = &ctx;
  ctx.window.ranking.超级按钮_更新行情.on_clicked = [program] { OnUpdatePricesClicked(*program); };
  ctx.state.after_download = [program](const std::string& from, const std::string& to) {
    if (!program->window.ranking.选择框_下载后更新行情.checked()) return;
    if (program::JobRunning(program->state)) return;
    StartPricesJob(*program, from, to);
  };
}

}  // namespace prices
