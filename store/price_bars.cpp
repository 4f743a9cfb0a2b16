// The daily prices' tables: their definitions, and their rows written and
// read through a store access's own connection (and so its transactions).
#include "store/price_bars.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "store/bar_excerpts.h"
#include "store/packed_bars_format.h"
#include "store/record_store.h"
#include "store/table_file_handles.h"
#include "store/varint.h"

namespace store {

using table_sql::Quote;

namespace {

constexpr char kPriceBarColumns[] =
    "\"代码\" TEXT NOT NULL, \"日期\" TEXT NOT NULL, \"开盘\" REAL NOT NULL, "
    "\"最高\" REAL NOT NULL, \"最低\" REAL NOT NULL, \"收盘\" REAL NOT NULL, "
    "\"成交量\" REAL NOT NULL, \"成交额\" REAL NOT NULL, PRIMARY KEY (\"代码\", \"日期\")";
constexpr char kPriceBarColumnList[] =
    "\"代码\", \"日期\", \"开盘\", \"最高\", \"最低\", \"收盘\", \"成交量\", \"成交额\"";

constexpr char kPriceLogColumns[] =
    "\"代码\" TEXT NOT NULL PRIMARY KEY, \"时间\" TEXT NOT NULL, \"结果\" INTEGER NOT NULL, "
    "\"原因\" TEXT NOT NULL DEFAULT '', \"条数\" INTEGER NOT NULL DEFAULT 0, "
    "\"起\" TEXT NOT NULL DEFAULT '', \"止\" TEXT NOT NULL DEFAULT ''";
constexpr char kPriceLogColumnList[] =
    "\"代码\", \"时间\", \"结果\", \"原因\", \"条数\", \"起\", \"止\"";

// Rows one insert writes: eight values each, within the engine's 999.
constexpr size_t kPriceBarsRowsPerInsert = 100;

std::string PriceBarsInsertSql(size_t rows) {
  std::string sql = "INSERT OR REPLACE INTO " + Quote(kPriceBarsTable) + " (" +
                    kPriceBarColumnList + ") VALUES ";
  for (size_t i = 0; i < rows; ++i) {
    if (i) sql += ", ";
    sql += "(?, ?, ?, ?, ?, ?, ?, ?)";
  }
  return sql;
}

// The columns the small form reads, in key order.
constexpr char kDayBarColumnList[] = "\"代码\", \"日期\", \"开盘\", \"最高\", \"收盘\"";

constexpr char kPackedBarsColumns[] =
    "\"代码\" TEXT NOT NULL PRIMARY KEY, \"印记\" INTEGER NOT NULL, \"条数\" INTEGER NOT NULL, "
    "\"数据\" BLOB NOT NULL";

// The columns a packed row is made from, in date order.
constexpr char kPackSourceColumnList[] = "\"日期\", \"开盘\", \"最高\", \"最低\", \"收盘\"";


int32_t PriceBarsDigits(std::string_view t, size_t at, size_t count, bool* ok) {
  int32_t n = 0;
  for (size_t k = at; k < at + count; ++k) {
    const char c = t[k];
    if (c < '0' || c > '9') *ok = false;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

int32_t ThousandthsOf(double price) {
  if (!std::isfinite(price)) return kNoPrice;
  const double scaled = std::round(price * 1000);
  if (!(scaled > static_cast<double>(kNoPrice)) || scaled > static_cast<double>(INT32_MAX))
    return kNoPrice;
  return static_cast<int32_t>(scaled);
}

std::optional<int32_t> DayNumberOfDate(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  bool ok = true;
  const int y = PriceBarsDigits(date, 0, 4, &ok);
  const int m = PriceBarsDigits(date, 5, 2, &ok);
  const int d = PriceBarsDigits(date, 8, 2, &ok);
  if (!ok) return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year(y),
                                        std::chrono::month(static_cast<unsigned>(m)),
                                        std::chrono::day(static_cast<unsigned>(d))};
  if (!ymd.ok()) return std::nullopt;
  return static_cast<int32_t>(std::chrono::sys_days(ymd).time_since_epoch().count());
}

const SideTable& PriceBarsSideTable() {
  static const SideTable table{kPriceBarsTable, kPriceBarColumns, "WITHOUT ROWID", false};
  return table;
}

const SideTable& PriceLogSideTable() {
  static const SideTable table{kPriceLogTable, kPriceLogColumns, "WITHOUT ROWID", false};
  return table;
}

const SideTable& PackedBarsSideTable() {
  static const SideTable table{kPackedBarsTable, kPackedBarsColumns, "WITHOUT ROWID", false};
  return table;
}

// Works on a table file's connection for the access that has it open.
class PriceBarsTables {
 public:
  static bool Store(TableFile& t, const std::vector<PriceBar>& bars, const PriceLogEntry& log) {
    if (!t.EnsureIndexes(true)) return false;
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    // Many rows a statement: the engine saves each page a statement changes
    // (encrypted) before the statement's first change to it, so a row a
    // statement would save the same page again and again.
    bool ok = true;
    Statement full;
    size_t done = 0;
    while (ok && done < bars.size()) {
      const size_t rows = std::min(kPriceBarsRowsPerInsert, bars.size() - done);
      Statement part;
      Statement* s = rows == kPriceBarsRowsPerInsert ? &full : &part;
      if (!*s) ok = t.Prepare(PriceBarsInsertSql(rows), s);
      for (size_t i = 0; ok && i < rows; ++i) {
        const PriceBar& b = bars[done + i];
        int column = static_cast<int>(i) * 8 + 1;
        s->BindText(column++, log.code);
        s->BindText(column++, b.date);
        for (double v : {b.open, b.high, b.low, b.close, b.volume, b.amount})
          s->BindReal(column++, v);
      }
      ok = ok && t.Check(s->Run(), SQLITE_DONE);
      done += rows;
    }
    ok = ok && WriteLog(t, log) && Repack(t, log);
    return EndOwnBatch(t, own_batch, ok);
  }

  static bool WriteLog(TableFile& t, const PriceLogEntry& log) {
    if (!t.EnsureIndexes(true)) return false;
    Statement s;
    if (!t.Prepare("INSERT OR REPLACE INTO " + Quote(kPriceLogTable) + " (" + kPriceLogColumnList +
                       ") VALUES (?, ?, ?, ?, ?, ?, ?)",
                   &s))
      return false;
    s.BindText(1, log.code);
    s.BindText(2, log.fetched_at);
    s.BindInt64(3, static_cast<int64_t>(log.result));
    s.BindText(4, log.reason);
    s.BindInt64(5, log.bars);
    s.BindText(6, log.from);
    s.BindText(7, log.to);
    return t.Check(s.Run(), SQLITE_DONE);
  }

  // A log row alone: the bars stay as they are, so a packed row that
  // matched the old log row is made to match the new one, and so is an
  // excerpt made from them (EnsureIndexes makes both tables).
  static bool WriteLogAlone(TableFile& t, const PriceLogEntry& log) {
    if (!t.EnsureIndexes(true)) return false;
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    std::vector<PriceLogEntry> before;
    bool ok = ReadLogs(t, log.code, &before) && WriteLog(t, log);
    for (const std::string_view table : {kPackedBarsTable, kBarExcerptsTable}) {
      if (!ok || before.empty()) break;
      Statement s;
      ok = t.Prepare("UPDATE " + Quote(table) +
                         " SET \"印记\" = ?1 WHERE \"代码\" = ?2 AND \"印记\" = ?3",
                     &s);
      if (ok) {
        s.BindInt64(1, PackedBarsStamp(log));
        s.BindText(2, log.code);
        s.BindInt64(3, PackedBarsStamp(before.front()));
        ok = t.Check(s.Run(), SQLITE_DONE);
      }
    }
    return EndOwnBatch(t, own_batch, ok);
  }

  // The code's packed row made again from its rows in the bars table,
  // stamped with `log`, the log row just written. A code with a date the
  // small form cannot hold keeps no packed row: it is read from the table.
  static bool Repack(TableFile& t, const PriceLogEntry& log) {
    // An excerpt made from the old bars goes with them, even where the new
    // log row happens to give the same stamp.
    Statement drop;
    if (!t.Prepare("DELETE FROM " + Quote(kBarExcerptsTable) + " WHERE \"代码\" = ?1", &drop))
      return false;
    drop.BindText(1, log.code);
    if (!t.Check(drop.Run(), SQLITE_DONE)) return false;
    Statement read;
    if (!t.Prepare(std::string("SELECT ") + kPackSourceColumnList + " FROM " +
                       Quote(kPriceBarsTable) + " WHERE \"代码\" = ?1 ORDER BY \"日期\"",
                   &read))
      return false;
    read.BindText(1, log.code);
    std::vector<PackedBar> bars;
    bool packable = true;
    bool exact = true;
    int rc;
    while ((rc = read.Step()) == SQLITE_ROW) {
      const std::optional<int32_t> day = DayNumberOfDate(read.Bytes(0));
      if (!day) packable = false;
      PackedBar& b = bars.emplace_back();
      b.day = day.value_or(0);
      int32_t* const prices[4] = {&b.open, &b.high, &b.low, &b.close};
      for (int k = 0; k < 4; ++k) {
        const std::optional<double> price = read.Real(k + 1);
        *prices[k] = ThousandthsOf(price.value_or(NAN));
        if (exact && PackedBarsExactThousandths(price) == kNoPrice) exact = false;
      }
    }
    if (rc != SQLITE_DONE) return t.Fail(rc);
    Statement write;
    if (!packable) {
      if (!t.Prepare("DELETE FROM " + Quote(kPackedBarsTable) + " WHERE \"代码\" = ?1", &write))
        return false;
      write.BindText(1, log.code);
      return t.Check(write.Run(), SQLITE_DONE);
    }
    const std::string blob = PackBars(bars, exact);
    if (!t.Prepare("INSERT OR REPLACE INTO " + Quote(kPackedBarsTable) +
                       " (\"代码\", \"印记\", \"条数\", \"数据\") VALUES (?1, ?2, ?3, ?4)",
                   &write))
      return false;
    write.BindText(1, log.code);
    write.BindInt64(2, PackedBarsStamp(log));
    write.BindInt64(3, static_cast<int64_t>(bars.size()));
    write.BindBlob(4, blob);
    return t.Check(write.Run(), SQLITE_DONE);
  }

  static bool ReadLogs(TableFile& t, std::string_view code, std::vector<PriceLogEntry>* out) {
    out->clear();
    bool present = false;
    if (!t.HasTable(kPriceLogTable, &present)) return false;
    if (!present) return true;
    std::string sql = std::string("SELECT ") + kPriceLogColumnList + " FROM " +
                      Quote(kPriceLogTable);
    if (!code.empty()) sql += " WHERE \"代码\" = ?1";
    sql += " ORDER BY \"代码\"";
    Statement s;
    if (!t.Prepare(sql, &s)) return false;
    if (!code.empty()) s.BindText(1, code);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
      PriceLogEntry& e = out->emplace_back();
      e.code.assign(s.Bytes(0));
      PriceLogFromColumns(s, 1, &e);
    }
    if (rc != SQLITE_DONE) {
      out->clear();
      return t.Fail(rc);
    }
    return true;
  }

  static bool ReadBars(TableFile& t, std::string_view from, std::string_view to,
                       std::string_view code, std::vector<CodeBars>* out) {
    out->clear();
    bool present = false;
    if (!t.HasTable(kPriceBarsTable, &present)) return false;
    if (!present) return true;
    std::string sql = std::string("SELECT ") + kPriceBarColumnList + " FROM " +
                      Quote(kPriceBarsTable) + " WHERE ";
    sql += code.empty() ? "\"日期\" BETWEEN ?1 AND ?2" : "\"代码\" = ?3 AND \"日期\" BETWEEN ?1 AND ?2";
    sql += " ORDER BY \"代码\", \"日期\"";
    Statement s;
    if (!t.Prepare(sql, &s)) return false;
    s.BindText(1, from);
    s.BindText(2, to);
    if (!code.empty()) s.BindText(3, code);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
      const std::string_view row_code = s.Bytes(0);
      if (out->empty() || out->back().code != row_code) out->push_back({std::string(row_code), {}});
      PriceBar& b = out->back().bars.emplace_back();
      b.date.assign(s.Bytes(1));
      b.open = s.Real(2).value_or(0);
      b.high = s.Real(3).value_or(0);
      b.low = s.Real(4).value_or(0);
      b.close = s.Real(5).value_or(0);
      b.volume = s.Real(6).value_or(0);
      b.amount = s.Real(7).value_or(0);
    }
    if (rc != SQLITE_DONE) {
      out->clear();
      return t.Fail(rc);
    }
    return true;
  }

  // Each stock's packed row where its stamp matches its log row, and the
  // bars table for the others (a file written before the packed rows, or
  // since by a build that knew none). Stocks come in code order.
  static bool ReadDayBars(TableFile& t, std::string_view from, std::string_view to,
                          std::span<const std::string> codes, DayBarTable* out) {
    *out = {};
    bool present = false;
    if (!t.HasTable(kPriceBarsTable, &present)) return false;
    if (!present) {
      out->starts.push_back(0);
      return true;
    }
    bool packed = false;
    bool logged = false;
    if (!t.HasTable(kPackedBarsTable, &packed) || !t.HasTable(kPriceLogTable, &logged))
      return false;
    if (!packed || !logged) return ReadDayBarsFromTable(t, from, to, codes, out);

    Statement rows;
    if (!t.Prepare(std::string("SELECT ") + kDayBarColumnList + " FROM " +
                       Quote(kPriceBarsTable) +
                       " WHERE \"代码\" = ?3 AND \"日期\" BETWEEN ?1 AND ?2 ORDER BY \"日期\"",
                   &rows))
      return false;
    std::string sql =
        "SELECT l.\"代码\", l.\"时间\", l.\"结果\", l.\"原因\", l.\"条数\", l.\"起\", "
        "l.\"止\", p.\"印记\", p.\"条数\", p.\"数据\" FROM " +
        Quote(kPriceLogTable) + " AS l LEFT JOIN " + Quote(kPackedBarsTable) +
        " AS p ON p.\"代码\" = l.\"代码\"";
    if (!codes.empty()) sql += " WHERE l.\"代码\" = ?1";
    sql += " ORDER BY l.\"代码\"";
    Statement pack;
    if (!t.Prepare(sql, &pack)) return false;

    const int32_t first_day = PackedBarsFirstDay(from, true);
    const int32_t after_last = PackedBarsFirstDay(to, false);
    const auto add_code = [out](std::string_view code, size_t start) {
      if (out->bars.size() == start) return;  // none within the dates
      out->codes.emplace_back(code);
      out->starts.push_back(start);
    };
    const auto from_table = [&](std::string_view code) -> int {
      const size_t start = out->bars.size();
      rows.Reset();
      rows.BindText(1, from);
      rows.BindText(2, to);
      rows.BindText(3, code);
      int rc;
      while ((rc = rows.Step()) == SQLITE_ROW) {
        DayBar& b = out->bars.emplace_back();
        b.day = DayNumberOfDate(rows.Bytes(1)).value_or(0);
        b.open = ThousandthsOf(rows.Real(2).value_or(NAN));
        b.high = ThousandthsOf(rows.Real(3).value_or(NAN));
        b.close = ThousandthsOf(rows.Real(4).value_or(NAN));
      }
      add_code(code, start);
      return rc;
    };
    // The code's bars from its packed row; false when the row is not one
    // to trust, with nothing added.
    const auto from_pack = [&](std::string_view code, int64_t count, std::string_view blob) {
      const size_t start = out->bars.size();
      PackedBarsReader reader(blob);
      uint64_t held = 0;
      bool ok = reader.Begin(&held) && held == static_cast<uint64_t>(count);
      ok = ok && reader.ReadBars<false>(held, [&](const PackedBar& b) {
        if (b.day >= first_day && b.day < after_last)
          out->bars.push_back({b.day, b.open, b.high, b.close});
      });
      if (!ok || !reader.AtEnd()) {
        out->bars.resize(start);
        return false;
      }
      add_code(code, start);
      return true;
    };
    // One row of the join: a log row and the packed row of its code, if any.
    const auto take = [&]() -> int {
      const std::string_view code = pack.Bytes(0);
      PriceLogEntry log;
      log.code.assign(code);
      PriceLogFromColumns(pack, 1, &log);
      const bool has_pack = pack.Real(7).has_value();  // NULL: no packed row
      if (has_pack && pack.Int64(7) == PackedBarsStamp(log) &&
          from_pack(log.code, pack.Int64(8), pack.Bytes(9)))
        return SQLITE_DONE;
      return from_table(log.code);
    };

    int rc = SQLITE_DONE;
    if (codes.empty()) {
      Statement held;
      if (!t.Prepare("SELECT sum(\"条数\") FROM " + Quote(kPriceLogTable), &held)) return false;
      if (held.Step() == SQLITE_ROW && held.Int64(0) > 0)
        out->bars.reserve(static_cast<size_t>(std::min<int64_t>(held.Int64(0), 1 << 28)));
      while (rc == SQLITE_DONE && (rc = pack.Step()) == SQLITE_ROW) rc = take();
    } else {
      for (const std::string& code : codes) {
        pack.Reset();
        pack.BindText(1, code);
        rc = pack.Step();
        // A code without a log row is looked for in the table all the same.
        rc = rc == SQLITE_ROW ? take() : rc == SQLITE_DONE ? from_table(code) : rc;
        if (rc != SQLITE_DONE) break;
      }
    }
    out->starts.push_back(out->bars.size());
    if (rc != SQLITE_DONE) {
      *out = {};
      return t.Fail(rc);
    }
    return true;
  }

  // The codes' exact packed rows, one lookup each; see
  // StoreAccess::ReadExactDayBars.
  static bool ReadExactDayBars(TableFile& t, std::string_view from, std::string_view to,
                               std::span<const std::string> codes, const ExactDayBarsSink& take,
                               std::vector<std::string>* unpacked) {
    unpacked->clear();
    bool present = false;
    if (!t.HasTable(kPriceBarsTable, &present)) return false;
    if (!present) return true;
    bool packed = false;
    bool logged = false;
    if (!t.HasTable(kPackedBarsTable, &packed) || !t.HasTable(kPriceLogTable, &logged))
      return false;
    if (!packed || !logged) {
      unpacked->assign(codes.begin(), codes.end());
      return true;
    }
    Statement pack;
    if (!t.Prepare("SELECT l.\"时间\", l.\"结果\", l.\"原因\", l.\"条数\", l.\"起\", l.\"止\", "
                   "p.\"印记\", p.\"条数\", p.\"数据\" FROM " +
                       Quote(kPriceLogTable) + " AS l JOIN " + Quote(kPackedBarsTable) +
                       " AS p ON p.\"代码\" = l.\"代码\" WHERE l.\"代码\" = ?1",
                   &pack))
      return false;
    const int32_t first_day = PackedBarsFirstDay(from, true);
    const int32_t after_last = PackedBarsFirstDay(to, false);
    std::vector<ExactDayBar> bars;
    PriceLogEntry log;
    // The code's bars from its packed row; false when the row is not one
    // to use.
    size_t kept_count = 0;  // the first bars of `bars` taken
    const auto from_pack = [&](int64_t count, std::string_view blob) {
      uint64_t held = 0;
      return UnpackExactBarsWithin(blob, first_day, after_last, bars, &held, &kept_count) &&
             held == static_cast<uint64_t>(count);
    };
    for (const std::string& code : codes) {
      pack.Reset();
      pack.BindText(1, code);
      const int rc = pack.Step();
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) return t.Fail(rc);
      bool used = false;
      if (rc == SQLITE_ROW) {
        log.code = code;
        PriceLogFromColumns(pack, 0, &log);
        used = pack.Int64(6) == PackedBarsStamp(log) && from_pack(pack.Int64(7), pack.Bytes(8));
      }
      if (!used) {
        unpacked->push_back(code);
      } else if (kept_count > 0) {
        take(code, pack.Int64(6), std::span<const ExactDayBar>(bars.data(), kept_count));
      }
    }
    return true;
  }

  // One statement over the whole table in key order, or one lookup per
  // code (prepared once) when only some codes are wanted. The caller has
  // seen that the bars table exists and emptied `out`.
  static bool ReadDayBarsFromTable(TableFile& t, std::string_view from, std::string_view to,
                                   std::span<const std::string> codes, DayBarTable* out) {
    std::string sql = std::string("SELECT ") + kDayBarColumnList + " FROM " +
                      Quote(kPriceBarsTable) + " WHERE ";
    sql += codes.empty() ? "\"日期\" BETWEEN ?1 AND ?2"
                         : "\"代码\" = ?3 AND \"日期\" BETWEEN ?1 AND ?2";
    sql += " ORDER BY \"代码\", \"日期\"";
    Statement s;
    if (!t.Prepare(sql, &s)) return false;
    const auto read_rows = [&]() -> int {
      int rc;
      while ((rc = s.Step()) == SQLITE_ROW) {
        const std::string_view code = s.Bytes(0);
        if (out->codes.empty() || out->codes.back() != code) {
          out->codes.emplace_back(code);
          out->starts.push_back(out->bars.size());
        }
        DayBar& b = out->bars.emplace_back();
        b.day = DayNumberOfDate(s.Bytes(1)).value_or(0);
        b.open = ThousandthsOf(s.Real(2).value_or(NAN));
        b.high = ThousandthsOf(s.Real(3).value_or(NAN));
        b.close = ThousandthsOf(s.Real(4).value_or(NAN));
      }
      return rc;
    };
    int rc = SQLITE_DONE;
    if (codes.empty()) {
      // Room for the bars the log says are held: ten years of every stock
      // are grown into no copy after copy.
      bool logged = false;
      if (!t.HasTable(kPriceLogTable, &logged)) return false;
      if (logged) {
        Statement held;
        if (!t.Prepare("SELECT sum(\"条数\") FROM " + Quote(kPriceLogTable), &held)) return false;
        if (held.Step() == SQLITE_ROW && held.Int64(0) > 0)
          out->bars.reserve(static_cast<size_t>(std::min<int64_t>(held.Int64(0), 1 << 28)));
      }
      s.BindText(1, from);
      s.BindText(2, to);
      rc = read_rows();
    } else {
      for (const std::string& code : codes) {
        s.Reset();
        s.BindText(1, from);
        s.BindText(2, to);
        s.BindText(3, code);
        if ((rc = read_rows()) != SQLITE_DONE) break;
      }
    }
    out->starts.push_back(out->bars.size());
    if (rc != SQLITE_DONE) {
      *out = {};
      return t.Fail(rc);
    }
    return true;
  }
};

bool StoreAccess::StorePrices(const std::vector<PriceBar>& bars, const PriceLogEntry& log) {
  return table_ && PriceBarsTables::Store(*table_, bars, log);
}

bool StoreAccess::WritePriceLog(const PriceLogEntry& log) {
  return table_ && PriceBarsTables::WriteLogAlone(*table_, log);
}

bool StoreAccess::ReadPriceLog(std::string_view code, std::optional<PriceLogEntry>* out) {
  out->reset();
  if (!table_ || code.empty()) return false;
  std::vector<PriceLogEntry> rows;
  if (!PriceBarsTables::ReadLogs(*table_, code, &rows)) return false;
  if (!rows.empty()) *out = std::move(rows.front());
  return true;
}

bool StoreAccess::ReadPriceLogs(std::vector<PriceLogEntry>* out) {
  out->clear();
  return table_ && PriceBarsTables::ReadLogs(*table_, {}, out);
}

bool StoreAccess::ReadPriceBars(std::string_view from, std::string_view to,
                                std::vector<CodeBars>* out, std::string_view code) {
  out->clear();
  return table_ && PriceBarsTables::ReadBars(*table_, from, to, code, out);
}

bool StoreAccess::ReadExactDayBars(std::string_view from, std::string_view to,
                                   std::span<const std::string> codes,
                                   const ExactDayBarsSink& take,
                                   std::vector<std::string>* unpacked) {
  unpacked->clear();
  return table_ && PriceBarsTables::ReadExactDayBars(*table_, from, to, codes, take, unpacked);
}

bool StoreAccess::ReadDayBars(std::string_view from, std::string_view to,
                              std::span<const std::string> codes, DayBarTable* out) {
  *out = {};
  out->starts.push_back(0);
  return table_ && PriceBarsTables::ReadDayBars(*table_, from, to, codes, out);
}

}  // namespace store
