// The download log table: its definition, its rows written and read through
// a store access's own connection (and so its transactions), and its
// rebuilding from the stored listings.
#include "store/download_log.h"

#include <optional>

#include "store/record_store.h"
#include "store/table_file_handles.h"

namespace store {

using table_sql::Quote;

namespace {

constexpr char kLogColumns[] =
    "\"板块\" INTEGER NOT NULL, \"日期\" TEXT NOT NULL, \"结果\" INTEGER NOT NULL, "
    "\"原因\" INTEGER NOT NULL DEFAULT 0, \"状态码\" INTEGER NOT NULL DEFAULT 0, "
    "\"条数\" INTEGER NOT NULL DEFAULT 0, \"字节数\" INTEGER NOT NULL DEFAULT 0, "
    "\"下载时间\" TEXT NOT NULL DEFAULT '', \"推断\" INTEGER NOT NULL DEFAULT 0, "
    "\"跳过条数\" INTEGER NOT NULL DEFAULT 0, \"备注\" TEXT NOT NULL DEFAULT '', "
    "PRIMARY KEY (\"板块\", \"日期\")";

// The columns in the order the statements below bind and read them.
constexpr char kLogColumnList[] =
    "\"板块\", \"日期\", \"结果\", \"原因\", \"状态码\", \"条数\", \"字节数\", \"下载时间\", "
    "\"推断\", \"跳过条数\", \"备注\"";

PageOutcome OutcomeFromCode(int64_t code) {
  switch (code) {
    case 1:
      return PageOutcome::kStored;
    case 2:
      return PageOutcome::kNoListings;
    case 3:
      return PageOutcome::kNotPublished;
    default:
      // A code this program does not know (a later version, a hand edit)
      // is no page to rely on: it is fetched again.
      return PageOutcome::kFailed;
  }
}

PageFailure FailureFromCode(int64_t code) {
  return code >= 0 && code <= static_cast<int64_t>(PageFailure::kRefused)
             ? static_cast<PageFailure>(code)
             : PageFailure::kNone;
}

std::string LogTable() {
  return Quote(kDownloadLogTable);
}

}  // namespace

const SideTable& DownloadLogSideTable() {
  static const SideTable table{kDownloadLogTable, kLogColumns, "WITHOUT ROWID", true};
  return table;
}

// Works on a table file's connection for the access that has it open.
class PageLogTable {
 public:
  static bool Write(TableFile& t, const PageLogEntry& e) {
    if (!t.EnsureIndexes(true)) return false;
    Statement& s = t.handles_->log_write;
    if (!s && !t.Prepare("INSERT OR REPLACE INTO " + LogTable() + " (" + kLogColumnList +
                             ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                         &s))
      return false;
    s.BindInt64(1, e.board);
    s.BindText(2, e.date);
    s.BindInt64(3, static_cast<int64_t>(e.outcome));
    s.BindInt64(4, static_cast<int64_t>(e.failure));
    s.BindInt64(5, e.status);
    s.BindInt64(6, e.listings);
    s.BindInt64(7, e.bytes);
    s.BindText(8, e.fetched_at);
    s.BindInt64(9, e.inferred ? 1 : 0);
    s.BindInt64(10, e.skipped);
    s.BindText(11, e.note);
    return t.Check(s.Run(), SQLITE_DONE);
  }

  static bool Present(TableFile& t, bool* present) {
    Statement look;
    if (!t.Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?", &look))
      return false;
    look.BindText(1, kDownloadLogTable);
    const int rc = look.Step();
    if (rc != SQLITE_ROW) return t.Fail(rc);
    *present = look.Int64(0) > 0;
    return true;
  }

  static void TakeRow(const Statement& s, PageLogEntry* e) {
    e->board = static_cast<int>(s.Int64(0));
    e->date.assign(s.Bytes(1));
    e->outcome = OutcomeFromCode(s.Int64(2));
    e->failure = FailureFromCode(s.Int64(3));
    e->status = s.Int64(4);
    e->listings = s.Int64(5);
    e->bytes = s.Int64(6);
    e->fetched_at.assign(s.Bytes(7));
    e->inferred = s.Int64(8) != 0;
    e->skipped = s.Int64(9);
    e->note.assign(s.Bytes(10));
  }

  static bool ReadOne(TableFile& t, int board, std::string_view date,
                      std::optional<PageLogEntry>* out) {
    out->reset();
    bool present = false;
    if (!Present(t, &present)) return false;
    if (!present) return true;
    Statement& s = t.handles_->log_row;
    if (!s && !t.Prepare(std::string("SELECT ") + kLogColumnList + " FROM " + LogTable() +
                             " WHERE \"板块\" = ?1 AND \"日期\" = ?2",
                         &s))
      return false;
    s.BindInt64(1, board);
    s.BindText(2, date);
    const int rc = s.Step();
    if (rc == SQLITE_ROW) TakeRow(s, &out->emplace());
    s.Reset();
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? true : t.Fail(rc);
  }

  static bool Read(TableFile& t, std::string_view from, std::string_view to, PageLogRows* out) {
    out->present = false;
    out->rows.clear();
    // A file made before the log: no rows, and nothing written to find out.
    if (!Present(t, &out->present)) return false;
    if (!out->present) return true;
    Statement& s = t.handles_->log_range;
    if (!s && !t.Prepare(std::string("SELECT ") + kLogColumnList + " FROM " + LogTable() +
                             " WHERE \"日期\" BETWEEN ?1 AND ?2 ORDER BY \"板块\", \"日期\"",
                         &s))
      return false;
    s.BindText(1, from);
    s.BindText(2, to);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) TakeRow(s, &out->rows.emplace_back());
    s.Reset();
    if (rc != SQLITE_DONE) {
      out->rows.clear();
      return t.Fail(rc);
    }
    return true;
  }

  static bool Rebuild(TableFile& t, int64_t* rows) {
    if (!t.FlushPending() || !t.EnsureIndexes(true)) return false;
    const std::string date = Quote(kListingFields[kDate - 1].name);
    const std::string code = Quote(kListingFields[kCode - 1].name);
    // Rows fetched for real stay as they are; inferred ones are worked out
    // again. The board follows from the code: 6... 沪市, 002... 中小板,
    // anything else 深市. A date that is no date ("", a hand edit) gives
    // no row.
    const std::string insert =
        "INSERT OR IGNORE INTO " + LogTable() +
        " (\"板块\", \"日期\", \"结果\", \"条数\", \"推断\") SELECT CASE WHEN " + code +
        " GLOB '6*' THEN 0 WHEN " + code + " GLOB '002*' THEN 2 ELSE 1 END, " + date + ", " +
        std::to_string(static_cast<int>(PageOutcome::kStored)) + ", count(*), 1 FROM " + t.table_ +
        " WHERE " + date + " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' GROUP BY 1, 2";
    Connection& db = t.handles_->db;
    bool ok = t.Exec("SAVEPOINT rebuild_log") &&
              t.Exec("DELETE FROM " + LogTable() + " WHERE \"推断\" = 1") && t.Exec(insert);
    const int64_t inserted = ok ? sqlite3_changes(db.get()) : 0;
    if (ok) ok = t.Exec("RELEASE rebuild_log");
    if (!ok) {
      db.Exec("ROLLBACK TO rebuild_log; RELEASE rebuild_log;");
      t.indexes_ready_ = false;
      return false;
    }
    if (rows) *rows = inserted;
    return true;
  }
};

bool StoreAccess::WritePageLog(const PageLogEntry& entry) {
  return table_ && PageLogTable::Write(*table_, entry);
}

bool StoreAccess::ReadPageLog(std::string_view from, std::string_view to, PageLogRows* out) {
  if (!table_) {
    *out = PageLogRows{};
    return false;
  }
  return PageLogTable::Read(*table_, from, to, out);
}

bool StoreAccess::ReadPageLogRow(int board, std::string_view date,
                                 std::optional<PageLogEntry>* out) {
  out->reset();
  return table_ && PageLogTable::ReadOne(*table_, board, date, out);
}

bool StoreAccess::RebuildPageLog(int64_t* rows) {
  return table_ && PageLogTable::Rebuild(*table_, rows);
}

}  // namespace store
