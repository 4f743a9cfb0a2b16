// The whole program around its Qt window: the program-wide values, the
// window model, the store, the Qt platform and the window on screen, built
// and wired in the order the program needs. main() runs one of these under
// its event loop; the end-to-end tests run the same.
#pragma once

#include <filesystem>
#include <string>

#include "program/program_context.h"
#include "program/program_state.h"
#include "app/exit_signals.h"
#include "program/store_location.h"
#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/window_view.h"

class QString;

namespace app {

// A path Qt names (the program's folder), as a path built from its UTF-16
// form: never through the system's narrow code page, in which a folder such
// as C:\Users\张三\ could not be named.
std::filesystem::path PathFromQt(const QString& path);

// Gives the toolkit the program's name, which its application-data location
// ends in ($XDG_DATA_HOME/quorvane, as the command line computes it). After
// the QApplication is made.
void NameProgram();
// On a Chinese system, Qt's own texts (calendar, file dialogs, standard
// buttons) in Chinese, from Qt's translations when they are installed.
void LoadQtTranslations();
// The window's own place as the store location needs it: its folder, whether
// that is writable, and the toolkit's application-data location.
program::ProgramPlace WindowPlace();

// The store file itself, as the run-time settings resolved it.
struct StoreFile {
  std::filesystem::path path;
};

class QtProgram {
 public:
  // Create on the user-interface thread, after the QApplication. The store
  // file Data.edb lives in `store_folder`; pages come from `source_host`.
  QtProgram(const std::filesystem::path& store_folder, std::string source_host,
            std::string maker_url);
  // The same with the store file named whole and every program setting
  // (the source's host and kind among them).
  QtProgram(StoreFile store_file, program::ProgramSettings settings, std::string maker_url);
  ~QtProgram();
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  // Shows the window and raises its created event (title, store, the first
  // statistics refresh on a worker).
  void Start();
  // SIGINT or SIGTERM: leaves as a confirmed close does. A running job is
  // asked to stop and closes the window when it has; message boxes still
  // open are answered Cancel.
  void LeaveOnSignal();
  // After the event loop: a download still running stops after the page it
  // is writing, and every worker is waited for. Idempotent.
  void Finish();

  ui::MainWindow& window() { return window_; }
  ui::qt::WindowView& view() { return view_; }
  ui::qt::QtPlatform& platform() { return platform_; }
  program::ProgramState& state() { return state_; }
  store::Store& store() { return store_; }
  program::ProgramContext& context() { return ctx_; }

 private:
  program::ProgramState state_;
  const program::ProgramSettings settings_;
  ui::MainWindow window_;
  store::Store store_;
  ui::qt::QtPlatform platform_;
  program::ProgramContext ctx_;
  // Wires the events on construction: before the window view exists, so
  // nothing on screen can reach an unwired component.
  struct Wiring {
    explicit Wiring(program::ProgramContext& ctx);
  } wiring_;
  ui::qt::WindowView view_;
  ExitSignals exit_signals_{[this] { LeaveOnSignal(); }};
};

}  // namespace app
