#include "cli/output_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace cli {

Output::Output(std::FILE* stream) : stream_(stream) {
  buffer_.reserve(kBlockBytes + (kBlockBytes >> 2));
}

std::optional<Output> Output::ToFile(const std::filesystem::path& file, std::string* error) {
  Output output;
  output.file_ = file;
  std::random_device random;
  output.side_file_ = file;
  output.side_file_ += ".part-" + std::to_string(random() % 1000000);
  output.stream_ = std::fopen(output.side_file_.string().c_str(), "wb");
  if (!output.stream_) {
    if (error) *error = "cannot write " + file.string() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  output.owns_stream_ = true;
  output.buffer_.reserve(kBlockBytes + (kBlockBytes >> 2));
  return output;
}

Output::Output(Output&& other) noexcept
    : stream_(other.stream_),
      owns_stream_(other.owns_stream_),
      file_(std::move(other.file_)),
      side_file_(std::move(other.side_file_)),
      buffer_(std::move(other.buffer_)),
      failed_(other.failed_),
      committed_(other.committed_) {
  other.stream_ = nullptr;
  other.owns_stream_ = false;
  other.committed_ = true;
}

Output::~Output() {
  if (owns_stream_ && stream_) std::fclose(stream_);
  if (!committed_ && !side_file_.empty()) {
    std::error_code ec;
    std::filesystem::remove(side_file_, ec);
  }
}

bool Output::Flush() {
  if (!buffer_.empty() && !failed_ && stream_) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size()) failed_ = true;
  }
  buffer_.clear();
  return !failed_;
}

std::optional<std::string> Output::Commit() {
  const std::string name = file_.empty() ? std::string("standard output") : file_.string();
  Flush();
  if (stream_ && std::fflush(stream_) != 0) failed_ = true;
  if (owns_stream_) {
    if (std::fclose(stream_) != 0) failed_ = true;
    stream_ = nullptr;
    owns_stream_ = false;
  }
  if (failed_) return "cannot write " + name;
  if (!side_file_.empty()) {
    std::error_code ec;
    std::filesystem::rename(side_file_, file_, ec);
    if (ec) return "cannot put " + name + " in place: " + ec.message();
  }
  committed_ = true;
  return std::nullopt;
}

}  // namespace cli
