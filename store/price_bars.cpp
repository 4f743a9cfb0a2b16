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

// The first byte of a packed blob: its layout. A blob of another layout
// is not read (the bars table is). Both layouts are the same bytes after
// it; the second says that every price, n / 1000.0, is the very double of
// the bars table (a price with more than three decimals is rounded, and
// its stock packed in the first). The stamp keeps the first's number.
constexpr uint8_t kPackedBarsLayout = 1;
constexpr uint8_t kPackedBarsExactLayout = 2;

// One bar as packed: the small form and its low.
struct PackedBar {
  int32_t day = 0;
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
};

void PackedBarsPutSigned(int64_t v, std::string* out) { PutVarint(Zigzag(v), out); }

// A blob: the layout byte, the bar count, the price step (10 when every
// price is a whole number of fen, else 1), then per bar the day as the
// change from the bar before and the four prices, in steps, as changes from
// the close before, each a zigzag varint: most bars take six or seven bytes.
std::string PackBars(const std::vector<PackedBar>& bars, bool exact) {
  int64_t step = 10;
  for (const PackedBar& b : bars)
    for (int32_t v : {b.open, b.high, b.low, b.close})
      if (v % 10 != 0) step = 1;  // kNoPrice too
  std::string out;
  out.reserve(8 + bars.size() * 8);
  out.push_back(static_cast<char>(exact ? kPackedBarsExactLayout : kPackedBarsLayout));
  PutVarint(bars.size(), &out);
  PutVarint(static_cast<uint64_t>(step), &out);
  int64_t day = 0;
  int64_t close = 0;
  for (const PackedBar& b : bars) {
    PackedBarsPutSigned(b.day - day, &out);
    for (int32_t v : {b.open, b.high, b.low, b.close}) PackedBarsPutSigned(v / step - close, &out);
    day = b.day;
    close = b.close / step;
  }
  return out;
}

// Where a bar's five numbers lie when each is one or two bytes, by which
// of its first ten bytes end a number: `size` 0 when they are not.
struct PackedBarShape {
  uint8_t size = 0;
  uint8_t start[5] = {};
  uint8_t two[5] = {};  // 1 where the number takes two bytes
};

constexpr std::array<PackedBarShape, 1024> MakePackedBarShapes() {
  std::array<PackedBarShape, 1024> shapes{};
  for (unsigned ends = 0; ends < 1024; ++ends) {
    PackedBarShape s;
    unsigned at = 0;
    int k = 0;
    for (; k < 5; ++k) {
      const bool one = ends >> at & 1;
      const bool second = !one && at + 1 < 10 && (ends >> (at + 1) & 1);
      if (!one && !second) break;
      s.start[k] = static_cast<uint8_t>(at);
      s.two[k] = second ? 1 : 0;
      at += second ? 2 : 1;
    }
    if (k == 5) s.size = static_cast<uint8_t>(at);
    shapes[ends] = s;
  }
  return shapes;
}
constexpr std::array<PackedBarShape, 1024> kPackedBarShapes = MakePackedBarShapes();

// A bar's five numbers at once where sixteen bytes are left and each is one
// or two bytes (nearly every bar): where the numbers end comes from one look
// at the bytes' high bits, so the next bar need not wait for five
// byte-by-byte reads. False leaves `at` where it was.
inline bool PackedBarShortNumbers(const uint8_t*& at, const uint8_t* end, int64_t v[5]) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (end - at < 16) return false;
  uint8_t bytes[16];
  std::memcpy(bytes, at, 16);
  uint64_t w[2];
  std::memcpy(w, bytes, 16);
  // The high bit of each byte gathered into one bit each, set where a byte
  // ends a number (no two of the multiplier's terms meet, so nothing
  // carries).
  const auto gather = [](uint64_t word) {
    return static_cast<unsigned>(((~word & 0x8080808080808080ull) >> 7) * 0x0102040810204080ull >>
                                 56);
  };
  const PackedBarShape& s = kPackedBarShapes[(gather(w[0]) | gather(w[1]) << 8) & 1023];
  if (s.size == 0) return false;
  for (int k = 0; k < 5; ++k) {
    const unsigned first = bytes[s.start[k]];
    const unsigned second = bytes[s.start[k] + s.two[k]];
    const uint64_t u = (first & 0x7f) | ((second << 7) & (0u - s.two[k]));
    v[k] = static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1);
  }
  at += s.size;
  return true;
}

// Reads packed bars; false for a blob that is not one (another layout,
// damage), with nothing to trust in what was taken.
class PackedBarsReader {
 public:
  explicit PackedBarsReader(std::string_view blob)
      : at_(reinterpret_cast<const uint8_t*>(blob.data())), end_(at_ + blob.size()) {}

  bool Begin(uint64_t* count) {
    if (at_ == end_) return false;
    const uint8_t layout = *at_++;
    if (layout != kPackedBarsLayout && layout != kPackedBarsExactLayout) return false;
    exact_ = layout == kPackedBarsExactLayout;
    uint64_t step = 0;
    if (!ReadVarint(at_, end_, count) || !ReadVarint(at_, end_, &step) ||
        (step != 1 && step != 10))
      return false;
    step_ = static_cast<int64_t>(step);
    // Every bar takes five bytes at least.
    return *count <= static_cast<uint64_t>(end_ - at_) / 5;
  }

  // The next `count` bars, each to `take(const PackedBar&)` in turn. With
  // `kShortFirst`, a bar's numbers are first looked for all at once: that
  // measured faster for the back-test's read, and slower than reading each
  // number in turn for the ranking's, so each reader picks its way.
  template <bool kShortFirst, typename Take>
  bool ReadBars(uint64_t count, Take&& take) {
    const uint8_t* at = at_;
    const uint8_t* const end = end_;
    const int64_t step = step_;
    int64_t day = day_;
    int64_t close = close_;
    for (uint64_t k = 0; k < count; ++k) {
      int64_t v[5];
      if (!kShortFirst || !PackedBarShortNumbers(at, end, v))
        for (int64_t& x : v)
          if (!ReadSignedVarint(at, end, &x)) return false;
      day += v[0];
      const int64_t prices[4] = {(v[1] + close) * step, (v[2] + close) * step,
                                 (v[3] + close) * step, (v[4] + close) * step};
      for (int64_t p : prices)
        if (p < INT32_MIN || p > INT32_MAX) return false;
      if (day < INT32_MIN || day > INT32_MAX) return false;
      close += v[4];
      take(PackedBar{static_cast<int32_t>(day), static_cast<int32_t>(prices[0]),
                     static_cast<int32_t>(prices[1]), static_cast<int32_t>(prices[2]),
                     static_cast<int32_t>(prices[3])});
    }
    at_ = at;
    day_ = day;
    close_ = close;
    return true;
  }

  bool AtEnd() const { return at_ == end_; }
  // Every price n / 1000.0 is the bars table's double (after Begin).
  bool Exact() const { return exact_; }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  int64_t step_ = 1;
  int64_t day_ = 0;
  int64_t close_ = 0;
  bool exact_ = false;
};

// A price's thousandths when n / 1000.0 gives back the very double (bit for
// bit: not -0.0 for 0); kNoPrice else.
int32_t PackedBarsExactThousandths(std::optional<double> price) {
  if (!price) return kNoPrice;
  const int32_t n = ThousandthsOf(*price);
  if (n == kNoPrice || std::bit_cast<uint64_t>(n / 1000.0) != std::bit_cast<uint64_t>(*price))
    return kNoPrice;
  return n;
}

// A log row's fields after its code, from the six columns a statement
// gives from `first` on (fetched at, result, reason, bars, from, to).
void PriceLogFromColumns(const Statement& s, int first, PriceLogEntry* e) {
  e->fetched_at.assign(s.Bytes(first));
  e->result = static_cast<PriceFetchResult>(s.Int64(first + 1));
  e->reason.assign(s.Bytes(first + 2));
  e->bars = s.Int64(first + 3);
  e->from.assign(s.Bytes(first + 4));
  e->to.assign(s.Bytes(first + 5));
}

// A stock's log row as a number: a packed row keeps the number of the log
// row written with it. Every write of bars writes the log row too (a build
// that knew no packed rows as well), so a number that no longer matches
// means bars the packed row may not hold.
int64_t PackedBarsStamp(const PriceLogEntry& log) {
  uint64_t h = 14695981039346656037ULL;
  const auto mix = [&h](std::string_view bytes) {
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
    h = (h ^ 0x1f) * 1099511628211ULL;
  };
  mix(log.code);
  mix(log.fetched_at);
  mix(std::to_string(static_cast<int>(log.result)));
  mix(log.reason);
  mix(std::to_string(log.bars));
  mix(log.from);
  mix(log.to);
  mix(std::to_string(kPackedBarsLayout));
  return static_cast<int64_t>(h);
}

// The text of a day number, "YYYY-MM-DD".
std::string PackedBarsDateText(int32_t day) {
  const std::chrono::year_month_day ymd{std::chrono::sys_days(std::chrono::days(day))};
  char t[16];
  std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return t;
}

// The first day whose text compares above `text` (or equal to it, when
// `inclusive`), byte for byte, as the bars table compares its 日期: the
// dates of four-digit years sort as their days do.
int32_t PackedBarsFirstDay(std::string_view text, bool inclusive) {
  static const int32_t first = *DayNumberOfDate("0000-01-01");
  static const int32_t last = *DayNumberOfDate("9999-12-31");
  int32_t lo = first;
  int32_t hi = last + 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    const std::string t = PackedBarsDateText(mid);
    const int c = std::string_view(t).compare(text);
    if (c > 0 || (inclusive && c == 0)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

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
  // matched the old log row is made to match the new one.
  static bool WriteLogAlone(TableFile& t, const PriceLogEntry& log) {
    if (!t.EnsureIndexes(true)) return false;
    const bool own_batch = !t.InBatch();
    if (own_batch && !t.BeginBatch()) return false;
    std::vector<PriceLogEntry> before;
    bool ok = ReadLogs(t, log.code, &before) && WriteLog(t, log);
    if (ok && !before.empty()) {
      Statement s;
      ok = t.Prepare("UPDATE " + Quote(kPackedBarsTable) +
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
      kept_count = 0;
      PackedBarsReader reader(blob);
      uint64_t held = 0;
      if (!reader.Begin(&held) || !reader.Exact() || held != static_cast<uint64_t>(count))
        return false;
      // Grown, never shrunk: no bar is cleared before it is written.
      if (bars.size() < held) bars.resize(held);
      ExactDayBar* kept = bars.data();
      const bool read = reader.ReadBars<true>(held, [&](const PackedBar& b) {
        *kept = {b.day, b.open, b.high, b.low, b.close};
        kept += b.day >= first_day && b.day < after_last;
      });
      kept_count = static_cast<size_t>(kept - bars.data());
      return read && reader.AtEnd();
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
        take(code, std::span<const ExactDayBar>(bars.data(), kept_count));
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
