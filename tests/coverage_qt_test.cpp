// The page "下载记录" on the real window under the offscreen platform: its
// grid's model passes the model tester, shows each outcome's colour and the
// failure's reason as the cell's tooltip, and a double-click on a cell
// reaches the gap fill.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QtTest/QTest>

#include "app/event_wiring.h"
#include "store/download_log.h"
#include "tests/program_fixture.h"
#include "tests/qt_test_support.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/window_view.h"

namespace {

using testing_support::TestProgram;

TEST(CoverageQtTest, TheLogGridShowsColoursTooltipsAndTakesDoubleClicks) {
  TestProgram p;
  p.platform.SetNow(ui::DateTime::FromParts(2010, 6, 7, 20));
  app::WireEvents(p.ctx);
  {
    auto a = p.store.OpenStore(store::AccessMode::kWriter);
    store::PageLogEntry stored;
    stored.board = 0;
    stored.date = "2010-06-04";
    stored.listings = 6;
    store::PageLogEntry failed = stored;
    failed.board = 1;
    failed.outcome = store::PageOutcome::kFailed;
    failed.failure = store::PageFailure::kStatus;
    failed.status = 404;
    failed.listings = 0;
    ASSERT_TRUE(a.WritePageLog(stored));
    ASSERT_TRUE(a.WritePageLog(failed));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  ui::qt::WindowView view(p.window, p.platform);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  ui::Grid& grid = p.window.download_log.高级表格_下载记录;
  ui::qt::GridView* shown = view.GridViewFor(grid);
  ASSERT_NE(shown, nullptr);
  QAbstractItemModelTester tester(shown->grid_model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);

  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kDownloadLogPage);
  QCoreApplication::processEvents();
  ASSERT_TRUE(shown->isVisible());
  QAbstractItemModel* model = shown->model();
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("沪市"));
  // 2010-06-04 is the third weekday back from Monday 06-07.
  const int row = 1;
  ASSERT_EQ(model->index(row, 0).data().toString(), QString("2010-06-04"));
  EXPECT_EQ(model->index(row, 2).data().toString(), QString("6"));
  EXPECT_EQ(model->index(row, 3).data().toString(), QString::fromUtf8("失败"));
  EXPECT_EQ(model->index(row, 3).data(Qt::ToolTipRole).toString(), QString::fromUtf8("状态码 404"));
  EXPECT_FALSE(model->index(row, 4).data(Qt::ToolTipRole).isValid());
  const QColor stored = model->index(row, 2).data(Qt::BackgroundRole).value<QBrush>().color();
  const QColor failed = model->index(row, 3).data(Qt::BackgroundRole).value<QBrush>().color();
  EXPECT_NE(stored, failed);

  // A double-click on the stored page: refused, nothing fetched.
  shown->scrollTo(model->index(row, 2));
  QTest::mouseDClick(shown->viewport(), Qt::LeftButton, {},
                     shown->visualRect(model->index(row, 2)).center());
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.platform.message_texts(), std::vector<std::string>{"该页数据已下载，无需重复下载！"});
}

}  // namespace
