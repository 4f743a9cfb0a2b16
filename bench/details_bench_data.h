// A big store for the details benchmarks: realistic listings of which every
// tenth repeats the date and stock name of an earlier one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench_support {

inline constexpr int64_t kDuplicateEvery = 10;

// The store with `count` listings, built on first use and kept under the
// build folder (keyed by the count) for later runs.
std::filesystem::path DuplicateStore(int64_t count);

// The record numbers that duplicate removal must delete from it, ascending.
std::vector<int64_t> DuplicateRecordNumbers(int64_t count);

// A fresh copy of `source` in the temporary folder.
std::filesystem::path CopyForOneRun(const std::filesystem::path& source);
// Removes a store file with its write-ahead log and shared-memory files.
void RemoveStoreFiles(const std::filesystem::path& path);

}  // namespace bench_support
