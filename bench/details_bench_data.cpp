#include "bench/details_bench_data.h"

#include <unistd.h>

#include <random>
#include <string>

#include "bench/store_bench_data.h"
#include "store/record_store.h"
#include "text/gbk.h"
#include "ui/date_time.h"

namespace bench_support {
namespace {

// Day n after 2000-01-01 as date text.
std::string DateText(int64_t n) { return ui::DateTime::FromParts(2000, 1, 1).AddDays(n).DateText(); }

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
  const std::filesystem::path path = std::filesystem::path(QUORVANE_BENCH_CACHE_DIR) /
                                     ("details-duplicates-" + std::to_string(count) + ".edb");
  std::mt19937_64 random(20100409);
  int64_t unique = 0;
  return BuildStoreOnce(path, count, [&](int64_t n) {
    std::string date;
    std::string name;
    // Every tenth listing repeats the key of a random earlier one.
    if (n % kDuplicateEvery == 0) {
      KeyFields(static_cast<int64_t>(random() % static_cast<uint64_t>(unique)), date, name);
    } else {
      KeyFields(unique++, date, name);
    }
    auto f = RealisticListing(n);
    f[store::kDate - 1] = date;
    f[store::kName - 1] = name;
    return f;
  });
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
