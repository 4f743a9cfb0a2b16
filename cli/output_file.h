// Where an export's bytes go: standard output as they come, or a file
// written under a side name and moved into place only when complete, so a
// failed or refused export never leaves a part file or spoils an older one.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

class Output {
 public:
  // Standard output (or any stream the caller keeps open).
  explicit Output(std::FILE* stream);
  // A file: opened under a side name now; nullopt and `error` when even
  // that fails.
  static std::optional<Output> ToFile(const std::filesystem::path& file, std::string* error);
  Output(Output&& other) noexcept;
  Output& operator=(Output&&) = delete;
  // An output not committed is abandoned: its side file is removed.
  ~Output();

  // Bytes are gathered here and written in blocks of a quarter mebibyte:
  // writers append to buffer() and call Flush() now and then. A block that
  // small is still in the processor's cache when the kernel copies it into
  // the file; a 1 MiB one made that copy some five times dearer for a 1 GB
  // export.
  std::string& buffer() { return buffer_; }
  void FlushIfFull() {
    if (buffer_.size() >= kBlockBytes) Flush();
  }
  void Write(std::string_view bytes) {
    buffer_.append(bytes);
    FlushIfFull();
  }
  bool Flush();
  bool failed() const { return failed_; }

  // Writes what is left and, for a file, moves it into place. The error
  // (English) when any write failed; then nothing is left at the file.
  std::optional<std::string> Commit();

 private:
  Output() = default;
  static constexpr size_t kBlockBytes = size_t{1} << 18;

  std::FILE* stream_ = nullptr;
  bool owns_stream_ = false;
  std::filesystem::path file_;
  std::filesystem::path side_file_;
  std::string buffer_;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace cli
