#include "app/view_switching.h"

#include "download_log/coverage_page.h"
#include "duplicates/details_view.h"
#include "program/jobs.h"
#include "listing/listing_grid.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "ui/messages.h"

namespace app {

using program::ProgramContext;

void OnTabPageChanged(ProgramContext& ctx) {
  ui::MainWindow& w = ctx.window;
  w.标签_耗时.SetVisible(false);

  switch (w.高级选择夹1.current_page()) {
    case ui::MainWindow::kStatisticsPage:
      // Listings shown plus the title row, not the blank rows below them.
      ctx.state.shown_row_count = ctx.state.statistics_listing_count + 1;
      if (ctx.state.job == program::Job::kDownload) {
        ui::Tell(ctx.platform, text::Gbk("数据下载中……，请勿操作，稍候！"),
                 ui::MessageIcon::kInformation);
        // Raises the page-changed event again, which prepares the search page.
        w.高级选择夹1.SetCurrentPage(ui::MainWindow::kSearchPage);
        return;
      }
      w.标签_统计标题.SetCaption(text::Gbk("沪深两市成交龙虎榜统计列表"));
      break;

    case ui::MainWindow::kSearchPage:
      ctx.state.shown_row_count = static_cast<int>(ctx.state.search_record_numbers.size()) + 1;
      listing::SetUpListingGrid(w.透明标签_排序标, w.高级表格_搜索结果);
      break;

    case ui::MainWindow::kDetailsPage: {
      details::LayOutDetailsGrid(ctx);
      // Always the listing in the statistics page's first row.
      const int64_t record_number = text::IntegerFromText(w.高级表格_龙虎统计.Text(1, 9));
      details::ShowListingDetails(ctx, record_number);
      break;
    }

    case ui::MainWindow::kDownloadPage:
      w.标签_下载标题.SetCaption(text::Gbk("沪深两市交易龙虎榜数据下载"));
      break;

    case ui::MainWindow::kDownloadLogPage:
      coverage::OnDownloadLogPageShown(ctx);
      break;

    case ui::MainWindow::kRankingPage:
      w.ranking.RaiseShown();
      break;

    case ui::MainWindow::kSeatArchivePage:
      w.seat_archive.RaiseShown();
      break;

    case ui::MainWindow::kTodaysWatchPage:
      w.todays_watch.RaiseShown();
      break;

    case ui::MainWindow::kBacktestPage:
      w.backtest.RaiseShown();
      break;

    default:
      break;
  }
}

}  // namespace app
