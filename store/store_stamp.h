// What the files of a store look like from outside: which files they are,
// their sizes and last changes. A write by anyone (this program, the
// command-line program, another window) changes the stamp; reading does not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace store {

struct FileStamp {
  std::optional<uint64_t> identity;
  uintmax_t size = 0;
  int64_t changed = 0;  // last write, in the file clock's ticks
  bool operator==(const FileStamp&) const = default;
};

struct StoreStamp {
  std::optional<FileStamp> store;  // Data.edb
  std::optional<FileStamp> log;    // its write-ahead log, Data.edb-wal
  bool operator==(const StoreStamp&) const = default;
};

StoreStamp StampOfStore(const std::filesystem::path& store_path);

}  // namespace store
