// The page "席位档案" on the real window under the offscreen platform: its
// grid's model passes the model tester, only kind, nickname and note are
// editable, and an edit through the model reaches the store.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QtTest/QTest>

#include "app/event_wiring.h"
#include "seats/seat_book.h"
#include "tests/program_fixture.h"
#include "tests/qt_test_support.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/window_view.h"

namespace {

using testing_support::G;
using testing_support::TestProgram;
using Page = ui::SeatArchivePage;

TEST(SeatArchiveQtTest, TheGridModelTakesEditsOfItsEditableColumnsOnly) {
  TestProgram p;
  app::WireEvents(p.ctx);
  testing_support::ListingRecord r =
      testing_support::MakeListing("2010-04-08", "甲", "600001", "10000");
  r[store::kBuySeats] = testing_support::SeatBlock({{G("华泰证券南京中山路营业部"), "30000.00", "0"}});
  r[store::kSellSeats] = testing_support::SeatBlock({{G("机构专用"), "0", "10000.00"}});
  testing_support::WriteListings(p.store, {r});

  ui::qt::WindowView view(p.window, p.platform);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  ui::qt::GridView* shown = view.GridViewFor(p.window.seat_archive.高级表格_席位档案);
  ASSERT_NE(shown, nullptr);
  QAbstractItemModelTester tester(shown->grid_model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kSeatArchivePage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  QCoreApplication::processEvents();

  QAbstractItemModel* model = shown->model();
  EXPECT_EQ(model->headerData(Page::kNickname, Qt::Horizontal).toString(),
            QString::fromUtf8("昵称"));
  int row = -1;
  for (int i = 0; i < model->rowCount(); ++i) {
    if (model->index(i, Page::kNewestName).data().toString() ==
        QString::fromUtf8("华泰证券南京中山路营业部"))
      row = i;
  }
  ASSERT_GE(row, 0);
  EXPECT_FALSE(model->flags(model->index(row, Page::kNewestName)) & Qt::ItemIsEditable);
  EXPECT_TRUE(model->flags(model->index(row, Page::kNickname)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model->setData(model->index(row, Page::kNewestName), QString("x"), Qt::EditRole));
  ASSERT_TRUE(model->setData(model->index(row, Page::kNickname), QString::fromUtf8("老张 & <i>"),
                             Qt::EditRole));
  EXPECT_EQ(model->index(row, Page::kNickname).data().toString(), QString::fromUtf8("老张 & <i>"));

  seats::SeatBook book;
  store::StoreAccess access = p.store.OpenStore();
  ASSERT_TRUE(seats::LoadSeatBook(access, &book));
  const auto id = book.IdentityOfName(G("华泰证券南京中山路营业部"));
  ASSERT_TRUE(id);
  EXPECT_EQ(book.Find(*id)->nickname, G("老张 & <i>"));
}

}  // namespace
