// The daily prices' tables: their definitions, and their rows written and
// read through a store access's own connection (and so its transactions).
#include "store/price_bars.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "store/record_store.h"
#include "store/table_file_handles.h"

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
    ok = ok && WriteLog(t, log);
    if (!own_batch) return ok;
    if (!ok) {
      t.RollbackBatch();
      return false;
    }
    return t.CommitBatch();
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

  // Whether the file has the table; a read never makes it.
  static bool Present(TableFile& t, std::string_view table, bool* present) {
    Statement look;
    if (!t.Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?", &look))
      return false;
    look.BindText(1, table);
    const int rc = look.Step();
    if (rc != SQLITE_ROW) return t.Fail(rc);
    *present = look.Int64(0) > 0;
    return true;
  }

  static bool ReadLogs(TableFile& t, std::string_view code, std::vector<PriceLogEntry>* out) {
    out->clear();
    bool present = false;
    if (!Present(t, kPriceLogTable, &present)) return false;
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
      e.fetched_at.assign(s.Bytes(1));
      e.result = static_cast<PriceFetchResult>(s.Int64(2));
      e.reason.assign(s.Bytes(3));
      e.bars = s.Int64(4);
      e.from.assign(s.Bytes(5));
      e.to.assign(s.Bytes(6));
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
    if (!Present(t, kPriceBarsTable, &present)) return false;
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

  // One statement over the whole table in key order, or one lookup per
  // code (prepared once) when only some codes are wanted.
  static bool ReadDayBars(TableFile& t, std::string_view from, std::string_view to,
                          std::span<const std::string> codes, DayBarTable* out) {
    *out = {};
    bool present = false;
    if (!Present(t, kPriceBarsTable, &present)) return false;
    if (!present) {
      out->starts.push_back(0);
      return true;
    }
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
      if (!Present(t, kPriceLogTable, &logged)) return false;
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
  return table_ && PriceBarsTables::WriteLog(*table_, log);
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

bool StoreAccess::ReadDayBars(std::string_view from, std::string_view to,
                              std::span<const std::string> codes, DayBarTable* out) {
  *out = {};
  out->starts.push_back(0);
  return table_ && PriceBarsTables::ReadDayBars(*table_, from, to, codes, out);
}

}  // namespace store
