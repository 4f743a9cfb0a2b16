// Quorvane: the program's entry. Builds the program-wide values, the window
// model and the store, wires the events, shows the Qt window and runs the
// event loop.
#include <QApplication>

#include "app/event_wiring.h"
#include "listing/program_context.h"
#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/program_state.h"
#include "ui/qt/program_icon.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/window_view.h"

namespace {

int ProgramMain(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(ui::qt::ProgramIcon());

  ui::ProgramState state;
  const listing::ProgramSettings settings{QUORVANE_SOURCE_HOST};
  ui::MainWindow window(ui::WindowSettings{QUORVANE_MAKER_URL});
  store::Store store(store::StorePath(QCoreApplication::applicationDirPath().toStdString()));
  ui::qt::QtPlatform platform;
  listing::ProgramContext ctx{window, platform, store, state, settings};
  app::WireEvents(ctx);

  ui::qt::WindowView view(window, platform);
  platform.SetWindow(&view);
  view.show();
  window.RaiseCreated();
  application.exec();

  // A download still running stops after the page it is writing.
  state.download_stop.request_stop();
  platform.Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return ProgramMain(argc, argv);
}
