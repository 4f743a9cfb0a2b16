// What the command line says: the window's messages turned into one UTF-8
// line each, and the lines of the command line's own.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "store/download_log.h"
#include "store/store_error.h"

namespace cli {

// A GBK message of the window as one UTF-8 line: its line breaks (and the
// blanks that indent the next line) become one space.
std::string OneLine(std::string_view gbk);

// "quorvane-cli: " + line + "\n" on `stream`.
void Say(std::FILE* stream, std::string_view line);

// Why a page failed, in English: the download log's reason (and the HTTP
// status it concerns): "status 500", "no list on the page".
std::string FailureWords(store::PageFailure failure, long status);

// The window's message for a store failure, and the file it concerns.
std::string StoreFailureLine(const store::StoreError& error, const std::filesystem::path& file);

}  // namespace cli
