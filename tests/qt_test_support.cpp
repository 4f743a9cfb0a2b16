#include "tests/qt_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>

namespace qt_testing {

BoxAnswerer::BoxAnswerer(QMessageBox::StandardButton button)
    : seen_(std::make_shared<SeenBox>()), active_(std::make_shared<bool>(true)) {
  auto timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, button, seen = seen_, active = active_] {
    if (!*active) {
      timer->deleteLater();
      return;
    }
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->seen = true;
    *active = false;
    timer->deleteLater();
    if (QAbstractButton* b = box->button(button)) b->click();
  });
  timer->start();
}

BoxAnswerer::~BoxAnswerer() {
  *active_ = false;
}

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
