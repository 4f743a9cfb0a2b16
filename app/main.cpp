// Quorvane: the program's entry. Builds the whole program around its Qt
// window (the store beside the executable) and runs the event loop.
#include <QApplication>

#include "app/qt_program.h"
#include "ui/qt/program_icon.h"

namespace {

int ProgramMain(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(ui::qt::ProgramIcon());

  app::QtProgram program(app::PathFromQt(QCoreApplication::applicationDirPath()),
                         QUORVANE_SOURCE_HOST, QUORVANE_MAKER_URL);
  program.Start();
  application.exec();
  program.Finish();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return ProgramMain(argc, argv);
}
