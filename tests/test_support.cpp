#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

namespace testing_support {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("quorvane-test-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + "-" + std::to_string(rd() % 100000));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) {
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view csv) {
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") csv.remove_prefix(3);
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  bool field_started = false;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
      continue;
    }
    if (c == '"' && field.empty()) {
      quoted = true;
      field_started = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
      field_started = true;
    } else if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      field_started = false;
      ++i;
    } else {
      field += c;
      field_started = true;
    }
  }
  if (field_started || !field.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace testing_support
