#include "program/run_settings.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "program/installed_defaults.h"

namespace program {
namespace {

std::string Where(const Setting& setting, const SettingNames& names) {
  return OriginText(setting, names);
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Why "host[:port]" (before any path) is no host; empty when it is one.
std::string HostProblem(std::string_view host) {
  if (host.empty()) return "is empty";
  for (char c : host) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u == 0x7F) return "holds a blank or control character";
  }
  if (host.find("://") != std::string_view::npos) return "takes no scheme (write HOST[:PORT])";
  std::string_view authority = host.substr(0, host.find('/'));
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    // [IPv6]:port
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return "lacks the closing ] of its address";
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return "has text after its address";
      port = rest.substr(1);
      if (port.empty()) return "has an empty port";
    }
    authority = authority.substr(0, close + 1);
  } else if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    port = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
    if (port.empty()) return "has an empty port";
  }
  if (authority.empty() || authority == "[]") return "names no host";
  if (!port.empty()) {
    if (!IsDigits(port) || port.size() > 5 || std::atoi(std::string(port).c_str()) < 1 ||
        std::atoi(std::string(port).c_str()) > 65535)
      return "has a port that is not a number from 1 to 65535";
  }
  return {};
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string OriginText(const Setting& setting, const SettingNames& names) {
  switch (setting.origin) {
    case SettingOrigin::kCommandLine:
      return std::string("given with ") + names.option;
    case SettingOrigin::kEnvironment:
      return std::string("from the environment variable ") + names.environment;
    case SettingOrigin::kInstalled:
      return "the installed default";
    case SettingOrigin::kBuild:
      return "built in";
  }
  return "";
}

Setting ResolveSetting(const std::optional<std::string>& option, const SettingNames& names,
                       std::string built_in, const EnvironmentLookup& environment) {
  return ResolveSetting(option, names, std::nullopt, std::move(built_in), environment);
}

Setting ResolveSetting(const std::optional<std::string>& option, const SettingNames& names,
                       const std::optional<std::string>& installed, std::string built_in,
                       const EnvironmentLookup& environment) {
  if (option) return Setting{*option, SettingOrigin::kCommandLine};
  if (environment) {
    if (std::optional<std::string> value = environment(names.environment); value && !value->empty())
      return Setting{std::move(*value), SettingOrigin::kEnvironment};
  }
  if (installed && !installed->empty()) return Setting{*installed, SettingOrigin::kInstalled};
  return Setting{std::move(built_in), SettingOrigin::kBuild};
}

ProgramSettings ProgramSettingsOf(const RunSettings& run) {
  ProgramSettings settings;
  settings.source_host = run.source_host.value;
  settings.source_kind = run.source_kind;
  settings.datacentre_gap_ms = run.request_gap_ms;
  settings.source_host_origin = run.source_host.origin;
  settings.source_kind_origin = run.source_kind_setting.origin;
  settings.ca_file = run.ca_file;
  settings.answers_folder = run.answers_folder;
  settings.prices_host = run.prices_host.value;
  settings.prices_gap_ms = run.prices_gap_ms;
  return settings;
}

std::string SourceInForce(const RunSettings& run) {
  return std::string(download::SourceKindName(run.source_kind)) + " (" +
         OriginText(run.source_kind_setting, kSourceKindNames) + ") at " + run.source_host.value +
         " (" + OriginText(run.source_host, kSourceHostNames) + ")";
}

std::string BuiltInSourceHost() {
  return QUORVANE_SOURCE_HOST;
}

std::optional<std::string> CheckSourceHost(const Setting& host, const SettingNames& names,
                                           bool scheme_allowed) {
  std::string_view rest = host.value;
  if (scheme_allowed) {
    for (std::string_view scheme : {"http://", "https://"})
      if (rest.substr(0, scheme.size()) == scheme) rest.remove_prefix(scheme.size());
  }
  const std::string problem = HostProblem(rest);
  if (problem.empty()) return std::nullopt;
  return "the source host \"" + host.value + "\" (" + Where(host, names) + ") " + problem;
}

ResolvedRunSettings ResolveRunSettings(const LaunchOptions& options, const ProgramPlace& place,
                                       const EnvironmentLookup& environment) {
  ResolvedRunSettings resolved;
  // An installed program's own defaults come between the environment and
  // the build.
  const auto installed = ReadDefaultsFile(InstalledDefaultsFile(place.program_folder));
  const auto installed_value = [&installed](const char* key) -> std::optional<std::string> {
    const auto it = installed.find(key);
    if (it == installed.end()) return std::nullopt;
    return it->second;
  };
  resolved.settings.source_host =
      ResolveSetting(options.source_host, kSourceHostNames, installed_value("source_host"),
                     BuiltInSourceHost(), environment);
  resolved.settings.store = ResolveStoreLocation(options.store, place);
  if (environment) {
    resolved.settings.ca_file = environment(kCaFileEnvironment).value_or(std::string());
    resolved.settings.answers_folder = UserCacheFolder(environment) / "answers";
  }
  const Setting kind = ResolveSetting(options.source_kind, kSourceKindNames,
                                      installed_value("source_kind"), "pages", environment);
  resolved.settings.source_kind_setting = kind;
  if (const std::optional<download::SourceKind> parsed = download::ParseSourceKind(kind.value)) {
    resolved.settings.source_kind = *parsed;
  } else {
    resolved.error = "the source kind \"" + kind.value + "\" (" + Where(kind, kSourceKindNames) +
                     ") is neither pages nor datacenter";
    return resolved;
  }
  const Setting gap = ResolveSetting(options.request_gap, kRequestGapNames,
                                     std::to_string(resolved.settings.request_gap_ms), environment);
  if (!IsDigits(gap.value) || gap.value.size() > 5 || std::stoi(gap.value) > kLongestRequestGapMs) {
    resolved.error = "the request gap \"" + gap.value + "\" (" + Where(gap, kRequestGapNames) +
                     ") is not a number of milliseconds from 0 to " +
                     std::to_string(kLongestRequestGapMs);
    return resolved;
  }
  resolved.settings.request_gap_ms = std::stoi(gap.value);
  if (gap.origin != SettingOrigin::kBuild) resolved.settings.prices_gap_ms = std::stoi(gap.value);
  // The sample source serves the bars as well, so a build from source asks it.
  resolved.settings.prices_host =
      ResolveSetting(options.prices_host, kPricesHostNames, installed_value("prices_host"),
                     BuiltInSourceHost(), environment);
  if (auto problem = CheckSourceHost(resolved.settings.prices_host, kPricesHostNames, true)) {
    resolved.error = std::move(problem);
    return resolved;
  }
  resolved.error =
      CheckSourceHost(resolved.settings.source_host, kSourceHostNames,
                      resolved.settings.source_kind == download::SourceKind::kDataCentre);
  return resolved;
}

}  // namespace program
