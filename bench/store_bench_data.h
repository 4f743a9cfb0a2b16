// Realistic listings for benchmarks, and a cache of big stores built once.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "store/record_store.h"

namespace bench_support {

// The nine GBK fields of listing number i (deterministic): two full Seat
// blocks with branch names of realistic length, about 1 KB in all.
std::array<std::string, store::kFieldCount> RealisticListing(int64_t i);

// A store file holding `count` realistic listings, built on first use and
// kept under the build folder for later runs. Returns its path.
std::filesystem::path CachedStore(int64_t count);

// A fresh copy of a cached store in a temporary folder (for benchmarks that
// change the file). Removed by the caller.
std::filesystem::path CopyOfCachedStore(int64_t count, const std::string& tag);

}  // namespace bench_support
