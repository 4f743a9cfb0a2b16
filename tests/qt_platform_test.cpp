// The Qt platform: message boxes asked from workers, answers queued in the
// user's place, the save dialog, shutting down without deadlock, the posted
// queue, the balloon, focus and the window position.
#include "ui/qt/qt_platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest/QTest>
#include <atomic>
#include <future>
#include <thread>

#include "tests/program_fixture.h"
#include "tests/qt_test_support.h"
#include "ui/qt/balloon_popup.h"
#include "ui/qt/fonts.h"
#include "ui/qt/window_view.h"

namespace {

using namespace testing_support;
using ui::MessageAnswer;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

TEST(QtPlatform, AMessageFromAWorkerIsAskedOnTheUiThread) {
  ui::qt::QtPlatform platform;
  platform.QueueMessageAnswer(MessageAnswer::kCancel);
  std::atomic<int> result{-1};
  platform.StartWorker([&] {
    result = static_cast<int>(platform.ShowMessage(G("第一行\r\n第二行"), G("Ferrow提示"),
                                                   ui::MessageButtons::kOkCancel,
                                                   ui::MessageIcon::kQuestion));
  });
  ASSERT_TRUE(qt_testing::WaitUntil([&] { return platform.running_workers() == 0; }));
  EXPECT_EQ(result, static_cast<int>(MessageAnswer::kCancel));
  const auto asked = platform.TakeAnsweredQuestions();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, ui::qt::AnsweredQuestion::Kind::kMessage);
  EXPECT_EQ(asked[0].title, Q("Ferrow提示"));
  EXPECT_EQ(asked[0].text, Q("第一行\n第二行"));
  EXPECT_EQ(asked[0].buttons, ui::MessageButtons::kOkCancel);
  EXPECT_EQ(asked[0].icon, ui::MessageIcon::kQuestion);
  platform.Shutdown();
}

// Queued answers are used in order and only while they last: the next box
// opens for real, so a test that queues too few answers sees the box.
TEST(QtPlatform, QueuedAnswersStandInForTheUserOnlyWhileTheyLast) {
  ui::qt::QtPlatform platform;
  platform.QueueMessageAnswer(MessageAnswer::kCancel);
  platform.QueueMessageAnswer(MessageAnswer::kOk);
  const auto ask = [&](const char* text) {
    return platform.ShowMessage(G(text), G("确认退出"), ui::MessageButtons::kOkCancel,
                                ui::MessageIcon::kQuestion);
  };
  EXPECT_EQ(ask("一"), MessageAnswer::kCancel);
  EXPECT_EQ(ask("二"), MessageAnswer::kOk);
  qt_testing::BoxAnswerer real(QMessageBox::Cancel);
  EXPECT_EQ(ask("三"), MessageAnswer::kCancel);
  EXPECT_TRUE(real.seen().seen);
  EXPECT_EQ(real.seen().text, Q("三"));
  EXPECT_EQ(real.seen().buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(real.seen().icon, QMessageBox::Question);
  // Chinese buttons under any system language.
  QStringList buttons = real.seen().button_texts;
  buttons.sort();
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
  const auto asked = platform.TakeAnsweredQuestions();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].text, Q("一"));
  EXPECT_EQ(asked[0].answer, MessageAnswer::kCancel);
  EXPECT_EQ(asked[1].text, Q("二"));
  EXPECT_EQ(asked[1].answer, MessageAnswer::kOk);
  EXPECT_TRUE(platform.TakeAnsweredQuestions().empty());

  // A script that answers every question: OK once the queue is used up.
  auto script = std::make_shared<ui::qt::AnswerScript>();
  script->SetAnswerEveryQuestion(true);
  platform.AnswerFrom(script);
  EXPECT_EQ(ask("四"), MessageAnswer::kOk);
  EXPECT_EQ(platform.AskSaveFileName(G("导出CSV"), "CSV (*.csv)"), std::nullopt);
  const auto every = script->TakeAnswered();
  ASSERT_EQ(every.size(), 2u);
  EXPECT_EQ(every[0].text, Q("四"));
  EXPECT_EQ(every[1].kind, ui::qt::AnsweredQuestion::Kind::kSaveFileName);
  EXPECT_EQ(every[1].title, Q("导出CSV"));
  EXPECT_EQ(every[1].filter, Q("CSV (*.csv)"));
  platform.Shutdown();
}

// The real save dialog: the name the user picks comes back whole, Chinese
// and blanks in it, through Qt's UTF-16 form.
TEST(QtPlatform, TheSaveDialogGivesThePickedNameAsAPath) {
  ui::qt::QtPlatform platform;
  TempDir dir;
  const QString picked = QString::fromStdU16String(dir.path().u16string()) + Q("/统计 张三.csv");
  qt_testing::WhenShown user(QFileDialog::staticMetaObject, [&](QWidget* widget) {
    auto* dialog = static_cast<QFileDialog*>(widget);
    EXPECT_EQ(dialog->windowTitle(), Q("导出CSV"));
    EXPECT_EQ(dialog->nameFilters(), QStringList{Q("CSV (*.csv)")});
    dialog->selectFile(picked);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const auto file = platform.AskSaveFileName(G("导出CSV"), "CSV (*.csv)");
  EXPECT_TRUE(user.shown());
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(*file, dir.path() / std::filesystem::path(u8"统计 张三.csv"));

  // A queued name, and a queued cancel, open no dialog.
  platform.QueueSaveFileName(dir.path() / "a.csv");
  platform.QueueSaveFileName(std::nullopt);
  EXPECT_EQ(platform.AskSaveFileName(G("导出CSV"), "CSV (*.csv)"), dir.path() / "a.csv");
  EXPECT_EQ(platform.AskSaveFileName(G("导出CSV"), "CSV (*.csv)"), std::nullopt);
  EXPECT_EQ(platform.TakeAnsweredQuestions().size(), 2u);
  platform.Shutdown();
}

TEST(QtPlatform, ShutdownAnswersAWaitingWorkerWithoutShowingTheBox) {
  ui::qt::QtPlatform platform;
  std::promise<void> asking;
  std::atomic<int> result{-1};
  platform.StartWorker([&] {
    asking.set_value();
    result = static_cast<int>(platform.ShowMessage(G("x"), G("Ferrow提示"), ui::MessageButtons::kOk,
                                                   ui::MessageIcon::kNone));
  });
  asking.get_future().wait();
  // The user-interface thread never ran the question; shutting down must
  // not wait for it nor show it.
  qt_testing::BoxAnswerer watch(QMessageBox::Ok);
  platform.Shutdown();
  QCoreApplication::processEvents();
  EXPECT_EQ(result, static_cast<int>(MessageAnswer::kCancel));
  EXPECT_FALSE(watch.seen().seen);
  EXPECT_EQ(platform.running_workers(), 0);
  // Afterwards: nothing new starts and every question is cancelled.
  bool ran = false;
  platform.StartWorker([&] { ran = true; });
  EXPECT_EQ(platform.ShowMessage(G("y"), G("t"), ui::MessageButtons::kOk, ui::MessageIcon::kNone),
            MessageAnswer::kCancel);
  platform.Shutdown();
  EXPECT_FALSE(ran);
}

TEST(QtPlatform, ShutdownRunsWhatAWorkerPostsAndWaitsFor) {
  ui::qt::QtPlatform platform;
  std::atomic<bool> finished{false};
  platform.StartWorker([&] {
    std::promise<bool> on_ui;
    platform.PostToUi([&] { on_ui.set_value(platform.OnUiThread()); });
    EXPECT_TRUE(on_ui.get_future().get());
    finished = true;
  });
  platform.Shutdown();
  EXPECT_TRUE(finished);
}

TEST(QtPlatform, PostedWorkRunsInOrderOnTheUiThread) {
  ui::qt::QtPlatform platform;
  EXPECT_TRUE(platform.OnUiThread());
  std::vector<int> order;
  std::atomic<bool> off_ui{false};
  platform.StartWorker([&] {
    off_ui = !platform.OnUiThread();
    for (int i = 0; i < 3; ++i) platform.PostToUi([&order, i] { order.push_back(i); });
  });
  ASSERT_TRUE(qt_testing::WaitUntil([&] { return order.size() == 3; }));
  EXPECT_TRUE(off_ui);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  const int64_t t0 = platform.TickCount();
  QTest::qSleep(20);
  EXPECT_GE(platform.TickCount() - t0, 20);
  const ui::DateTime now = platform.Now();
  EXPECT_LT(std::abs(now.DaysSince(ui::qt::FromQDateTime(QDateTime::currentDateTime()))) * 86400,
            2.0);
  platform.Shutdown();
}

TEST(QtPlatform, FocusWindowPositionAndBalloon) {
  TestProgram p;
  ui::qt::QtPlatform platform;
  ui::qt::WindowView view(p.window, platform);
  platform.SetWindow(&view);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_EQ(platform.WindowScreenPosition(),
            (ui::Point{view.frameGeometry().x(), view.frameGeometry().y()}));
  platform.SetFocus(p.window.高级表格_龙虎统计);
  EXPECT_EQ(view.focusWidget(), view.WidgetFor(p.window.高级表格_龙虎统计));
  platform.SetFocus(p.window.编辑框_敢死队信息);
  EXPECT_EQ(view.focusWidget(), view.WidgetFor(p.window.编辑框_敢死队信息));

  const std::string html =
      G("<h1>  2010-04-09 [浦发银行] 龙虎榜交易席位列表</h1>\r\n\r\n1. 买一\r\n2. 买二\r\n3. "
        "卖<一>\r\n");
  platform.ShowBalloon({300, 320}, html, p.window.气球提示框_席位组.style(), 80);
  ui::qt::BalloonPopup& balloon = view.balloon();
  EXPECT_TRUE(balloon.isVisible());
  EXPECT_EQ(balloon.pos(), QPoint(300, 320));
  const QStringList lines = balloon.document().toPlainText().split(QChar('\n'));
  EXPECT_TRUE(lines.contains(Q("1. 买一")));
  EXPECT_TRUE(lines.contains(Q("2. 买二")));
  // The heading is red and bold, as its style sheet says.
  QTextCursor heading(balloon.document().firstBlock());
  heading.movePosition(QTextCursor::NextCharacter);
  heading.movePosition(QTextCursor::NextCharacter);
  heading.movePosition(QTextCursor::NextCharacter);
  EXPECT_EQ(heading.charFormat().foreground().color(), QColor(255, 0, 0));
  EXPECT_GT(heading.charFormat().fontWeight(), QFont::Normal);
  // Heading and lines both at the style sheet's 11 points.
  EXPECT_EQ(heading.charFormat().font().pointSizeF(), 11.0);
  QTextCursor line(
      balloon.document().findBlock(balloon.document().toPlainText().indexOf(Q("2. 买二"))));
  line.movePosition(QTextCursor::NextCharacter);
  EXPECT_EQ(line.charFormat().font().pointSizeF(), 11.0);

  // A second pop-up replaces text and place and restarts the clock.
  platform.ShowBalloon({10, 400}, G("<h1>x</h1>\r\n\r\n1. 甲\r\n"),
                       p.window.气球提示框_席位组.style(), 80);
  EXPECT_EQ(balloon.pos(), QPoint(10, 400));
  EXPECT_FALSE(balloon.document().toPlainText().contains(Q("买一")));
  EXPECT_TRUE(qt_testing::WaitUntil([&] { return !balloon.isVisible(); }, 3000));
  platform.Shutdown();
}

TEST(BalloonHtml, EachLineEndBecomesALineBreakButTheHeadingsOwn) {
  EXPECT_EQ(ui::qt::BalloonHtml(G("<h1>  d [n]</h1>\r\n\r\n1. a\r\n2. b\r\n")),
            Q("<html><body><h1>  d [n]</h1><br>1. a<br>2. b<br></body></html>"));
  EXPECT_EQ(ui::qt::BalloonHtml("<body>a\r\nb</body>"), Q("<body>a<br>b</body>"));
}

}  // namespace
