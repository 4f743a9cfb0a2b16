#include "download/kept_answers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace download {
namespace {

constexpr std::string_view kPrefix = "answer-";

// "20100604-193000-123", UTC: names that sort by time.
std::string TimeStamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d-%03d", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return buf;
}

// Letters, digits, '-' and '_' of `what`; the rest as '_'.
std::string FileWord(std::string_view what) {
  std::string word;
  for (const char c : what.substr(0, 80)) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    word += plain ? c : '_';
  }
  return word;
}

}  // namespace

AnswerKeeper::AnswerKeeper(std::filesystem::path folder, size_t kept_files)
    : folder_(std::move(folder)), kept_files_(std::max<size_t>(kept_files, 1)) {}

std::optional<std::filesystem::path> AnswerKeeper::Keep(std::string_view body,
                                                        std::string_view what) {
  if (folder_.empty()) return std::nullopt;
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (ec) return std::nullopt;
  char serial[8];
  std::snprintf(serial, sizeof serial, "%03u", ++serial_ % 1000);
  const std::filesystem::path file =
      folder_ / (std::string(kPrefix) + TimeStamp() + "-" + serial + "-" + FileWord(what) + ".txt");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(body.data(), static_cast<std::streamsize>(std::min(body.size(), kKeptBytes)));
    if (!out) {
      out.close();
      std::filesystem::remove(file, ec);
      return std::nullopt;
    }
  }
  // The oldest go: names start with their time.
  std::vector<std::filesystem::path> kept;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kPrefix, 0) == 0 && entry.is_regular_file(ec)) kept.push_back(entry.path());
  }
  if (kept.size() > kept_files_) {
    std::sort(kept.begin(), kept.end());
    for (size_t i = 0; i + kept_files_ < kept.size(); ++i) std::filesystem::remove(kept[i], ec);
  }
  return file;
}

}  // namespace download
