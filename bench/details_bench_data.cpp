#include "bench/details_bench_data.h"

#include <unistd.h>

#include <random>
#include <string>

#include "bench/store_bench_data.h"
#include "store/record_store.h"
#include "text/gbk.h"

namespace bench_support {
namespace {

// Day n after 2000-01-01 as date text (proleptic Gregorian).
std::string DateText(int64_t n) {
  int64_t z = n + 730425;  // days from 0000-03-01 to 2000-01-01
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char out[16];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month),
                static_cast<int>(day));
  return out;
}

// Unique key k: a hundred listings a day, each under its own name.
void KeyFields(int64_t k, std::string& date, std::string& name) {
  date = DateText(k / 100);
  name = text::Gbk("股") + std::to_string(1000 + k % 100);
}

}  // namespace

std::vector<int64_t> DuplicateRecordNumbers(int64_t count) {
  std::vector<int64_t> numbers;
  for (int64_t n = kDuplicateEvery; n <= count; n += kDuplicateEvery) numbers.push_back(n);
  return numbers;
}

std::filesystem::path DuplicateStore(int64_t count) {
  const std::filesystem::path folder = QUORVANE_BENCH_CACHE_DIR;
  std::filesystem::create_directories(folder);
  const auto path = folder / ("details-duplicates-" + std::to_string(count) + ".edb");
  if (std::filesystem::exists(path)) return path;
  const auto building = folder / ("building-" + std::to_string(::getpid()) + ".edb");
  std::filesystem::remove(building);
  {
    store::Store s(building);
    s.EnsureStore();
    auto a = s.OpenStore(store::AccessMode::kWriter);
    std::mt19937_64 random(20100409);
    int64_t unique = 0;
    std::string date;
    std::string name;
    constexpr int kBatch = 10000;
    for (int64_t n = 1; n <= count; ++n) {
      if (n % kBatch == 1) a.BeginBatch();
      // Every tenth listing repeats the key of a random earlier one.
      if (n % kDuplicateEvery == 0) {
        KeyFields(static_cast<int64_t>(random() % static_cast<uint64_t>(unique)), date, name);
      } else {
        KeyFields(unique++, date, name);
      }
      auto f = RealisticListing(n);
      f[store::kDate - 1] = date;
      f[store::kName - 1] = name;
      a.AppendBlank();
      for (int k = 0; k < store::kFieldCount; ++k) a.WriteField(k + 1, f[static_cast<size_t>(k)]);
      if (n % kBatch == 0 || n == count) a.CommitBatch();
    }
    a.CloseStore();
  }
  std::filesystem::rename(building, path);
  return path;
}

void RemoveStoreFiles(const std::filesystem::path& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::path p = path;
    p += suffix;
    std::filesystem::remove(p);
  }
}

std::filesystem::path CopyForOneRun(const std::filesystem::path& source) {
  const auto copy = std::filesystem::temp_directory_path() /
                    ("quorvane-details-bench-" + std::to_string(::getpid()) + ".edb");
  RemoveStoreFiles(copy);
  std::filesystem::copy_file(source, copy);
  return copy;
}

}  // namespace bench_support
