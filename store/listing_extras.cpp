// The data centre's side tables: their definitions, and their rows written
// and read through a store access's own connection (and so its
// transactions).
#include "store/listing_extras.h"

#include "store/record_store.h"
#include "store/table_file_handles.h"

namespace store {

using table_sql::Quote;

namespace {

constexpr char kExtrasColumns[] =
    "\"日期\" TEXT NOT NULL, \"代码\" TEXT NOT NULL, \"原因\" TEXT NOT NULL, "
    "\"收盘价\" REAL, \"涨跌幅\" REAL, \"换手率\" REAL, \"流通市值\" REAL, "
    "\"龙虎榜买入额\" REAL, \"龙虎榜卖出额\" REAL, \"龙虎榜净买额\" REAL, \"龙虎榜成交额\" REAL, "
    "\"净买额占总成交比\" REAL, \"成交额占总成交比\" REAL, \"解读\" TEXT NOT NULL DEFAULT '', "
    "\"上榜后1日\" REAL, \"上榜后2日\" REAL, \"上榜后5日\" REAL, \"上榜后10日\" REAL, "
    "PRIMARY KEY (\"日期\", \"代码\", \"原因\")";

// The columns in the order the statements below bind and read them.
constexpr char kExtrasColumnList[] =
    "\"日期\", \"代码\", \"原因\", \"收盘价\", \"涨跌幅\", \"换手率\", \"流通市值\", "
    "\"龙虎榜买入额\", \"龙虎榜卖出额\", \"龙虎榜净买额\", \"龙虎榜成交额\", "
    "\"净买额占总成交比\", \"成交额占总成交比\", \"解读\", "
    "\"上榜后1日\", \"上榜后2日\", \"上榜后5日\", \"上榜后10日\"";

constexpr char kSeatCodeColumns[] =
    "\"日期\" TEXT NOT NULL, \"代码\" TEXT NOT NULL, \"原因\" TEXT NOT NULL, "
    "\"方向\" INTEGER NOT NULL, \"位置\" INTEGER NOT NULL, "
    "\"营业部名称\" TEXT NOT NULL DEFAULT '', \"营业部代码\" TEXT NOT NULL DEFAULT '', "
    "\"营业部旧代码\" TEXT NOT NULL DEFAULT '', "
    "PRIMARY KEY (\"日期\", \"代码\", \"原因\", \"方向\", \"位置\")";

constexpr char kSeatCodeColumnList[] =
    "\"日期\", \"代码\", \"原因\", \"方向\", \"位置\", \"营业部名称\", \"营业部代码\", "
    "\"营业部旧代码\"";

// The figures of an extras row, in column order from the fourth column on
// (the text 解读 sits between the ratios and the later changes).
std::optional<double> ListingExtras::*const kFiguresBeforeExplain[] = {
    &ListingExtras::close,         &ListingExtras::change_rate,
    &ListingExtras::turnover_rate, &ListingExtras::free_float_value,
    &ListingExtras::list_buy,      &ListingExtras::list_sell,
    &ListingExtras::list_net,      &ListingExtras::list_deal,
    &ListingExtras::net_ratio,     &ListingExtras::deal_ratio};
std::optional<double> ListingExtras::*const kFiguresAfterExplain[] = {
    &ListingExtras::after_1_day, &ListingExtras::after_2_days, &ListingExtras::after_5_days,
    &ListingExtras::after_10_days};
constexpr int kFirstFigureColumn = 3;  // 0-based
constexpr int kExplainColumn = kFirstFigureColumn + 10;

}  // namespace

const SideTable& ListingExtrasSideTable() {
  static const SideTable table{kListingExtrasTable, kExtrasColumns, "WITHOUT ROWID", true};
  return table;
}

const SideTable& SeatCodesSideTable() {
  static const SideTable table{kSeatCodesTable, kSeatCodeColumns, "WITHOUT ROWID", true};
  return table;
}

// Works on a table file's connection for the access that has it open.
class ListingExtrasTables {
 public:
  static bool WriteExtras(TableFile& t, const ListingExtras& e) {
    if (!t.EnsureIndexes(true)) return false;
    Statement& s = t.handles_->extras_write;
    if (!s && !t.Prepare("INSERT OR REPLACE INTO " + Quote(kListingExtrasTable) + " (" +
                             kExtrasColumnList +
                             ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                         &s))
      return false;
    s.BindText(1, e.date);
    s.BindText(2, e.code);
    s.BindText(3, e.reason);
    int column = kFirstFigureColumn + 1;
    for (const auto member : kFiguresBeforeExplain) s.BindReal(column++, e.*member);
    s.BindText(column++, e.explain);
    for (const auto member : kFiguresAfterExplain) s.BindReal(column++, e.*member);
    return t.Check(s.Run(), SQLITE_DONE);
  }

  static bool WriteSeat(TableFile& t, const SeatCode& c) {
    if (!t.EnsureIndexes(true)) return false;
    Statement& s = t.handles_->seat_code_write;
    if (!s && !t.Prepare("INSERT OR REPLACE INTO " + Quote(kSeatCodesTable) + " (" +
                             kSeatCodeColumnList + ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                         &s))
      return false;
    s.BindText(1, c.date);
    s.BindText(2, c.code);
    s.BindText(3, c.reason);
    s.BindInt64(4, c.side);
    s.BindInt64(5, c.position);
    s.BindText(6, c.name);
    s.BindText(7, c.branch);
    s.BindText(8, c.branch_old);
    return t.Check(s.Run(), SQLITE_DONE);
  }

  // Every row of `table` whose 日期 lies in [from, to] (and whose 代码 is
  // `code`, when given), in key order.
  template <typename Row, typename Take>
  static bool Read(TableFile& t, std::string_view table, const char* columns, const char* order,
                   std::string_view from, std::string_view to, std::string_view code,
                   std::vector<Row>* out, Take take) {
    out->clear();
    bool present = false;
    if (!t.HasTable(table, &present)) return false;  // a read never makes it
    if (!present) return true;
    Statement s;
    std::string sql = std::string("SELECT ") + columns + " FROM " + Quote(table) +
                      " WHERE \"日期\" BETWEEN ?1 AND ?2";
    if (!code.empty()) sql += " AND \"代码\" = ?3";
    sql += std::string(" ORDER BY ") + order;
    if (!t.Prepare(sql, &s)) return false;
    s.BindText(1, from);
    s.BindText(2, to);
    if (!code.empty()) s.BindText(3, code);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) take(s, out->emplace_back());
    if (rc != SQLITE_DONE) {
      out->clear();
      return t.Fail(rc);
    }
    return true;
  }

  static void TakeExtras(const Statement& s, ListingExtras& e) {
    e.date.assign(s.Bytes(0));
    e.code.assign(s.Bytes(1));
    e.reason.assign(s.Bytes(2));
    int column = kFirstFigureColumn;
    for (const auto member : kFiguresBeforeExplain) e.*member = s.Real(column++);
    e.explain.assign(s.Bytes(kExplainColumn));
    column = kExplainColumn + 1;
    for (const auto member : kFiguresAfterExplain) e.*member = s.Real(column++);
  }

  static void TakeSeat(const Statement& s, SeatCode& c) {
    c.date.assign(s.Bytes(0));
    c.code.assign(s.Bytes(1));
    c.reason.assign(s.Bytes(2));
    c.side = static_cast<int>(s.Int64(3));
    c.position = static_cast<int>(s.Int64(4));
    c.name.assign(s.Bytes(5));
    c.branch.assign(s.Bytes(6));
    c.branch_old.assign(s.Bytes(7));
  }
};

bool StoreAccess::WriteListingExtras(const ListingExtras& extras) {
  return table_ && ListingExtrasTables::WriteExtras(*table_, extras);
}

bool StoreAccess::WriteSeatCode(const SeatCode& seat) {
  return table_ && ListingExtrasTables::WriteSeat(*table_, seat);
}

bool StoreAccess::ReadListingExtras(std::string_view from, std::string_view to,
                                    std::vector<ListingExtras>* out, std::string_view code) {
  out->clear();
  return table_ && ListingExtrasTables::Read(*table_, kListingExtrasTable, kExtrasColumnList,
                                             "\"日期\", \"代码\", \"原因\"", from, to, code, out,
                                             ListingExtrasTables::TakeExtras);
}

bool StoreAccess::ReadSeatCodes(std::string_view from, std::string_view to,
                                std::vector<SeatCode>* out, std::string_view code) {
  out->clear();
  return table_ && ListingExtrasTables::Read(*table_, kSeatCodesTable, kSeatCodeColumnList,
                                             "\"日期\", \"代码\", \"原因\", \"方向\", \"位置\"",
                                             from, to, code, out, ListingExtrasTables::TakeSeat);
}

}  // namespace store
