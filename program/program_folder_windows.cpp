// The program's place on Windows: its executable, the user's roaming
// application-data folder, and whether a folder may be written.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "program/store_location.h"

namespace program {

bool FolderWritable(const std::filesystem::path& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return false;
  // Windows has no cheap permission question that answers for the
  // folder's ACL: make and remove a file.
  const std::filesystem::path probe = folder / L".quorvane-write-probe";
  HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
  ::CloseHandle(h);
  return true;
}

std::optional<std::filesystem::path> ExecutableFolder() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return std::nullopt;
  buffer.resize(n);
  return std::filesystem::path(buffer).parent_path();
}

std::optional<std::filesystem::path> HomeFromUserDatabase() {
  if (const wchar_t* profile = ::_wgetenv(L"USERPROFILE")) return std::filesystem::path(profile);
  return std::nullopt;
}

std::filesystem::path UserDataFolder(
    const std::function<std::optional<std::string>(const char*)>&) {
  // What Qt's application-data location gives on Windows.
  if (const wchar_t* appdata = ::_wgetenv(L"APPDATA"))
    return std::filesystem::path(appdata) / L"quorvane";
  return HomeFromUserDatabase().value_or(L"C:\\") / L"AppData" / L"Roaming" / L"quorvane";
}

std::filesystem::path UserCacheFolder(
    const std::function<std::optional<std::string>(const char*)>&) {
  if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"))
    return std::filesystem::path(local) / L"quorvane" / L"cache";
  return HomeFromUserDatabase().value_or(L"C:\\") / L"AppData" / L"Local" / L"quorvane" / L"cache";
}

}  // namespace program
