// Owners of the engine's connection and statement handles. Private to the
// store: the one header that brings in sqlite3.h, and only the store's .cpp
// files include it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/store_error.h"

namespace store {

class Statement;

// One connection to one file, closed when the owner goes.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens `path`, handed to the engine as UTF-8 on every system. A failed
  // open may still leave a handle behind, kept for its error message.
  int Open(const std::filesystem::path& path, int flags);
  // Closes now and says whether the engine agreed; the handle stays (and is
  // closed by the destructor) while statements of it are still alive.
  int Close();

  explicit operator bool() const { return db_ != nullptr; }
  sqlite3* get() const { return db_; }

  int Exec(const char* sql) const;
  int Exec(const std::string& sql) const { return Exec(sql.c_str()); }
  // Prepares one statement into `out`; `out` is left empty on failure.
  int Prepare(std::string_view sql, Statement* out) const;

  bool InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }
  // The error for `code`, in the engine's words for this connection.
  StoreError ErrorOf(int code) const;

 private:
  sqlite3* db_ = nullptr;
};

// One prepared statement, finalised when the owner goes. Text bound to it is
// not copied: it must outlive the step that reads it.
class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  explicit operator bool() const { return stmt_ != nullptr; }

  void BindText(int index, std::string_view text);
  void BindInt64(int index, int64_t value);
  // Bytes as a blob, not copied either.
  void BindBlob(int index, std::string_view bytes);
  // A number, or NULL when there is none.
  void BindReal(int index, const std::optional<double>& value);
  int Step() { return sqlite3_step(stmt_); }
  // Rewinds the statement and forgets its bindings.
  void Reset();
  // Steps a statement that returns no rows, then rewinds it.
  int Run();

  int64_t Int64(int column) const { return sqlite3_column_int64(stmt_, column); }
  // The column's number; nullopt for NULL.
  std::optional<double> Real(int column) const;
  // The column's bytes as stored, without any text conversion; empty for
  // NULL. Valid until the next step or reset.
  std::string_view Bytes(int column) const;

 private:
  friend class Connection;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace store
