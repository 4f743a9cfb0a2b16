// What the parts of TableFile share behind its header: the engine handles
// and the SQL text helpers. Private to the store's sources.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/sqlite_handles.h"
#include "store/table_file.h"

namespace store {

struct TableFile::Handles {
  Connection db;     // first, so that the statements go before it
  Statement cursor;  // SELECT fields..., rowid WHERE rowid >= ? ORDER BY rowid
  Statement insert;
  Statement erase;
  Statement add_gap;              // prepared on the first purge
  std::vector<Statement> update;  // one per field, prepared on first use
  std::vector<Statement> range;   // one per field, prepared on first use
  Statement log_write;            // the download log's, prepared on first use
  Statement log_range;
  Statement log_row;
  Statement extras_write;  // the data centre's side tables, prepared on first use
  Statement seat_code_write;
};

namespace table_sql {

inline constexpr char kGapsTableSuffix[] = "_清除记录";

// An identifier in double quotes, inner quotes doubled.
std::string Quote(std::string_view identifier);
// A string literal in single quotes, inner quotes doubled.
std::string QuoteLiteral(std::string_view value);
// The name of the index on `field`: "<table>_<field>".
std::string IndexName(std::string_view table, std::string_view field);
std::string CreateIndexSql(std::string_view table, std::string_view field);
std::string CreateSideTableSql(const SideTable& side);
// A path as UTF-8 text, for error details.
std::string PathText(const std::filesystem::path& path);

}  // namespace table_sql

// Ends a batch a writer began itself: commits what went right, rolls back
// the rest. Inside a caller's batch the caller decides.
inline bool EndOwnBatch(TableFile& t, bool own_batch, bool ok) {
  if (!own_batch) return ok;
  if (!ok) {
    t.RollbackBatch();
    return false;
  }
  return t.CommitBatch();
}

// For writes of derived copies that must not wait: a writer holding the
// file (a download) makes them fail at once, and the reader goes on
// without them.
class NoBusyWait {
 public:
  explicit NoBusyWait(const Connection& db) : db_(db) {
    Statement s;
    if (db_.Prepare("PRAGMA busy_timeout", &s) == SQLITE_OK && s.Step() == SQLITE_ROW)
      before_ = static_cast<int>(s.Int64(0));
    sqlite3_busy_timeout(db_.get(), 0);
  }
  ~NoBusyWait() { sqlite3_busy_timeout(db_.get(), before_); }
  NoBusyWait(const NoBusyWait&) = delete;
  NoBusyWait& operator=(const NoBusyWait&) = delete;

 private:
  const Connection& db_;
  int before_ = 0;
};

}  // namespace store
