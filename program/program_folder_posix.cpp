// The program's place on POSIX systems: its executable, the user's home and
// data folders, and whether a folder may be written.
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <system_error>
#include <vector>

#include "program/store_location.h"

namespace program {

bool FolderWritable(const std::filesystem::path& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return false;
  // Creating files needs write and search permission on the folder.
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::filesystem::path> ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return std::nullopt;
  return exe.parent_path();
}

std::optional<std::filesystem::path> HomeFromUserDatabase() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir || !*found->pw_dir)
    return std::nullopt;
  return std::filesystem::path(found->pw_dir);
}

std::filesystem::path UserDataFolder(
    const std::function<std::optional<std::string>(const char*)>& environment) {
  auto get = [&](const char* name) -> std::string {
    if (!environment) return {};
    return environment(name).value_or(std::string());
  };
  if (const std::string data_home = get("XDG_DATA_HOME"); !data_home.empty())
    return std::filesystem::path(data_home) / "quorvane";
  std::filesystem::path home = get("HOME");
  if (home.empty()) home = HomeFromUserDatabase().value_or("/");
  return home / ".local" / "share" / "quorvane";
}

std::filesystem::path UserCacheFolder(
    const std::function<std::optional<std::string>(const char*)>& environment) {
  auto get = [&](const char* name) -> std::string {
    if (!environment) return {};
    return environment(name).value_or(std::string());
  };
  if (const std::string cache_home = get("XDG_CACHE_HOME"); !cache_home.empty())
    return std::filesystem::path(cache_home) / "quorvane";
  std::filesystem::path home = get("HOME");
  if (home.empty()) home = HomeFromUserDatabase().value_or("/");
  return home / ".cache" / "quorvane";
}

}  // namespace program
