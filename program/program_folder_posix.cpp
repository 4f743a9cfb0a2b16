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

namespace {

// $<variable>/quorvane when the variable is set and not empty, else
// quorvane under `in_home` in the user's home folder.
std::filesystem::path XdgFolder(
    const std::function<std::optional<std::string>(const char*)>& environment, const char* variable,
    const std::filesystem::path& in_home) {
  auto get = [&](const char* name) -> std::string {
    if (!environment) return {};
    return environment(name).value_or(std::string());
  };
  if (const std::string base = get(variable); !base.empty())
    return std::filesystem::path(base) / "quorvane";
  std::filesystem::path home = get("HOME");
  if (home.empty()) home = HomeFromUserDatabase().value_or("/");
  return home / in_home / "quorvane";
}

}  // namespace

std::filesystem::path UserDataFolder(
    const std::function<std::optional<std::string>(const char*)>& environment) {
  return XdgFolder(environment, "XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

std::filesystem::path UserCacheFolder(
    const std::function<std::optional<std::string>(const char*)>& environment) {
  return XdgFolder(environment, "XDG_CACHE_HOME", ".cache");
}

}  // namespace program
