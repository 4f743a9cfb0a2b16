// Everything an event handler works on: the window, the system, the store,
// the program-wide values and the run-time settings. app/ owns them all and
// hands this on.
#pragma once

#include "program/program_settings.h"
#include "program/program_state.h"
#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/platform.h"

namespace program {

struct ProgramContext {
  ui::MainWindow& window;
  ui::Platform& platform;
  store::Store& store;
  ProgramState& state;
  const ProgramSettings& settings;
};

}  // namespace program
