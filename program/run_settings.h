// The run-time settings both programs take when they start: the host the
// listing pages come from and the store file. Each setting is read from its
// command-line option, else from its environment variable, else from the
// build; the window and the command line resolve them here, the same way.
// No toolkit in it: the window hands in what Qt tells it about its folders.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "program/program_settings.h"
#include "program/store_location.h"

namespace program {

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
// The process's own environment.
std::optional<std::string> ProcessEnvironment(const char* name);

struct Setting {
  std::string value;
  SettingOrigin origin = SettingOrigin::kBuild;
};

// A setting's two outside names: the option and the environment variable.
struct SettingNames {
  const char* option;
  const char* environment;
};
inline constexpr SettingNames kSourceHostNames{"--source", "QUORVANE_SOURCE_HOST"};
inline constexpr SettingNames kSourceKindNames{"--source-kind", download::kSourceKindEnvironment};
inline constexpr SettingNames kPricesHostNames{"--prices-source", "QUORVANE_PRICES_HOST"};
inline constexpr SettingNames kRequestGapNames{"--request-gap", "QUORVANE_REQUEST_GAP_MS"};
// The longest gap between two requests to the data centre one may set.
inline constexpr int kLongestRequestGapMs = 60'000;

// The option's value when given, else the environment variable's when it is
// set and not empty, else the installed programs' default when there is
// one, else the value built in.
Setting ResolveSetting(const std::optional<std::string>& option, const SettingNames& names,
                       std::string built_in, const EnvironmentLookup& environment);
Setting ResolveSetting(const std::optional<std::string>& option, const SettingNames& names,
                       const std::optional<std::string>& installed, std::string built_in,
                       const EnvironmentLookup& environment);

// "given with --source", "from the environment variable …", "the installed
// default", "built in".
std::string OriginText(const Setting& setting, const SettingNames& names);

// host[:port] of the listing pages as the build set it (the CMake cache
// variable QUORVANE_SOURCE_HOST).
std::string BuiltInSourceHost();

// Why a source host cannot be used (English, one line), naming where it
// came from; nullopt when it can. A host is a name or address with an
// optional port of 1 to 65535 (and, for the sample source's fault paths, a
// path after it); no blanks, and no scheme unless `scheme_allowed` (the
// data centre may be asked over "http://" or "https://").
std::optional<std::string> CheckSourceHost(const Setting& host, const SettingNames& names,
                                           bool scheme_allowed = false);

// What a command line gave; unset when the option was not given.
struct LaunchOptions {
  std::optional<std::string> source_host;
  std::optional<std::string> source_kind;  // "pages" or "datacenter"
  std::optional<std::string> request_gap;  // milliseconds between data-centre requests
  std::optional<std::string> prices_host;  // the daily K-line service
  std::optional<std::filesystem::path> store;
};

// The environment variable naming a file of certificate authorities that
// https servers are checked against instead of the system's store; meant
// for tests, whose loopback servers have certificates of their own.
inline constexpr const char* kCaFileEnvironment = "QUORVANE_CA_FILE";

struct RunSettings {
  Setting source_host;
  download::SourceKind source_kind = download::SourceKind::kPages;
  Setting source_kind_setting{"pages", SettingOrigin::kBuild};
  int request_gap_ms = ProgramSettings{}.datacentre_gap_ms;
  // The daily K-line service, and the gap between its requests: the
  // request gap when one was given, else 600 ms.
  Setting prices_host;
  int prices_gap_ms = 600;
  StoreLocation store;
  std::string ca_file;
  // Where unreadable answers of the data centre are kept:
  // $XDG_CACHE_HOME/quorvane/answers (~/.cache/quorvane/answers).
  std::filesystem::path answers_folder;
};

// The settings a program runs with, from the resolved ones.
ProgramSettings ProgramSettingsOf(const RunSettings& run);

// Which source is in force and why, one line (English): "datacenter (the
// installed default) at https://datacenter-web.eastmoney.com (the
// installed default)".
std::string SourceInForce(const RunSettings& run);

struct ResolvedRunSettings {
  RunSettings settings;
  // Set when a setting cannot be used: the program stops with this line.
  std::optional<std::string> error;
};

// Every run-time setting of one start of either program.
ResolvedRunSettings ResolveRunSettings(const LaunchOptions& options, const ProgramPlace& place,
                                       const EnvironmentLookup& environment);

}  // namespace program
