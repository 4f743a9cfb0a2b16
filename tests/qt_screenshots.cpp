// Makes a picture of each page of the real window, with a store filled by a
// download from the loopback sample source:
//   quorvane_screenshots OUTPUT_FOLDER
// writes page-0.png ... page-4.png, page-0-balloon.png (the Seat pop-up
// over the statistics page, taken from the screen), page-5.png and
// page-5-stocks.png (the Seat and stock statistics of the month, after
// "更新行情" fetched the month's prices), page-5-track.png (the same
// scrolled to the track record), page-5-path.png (the top Seat's
// close path beside the baseline), page-6.png to page-8.png (席位档案,
// 今日关注, and a back-test of the month on 回测), page-5-kinds.png
// (营业部排行 of one kind). Message
// boxes are answered OK and their texts printed. Meant to run under Xvfb.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/event_wiring.h"
#include "program/program_context.h"
#include "tests/test_support.h"
#include "text/gbk.h"
#include "tools/sample-source/sample_server.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/program_icon.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/window_view.h"

namespace {

void Settle(const std::function<bool()>& done, int timeout_ms = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeout_ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool Save(const QPixmap& pixmap, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name);
  const bool ok = pixmap.save(path, "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toUtf8().constData());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(ui::qt::ProgramIcon());
  if (argc < 2) {
    std::fprintf(stderr, "usage: quorvane_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) return 1;

  sample_source::SampleSource source;
  if (source.Start(0) < 0) return 1;
  testing_support::TempDir store_dir;

  program::ProgramState state;
  // The prices without the service's gap: the sample source is local.
  const program::ProgramSettings settings{.source_host = source.Host(), .prices_gap_ms = 0};
  ui::MainWindow window;
  store::Store store(store::StorePath(store_dir.path()));
  ui::qt::QtPlatform platform;
  program::ProgramContext ctx{window, platform, store, state, settings};
  app::WireEvents(ctx);
  ui::qt::WindowView view(window, platform);
  platform.SetWindow(&view);

  // Every message box is answered as a user reading it would: OK, and
  // printed once the page has settled.
  auto answers = std::make_shared<ui::qt::AnswerScript>();
  answers->SetAnswerEveryQuestion(true);
  platform.AnswerFrom(answers);
  const auto settle = [&](const std::function<bool()>& done, int timeout_ms = 60000) {
    Settle(done, timeout_ms);
    for (const ui::qt::AnsweredQuestion& q : answers->TakeAnswered())
      std::printf("message [%s]: %s\n", q.title.toUtf8().constData(), q.text.toUtf8().constData());
  };

  view.show();
  window.RaiseCreated();
  settle([&] { return platform.running_workers() == 0; });

  // A month of listings from the sample source.
  window.单选框_月.UserClick();
  window.超级按钮_开始下载.UserClick();
  settle([&] { return window.超级按钮_开始下载.enabled() && platform.running_workers() == 0; },
         300000);
  window.高级选择夹1.UserSelectPage(0);
  settle([] { return true; });

  bool ok = Save(view.grab(), folder, "page-0.png");

  // The Seat pop-up: a click on the Seat cell of the fifth listing (the
  // pop-up's band starts below the first rows).
  ui::qt::GridView* statistics = view.GridViewFor(window.高级表格_龙虎统计);
  const QRect cell = statistics->visualRect(statistics->model()->index(4, 3));
  QCursor::setPos(statistics->viewport()->mapToGlobal(cell.center()));
  window.高级表格_龙虎统计.UserLeftButtonUp(5, 3);
  settle([] { return true; });
  const QRect frame = view.frameGeometry();
  ok &=
      Save(view.screen()->grabWindow(0, frame.x(), frame.y(), frame.width() + 120, frame.height()),
           folder, "page-0-balloon.png");

  // The search page with the listings of the newest listing's stock.
  window.高级选择夹1.UserSelectPage(1);
  window.编辑框_搜索.SetCaption(window.高级表格_龙虎统计.Text(1, 2));
  window.超级按钮_查询.UserClick();
  settle([] { return true; });
  ok &= Save(view.grab(), folder, "page-1.png");

  window.高级选择夹1.UserSelectPage(2);
  settle([] { return true; });
  ok &= Save(view.grab(), folder, "page-2.png");

  window.高级选择夹1.UserSelectPage(3);
  settle([] { return true; });
  ok &= Save(view.grab(), folder, "page-3.png");

  // The download log: from seven weeks to three weeks back, so that the
  // month downloaded fills its top rows; below them, three pages fetched by
  // a double-click each: one whose source fails, one with an empty list,
  // one as usual.
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kDownloadLogPage);
  ui::DownloadLogPage& log_page = window.download_log;
  const ui::DateTime now = platform.Now();
  log_page.日期框_记录开始.UserSetValue(now.AddDays(-50));
  log_page.日期框_记录结束.UserSetValue(now.AddDays(-20));
  settle([] { return true; });
  ui::Grid& log = log_page.高级表格_下载记录;
  int first_missing = 1;
  while (first_missing < log.RowCount() && !log.Text(first_missing, 2).empty()) ++first_missing;
  const struct {
    int row_offset;
    int board;
    sample_source::Fault fault;
  } fetches[] = {{0, 1, sample_source::Fault::kError},
                 {1, 0, sample_source::Fault::kUnpublished},
                 {2, 2, sample_source::Fault::kNone}};
  for (const auto& f : fetches) {
    const int row = first_missing + f.row_offset;
    if (row >= log.RowCount()) break;
    source.SetPageFault(f.board, log.Text(row, 0), f.fault);
    log.UserDoubleClick(row, 2 + f.board);
    settle([&] { return state.job == program::Job::kNone && platform.running_workers() == 0; });
  }
  source.ClearPageFaults();
  ok &= Save(view.grab(), folder, "page-4.png");

  // 席位统计: the month's 营业部排行 with the top Seat's listings and
  // chart, then the stocks of the same month.
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  settle([&] { return platform.running_workers() == 0; });
  // The month's prices first ("更新行情"), so the track record shows.
  window.ranking.超级按钮_更新行情.UserClick();
  settle([&] { return state.job == program::Job::kNone && platform.running_workers() == 0; });
  window.ranking.高级表格_席位排行.UserDoubleClick(1, 0);
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-5.png");
  // The track record at the right end of 营业部排行, and the figures of the
  // listings behind the row a week back (the newest have no next day yet).
  ui::qt::GridView* seats_view = view.GridViewFor(window.ranking.高级表格_席位排行);
  ui::qt::GridView* listings_view = view.GridViewFor(window.ranking.高级表格_排行明细);
  seats_view->horizontalScrollBar()->setValue(seats_view->horizontalScrollBar()->maximum());
  listings_view->horizontalScrollBar()->setValue(listings_view->horizontalScrollBar()->maximum());
  listings_view->verticalScrollBar()->setValue(
      std::min(listings_view->verticalScrollBar()->maximum(), 30));
  settle([] { return true; });
  ok &= Save(view.grab(), folder, "page-5-track.png");
  seats_view->horizontalScrollBar()->setValue(0);
  listings_view->horizontalScrollBar()->setValue(0);
  listings_view->verticalScrollBar()->setValue(0);
  window.ranking.选择框_收益路径.UserClick();
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-5-path.png");
  window.ranking.选择框_收益路径.UserClick();
  settle([&] { return platform.running_workers() == 0; });
  window.ranking.单选框_个股统计.UserClick();
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-5-stocks.png");

  // 席位档案 with the first identity nicknamed and watched, then 今日关注
  // on the newest day.
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kSeatArchivePage);
  settle([&] { return platform.running_workers() == 0; });
  window.seat_archive.高级表格_席位档案.UserEditCell(1, ui::SeatArchivePage::kNickname,
                                                   text::Gbk("示例昵称"));
  window.seat_archive.高级表格_席位档案.UserContextEntry(1, 0, ui::SeatArchivePage::kWatch);
  ok &= Save(view.grab(), folder, "page-6.png");
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kTodaysWatchPage);
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-7.png");

  // 回测 over the month with its prices: every branch's buying, held two
  // days, beside every listing of the month.
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kBacktestPage);
  window.backtest.单选框_回测近一月.UserClick();
  window.backtest.组合框_跟随对象.UserSelect(ui::BacktestPage::kBranches);
  window.backtest.组合框_持有天数.UserSelect(1);
  window.backtest.超级按钮_回测.UserClick();
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-8.png");

  // 营业部排行 of one kind (游资), the nickname given above beside its name.
  window.高级选择夹1.UserSelectPage(ui::MainWindow::kRankingPage);
  settle([&] { return platform.running_workers() == 0; });
  window.ranking.单选框_营业部排行.UserClick();
  window.ranking.组合框_席位类别.UserSelect(3);
  settle([&] { return platform.running_workers() == 0; });
  window.ranking.高级表格_席位排行.UserDoubleClick(1, 0);
  settle([&] { return platform.running_workers() == 0; });
  ok &= Save(view.grab(), folder, "page-5-kinds.png");

  state.job_stop.request_stop();
  platform.Shutdown();
  source.Stop();
  return ok ? 0 : 1;
}
