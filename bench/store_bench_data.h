// Realistic listings for benchmarks, and a cache of big stores built once.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/record_store.h"

namespace bench_support {

// The nine GBK fields of listing number i (deterministic): two full Seat
// blocks with branch names of realistic length, about 1 KB in all.
std::array<std::string, store::kFieldCount> RealisticListing(int64_t i);

// The nine fields of listing number n; called for n = 1, 2, ... in order.
using ListingMaker = std::function<std::array<std::string, store::kFieldCount>(int64_t n)>;

// The store file at `path` with `count` listings made by `make`, built only
// when the file does not exist yet (under a side name, moved into place when
// complete). Returns `path`.
std::filesystem::path BuildStoreOnce(const std::filesystem::path& path, int64_t count,
                                     const ListingMaker& make);

// A store file holding `count` realistic listings, built on first use and
// kept under the build folder for later runs. Returns its path.
std::filesystem::path CachedStore(int64_t count);

// A fresh copy of a cached store in a temporary folder (for benchmarks that
// change the file). Removed by the caller.
std::filesystem::path CopyOfCachedStore(int64_t count, const std::string& tag);

// "YYYY-MM-DD" of the weekdays from `first` to `last`, at most `most` of them.
std::vector<std::string> WeekdayDates(std::chrono::sys_days first, std::chrono::sys_days last,
                                      size_t most = SIZE_MAX);

}  // namespace bench_support
