#include "store/sqlite_handles.h"

#include <utility>

namespace store {

Connection::~Connection() {
  if (db_) sqlite3_close_v2(db_);
}

Connection::Connection(Connection&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    if (db_) sqlite3_close_v2(db_);
    db_ = std::exchange(other.db_, nullptr);
  }
  return *this;
}

int Connection::Open(const std::filesystem::path& path, int flags) {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  // The engine takes file names as UTF-8 everywhere; path::string() would be
  // the ANSI code page on Windows.
  const std::u8string name = path.u8string();
  return sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db_, flags, nullptr);
}

int Connection::Close() {
  const int rc = sqlite3_close(db_);
  if (rc == SQLITE_OK) db_ = nullptr;
  return rc;
}

int Connection::Exec(const char* sql) const {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

int Connection::Prepare(std::string_view sql, Statement* out) const {
  Statement prepared;
  const int rc =
      sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &prepared.stmt_, nullptr);
  *out = std::move(prepared);
  return rc;
}

StoreError Connection::ErrorOf(int code) const {
  return ErrorFromCode(code, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

void Statement::BindBlob(int index, std::string_view bytes) {
  // A zero-length blob rather than NULL for no bytes.
  const char* data = bytes.data() ? bytes.data() : "";
  sqlite3_bind_blob(stmt_, index, data, static_cast<int>(bytes.size()), SQLITE_STATIC);
}

void Statement::BindText(int index, std::string_view text) {
  // An empty view may have no data at all; bound as such it would be NULL,
  // which the table's NOT NULL fields refuse.
  const char* data = text.data() ? text.data() : "";
  sqlite3_bind_text(stmt_, index, data, static_cast<int>(text.size()), SQLITE_STATIC);
}

void Statement::BindInt64(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
}

void Statement::BindReal(int index, const std::optional<double>& value) {
  if (value) {
    sqlite3_bind_double(stmt_, index, *value);
  } else {
    sqlite3_bind_null(stmt_, index);
  }
}

std::optional<double> Statement::Real(int column) const {
  if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_double(stmt_, column);
}

void Statement::Reset() {
  if (!stmt_) return;  // clear_bindings does not take a null statement
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int Statement::Run() {
  const int rc = Step();
  Reset();
  return rc;
}

std::string_view Statement::Bytes(int column) const {
  // The pointer first, then its size, the order the engine documents.
  const void* data = sqlite3_column_blob(stmt_, column);
  const int bytes = sqlite3_column_bytes(stmt_, column);
  if (!data || bytes <= 0) return {};
  return std::string_view(static_cast<const char*>(data), static_cast<size_t>(bytes));
}

}  // namespace store
