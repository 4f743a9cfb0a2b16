// Answers a source could not read, kept in the user's cache folder so that
// the user can show us what the service sent: the first 64 KiB of each, a
// file per answer, the newest few kept.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace download {

class AnswerKeeper {
 public:
  static constexpr size_t kKeptFiles = 20;
  static constexpr size_t kKeptBytes = size_t{64} << 10;

  // Keeps nothing without a folder.
  explicit AnswerKeeper(std::filesystem::path folder = {}, size_t kept_files = kKeptFiles);

  const std::filesystem::path& folder() const { return folder_; }

  // Writes the first kKeptBytes of `body` to a new file of the folder (made
  // when missing), named for the time and `what` (the report and date, say),
  // then removes the oldest kept answers beyond the newest `kept_files`.
  // The new file, or nullopt when there is no folder or it cannot be
  // written.
  std::optional<std::filesystem::path> Keep(std::string_view body, std::string_view what);

 private:
  std::filesystem::path folder_;
  size_t kept_files_;
  unsigned serial_ = 0;
};

}  // namespace download
