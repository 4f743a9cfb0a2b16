// Helpers of the store's tests: the file looked at with bare SQLCipher, from
// outside the store, and a few listings written and read back by name.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/record_store.h"

namespace store_testing {

// The key the store's files are made with.
inline constexpr char kKey[] = "q3051hnzk7264bwtf";

// Runs `sql` read-only with `key` (none: no key); returns the SQLite code of
// the first failure or SQLITE_OK, and the first row's first value if asked.
int RawRead(const std::filesystem::path& path, const char* key, const char* sql,
            std::string* first_value = nullptr);
// Runs `sql` read-write with the store's key.
int RawExec(const std::filesystem::path& path, const std::string& sql);

// Appends a listing with only its date and name.
void AppendListing(store::StoreAccess& a, const std::string& date, const std::string& name);
// The names of every record, in record order.
std::vector<std::string> Names(store::Store& s);

}  // namespace store_testing
