#include "store/table_file.h"

#include <algorithm>
#include <system_error>

#include "text/text_ops.h"

namespace store {
namespace {

// Page size of every Data.edb. SQLCipher 3.4 defaults to 1 KiB pages, on
// which a listing (about 1 KiB) would spill to overflow pages; 4 KiB keeps a
// listing on its page. The header is encrypted, so every open must say it.
constexpr int kPageSize = 4096;
constexpr int kBusyTimeoutMs = 5000;
constexpr char kGapsTableSuffix[] = "_清除记录";

std::string Quote(std::string_view identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string QuoteLiteral(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

StoreError ErrorOf(sqlite3* db, int code) {
  return ErrorFromCode(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

// Opens a connection and applies the key; nothing is read or written yet.
int OpenKeyed(const std::filesystem::path& path, std::string_view password, int flags,
              sqlite3** out) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.string().c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *out = db;
    return rc;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  const std::string keying = "PRAGMA key = " + QuoteLiteral(password) +
                             "; PRAGMA cipher_page_size = " + std::to_string(kPageSize) + ";";
  rc = sqlite3_exec(db, keying.c_str(), nullptr, nullptr, nullptr);
  *out = db;
  return rc;
}

}  // namespace

TableFile::~TableFile() {
  for (sqlite3_stmt* s : {cursor_, insert_, delete_, add_gap_}) sqlite3_finalize(s);
  for (sqlite3_stmt* s : update_) sqlite3_finalize(s);
  if (db_) sqlite3_close_v2(db_);
}

bool TableFile::FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::optional<StoreError> TableFile::CreateTable(const std::filesystem::path& path,
                                                 std::string_view table_name,
                                                 std::span<const FieldSpec> fields,
                                                 std::string_view password) {
  if (FileExists(path)) {
    return StoreError{ErrorKind::kCannotCreate, 0, "a file already exists at " + path.string()};
  }
  // Build the file under a side name and move it into place once complete,
  // so a crash never leaves a half-made store behind.
  std::filesystem::path building = path;
  building += ".creating";
  std::error_code ec;
  std::filesystem::remove(building, ec);

  sqlite3* db = nullptr;
  int rc = OpenKeyed(building, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db);
  std::optional<StoreError> error;
  if (rc == SQLITE_OK) {
    std::string sql = "PRAGMA journal_mode = WAL; BEGIN; CREATE TABLE " + Quote(table_name) + " (";
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) sql += ", ";
      sql += Quote(fields[i].name) + " TEXT(" + std::to_string(fields[i].width) +
             ") NOT NULL DEFAULT ''";
    }
    sql += "); CREATE TABLE " + Quote(std::string(table_name) + kGapsTableSuffix) +
           " (\"编号\" INTEGER PRIMARY KEY); COMMIT;";
    rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) error = ErrorOf(db, rc);
  rc = sqlite3_close(db);
  if (!error && rc != SQLITE_OK) error = ErrorFromCode(rc, "close");
  if (!error) {
    // A hard link refuses to replace a file that appeared meanwhile.
    std::filesystem::create_hard_link(building, path, ec);
    if (ec) {
      ec.clear();
      if (!FileExists(path)) std::filesystem::rename(building, path, ec);
      if (ec) error = StoreError{ErrorKind::kCannotCreate, 0, ec.message()};
    }
  } else if (error->kind == ErrorKind::kOther || error->kind == ErrorKind::kIo) {
    error->kind = ErrorKind::kCannotCreate;
  }
  std::filesystem::remove(building, ec);
  for (const char* side : {"-wal", "-shm", "-journal"}) {
    std::filesystem::path p = building;
    p += side;
    std::filesystem::remove(p, ec);
  }
  return error;
}

TableFile::OpenResult TableFile::OpenTable(const std::filesystem::path& path,
                                           std::string_view table_name,
                                           std::span<const FieldSpec> fields,
                                           std::string_view password) {
  OpenResult result;
  if (!FileExists(path)) {
    result.error = StoreError{ErrorKind::kMissing, 0, "no file at " + path.string()};
    return result;
  }
  std::unique_ptr<TableFile> t(new TableFile());
  t->table_ = Quote(table_name);
  t->gaps_table_ = Quote(std::string(table_name) + kGapsTableSuffix);
  t->fields_.assign(fields.begin(), fields.end());
  int rc = OpenKeyed(path, password, SQLITE_OPEN_READWRITE, &t->db_);
  if (rc != SQLITE_OK) {
    result.error = ErrorOf(t->db_, rc);
    return result;
  }
  // The first read proves the key: a wrong password or a damaged header
  // fails here with SQLITE_NOTADB. Then the table must be ours, field by
  // field; an empty file (which SQLite would take for a new database) fails
  // this test too, and nothing is ever written to it.
  sqlite3_stmt* info = nullptr;
  const std::string sql = "PRAGMA table_info(" + t->table_ + ")";
  rc = sqlite3_prepare_v2(t->db_, sql.c_str(), -1, &info, nullptr);
  size_t column = 0;
  bool matches = rc == SQLITE_OK;
  while (rc == SQLITE_OK) {
    int step = sqlite3_step(info);
    if (step == SQLITE_DONE) break;
    if (step != SQLITE_ROW) {
      rc = step;
      break;
    }
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
    if (column >= fields.size() || !name || fields[column].name != name) matches = false;
    ++column;
  }
  sqlite3_finalize(info);
  if (rc != SQLITE_OK) {
    result.error = ErrorOf(t->db_, rc);
    if (result.error.kind == ErrorKind::kOther) result.error.kind = ErrorKind::kNotAStore;
    return result;
  }
  if (!matches || column != fields.size()) {
    result.error = StoreError{ErrorKind::kNotAStore, 0, "the file holds no listing table"};
    return result;
  }
  // Freed pages stay encrypted, so zeroing them buys nothing but time.
  // WAL with synchronous=NORMAL never corrupts the file on a crash.
  sqlite3_exec(t->db_, "PRAGMA secure_delete = OFF; PRAGMA synchronous = NORMAL;", nullptr,
               nullptr, nullptr);

  std::string select = "SELECT ";
  std::string insert = "INSERT INTO " + t->table_ + " (";
  std::string values = ") VALUES (";
  for (size_t i = 0; i < fields.size(); ++i) {
    select += Quote(fields[i].name) + ", ";
    insert += Quote(fields[i].name) + ", ";
    values += "?, ";
  }
  select += "rowid FROM " + t->table_ + " WHERE rowid >= ? ORDER BY rowid";
  insert += "rowid" + values + "?)";
  t->cursor_ = t->Prepare(select);
  t->insert_ = t->Prepare(insert);
  t->delete_ = t->Prepare("DELETE FROM " + t->table_ + " WHERE rowid = ?");
  t->update_.assign(fields.size(), nullptr);
  if (!t->cursor_ || !t->insert_ || !t->delete_) {
    result.error = t->error_.value_or(StoreError{});
    return result;
  }
  result.table = std::move(t);
  return result;
}

sqlite3_stmt* TableFile::Prepare(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    Fail(rc);
    return nullptr;
  }
  return stmt;
}

bool TableFile::Fail(int code) {
  if (!error_) error_ = ErrorOf(db_, code);
  if (in_batch_) batch_error_ = true;
  return false;
}

bool TableFile::Check(int code, int expected) { return code == expected ? true : Fail(code); }

bool TableFile::Exec(const char* sql) {
  return Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK);
}

bool TableFile::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

bool TableFile::LoadBookkeeping(bool force) {
  sqlite3_stmt* s = Prepare("SELECT max(rowid) FROM " + table_);
  if (!s) return false;
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) max_rowid_ = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW) return Fail(rc);

  int64_t version = -1;
  s = Prepare("PRAGMA data_version");
  if (!s) return false;
  if (sqlite3_step(s) == SQLITE_ROW) version = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);

  if (force || version != data_version_ || version < 0) {
    gaps_.clear();
    sqlite3_stmt* g = nullptr;
    const std::string sql = "SELECT \"编号\" FROM " + gaps_table_ + " ORDER BY \"编号\"";
    // A store without the bookkeeping table simply has no gaps.
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &g, nullptr) == SQLITE_OK) {
      while ((rc = sqlite3_step(g)) == SQLITE_ROW) gaps_.push_back(sqlite3_column_int64(g, 0));
      sqlite3_finalize(g);
      if (rc != SQLITE_DONE) return Fail(rc);
    } else {
      sqlite3_finalize(g);
    }
    data_version_ = version;
  }
  while (!gaps_.empty() && gaps_.back() >= max_rowid_) gaps_.pop_back();
  count_ = max_rowid_ - static_cast<int64_t>(gaps_.size());
  if (count_ < 0) count_ = 0;
  return true;
}

int64_t TableFile::RowidOf(int64_t record) const {
  // The k-th gap lies below the record exactly when gaps_[k] - k <= record.
  size_t lo = 0;
  size_t hi = gaps_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (gaps_[mid] - static_cast<int64_t>(mid) <= record) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return record + static_cast<int64_t>(lo);
}

bool TableFile::RebuildGapsFromFile() {
  // The bookkeeping disagrees with the records (someone edited the file by
  // hand): work the gaps out from the rowids themselves, in memory only.
  sqlite3_stmt* s = Prepare("SELECT rowid FROM " + table_ + " ORDER BY rowid");
  if (!s) return false;
  gaps_.clear();
  int64_t expected = 1;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const int64_t rowid = sqlite3_column_int64(s, 0);
    for (; expected < rowid; ++expected) gaps_.push_back(expected);
    expected = rowid + 1;
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return Fail(rc);
  max_rowid_ = expected - 1;
  count_ = max_rowid_ - static_cast<int64_t>(gaps_.size());
  return true;
}

bool TableFile::BeginAccess(AccessMode mode) {
  mode_ = mode;
  error_.reset();
  marked_.clear();
  pending_ = false;
  in_batch_ = false;
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (mode == AccessMode::kSnapshot) {
    if (!Exec("BEGIN")) return false;
    snapshot_open_ = true;
  }
  if (!LoadBookkeeping(false)) return false;
  current_ = count_ > 0 ? 1 : 0;
  current_rowid_ = current_ ? RowidOf(1) : 0;
  return true;
}

std::optional<StoreError> TableFile::EndAccess() {
  FlushPending();
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (in_batch_) {
    if (failed()) {
      RollbackBatch();
    } else {
      CommitBatch();
    }
  }
  if (snapshot_open_) {
    snapshot_open_ = false;
    if (failed() || !Exec("COMMIT")) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      data_version_ = -1;  // what we cached may include rolled-back changes
    }
  }
  marked_.clear();
  return error_;
}

bool TableFile::SeekCurrent() {
  cursor_valid_ = false;
  if (current_ == 0) return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    sqlite3_reset(cursor_);
    sqlite3_bind_int64(cursor_, 1, current_rowid_);
    const int rc = sqlite3_step(cursor_);
    if (rc == SQLITE_ROW && sqlite3_column_int64(cursor_, static_cast<int>(fields_.size())) ==
                                current_rowid_) {
      cursor_valid_ = true;
      return true;
    }
    sqlite3_reset(cursor_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail(rc);
    // The file changed under what we knew of it: learn it again, from the
    // bookkeeping table first and from the rowids if that does not agree.
    if (!(attempt == 0 ? LoadBookkeeping(true) : RebuildGapsFromFile())) return false;
    if (count_ == 0) {
      current_ = 0;
      return false;
    }
    current_ = std::clamp<int64_t>(current_, 1, count_);
    current_rowid_ = RowidOf(current_);
  }
  return Fail(SQLITE_CORRUPT);
}

bool TableFile::GoToRecord(int64_t n) {
  if (!FlushPending()) return false;
  if (count_ == 0) {
    current_ = 0;
    return false;
  }
  n = std::clamp<int64_t>(n, 1, count_);
  if (cursor_valid_ && n == current_ + 1) {
    // Sequential scans step the open cursor instead of seeking.
    const int rc = sqlite3_step(cursor_);
    const int64_t expected = RowidOf(n);
    if (rc == SQLITE_ROW &&
        sqlite3_column_int64(cursor_, static_cast<int>(fields_.size())) == expected) {
      current_ = n;
      current_rowid_ = expected;
      return true;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      cursor_valid_ = false;
      sqlite3_reset(cursor_);
      return Fail(rc);
    }
  }
  if (n == current_ && cursor_valid_) return true;
  current_ = n;
  current_rowid_ = RowidOf(n);
  return SeekCurrent();
}

std::string_view TableFile::FieldView(int field) {
  if (field < 1 || field > static_cast<int>(fields_.size()) || current_ == 0) return {};
  if (pending_) return pending_fields_[static_cast<size_t>(field - 1)];
  if (!cursor_valid_ && !SeekCurrent()) return {};
  const void* data = sqlite3_column_blob(cursor_, field - 1);
  const int bytes = sqlite3_column_bytes(cursor_, field - 1);
  if (!data || bytes <= 0) return {};
  return std::string_view(static_cast<const char*>(data), static_cast<size_t>(bytes));
}

bool TableFile::WriteField(int field, std::string_view value) {
  if (field < 1 || field > static_cast<int>(fields_.size()) || current_ == 0) return false;
  const size_t index = static_cast<size_t>(field - 1);
  value = text::CutToWidth(value, static_cast<size_t>(fields_[index].width));
  if (pending_) {
    pending_fields_[index].assign(value);
    return true;
  }
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (!update_[index]) {
    update_[index] = Prepare("UPDATE " + table_ + " SET " + Quote(fields_[index].name) +
                             " = ? WHERE rowid = ?");
    if (!update_[index]) return false;
  }
  sqlite3_stmt* s = update_[index];
  sqlite3_bind_text(s, 1, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
  sqlite3_bind_int64(s, 2, current_rowid_);
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  return Check(rc, SQLITE_DONE);
}

bool TableFile::AppendBlank() {
  if (!FlushPending()) return false;
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  pending_fields_.assign(fields_.size(), std::string());
  pending_ = true;
  ++max_rowid_;
  ++count_;
  current_ = count_;
  current_rowid_ = max_rowid_;
  return true;
}

bool TableFile::FlushPending() {
  if (!pending_) return true;
  pending_ = false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const std::string& v = pending_fields_[i];
    sqlite3_bind_text(insert_, static_cast<int>(i + 1), v.data(), static_cast<int>(v.size()),
                      SQLITE_STATIC);
  }
  sqlite3_bind_int64(insert_, static_cast<int>(fields_.size() + 1), current_rowid_);
  const int rc = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  if (rc != SQLITE_DONE) {
    // The record never reached the file: forget it.
    --max_rowid_;
    --count_;
    current_ = count_;
    current_rowid_ = current_ ? RowidOf(current_) : 0;
    return Fail(rc);
  }
  return true;
}

bool TableFile::MarkDeleted() {
  if (!FlushPending() || current_ == 0) return false;
  marked_.push_back(current_rowid_);
  return true;
}

bool TableFile::PurgeDeleted() {
  if (!FlushPending()) return false;
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (marked_.empty()) return true;
  std::sort(marked_.begin(), marked_.end());
  marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());

  if (!Exec("SAVEPOINT purge")) return false;
  bool ok = true;
  const std::string create =
      "CREATE TABLE IF NOT EXISTS " + gaps_table_ + " (\"编号\" INTEGER PRIMARY KEY)";
  ok = Exec(create.c_str());
  if (ok && !add_gap_) {
    add_gap_ = Prepare("INSERT OR IGNORE INTO " + gaps_table_ + " (\"编号\") VALUES (?)");
    ok = add_gap_ != nullptr;
  }
  for (size_t i = 0; ok && i < marked_.size(); ++i) {
    sqlite3_bind_int64(delete_, 1, marked_[i]);
    int rc = sqlite3_step(delete_);
    sqlite3_reset(delete_);
    ok = Check(rc, SQLITE_DONE);
    if (!ok) break;
    sqlite3_bind_int64(add_gap_, 1, marked_[i]);
    rc = sqlite3_step(add_gap_);
    sqlite3_reset(add_gap_);
    ok = Check(rc, SQLITE_DONE);
  }
  int64_t new_max = 0;
  if (ok) {
    sqlite3_stmt* s = Prepare("SELECT max(rowid) FROM " + table_);
    ok = s != nullptr;
    if (ok) {
      const int rc = sqlite3_step(s);
      ok = Check(rc, SQLITE_ROW);
      if (ok) new_max = sqlite3_column_int64(s, 0);
      sqlite3_finalize(s);
    }
  }
  if (ok) {
    // Ids above the last record are not gaps; appends will reuse them.
    const std::string prune =
        "DELETE FROM " + gaps_table_ + " WHERE \"编号\" >= " + std::to_string(new_max);
    ok = Exec(prune.c_str());
  }
  if (ok) ok = Exec("RELEASE purge");
  if (!ok) {
    sqlite3_exec(db_, "ROLLBACK TO purge; RELEASE purge;", nullptr, nullptr, nullptr);
    marked_.clear();
    data_version_ = -1;
    LoadBookkeeping(true);
    current_ = count_ > 0 ? 1 : 0;
    current_rowid_ = current_ ? RowidOf(1) : 0;
    return false;
  }
  std::vector<int64_t> merged;
  merged.reserve(gaps_.size() + marked_.size());
  std::merge(gaps_.begin(), gaps_.end(), marked_.begin(), marked_.end(),
             std::back_inserter(merged));
  gaps_ = std::move(merged);
  marked_.clear();
  max_rowid_ = new_max;
  while (!gaps_.empty() && gaps_.back() >= max_rowid_) gaps_.pop_back();
  count_ = max_rowid_ - static_cast<int64_t>(gaps_.size());
  current_ = count_ > 0 ? 1 : 0;
  current_rowid_ = current_ ? RowidOf(1) : 0;
  return true;
}

bool TableFile::RemoveAll() {
  pending_ = false;  // an unwritten record goes with the rest
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  const std::string sql = "SAVEPOINT remove_all; DELETE FROM " + table_ +
                          "; DELETE FROM " + gaps_table_ + "; RELEASE remove_all;";
  if (!Exec(sql.c_str())) {
    sqlite3_exec(db_, "ROLLBACK TO remove_all; RELEASE remove_all;", nullptr, nullptr, nullptr);
    LoadBookkeeping(true);
    current_ = count_ > 0 ? 1 : 0;
    current_rowid_ = current_ ? RowidOf(1) : 0;
    return false;
  }
  max_rowid_ = 0;
  gaps_.clear();
  count_ = 0;
  current_ = 0;
  current_rowid_ = 0;
  marked_.clear();
  return true;
}

bool TableFile::BeginBatch() {
  if (in_batch_) return true;
  if (!FlushPending()) return false;
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  const bool ok = snapshot_open_ ? Exec("SAVEPOINT batch") : Exec("BEGIN IMMEDIATE");
  in_batch_ = ok;
  batch_error_ = false;
  return ok;
}

bool TableFile::CommitBatch() {
  if (!in_batch_) return !failed();
  FlushPending();
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (batch_error_ || (failed() && !snapshot_open_)) {
    RollbackBatch();
    return false;
  }
  const bool ok = snapshot_open_ ? Exec("RELEASE batch") : Exec("COMMIT");
  if (!ok) {
    RollbackBatch();
    return false;
  }
  in_batch_ = false;
  return true;
}

void TableFile::RollbackBatch() {
  if (!in_batch_) return;
  pending_ = false;
  cursor_valid_ = false;
  sqlite3_reset(cursor_);
  if (snapshot_open_) {
    sqlite3_exec(db_, "ROLLBACK TO batch; RELEASE batch;", nullptr, nullptr, nullptr);
  } else {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  in_batch_ = false;
  batch_error_ = false;
  LoadBookkeeping(true);
  current_ = count_;
  current_rowid_ = current_ ? RowidOf(current_) : 0;
}

}  // namespace store
