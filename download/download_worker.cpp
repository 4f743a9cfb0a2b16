#include "download/download_worker.h"

#include <functional>

#include "download/date_list.h"
#include "download/page_scraper.h"
#include "listing/statistics_refresh.h"
#include "store/store_error.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace download {
namespace {

struct Texts {
  std::string title = text::Gbk("Ferrow提示");
  std::string choose_keep_or_replace = text::Gbk("请选择更新或是保留原数据");
  std::string start_after_end = text::Gbk("开始日期必须早于结束日期");
  std::string no_dates = text::Gbk("所选日无数据或未开市，请重新选择！");
  std::string too_many_dates = text::Gbk(
      "抱歉，由于数据量过大，日期范围限在一年之内！\r\n\r\n       如有特别需要，可联系软件作者！");
  std::string downloading = text::Gbk("龙虎榜上榜数据下载中……");
  std::string fetching_open = text::Gbk("正在下载（");
  std::string fetching_close = text::Gbk("）数据");
  std::string updated_open = text::Gbk("更新日期：（");
  std::string updated_close = text::Gbk("）");
  std::string not_published = text::Gbk("本日数据暂未上传，请稍后下载！");
  std::string finished = text::Gbk("数据下载完毕！");
  std::string elapsed_open = text::Gbk("下载耗时：");
  std::string elapsed_close = text::Gbk("秒");
  std::string closing = text::Gbk(
      "龙虎榜数据下载完毕，如要过滤每日多次上榜\r\n\r\n  的重复数据，请点击[删除重复数据]按钮。");
  std::string progress_done = text::Gbk("已完成 ");
  std::string progress_failed = text::Gbk(" 页，失败 ");
  std::string progress_pages = text::Gbk(" 页");
};

const Texts& T() {
  static const Texts texts;
  return texts;
}

// Posts window updates and asks questions on behalf of the worker. Tasks
// capture pointers to the program's long-lived objects, never the worker's
// locals.
class WindowUpdates {
 public:
  explicit WindowUpdates(listing::ProgramContext& ctx)
      : platform_(&ctx.platform), window_(&ctx.window), state_(&ctx.state) {}

  void Post(std::function<void(ui::MainWindow&)> change) {
    ui::MainWindow* w = window_;
    platform_->PostToUi([w, change = std::move(change)] { change(*w); });
  }

  void Tell(const std::string& gbk) {
    platform_->ShowMessage(gbk, T().title, ui::MessageButtons::kOk, ui::MessageIcon::kNone);
  }

  void EnableStartButton() {
    Post([](ui::MainWindow& w) { w.超级按钮_开始下载.SetEnabled(true); });
  }

  void SetDateBoxesToNow() {
    ui::Platform* p = platform_;
    Post([p](ui::MainWindow& w) {
      const ui::DateTime now = p->Now();
      w.日期框1.SetValue(now);
      w.日期框2.SetValue(now);
    });
  }

  void SetStartTime(int64_t ticks) {
    ui::ProgramState* s = state_;
    platform_->PostToUi([s, ticks] { s->start_time = ticks; });
  }

  void ShowProgress(int done, int planned, int failed) {
    Post([done, planned, failed](ui::MainWindow& w) {
      w.download_progress.SetProgress(done, planned);
      w.download_progress.SetCaption(ProgressCaption(done, planned, failed));
      w.download_progress.SetVisible(true);
    });
  }

  // Steps 10 and 11: the result caption and the elapsed time, measured on
  // the user-interface thread from the shared start time.
  void ShowResult(bool not_published) {
    ui::Platform* p = platform_;
    ui::ProgramState* s = state_;
    Post([p, s, not_published](ui::MainWindow& w) {
      if (not_published) {
        w.标签_下载标题.SetCaption(T().not_published);
      } else {
        w.标签_下载标题.SetCaption(T().finished);
        w.标签_耗时.SetVisible(true);
      }
      const double seconds = static_cast<double>(p->TickCount() - s->start_time) / 1000.0;
      w.标签_耗时.SetCaption(T().elapsed_open + text::NumberText(seconds) + T().elapsed_close);
    });
  }

 private:
  ui::Platform* platform_;
  ui::MainWindow* window_;
  ui::ProgramState* state_;
};

std::string ErrorText(const std::optional<store::StoreError>& error) {
  return store::ErrorMessage(error.value_or(store::StoreError{}));
}

}  // namespace

std::string ProgressCaption(int done, int planned, int failed) {
  return T().progress_done + std::to_string(done) + "/" + std::to_string(planned) +
         T().progress_failed + std::to_string(failed) + T().progress_pages;
}

DownloadRequest SnapshotRequest(const listing::ProgramContext& ctx) {
  const ui::MainWindow& w = ctx.window;
  DownloadRequest r;
  r.keep = w.选择框_保留.checked();
  r.replace = w.选择框_更新.checked();
  r.today_only = w.单选框_日.checked();
  r.start = w.日期框1.value();
  r.end = w.日期框2.value();
  r.dates = ctx.state.download_date_list;
  r.source_host = ctx.settings.source_host;
  return r;
}

void DownloadWorker(listing::ProgramContext& ctx, const DownloadRequest& request,
                    std::stop_token stop) {
  WindowUpdates ui(ctx);

  // The checks, each a way out with the start button usable again.
  if (!request.keep && !request.replace) {
    ui.Tell(T().choose_keep_or_replace);
    ui.EnableStartButton();
    return;
  }
  if (request.end < request.start) {
    ui.Tell(T().start_after_end);
    ui.EnableStartButton();
    ui.SetDateBoxesToNow();
    return;
  }
  ui.SetDateBoxesToNow();
  if (request.dates.empty()) {
    ui.Tell(T().no_dates);
    ui.EnableStartButton();
    return;
  }
  if (request.dates.size() > kMaxDownloadDates) {
    ui.Tell(T().too_many_dates);
    ui.EnableStartButton();
    return;
  }
  if (stop.stop_requested()) {
    ui.EnableStartButton();
    return;
  }

  ui.SetStartTime(ctx.platform.TickCount());

  store::StoreAccess access = ctx.store.OpenStore(store::AccessMode::kWriter);
  if (!access.ok()) {
    ui.Tell(ErrorText(access.error()));
    ui.EnableStartButton();
    return;
  }
  access.GoToFirst();
  if (request.replace && !access.RemoveAll()) {
    const auto error = access.error();
    access.CloseStore();
    ui.Tell(ErrorText(error));
    ui.EnableStartButton();
    return;
  }

  const int planned = static_cast<int>(kMarkets.size() * request.dates.size());
  int done = 0;
  int failed = 0;
  int last_pieces = 0;
  ui.ShowProgress(done, planned, failed);

  PageFetcher fetcher(request.source_host, request.fetch_limits);
  for (const Market market : kMarkets) {
    if (stop.stop_requested()) break;
    const std::string caption = MarketName(market) + T().downloading;
    ui.Post([caption](ui::MainWindow& w) { w.标签_下载标题.SetCaption(caption); });
    for (const std::string& date : request.dates) {
      if (stop.stop_requested()) break;
      const std::string fetching = T().fetching_open + date + T().fetching_close;
      ui.Post([fetching](ui::MainWindow& w) { w.标签_上榜日期.SetCaption(fetching); });

      const FetchResult page = fetcher.FetchListingPage(market, date, stop);
      // A transfer cut short by the stop request is no page.
      if (stop.stop_requested()) break;
      const ScrapeResult scraped = ScrapeListingPage(market, date, page.text, access);
      if (scraped.error) {
        // Every page before this one is committed; this one was rolled back.
        access.CloseStore();
        ui.Tell(store::ErrorMessage(*scraped.error));
        ui.EnableStartButton();
        listing::RefreshStatistics(ctx);
        return;
      }
      last_pieces = scraped.piece_count;
      ++done;
      if (!page.ok) ++failed;
      ui.ShowProgress(done, planned, failed);
    }
  }

  if (stop.stop_requested()) {
    access.CloseStore();
    ui.EnableStartButton();
    return;
  }

  access.GoToFirst();
  const std::string updated = T().updated_open + access.ReadField(store::kDate) + T().updated_close;
  ui.Post([updated](ui::MainWindow& w) { w.标签_上榜日期.SetCaption(updated); });
  if (const auto error = access.CloseStore()) {
    ui.Tell(store::ErrorMessage(*error));
    ui.EnableStartButton();
    listing::RefreshStatistics(ctx);
    return;
  }

  ui.ShowResult(request.today_only && last_pieces == 1);
  ui.EnableStartButton();
  ui.Tell(T().closing);
  listing::RefreshStatistics(ctx);
}

}  // namespace download
