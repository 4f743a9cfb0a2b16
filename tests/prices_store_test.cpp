// The store's daily prices: a stock's bars and its log row written
// together or not at all, replaced by date, kept when the listings are
// emptied, read per code in date order, and the table's key.
#include "store/price_bars.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ranking/range_returns.h"
#include "store/record_store.h"
#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::CodeBars;
using store::PriceBar;
using store::PriceLogEntry;
using store::Store;
using testing_support::TempDir;

std::vector<PriceBar> PricesBars(int count, double base) {
  std::vector<PriceBar> bars;
  for (int i = 0; i < count; ++i) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2010 + i / 300, 1 + (i / 25) % 12, 1 + i % 25);
    bars.push_back({date, base + i, base + i + 1, base + i - 1, base + i + 0.5, 100.0 * i, 1e6 * i});
  }
  return bars;
}

PriceLogEntry PricesLog(const std::string& code, int64_t bars) {
  PriceLogEntry log;
  log.code = code;
  log.fetched_at = "2024-03-01 18:00:00";
  log.bars = bars;
  log.from = "2010-01-01";
  log.to = "2024-03-01";
  return log;
}

TEST(PricesStore, BarsAndLogTogetherReplacedByDateAndKeptWithoutListings) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(2500, 10), PricesLog("600000", 2500)));
    ASSERT_TRUE(a.StorePrices(PricesBars(3, 50), PricesLog("000001", 3)));
    // The second answer for a date replaces the first.
    std::vector<PriceBar> again = PricesBars(1, 99);
    ASSERT_TRUE(a.StorePrices(again, PricesLog("000001", 3)));
    ASSERT_TRUE(a.AppendBlank());
    ASSERT_TRUE(a.WriteField(store::kDate, "2010-01-04"));
    EXPECT_FALSE(a.CloseStore());
  }
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.RemoveAll());  // "更新原数据" leaves the prices
    EXPECT_FALSE(a.CloseStore());
  }
  store::StoreAccess a = s.OpenStore();
  std::vector<CodeBars> all;
  ASSERT_TRUE(a.ReadPriceBars("0000", "9999", &all));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].code, "000001");
  ASSERT_EQ(all[0].bars.size(), 3u);
  EXPECT_EQ(all[0].bars[0], PricesBars(1, 99)[0]);
  EXPECT_EQ(all[1].bars.size(), 2500u);
  EXPECT_EQ(all[1].bars, PricesBars(2500, 10));  // date order; PricesBars makes them in order
  std::vector<CodeBars> one;
  ASSERT_TRUE(a.ReadPriceBars("2010-01-02", "2010-01-03", &one, "600000"));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].bars.size(), 2u);
  std::optional<PriceLogEntry> log;
  ASSERT_TRUE(a.ReadPriceLog("600000", &log));
  ASSERT_TRUE(log);
  EXPECT_EQ(*log, PricesLog("600000", 2500));
  ASSERT_TRUE(a.ReadPriceLog("300750", &log));
  EXPECT_FALSE(log);
  EXPECT_FALSE(a.CloseStore());

  std::string schema;
  ASSERT_EQ(store_testing::RawRead(dir / "Data.edb", store_testing::kKey,
                                   "SELECT sql FROM sqlite_master WHERE name = '日线'", &schema),
            0);
  EXPECT_NE(schema.find("WITHOUT ROWID"), std::string::npos) << schema;
  EXPECT_NE(schema.find("PRIMARY KEY (\"代码\", \"日期\")"), std::string::npos) << schema;
}

TEST(PricesStore, AFailedWriteLeavesNeitherBarsNorTheLogRow) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(5, 10), PricesLog("600000", 5)));
    std::vector<PriceBar> broken = PricesBars(10, 20);
    broken[7].close = std::numeric_limits<double>::quiet_NaN();  // no number: refused by the table
    PriceLogEntry log = PricesLog("600000", 10);
    log.fetched_at = "2024-03-02 18:00:00";
    EXPECT_FALSE(a.StorePrices(broken, log));
    a.CloseStore();
  }
  store::StoreAccess a = s.OpenStore();
  std::vector<CodeBars> held;
  ASSERT_TRUE(a.ReadPriceBars("0000", "9999", &held));
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].bars, PricesBars(5, 10));
  std::optional<PriceLogEntry> log;
  ASSERT_TRUE(a.ReadPriceLog("600000", &log));
  EXPECT_EQ(log->fetched_at, "2024-03-01 18:00:00");
}

TEST(PricesStore, AFileWithoutTheTablesReadsNoneAndIsNotWritten) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  ASSERT_EQ(store_testing::RawExec(dir / "Data.edb", "DROP TABLE \"日线\"; DROP TABLE \"行情记录\";"),
            0);
  s.DropIdleConnections();
  {
    store::StoreAccess a = s.OpenStore();
    std::vector<CodeBars> held;
    std::vector<PriceLogEntry> logs;
    EXPECT_TRUE(a.ReadPriceBars("0000", "9999", &held));
    EXPECT_TRUE(a.ReadPriceLogs(&logs));
    EXPECT_TRUE(held.empty() && logs.empty());
    EXPECT_FALSE(a.CloseStore());
  }
  std::string count;
  store_testing::RawRead(dir / "Data.edb", store_testing::kKey,
                         "SELECT count(*) FROM sqlite_master WHERE name = '日线'", &count);
  EXPECT_EQ(count, "0");
}

}  // namespace

namespace {

// The small form the ranking reads: only the stocks asked for, within the
// dates, each in date order with its prices in thousandths; every stock
// when none are named.
TEST(PricesStore, DayBarsOfTheCodesAskedWithinTheDates) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    store::DayBarTable none;
    ASSERT_TRUE(a.ReadDayBars("0000", "9999", {}, &none));  // no table yet
    EXPECT_TRUE(none.codes.empty());
    EXPECT_EQ(none.starts, std::vector<size_t>{0});
    for (const char* code : {"000001", "300750", "600000"})
      ASSERT_TRUE(a.StorePrices(PricesBars(30, 12.34), PricesLog(code, 30)));
    EXPECT_FALSE(a.CloseStore());
  }
  store::StoreAccess a = s.OpenStore();
  const std::vector<std::string> wanted = {"000001", "600000", "688001"};
  store::DayBarTable some;
  ASSERT_TRUE(a.ReadDayBars("2010-01-03", "2010-01-05", wanted, &some));
  EXPECT_EQ(some.codes, (std::vector<std::string>{"000001", "600000"}));
  ASSERT_EQ(some.starts, (std::vector<size_t>{0, 3, 6}));
  EXPECT_EQ(some.bars[0].day, *store::DayNumberOfDate("2010-01-03"));
  EXPECT_EQ(some.bars[2].day, some.bars[0].day + 2);
  // PricesBars(…, 12.34): bar 2 opens at 14.34, closes at 14.84, high 15.34.
  EXPECT_EQ(some.bars[0].open, 14340);
  EXPECT_EQ(some.bars[0].high, 15340);
  EXPECT_EQ(some.bars[0].close, 14840);
  store::DayBarTable all;
  ASSERT_TRUE(a.ReadDayBars("0000", "9999", {}, &all));
  EXPECT_EQ(all.codes.size(), 3u);
  EXPECT_EQ(all.bars.size(), 90u);
  EXPECT_EQ(all.starts.back(), 90u);
}

// The conversions the small form rests on.
TEST(PricesStore, ThousandthsAndDayNumbers) {
  EXPECT_EQ(store::ThousandthsOf(1849.37), 1849370);
  EXPECT_EQ(store::ThousandthsOf(0.01), 10);
  EXPECT_EQ(store::ThousandthsOf(std::numeric_limits<double>::quiet_NaN()), store::kNoPrice);
  EXPECT_EQ(store::ThousandthsOf(3e6), store::kNoPrice);  // beyond an int32 of thousandths
  EXPECT_EQ(store::DayNumberOfDate("1970-01-02"), 1);
  EXPECT_EQ(store::DayNumberOfDate("2000-03-01"), 11017);
  EXPECT_FALSE(store::DayNumberOfDate("2000-02-30"));
  EXPECT_FALSE(store::DayNumberOfDate("2000-3-01x"));
}

}  // namespace

namespace {

// The ranking's bars are read once per range while the store is unchanged,
// and afresh after any write to it.
TEST(PricesStore, BarsCacheKeepsARangeUntilTheStoreChanges) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(30, 10), PricesLog("600000", 30)));
    EXPECT_FALSE(a.CloseStore());
  }
  prices::BarsCache cache;
  const ranking::DateRange whole{"", "", true};
  std::optional<store::StoreError> error;
  const auto first = cache.Load(s, whole, nullptr, &error);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->CodeCount(), 1u);
  EXPECT_EQ(cache.Load(s, whole, nullptr, &error), first);  // nothing read again
  const ranking::DateRange days{"2010-01-02", "2010-01-03", false};
  const auto other = cache.Load(s, days, nullptr, &error);
  ASSERT_TRUE(other);
  EXPECT_NE(other, first);
  EXPECT_EQ(other->BarCount(), 30u);  // a day before to 120 after
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(5, 20), PricesLog("000001", 5)));
    EXPECT_FALSE(a.CloseStore());
  }
  const auto after = cache.Load(s, days, nullptr, &error);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->CodeCount(), 2u);
  EXPECT_FALSE(error);
}

}  // namespace

namespace {

// The small form of every stock's bars as the bars table holds them, one
// line a bar, to hold a packed read against.
std::vector<std::string> PricesTableLines(Store& s, std::string_view from, std::string_view to) {
  store::StoreAccess a = s.OpenStore();
  std::vector<CodeBars> held;
  EXPECT_TRUE(a.ReadPriceBars(from, to, &held));
  std::vector<std::string> lines;
  for (const CodeBars& c : held)
    for (const PriceBar& b : c.bars)
      lines.push_back(c.code + " " + std::to_string(*store::DayNumberOfDate(b.date)) + " " +
                      std::to_string(store::ThousandthsOf(b.open)) + " " +
                      std::to_string(store::ThousandthsOf(b.high)) + " " +
                      std::to_string(store::ThousandthsOf(b.close)));
  return lines;
}

std::vector<std::string> PricesDayBarLines(Store& s, std::string_view from, std::string_view to,
                                           std::span<const std::string> codes = {}) {
  store::StoreAccess a = s.OpenStore();
  store::DayBarTable table;
  EXPECT_TRUE(a.ReadDayBars(from, to, codes, &table));
  std::vector<std::string> lines;
  EXPECT_EQ(table.starts.size(), table.codes.size() + 1);
  for (size_t k = 0; k < table.codes.size(); ++k)
    for (size_t i = table.starts[k]; i < table.starts[k + 1]; ++i)
      lines.push_back(table.codes[k] + " " + std::to_string(table.bars[i].day) + " " +
                      std::to_string(table.bars[i].open) + " " +
                      std::to_string(table.bars[i].high) + " " +
                      std::to_string(table.bars[i].close));
  return lines;
}

// The small form is read from each stock's packed row. A row the bars no
// longer match is not used: bars and log row written by a build that knew
// no packed rows, a file from before them, a failed write in between.
TEST(PricesStore, DayBarsFollowTheBarsTableWhateverWroteIt) {
  TempDir dir;
  Store s(dir / "Data.edb");
  ASSERT_FALSE(s.EnsureStore());
  std::vector<PriceBar> cents = PricesBars(400, 12.34);
  for (PriceBar& b : cents) b.low = 7.005;  // not a whole number of fen
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(400, 10), PricesLog("600000", 400)));
    ASSERT_TRUE(a.StorePrices(cents, PricesLog("000001", 400)));
    // A later answer for part of the span: the packed row holds both.
    ASSERT_TRUE(a.StorePrices(PricesBars(20, 1849.37), PricesLog("600000", 400)));
    EXPECT_FALSE(a.CloseStore());
  }
  const std::vector<std::string> stored = PricesTableLines(s, "0000", "9999");
  ASSERT_EQ(stored.size(), 800u);
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), stored);
  EXPECT_EQ(PricesDayBarLines(s, "2010-03-05", "2011-01-07"),
            PricesTableLines(s, "2010-03-05", "2011-01-07"));

  // An older build stores a new bar and its log row; its packed row stays.
  ASSERT_EQ(store_testing::RawExec(
                dir / "Data.edb",
                "INSERT OR REPLACE INTO \"日线\" VALUES ('600000', '2010-01-02', 1, 2, 0.5, 1.5, 0, 0);"
                "UPDATE \"行情记录\" SET \"时间\" = '2024-03-09 18:00:00' WHERE \"代码\" = '600000';"),
            0);
  s.DropIdleConnections();
  const std::vector<std::string> changed = PricesTableLines(s, "0000", "9999");
  ASSERT_NE(changed, stored);
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), changed);
  const std::vector<std::string> both = {"000001", "600000"};
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999", both), changed);

  // A write that fails leaves the bars, the log and the packed rows as
  // they were; the next good write packs the stale stock again.
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    std::vector<PriceBar> broken = PricesBars(10, 30);
    broken[7].close = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(a.StorePrices(broken, PricesLog("000001", 410)));
    a.CloseStore();
  }
  EXPECT_EQ(PricesTableLines(s, "0000", "9999"), changed);
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), changed);
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    PriceLogEntry failed = PricesLog("600000", 400);
    failed.result = store::PriceFetchResult::kFailed;
    failed.reason = "HTTP 502";
    ASSERT_TRUE(a.WritePriceLog(failed));
    ASSERT_TRUE(a.StorePrices(PricesBars(3, 40), PricesLog("000001", 400)));
    EXPECT_FALSE(a.CloseStore());
  }
  const std::vector<std::string> last = PricesTableLines(s, "0000", "9999");
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), last);
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999", both), last);

  // A file from before the packed rows reads its bars from the table.
  ASSERT_EQ(store_testing::RawExec(dir / "Data.edb", "DROP TABLE \"日线打包\";"), 0);
  s.DropIdleConnections();
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), last);
  {
    store::StoreAccess a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.StorePrices(PricesBars(5, 70), PricesLog("300750", 5)));
    EXPECT_FALSE(a.CloseStore());
  }
  const std::vector<std::string> mixed = PricesTableLines(s, "0000", "9999");
  EXPECT_EQ(mixed.size(), last.size() + 5);
  EXPECT_EQ(PricesDayBarLines(s, "0000", "9999"), mixed);
}

}  // namespace
