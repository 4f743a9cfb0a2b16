// Helpers shared by the tests: temporary folders and GBK literals.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// GBK bytes of a UTF-8 literal.
inline std::string G(std::string_view utf8) { return text::Gbk(utf8); }
// UTF-8 of GBK bytes, for readable assertions.
inline std::string U(std::string_view gbk) { return text::Utf8(gbk); }

// Rows of fields of an RFC 4180 text (CRLF line ends, quoted fields with
// doubled quotes); a leading UTF-8 byte-order mark is skipped.
std::vector<std::vector<std::string>> ParseCsv(std::string_view csv);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace testing_support
