// The Seat identities' tables: their definitions, and all their rows read
// and written through a store access's own connection.
#include "store/seat_book.h"

#include <tuple>
#include <utility>

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

  static void BindSeatBookValue(Statement& s, int index, int64_t value) {
    s.BindInt64(index, value);
  }
  static void BindSeatBookValue(Statement& s, int index, std::string_view value) {
    s.BindText(index, value);
  }

  // "INSERT INTO table VALUES (?, …)", prepared once and run for each row
  // with the values `values` gives for it, in column order.
  template <typename Row, typename Values>
  static bool InsertEach(TableFile& t, std::string_view table, const std::vector<Row>& rows,
                         Values values) {
    using Tuple = decltype(values(std::declval<const Row&>()));
    std::string sql = "INSERT INTO " + Quote(table) + " VALUES (?";
    for (size_t c = 1; c < std::tuple_size_v<Tuple>; ++c) sql += ", ?";
    sql += ")";
    Statement s;
    if (!t.Prepare(sql, &s)) return false;
    for (const Row& r : rows) {
      std::apply(
          [&s](const auto&... value) {
            int index = 0;
            (BindSeatBookValue(s, ++index, value), ...);
          },
          values(r));
      if (!t.Check(s.Run(), SQLITE_DONE)) return false;
    }
    return true;
  }

  static bool WriteAll(TableFile& t, const SeatBookRows& rows) {
    for (std::string_view table :
         {kSeatIdentitiesTable, kSeatNamesTable, kSeatUndoTable, kWatchListTable}) {
      if (!t.Exec("DELETE FROM " + Quote(table))) return false;
    }
    using Text = std::string_view;
    return InsertEach(t, kSeatIdentitiesTable, rows.identities,
                      [](const SeatIdentityRow& r) {
                        return std::tuple<int64_t, Text, Text, Text, Text>(r.id, r.branch, r.kind,
                                                                           r.nickname, r.note);
                      }) &&
           InsertEach(t, kSeatNamesTable, rows.names,
                      [](const SeatNameRow& r) {
                        return std::tuple<Text, int64_t, Text, Text>(r.name, r.identity,
                                                                     r.first_seen, r.last_seen);
                      }) &&
           InsertEach(t, kSeatUndoTable, rows.undo,
                      [](const SeatUndoRow& r) {
                        return std::tuple<int64_t, int64_t, int64_t, int64_t, Text, Text, Text,
                                          Text, Text, Text, int64_t>(
                            r.step, r.action, r.identity, r.other, r.removed.branch, r.removed.kind,
                            r.removed.nickname, r.removed.note, r.kept_branch, r.names,
                            (r.watched ? 1 : 0) | (r.kept_watched ? 2 : 0));
                      }) &&
           InsertEach(t, kWatchListTable, rows.watch,
                      [](const WatchRow& r) { return std::tuple<int64_t, Text>(r.kind, r.value); });
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
