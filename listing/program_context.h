// Everything an event handler works on: the window, the system, the store
// and the program-wide values. app/ owns them all and hands this on.
#pragma once

#include <string>

#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/platform.h"
#include "ui/program_state.h"

namespace listing {

// Values fixed when the program is built.
struct ProgramSettings {
  std::string source_host = "127.0.0.1:18080";  // host[:port] of the listing pages
};

struct ProgramContext {
  ui::MainWindow& window;
  ui::Platform& platform;
  store::Store& store;
  ui::ProgramState& state;
  const ProgramSettings& settings;
};

}  // namespace listing
