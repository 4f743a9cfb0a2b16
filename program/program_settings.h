// Values the program takes when it starts and keeps for its whole run.
#pragma once

#include <filesystem>
#include <string>

#include "download/source_kind.h"

namespace program {

// Where a run-time setting's value came from.
enum class SettingOrigin {
  kCommandLine,
  kEnvironment,
  kInstalled,  // the installed programs' defaults file
  kBuild,
};

struct ProgramSettings {
  // host[:port] of the source; for the data centre it may carry its scheme
  // ("https://host").
  std::string source_host = "127.0.0.1:18080";
  download::SourceKind source_kind = download::SourceKind::kPages;
  // The data centre's politeness: the gap between two requests, the retries
  // of a request that timed out or got 429 or 5xx, and the first back-off
  // (doubled on every further retry).
  int datacentre_gap_ms = 300;
  int datacentre_retries = 3;
  int datacentre_backoff_ms = 1000;
  // Where the source and its kind came from, for the captions that say
  // which source is in force.
  SettingOrigin source_host_origin = SettingOrigin::kBuild;
  SettingOrigin source_kind_origin = SettingOrigin::kBuild;
  // Certificate authorities trusted instead of the system's store (tests
  // only; empty: the system's store).
  std::string ca_file{};
  // Where answers the data centre sent that could not be read are kept
  // (empty: nowhere).
  std::filesystem::path answers_folder{};
  // The daily K-line service (empty: the listings' source host, which the
  // sample source serves too) and the gap between two of its requests.
  std::string prices_host{};
  int prices_gap_ms = 600;
};

}  // namespace program
