// Opening, keying and creating table files; errors; indexes; checkpoints.
#include <system_error>

#include "store/table_file_handles.h"

namespace store {

using table_sql::CreateIndexSql;
using table_sql::CreateSideTableSql;
using table_sql::IndexName;
using table_sql::kGapsTableSuffix;
using table_sql::PathText;
using table_sql::Quote;
using table_sql::QuoteLiteral;

namespace {

// Page size of every Data.edb. SQLCipher 3.4 defaults to 1 KiB pages, on
// which a listing (about 1 KiB) would spill to overflow pages; 4 KiB keeps a
// listing on its page. The header is encrypted, so every open must say it.
constexpr int kPageSize = 4096;
constexpr int kBusyTimeoutMs = 5000;

// Opens a connection and applies the key; nothing is read or written yet.
int OpenKeyed(const std::filesystem::path& path, std::string_view password, int flags,
              Connection* db) {
  int rc = db->Open(path, flags | SQLITE_OPEN_NOMUTEX);
  if (rc != SQLITE_OK) return rc;
  sqlite3_extended_result_codes(db->get(), 1);
  sqlite3_busy_timeout(db->get(), kBusyTimeoutMs);
  const std::string keying = "PRAGMA key = " + QuoteLiteral(password) +
                             "; PRAGMA cipher_page_size = " + std::to_string(kPageSize) + ";";
  return db->Exec(keying);
}

// A file name as an engine URI that opens it unchanging: no log or shared
// memory beside it, no locks, so a read-only folder is no obstacle.
std::filesystem::path ImmutableUri(const std::filesystem::path& path) {
  std::string name = reinterpret_cast<const char*>(path.generic_u8string().c_str());
  std::string uri = "file:";
  if (name.size() > 1 && name[1] == ':') uri += '/';  // a drive letter
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '?' || c == '#' || c == '%' || byte < 0x20) {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    } else {
      uri += c;
    }
  }
  uri += "?immutable=1";
  return std::filesystem::path(std::u8string(uri.begin(), uri.end()));
}

}  // namespace

namespace table_sql {

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

std::string IndexName(std::string_view table, std::string_view field) {
  std::string name(table);
  name += '_';
  name += field;
  return name;
}

std::string CreateIndexSql(std::string_view table, std::string_view field) {
  return "CREATE INDEX IF NOT EXISTS " + Quote(IndexName(table, field)) + " ON " + Quote(table) +
         " (" + Quote(field) + ")";
}

std::string CreateSideTableSql(const SideTable& side) {
  std::string sql = "CREATE TABLE IF NOT EXISTS " + Quote(side.name) + " (";
  sql.append(side.columns);
  sql += ")";
  if (!side.options.empty()) {
    sql += " ";
    sql.append(side.options);
  }
  return sql;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace table_sql

TableFile::TableFile() : handles_(std::make_unique<Handles>()) {}

TableFile::~TableFile() = default;

bool TableFile::FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::optional<StoreError> TableFile::CreateTable(const std::filesystem::path& path,
                                                 std::string_view table_name,
                                                 std::span<const FieldSpec> fields,
                                                 std::string_view password,
                                                 std::span<const SideTable> side_tables) {
  if (FileExists(path)) {
    return StoreError{ErrorKind::kCannotCreate, 0, "a file already exists at " + PathText(path)};
  }
  // Build the file under a side name and move it into place once complete,
  // so a crash never leaves a half-made store behind.
  std::filesystem::path building = path;
  building += ".creating";
  std::error_code ec;
  std::filesystem::remove(building, ec);

  Connection db;
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
           " (\"编号\" INTEGER PRIMARY KEY);";
    for (const FieldSpec& field : fields) {
      if (field.indexed) sql += " " + CreateIndexSql(table_name, field.name) + ";";
    }
    for (const SideTable& side : side_tables) sql += " " + CreateSideTableSql(side) + ";";
    sql += " COMMIT;";
    rc = db.Exec(sql);
  }
  if (rc != SQLITE_OK) error = db.ErrorOf(rc);
  rc = db.Close();
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
                                           std::string_view password,
                                           std::span<const SideTable> side_tables,
                                           bool read_only) {
  OpenResult result;
  if (!FileExists(path)) {
    result.error = StoreError{ErrorKind::kMissing, 0, "no file at " + PathText(path)};
    return result;
  }
  std::unique_ptr<TableFile> t(new TableFile());
  t->table_name_ = std::string(table_name);
  t->table_ = Quote(table_name);
  t->gaps_table_ = Quote(std::string(table_name) + kGapsTableSuffix);
  t->fields_.assign(fields.begin(), fields.end());
  t->side_tables_.assign(side_tables.begin(), side_tables.end());
  Connection& db = t->handles_->db;
  int rc = read_only ? OpenKeyed(ImmutableUri(path), password,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, &db)
                     : OpenKeyed(path, password, SQLITE_OPEN_READWRITE, &db);
  if (rc != SQLITE_OK) {
    result.error = db.ErrorOf(rc);
    return result;
  }
  // The first read proves the key: a wrong password or a damaged header
  // fails here with SQLITE_NOTADB. Then the table must be ours, field by
  // field; an empty file (which SQLite would take for a new database) fails
  // this test too, and nothing is ever written to it.
  size_t column = 0;
  bool matches = true;
  {
    Statement info;
    rc = db.Prepare("PRAGMA table_info(" + t->table_ + ")", &info);
    matches = rc == SQLITE_OK;
    while (rc == SQLITE_OK) {
      const int step = info.Step();
      if (step == SQLITE_DONE) break;
      if (step != SQLITE_ROW) {
        rc = step;
        break;
      }
      if (column >= fields.size() || fields[column].name != info.Bytes(1)) matches = false;
      ++column;
    }
  }
  if (rc != SQLITE_OK) {
    result.error = db.ErrorOf(rc);
    if (result.error.kind == ErrorKind::kOther) result.error.kind = ErrorKind::kNotAStore;
    return result;
  }
  if (!matches || column != fields.size()) {
    result.error = StoreError{ErrorKind::kNotAStore, 0, "the file holds no listing table"};
    return result;
  }
  // Freed pages stay encrypted, so zeroing them buys nothing but time.
  // WAL with synchronous=NORMAL never corrupts the file on a crash.
  db.Exec("PRAGMA secure_delete = OFF; PRAGMA synchronous = NORMAL;");

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
  Handles& h = *t->handles_;
  if (!t->Prepare(select, &h.cursor) || !t->Prepare(insert, &h.insert) ||
      !t->Prepare("DELETE FROM " + t->table_ + " WHERE rowid = ?", &h.erase)) {
    result.error = t->error_.value_or(StoreError{});
    return result;
  }
  h.update.resize(fields.size());
  h.range.resize(fields.size());
  result.table = std::move(t);
  return result;
}

bool TableFile::Prepare(const std::string& sql, Statement* out) {
  return Check(handles_->db.Prepare(sql, out), SQLITE_OK);
}

bool TableFile::Fail(int code) {
  if (!error_) error_ = handles_->db.ErrorOf(code);
  if (in_batch_) batch_error_ = true;
  return false;
}

bool TableFile::Check(int code, int expected) {
  return code == expected ? true : Fail(code);
}

bool TableFile::Exec(const char* sql) {
  return Check(handles_->db.Exec(sql), SQLITE_OK);
}

namespace {

// Whether the file's schema has an object of `type` named `name`.
int SchemaHas(const Connection& db, const char* type, std::string_view name, bool* present) {
  Statement look;
  int rc = db.Prepare("SELECT count(*) FROM sqlite_master WHERE type = ? AND name = ?", &look);
  *present = false;
  if (rc != SQLITE_OK) return rc;
  look.BindText(1, type);
  look.BindText(2, name);
  rc = look.Step();
  if (rc != SQLITE_ROW) return rc;
  *present = look.Int64(0) > 0;
  return SQLITE_OK;
}

}  // namespace

bool TableFile::HasTable(std::string_view name, bool* present) {
  return Check(SchemaHas(handles_->db, "table", name, present), SQLITE_OK);
}

bool TableFile::EnsureIndexes(bool report) {
  if (indexes_ready_) return true;
  // Look first, with a read, so that a file that has everything is never
  // asked for the write lock.
  for (const FieldSpec& field : fields_) {
    if (!field.indexed) continue;
    bool present = false;
    int rc = SchemaHas(handles_->db, "index", IndexName(table_name_, field.name), &present);
    if (rc == SQLITE_OK && !present)
      rc = handles_->db.Exec(CreateIndexSql(table_name_, field.name));
    if (rc != SQLITE_OK) return report ? Fail(rc) : false;
  }
  for (const SideTable& side : side_tables_) {
    bool present = false;
    int rc = SchemaHas(handles_->db, "table", side.name, &present);
    if (rc == SQLITE_OK && !present) rc = handles_->db.Exec(CreateSideTableSql(side));
    if (rc != SQLITE_OK) return report ? Fail(rc) : false;
  }
  indexes_ready_ = true;
  return true;
}

CheckpointResult TableFile::Checkpoint() {
  CheckpointResult result;
  Statement s;
  int rc = handles_->db.Prepare("PRAGMA wal_checkpoint(TRUNCATE)", &s);
  if (rc == SQLITE_OK) rc = s.Step();
  if (rc == SQLITE_ROW) {
    // The first column is 1 when a reader or a writer kept the log from
    // being emptied within the busy timeout; a file not in WAL mode has no
    // log and answers 0.
    result.complete = s.Int64(0) == 0;
  } else if ((rc & 0xFF) != SQLITE_BUSY) {
    result.error = handles_->db.ErrorOf(rc);
  }
  return result;
}

}  // namespace store
