// Running quorvane-cli (or any program) as a user would, from tests: its
// exit status and what it wrote on standard output and standard error.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/record_store.h"

namespace testing_support {

struct ProgramRun {
  int status = -1;  // exit status; 128 + signal when a signal ended it
  std::string out;
  std::string err;
  double seconds = 0;
  bool timed_out = false;
};

// A change of the child's environment: set to a value, or unset (nullopt).
using EnvironmentChange = std::pair<std::string, std::optional<std::string>>;

// Starts argv[0] (a path, or a name looked up on PATH) with the rest as arguments, the parent's
// environment with `changes`, in `folder` when given; waits at most
// timeout_ms, then kills it; with interrupt_after_ms, sends it SIGINT
// (Ctrl+C) that long after the start. posix_spawn: safe beside the test's
// threads.
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<EnvironmentChange>& changes = {},
                      const std::filesystem::path& folder = {}, int timeout_ms = 120000,
                      int interrupt_after_ms = -1);

// The built quorvane-cli.
std::filesystem::path CliProgram();

// quorvane-cli with `args`, QUORVANE_SOURCE_HOST unset, then `changes`.
ProgramRun RunCli(const std::vector<std::string>& args,
                  std::vector<EnvironmentChange> changes = {});

// Every record of the store file, its nine fields (GBK).
std::vector<std::array<std::string, store::kFieldCount>> StoredRecords(
    const std::filesystem::path& store_file);

// The lines of a text ("\n" ends a line; a last line without one counts).
std::vector<std::string> Lines(const std::string& text);

// The Debian system Python (the one python3-openpyxl installs for).
std::string SystemPython();

}  // namespace testing_support
