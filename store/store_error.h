// What went wrong with the table file, in a form a caller can show.
#pragma once

#include <string>

namespace store {

enum class ErrorKind {
  kMissing,        // the file does not exist
  kNotAStore,      // wrong password, damaged or not a listing store at all
  kBusy,           // another program holds the file
  kReadOnly,       // the file or its folder may not be written
  kCannotCreate,   // the file could not be created
  kFull,           // disk full or file-size limit reached
  kIo,             // the operating system refused a read or write
  kOther,
};

struct StoreError {
  ErrorKind kind = ErrorKind::kOther;
  int sqlite_code = 0;   // extended result code of the engine, 0 when none
  std::string detail;    // the engine's own words (ASCII/UTF-8), for logs and tests
};

// Maps an SQLite result code to our error kinds.
StoreError ErrorFromCode(int sqlite_code, std::string detail);

// The message shown to the user, in GBK, for example in a box titled
// "Ferrow提示".
std::string ErrorMessage(const StoreError& error);

}  // namespace store
