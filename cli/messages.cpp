#include "cli/messages.h"

#include "text/gbk.h"

namespace cli {

std::string OneLine(std::string_view gbk) {
  const std::string utf8 = text::Utf8(gbk);
  std::string line;
  bool breaking = false;
  for (char c : utf8) {
    if (c == '\r' || c == '\n') {
      breaking = true;
      continue;
    }
    if (breaking) {
      if (c == ' ') continue;
      line += ' ';
      breaking = false;
    }
    line += c;
  }
  return line;
}

void Say(std::FILE* stream, std::string_view line) {
  std::string text = "quorvane-cli: ";
  text += line;
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

std::string StoreFailureLine(const store::StoreError& error, const std::filesystem::path& file) {
  if (error.kind == store::ErrorKind::kMissing)
    return "no store at " + file.string() + " (a download creates it)";
  return OneLine(store::ErrorMessage(error)) + " (" + file.string() + ")";
}

}  // namespace cli
