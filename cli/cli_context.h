// What every command of quorvane-cli works with: the run-time settings,
// the two output streams, the time of the start and the stop request.
#pragma once

#include <cstdio>
#include <stop_token>

#include "program/run_settings.h"
#include "text/date_time.h"

namespace cli {

// The exit status of quorvane-cli.
enum ExitStatus : int {
  kDone = 0,
  kBadUsage = 1,       // a refusal: bad options or a range the window refuses
  kStoreFailed = 2,    // the store cannot be opened or written (locked too)
  kPagesFailed = 3,    // finished, but some pages failed
  kInterrupted = 130,  // stopped by Ctrl+C; what was stored stays
};

struct CliContext {
  program::RunSettings settings;
  std::FILE* out = stdout;  // the command's result (check, an export without --output)
  std::FILE* err = stderr;  // messages and progress
  bool err_is_terminal = false;
  text::DateTime now;  // local time at the start: "today" of the ranges
  std::stop_token stop;
};

}  // namespace cli
