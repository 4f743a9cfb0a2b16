#include "tests/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QtTest/QTest>

namespace qt_testing {

WhenShown::WhenShown(const QMetaObject& kind, std::function<void(QWidget*)> act)
    : kind_(kind), act_(std::move(act)) {
  qApp->installEventFilter(this);
}

WhenShown::~WhenShown() {
  qApp->removeEventFilter(this);
}

bool WhenShown::eventFilter(QObject* watched, QEvent* event) {
  if (!shown_ && event->type() == QEvent::Show && watched->isWidgetType() &&
      watched->metaObject()->inherits(&kind_)) {
    shown_ = true;
    QPointer<QWidget> widget(static_cast<QWidget*>(watched));
    QMetaObject::invokeMethod(
        widget.data(),
        [widget, act = act_] {
          if (widget) act(widget.data());
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

BoxAnswerer::BoxAnswerer(QMessageBox::StandardButton button)
    : seen_(std::make_shared<SeenBox>()),
      watch_(QMessageBox::staticMetaObject, [button, seen = seen_](QWidget* widget) {
        auto* box = static_cast<QMessageBox*>(widget);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        seen->icon = box->icon();
        seen->button_texts.clear();
        for (QAbstractButton* b : box->buttons()) seen->button_texts << b->text();
        seen->seen = true;
        if (QAbstractButton* b = box->button(button)) b->click();
      }) {}

bool WaitUntil(const std::function<bool()>& pred, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!pred()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(1);
  }
  return true;
}

}  // namespace qt_testing

// The tests need one application object for the whole program.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
