// Not a test: the program around its Qt window, as main() builds it, driven
// into a download and then left for a signal from outside. Run by
// app_exit_signal_test.
//
//   exit_signal_probe FOLDER HOST START END after|during
//
// Downloads START..END (weekdays) from HOST into FOLDER/Data.edb, answering
// every message box with OK. Prints "ready" on standard output once the
// download has ended and the program is idle ("after"), or once it has
// stored two pages ("during"), then runs the event loop until it ends.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/qt_program.h"
#include "program/jobs.h"

namespace {

text::DateTime ParseDate(const std::string& t) {
  return text::DateTime::FromParts(std::stoi(t.substr(0, 4)), std::stoi(t.substr(5, 2)),
                                   std::stoi(t.substr(8, 2)), 12);
}

bool ProcessUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 60000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return 64;
  QApplication application(argc, argv);
  const std::string mode = argv[5];
  int exit_code = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->accept();
  });
  answer.start(20);
  {
    app::QtProgram program(app::PathFromQt(QString::fromLocal8Bit(argv[1])), argv[2],
                           "http://127.0.0.1:9/");
    program.Start();
    ui::MainWindow& w = program.window();
    if (!ProcessUntil([&] { return program.platform().running_workers() == 0; })) return 65;
    w.日期框1.UserSetValue(ParseDate(argv[3]));
    w.日期框2.UserSetValue(ParseDate(argv[4]));
    w.超级按钮_开始下载.UserClick();
    const bool reached =
        mode == "after" ? ProcessUntil([&] {
          return !program::JobRunning(program.state()) && program.platform().running_workers() == 0;
        })
                        : ProcessUntil([&] { return w.download_progress.value() >= 2; });
    if (!reached) return 66;
    std::printf("ready\n");
    std::fflush(stdout);
    exit_code = application.exec();
    program.Finish();
  }
  return exit_code;
}
