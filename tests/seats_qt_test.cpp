// The page "席位档案" on the real window under the offscreen platform: its
// grid's model passes the model tester, only kind, nickname and note are
// editable, an edit through the model reaches the store, and a kind is
// picked from the four. 席位统计's kind filter is a real drop-down list.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QStyleOptionViewItem>

#include <memory>
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

  // The kind: a list of the four, the cell's own chosen; a pick is saved.
  const QModelIndex kind = model->index(row, Page::kKind);
  QAbstractItemDelegate* delegate = shown->itemDelegateForColumn(Page::kKind);
  ASSERT_NE(delegate, nullptr);
  std::unique_ptr<QWidget> editor(
      delegate->createEditor(shown->viewport(), QStyleOptionViewItem(), kind));
  auto* pick = qobject_cast<QComboBox*>(editor.get());
  ASSERT_NE(pick, nullptr);
  ASSERT_EQ(pick->count(), 4);
  delegate->setEditorData(pick, kind);
  EXPECT_EQ(pick->currentText(), QString::fromUtf8("营业部"));
  pick->setCurrentIndex(pick->findText(QString::fromUtf8("游资")));
  delegate->setModelData(pick, model, kind);
  EXPECT_EQ(kind.data().toString(), QString::fromUtf8("游资"));
  access.CloseStore();
  access = p.store.OpenStore();
  ASSERT_TRUE(seats::LoadSeatBook(access, &book));
  EXPECT_EQ(book.Find(*id)->kind, G("游资"));
  EXPECT_EQ(shown->itemDelegateForColumn(Page::kNickname), nullptr);

  // 席位统计's filter: the user's pick reaches the model.
  auto* kinds = qobject_cast<QComboBox*>(view.WidgetFor(p.window.ranking.组合框_席位类别));
  ASSERT_NE(kinds, nullptr);
  ASSERT_EQ(kinds->count(), 5);
  EXPECT_EQ(kinds->itemText(4), QString::fromUtf8("营业部"));
  EXPECT_EQ(kinds->accessibleName(), QString::fromUtf8("席位类别"));
  emit kinds->activated(3);
  EXPECT_EQ(p.window.ranking.组合框_席位类别.selected(), 3);
  p.window.ranking.组合框_席位类别.SetSelected(1);
  EXPECT_EQ(kinds->currentIndex(), 1);
}

}  // namespace
