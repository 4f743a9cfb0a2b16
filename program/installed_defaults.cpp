#include "program/installed_defaults.h"

#include <fstream>

#include "program/store_location.h"

namespace program {
namespace {

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::filesystem::path InstalledDefaultsFile(const std::filesystem::path& program_folder) {
  if (program_folder.empty()) return {};
  // The install rules give the path from the programs' folder.
  return program_folder / std::filesystem::path(QUORVANE_INSTALLED_DEFAULTS);
}

std::map<std::string, std::string, std::less<>> ReadDefaultsFile(
    const std::filesystem::path& file) {
  std::map<std::string, std::string, std::less<>> values;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(text.substr(0, equals));
    if (key.empty()) continue;
    values[std::string(key)] = std::string(Trimmed(text.substr(equals + 1)));
  }
  return values;
}

std::optional<std::string> InstalledDefault(std::string_view key,
                                            const std::filesystem::path& program_folder) {
  const std::filesystem::path file = InstalledDefaultsFile(program_folder);
  if (file.empty()) return std::nullopt;
  const auto values = ReadDefaultsFile(file);
  const auto it = values.find(key);
  if (it == values.end() || it->second.empty()) return std::nullopt;
  return it->second;
}

std::optional<std::string> InstalledDefault(std::string_view key) {
  const std::optional<std::filesystem::path> folder = ExecutableFolder();
  if (!folder) return std::nullopt;
  return InstalledDefault(key, *folder);
}

}  // namespace program
