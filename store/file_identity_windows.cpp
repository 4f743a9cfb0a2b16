#include "store/file_identity.h"

namespace store {

// Windows does not let a file be deleted or replaced while SQLite holds it
// open, so any existing file at the path is the one a kept connection has.
std::optional<uint64_t> FileIdentity(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  return 1;
}

// The read-only attribute is what Windows users meet; folder rights show
// as a failed open instead.
bool MayWriteFileAndFolder(const std::filesystem::path& path) {
  std::error_code ec;
  const auto perms = std::filesystem::status(path, ec).permissions();
  return ec || (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
}

}  // namespace store
