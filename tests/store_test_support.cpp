#include "tests/store_test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace store_testing {

int RawRead(const std::filesystem::path& path, const char* key, const char* sql,
            std::string* first_value) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK && key) {
    std::string pragma = std::string("PRAGMA key='") + key + "'; PRAGMA cipher_page_size=4096;";
    rc = sqlite3_exec(db, pragma.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(s);
      if (rc == SQLITE_ROW) {
        if (first_value && sqlite3_column_text(s, 0))
          *first_value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        rc = SQLITE_OK;
      } else if (rc == SQLITE_DONE) {
        rc = SQLITE_OK;
      }
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return rc;
}

int RawExec(const std::filesystem::path& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const std::string keyed =
      std::string("PRAGMA key='") + kKey + "'; PRAGMA cipher_page_size=4096; " + sql;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, keyed.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

void AppendListing(store::StoreAccess& a, const std::string& date, const std::string& name) {
  ASSERT_TRUE(a.AppendBlank());
  a.WriteField(store::kDate, date);
  a.WriteField(store::kName, name);
}

std::vector<std::string> Names(store::Store& s) {
  std::vector<std::string> names;
  auto a = s.OpenStore();
  EXPECT_TRUE(a.ok());
  a.GoToFirst();
  for (int64_t i = 1; i <= a.RecordCount(); ++i) {
    names.push_back(a.ReadField(store::kName));
    a.Skip(1);
  }
  return names;
}

}  // namespace store_testing
