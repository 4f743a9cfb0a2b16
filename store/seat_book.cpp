// The Seat identities' tables: their definitions, and all their rows read
// and written through a store access's own connection.
#include "store/seat_book.h"

#include "store/record_store.h"
#include "store/table_file_handles.h"

namespace store {

using table_sql::Quote;

namespace {

constexpr char kSeatBookIdentityColumns[] =
    "\"编号\" INTEGER PRIMARY KEY, \"营业部代码\" TEXT NOT NULL DEFAULT '', "
    "\"类别\" TEXT NOT NULL, \"昵称\" TEXT NOT NULL DEFAULT '', "
    "\"备注\" TEXT NOT NULL DEFAULT ''";
constexpr char kSeatBookNameColumns[] =
    "\"名称\" TEXT NOT NULL PRIMARY KEY, \"席位\" INTEGER NOT NULL, "
    "\"首见\" TEXT NOT NULL DEFAULT '', \"末见\" TEXT NOT NULL DEFAULT ''";
constexpr char kSeatBookUndoColumns[] =
    "\"步\" INTEGER PRIMARY KEY, \"操作\" INTEGER NOT NULL, \"席位\" INTEGER NOT NULL, "
    "\"对方\" INTEGER NOT NULL, \"营业部代码\" TEXT NOT NULL DEFAULT '', "
    "\"类别\" TEXT NOT NULL DEFAULT '', \"昵称\" TEXT NOT NULL DEFAULT '', "
    "\"备注\" TEXT NOT NULL DEFAULT '', \"原代码\" TEXT NOT NULL DEFAULT '', "
    "\"名称\" TEXT NOT NULL DEFAULT '', \"关注\" INTEGER NOT NULL DEFAULT 0";  // 1 it, 2 the kept one
constexpr char kSeatBookWatchColumns[] =
    "\"类型\" INTEGER NOT NULL, \"值\" TEXT NOT NULL, PRIMARY KEY (\"类型\", \"值\")";

}  // namespace

const SideTable& SeatIdentitiesSideTable() {
  static const SideTable table{kSeatIdentitiesTable, kSeatBookIdentityColumns, "", false};
  return table;
}
const SideTable& SeatNamesSideTable() {
  static const SideTable table{kSeatNamesTable, kSeatBookNameColumns, "WITHOUT ROWID", false};
  return table;
}
const SideTable& SeatUndoSideTable() {
  static const SideTable table{kSeatUndoTable, kSeatBookUndoColumns, "", false};
  return table;
}
const SideTable& WatchListSideTable() {
  static const SideTable table{kWatchListTable, kSeatBookWatchColumns, "WITHOUT ROWID", false};
  return table;
}

class SeatBookTables {
 public:
  static bool Read(TableFile& t, SeatBookRows* out) {
    *out = SeatBookRows{};
    Statement look;
    if (!t.Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?", &look))
      return false;
    look.BindText(1, kSeatIdentitiesTable);
    const int rc = look.Step();
    if (rc != SQLITE_ROW) return t.Fail(rc);
    if (look.Int64(0) == 0) return true;
    out->present = true;
    return Select(t, "SELECT \"编号\", \"营业部代码\", \"类别\", \"昵称\", \"备注\" FROM " +
                         Quote(kSeatIdentitiesTable) + " ORDER BY 1",
                  [out](const Statement& s) {
                    SeatIdentityRow& r = out->identities.emplace_back();
                    r.id = s.Int64(0);
                    r.branch.assign(s.Bytes(1));
                    r.kind.assign(s.Bytes(2));
                    r.nickname.assign(s.Bytes(3));
                    r.note.assign(s.Bytes(4));
                  }) &&
           Select(t, "SELECT \"名称\", \"席位\", \"首见\", \"末见\" FROM " +
                         Quote(kSeatNamesTable) + " ORDER BY 1",
                  [out](const Statement& s) {
                    SeatNameRow& r = out->names.emplace_back();
                    r.name.assign(s.Bytes(0));
                    r.identity = s.Int64(1);
                    r.first_seen.assign(s.Bytes(2));
                    r.last_seen.assign(s.Bytes(3));
                  }) &&
           Select(t,
                  "SELECT \"步\", \"操作\", \"席位\", \"对方\", \"营业部代码\", \"类别\", \"昵称\", "
                  "\"备注\", \"原代码\", \"名称\", \"关注\" FROM " +
                      Quote(kSeatUndoTable) + " ORDER BY 1",
                  [out](const Statement& s) {
                    SeatUndoRow& r = out->undo.emplace_back();
                    r.step = s.Int64(0);
                    r.action = static_cast<int>(s.Int64(1));
                    r.identity = s.Int64(2);
                    r.other = s.Int64(3);
                    r.removed.id = r.identity;
                    r.removed.branch.assign(s.Bytes(4));
                    r.removed.kind.assign(s.Bytes(5));
                    r.removed.nickname.assign(s.Bytes(6));
                    r.removed.note.assign(s.Bytes(7));
                    r.kept_branch.assign(s.Bytes(8));
                    r.names.assign(s.Bytes(9));
                    r.watched = (s.Int64(10) & 1) != 0;
                    r.kept_watched = (s.Int64(10) & 2) != 0;
                  }) &&
           Select(t,
                  "SELECT \"类型\", \"值\" FROM " + Quote(kWatchListTable) + " ORDER BY 1, 2",
                  [out](const Statement& s) {
                    WatchRow& r = out->watch.emplace_back();
                    r.kind = static_cast<int>(s.Int64(0));
                    r.value.assign(s.Bytes(1));
                  });
  }

  static bool Write(TableFile& t, const SeatBookRows& rows) {
    if (!t.EnsureIndexes(true)) return false;
    if (!t.Exec("SAVEPOINT seat_book")) return false;
    const bool ok = WriteAll(t, rows);
    if (!ok) {
      t.handles_->db.Exec("ROLLBACK TO seat_book");
      t.handles_->db.Exec("RELEASE seat_book");
      return false;
    }
    return t.Exec("RELEASE seat_book");
  }

 private:
  template <typename Take>
  static bool Select(TableFile& t, const std::string& sql, Take take) {
    Statement s;
    if (!t.Prepare(sql, &s)) return false;
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) take(s);
    return rc == SQLITE_DONE || t.Fail(rc);
  }

  static bool WriteAll(TableFile& t, const SeatBookRows& rows) {
    for (std::string_view table :
         {kSeatIdentitiesTable, kSeatNamesTable, kSeatUndoTable, kWatchListTable}) {
      if (!t.Exec("DELETE FROM " + Quote(table))) return false;
    }
    Statement s;
    if (!t.Prepare("INSERT INTO " + Quote(kSeatIdentitiesTable) + " VALUES (?, ?, ?, ?, ?)", &s))
      return false;
    for (const SeatIdentityRow& r : rows.identities) {
      s.BindInt64(1, r.id);
      s.BindText(2, r.branch);
      s.BindText(3, r.kind);
      s.BindText(4, r.nickname);
      s.BindText(5, r.note);
      if (!t.Check(s.Run(), SQLITE_DONE)) return false;
    }
    Statement n;
    if (!t.Prepare("INSERT INTO " + Quote(kSeatNamesTable) + " VALUES (?, ?, ?, ?)", &n))
      return false;
    for (const SeatNameRow& r : rows.names) {
      n.BindText(1, r.name);
      n.BindInt64(2, r.identity);
      n.BindText(3, r.first_seen);
      n.BindText(4, r.last_seen);
      if (!t.Check(n.Run(), SQLITE_DONE)) return false;
    }
    Statement u;
    if (!t.Prepare("INSERT INTO " + Quote(kSeatUndoTable) +
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   &u))
      return false;
    for (const SeatUndoRow& r : rows.undo) {
      u.BindInt64(1, r.step);
      u.BindInt64(2, r.action);
      u.BindInt64(3, r.identity);
      u.BindInt64(4, r.other);
      u.BindText(5, r.removed.branch);
      u.BindText(6, r.removed.kind);
      u.BindText(7, r.removed.nickname);
      u.BindText(8, r.removed.note);
      u.BindText(9, r.kept_branch);
      u.BindText(10, r.names);
      u.BindInt64(11, (r.watched ? 1 : 0) | (r.kept_watched ? 2 : 0));
      if (!t.Check(u.Run(), SQLITE_DONE)) return false;
    }
    Statement w;
    if (!t.Prepare("INSERT INTO " + Quote(kWatchListTable) + " VALUES (?, ?)", &w)) return false;
    for (const WatchRow& r : rows.watch) {
      w.BindInt64(1, r.kind);
      w.BindText(2, r.value);
      if (!t.Check(w.Run(), SQLITE_DONE)) return false;
    }
    return true;
  }
};

bool StoreAccess::ReadSeatBook(SeatBookRows* out) {
  *out = SeatBookRows{};
  return table_ && SeatBookTables::Read(*table_, out);
}

bool StoreAccess::WriteSeatBook(const SeatBookRows& rows) {
  return table_ && SeatBookTables::Write(*table_, rows);
}

}  // namespace store
