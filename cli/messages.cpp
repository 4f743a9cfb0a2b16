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

std::string FailureWords(store::PageFailure failure, long status) {
  switch (failure) {
    case store::PageFailure::kNone:
      break;
    case store::PageFailure::kConnection:
      return "no connection";
    case store::PageFailure::kTimeout:
      return "timed out";
    case store::PageFailure::kStatus:
      return "status " + std::to_string(status);
    case store::PageFailure::kEmptyBody:
      return "empty answer";
    case store::PageFailure::kNoList:
      return "no list on the page";
    case store::PageFailure::kTooBig:
      return "page too big";
    case store::PageFailure::kWriteFailed:
      return "not stored";
    case store::PageFailure::kBadAnswer:
      return "answer not readable";
    case store::PageFailure::kRedirect:
      return "redirect not followed (status " + std::to_string(status) + ")";
    case store::PageFailure::kCertificate:
      return "certificate not trusted";
    case store::PageFailure::kRefused:
      return "refused";
  }
  return "failed";
}

std::string StoreFailureLine(const store::StoreError& error, const std::filesystem::path& file) {
  if (error.kind == store::ErrorKind::kMissing)
    return "no store at " + file.string() + " (a download creates it)";
  return OneLine(store::ErrorMessage(error)) + " (" + file.string() + ")";
}

}  // namespace cli
