#include "store/store_stamp.h"

#include <system_error>

#include "store/file_identity.h"

namespace store {
namespace {

std::optional<FileStamp> StampOfFile(const std::filesystem::path& path) {
  std::error_code ec;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  const auto changed = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  stamp.changed = static_cast<int64_t>(changed.time_since_epoch().count());
  stamp.identity = FileIdentity(path);
  return stamp;
}

}  // namespace

StoreStamp StampOfStore(const std::filesystem::path& store_path) {
  std::filesystem::path log = store_path;
  log += "-wal";
  // Opening the store makes an empty log and the last close removes it:
  // neither is a write.
  std::optional<FileStamp> log_stamp = StampOfFile(log);
  if (log_stamp && log_stamp->size == 0) log_stamp.reset();
  return StoreStamp{StampOfFile(store_path), log_stamp};
}

}  // namespace store
