// quorvane-cli's command line: the global options, the subcommands and
// their options (CLI11), and the exit status.
#pragma once

#include <cstdio>
#include <filesystem>
#include <stop_token>

#include "program/run_settings.h"
#include "text/date_time.h"

namespace cli {

// What a run takes from its surroundings; main() fills it from the system,
// tests fill it themselves.
struct CliEnvironment {
  program::EnvironmentLookup environment = program::ProcessEnvironment;
  program::ProgramPlace place;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool err_is_terminal = false;
  text::DateTime now;
  std::stop_token stop;
};

// The place of the running executable, as the store location needs it.
program::ProgramPlace ThisProgramPlace(const program::EnvironmentLookup& environment);

// Parses the arguments and runs the chosen subcommand; the exit status
// (see ExitStatus). Every refusal is one line on `err`.
int RunCli(int argc, const char* const* argv, const CliEnvironment& env);

}  // namespace cli
