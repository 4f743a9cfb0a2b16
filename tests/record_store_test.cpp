// Records of the store: field widths, moving between records, appending,
// purging, removing everything, and finding listings by date.
#include "store/record_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <random>

#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::Store;
using testing_support::G;
using testing_support::TempDir;

using store_testing::AppendListing;
using store_testing::Names;
using store_testing::RawRead;

// The record numbers of dates in [from, to], by reading every record.
std::vector<int64_t> ScanDates(store::StoreAccess& a, const std::string& from,
                               const std::string& to) {
  std::vector<int64_t> numbers;
  for (int64_t n = 1; n <= a.RecordCount(); ++n) {
    EXPECT_TRUE(a.GoToRecord(n));
    const std::string date = a.ReadField(store::kDate);
    if (from <= date && date <= to) numbers.push_back(n);
  }
  return numbers;
}

class RecordStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
};

TEST_F(RecordStoreTest, FieldWidthsCutOnCharacterBoundaries) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    ASSERT_TRUE(a.AppendBlank());
    a.WriteField(store::kDate, "2010-04-09");
    a.WriteField(store::kName, G("a中国平安银行"));  // 11 bytes, 10 fit: cut before 银
    a.WriteField(store::kCode, "60000012345");       // 11 bytes
    a.WriteField(store::kBuySeats, std::string(600, 'x'));
    ASSERT_TRUE(a.AppendBlank());
    a.WriteField(store::kDate, "2010-04-091");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto a = s.OpenStore();
  ASSERT_EQ(a.RecordCount(), 2);
  EXPECT_EQ(a.ReadField(store::kDate), "2010-04-09");
  EXPECT_EQ(a.ReadField(store::kName), G("a中国平安"));
  EXPECT_EQ(a.ReadField(store::kCode), "6000001234");
  EXPECT_EQ(a.ReadField(store::kBuySeats).size(), 512u);
  a.Skip(1);
  EXPECT_EQ(a.ReadField(store::kDate), "2010-04-09");
  EXPECT_EQ(a.ReadField(0), "");
  EXPECT_EQ(a.ReadField(10), "");
}

TEST_F(RecordStoreTest, GoToRecordClampsAndScansInAppendOrder) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    EXPECT_FALSE(a.GoToRecord(1));  // empty table
    ASSERT_TRUE(a.BeginBatch());
    for (int i = 1; i <= 5; ++i)
      AppendListing(a, "2010-04-0" + std::to_string(i), "n" + std::to_string(i));
    // The appended record reads back before it is written out.
    EXPECT_EQ(a.ReadField(store::kName), "n5");
    EXPECT_EQ(a.CurrentRecordNumber(), 5);
    ASSERT_TRUE(a.CommitBatch());
  }
  auto a = s.OpenStore();
  EXPECT_EQ(a.RecordCount(), 5);
  EXPECT_EQ(a.CurrentRecordNumber(), 1);
  a.GoToRecord(0);
  EXPECT_EQ(a.ReadField(store::kName), "n1");
  a.GoToRecord(-7);
  EXPECT_EQ(a.CurrentRecordNumber(), 1);
  a.GoToRecord(99);
  EXPECT_EQ(a.CurrentRecordNumber(), 5);
  EXPECT_EQ(a.ReadField(store::kName), "n5");
  a.GoToRecord(3);
  EXPECT_EQ(a.ReadField(store::kDate), "2010-04-03");
  a.Skip(1);
  EXPECT_EQ(a.ReadField(store::kName), "n4");
  a.Skip(1);
  a.Skip(1);  // past the end stays on the last record
  EXPECT_EQ(a.CurrentRecordNumber(), 5);
}

TEST_F(RecordStoreTest, InheritingTheFieldOfThePreviousRecordDuringAppend) {
  // The download's way of taking field 4 from the record before the new one.
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  auto a = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.BeginBatch());
  AppendListing(a, "2010-04-09", "first");
  // No earlier record: going to record 0 lands on the new one itself.
  a.GoToRecord(a.CurrentRecordNumber() - 1);
  EXPECT_EQ(a.ReadField(store::kReason), "");
  a.GoToRecord(a.CurrentRecordNumber() + 1);
  a.WriteField(store::kReason, G("涨幅偏离值达7%"));
  AppendListing(a, "2010-04-09", "second");
  a.GoToRecord(a.CurrentRecordNumber() - 1);
  const std::string inherited = a.ReadField(store::kReason);
  a.GoToRecord(a.CurrentRecordNumber() + 1);
  EXPECT_EQ(a.CurrentRecordNumber(), 2);
  a.WriteField(store::kReason, inherited);
  ASSERT_TRUE(a.CommitBatch());
  ASSERT_FALSE(a.CloseStore().has_value());

  auto b = s.OpenStore();
  b.GoToRecord(2);
  EXPECT_EQ(b.ReadField(store::kName), "second");
  EXPECT_EQ(b.ReadField(store::kReason), G("涨幅偏离值达7%"));
}

TEST_F(RecordStoreTest, PurgeRenumbersInTheOldOrderAndSurvivesReopening) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 10; ++i) AppendListing(a, "2010-04-09", "n" + std::to_string(i));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  {
    auto a = s.OpenStore();
    for (int i : {2, 3, 7, 10}) {
      a.GoToRecord(i);
      ASSERT_TRUE(a.MarkDeleted());
    }
    // Marking does not renumber.
    a.GoToRecord(4);
    EXPECT_EQ(a.ReadField(store::kName), "n4");
    ASSERT_TRUE(a.PurgeDeleted());
    EXPECT_EQ(a.RecordCount(), 6);
    a.GoToRecord(3);
    EXPECT_EQ(a.ReadField(store::kName), "n5");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  const std::vector<std::string> expected = {"n1", "n4", "n5", "n6", "n8", "n9"};
  EXPECT_EQ(Names(s), expected);
  // A fresh store object (new connections) numbers the same way.
  Store fresh(path);
  EXPECT_EQ(Names(fresh), expected);
  // Appending after a purge numbers on from the end.
  {
    auto a = fresh.OpenStore();
    AppendListing(a, "2010-04-12", "n11");
    EXPECT_EQ(a.CurrentRecordNumber(), 7);
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto a = s.OpenStore();  // a kept connection learns of the change
  EXPECT_EQ(a.RecordCount(), 7);
  a.GoToRecord(7);
  EXPECT_EQ(a.ReadField(store::kName), "n11");
  a.GoToRecord(2);
  EXPECT_EQ(a.ReadField(store::kName), "n4");
}

TEST_F(RecordStoreTest, PurgingTheLastRecordsAndEverything) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 4; ++i) AppendListing(a, "2010-04-09", "n" + std::to_string(i));
    a.GoToRecord(4);
    a.MarkDeleted();
    a.GoToRecord(3);
    a.MarkDeleted();
    ASSERT_TRUE(a.PurgeDeleted());
    AppendListing(a, "2010-04-09", "n5");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(Names(s), (std::vector<std::string>{"n1", "n2", "n5"}));
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 3; ++i) {
      a.GoToRecord(i);
      a.MarkDeleted();
    }
    ASSERT_TRUE(a.PurgeDeleted());
    EXPECT_EQ(a.RecordCount(), 0);
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_TRUE(Names(s).empty());
}

TEST_F(RecordStoreTest, RemoveAllKeepsFieldsAndPassword) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 3; ++i) AppendListing(a, "2010-04-09", "n" + std::to_string(i));
    a.GoToRecord(2);
    a.MarkDeleted();
    a.PurgeDeleted();
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.RemoveAll());
    EXPECT_EQ(a.RecordCount(), 0);
    AppendListing(a, "2010-04-12", "new");
    EXPECT_EQ(a.CurrentRecordNumber(), 1);
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  EXPECT_EQ(RawRead(path, "wrong", "SELECT count(*) FROM sqlite_master") & 0xFF, SQLITE_NOTADB);
  Store again(path);
  EXPECT_EQ(Names(again), std::vector<std::string>{"new"});
}

TEST_F(RecordStoreTest, DateRangesAgreeWithReadingEveryRecordAcrossPurges) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  std::mt19937 rng(20100409);
  // Forty trading days over three years, so that ranges hold many listings
  // and many dates have several.
  std::vector<std::string> days;
  for (int i = 0; i < 40; ++i) {
    char day[11];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", 2009 + static_cast<int>(rng() % 3),
                  1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
    days.push_back(day);
  }
  auto random_day = [&] { return days[rng() % days.size()]; };
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    for (int page = 0; page < 6; ++page) {
      ASSERT_TRUE(a.BeginBatch());
      for (int i = 0; i < 60; ++i) AppendListing(a, random_day(), "p" + std::to_string(page));
      ASSERT_TRUE(a.CommitBatch());
    }
    ASSERT_FALSE(a.CloseStore().has_value());
  }

  // Ranges between known days, around them, empty and reversed ones.
  std::vector<std::pair<std::string, std::string>> ranges = {
      {"", "\xff"}, {"2010-01-01", "2010-12-31"}, {"2011-06", "2011-07"}, {"2012", "2009"}};
  for (int i = 0; i < 30; ++i) {
    std::string from = random_day();
    std::string to = random_day();
    if (from > to) std::swap(from, to);
    ranges.emplace_back(from, to);
  }
  ranges.emplace_back(days[0], days[0]);
  auto check_all = [&](store::StoreAccess& a, const char* when) {
    SCOPED_TRACE(when);
    size_t found = 0;
    for (const auto& [from, to] : ranges) {
      SCOPED_TRACE(from + ".." + to);
      const std::vector<int64_t> numbers = a.RecordNumbersInDateRange(from, to);
      EXPECT_EQ(numbers, ScanDates(a, from, to));
      found += numbers.size();
    }
    EXPECT_TRUE(a.ok());
    EXPECT_EQ(a.RecordNumbersInDateRange("", "\xff").size(), static_cast<size_t>(a.RecordCount()));
    EXPECT_GT(found, static_cast<size_t>(a.RecordCount()));  // the ranges did find listings
  };

  {
    auto a = s.OpenStore();
    check_all(a, "as appended");
    // Gaps at the start, the end and in runs.
    for (int64_t n = a.RecordCount(); n >= 1; --n) {
      if (n == 1 || n == a.RecordCount() || rng() % 4 == 0 || (n > 100 && n < 110)) {
        a.GoToRecord(n);
        ASSERT_TRUE(a.MarkDeleted());
      }
    }
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_LT(a.RecordCount(), 300);
    check_all(a, "right after the purge");
    // The record just appended counts before it is written out.
    AppendListing(a, days[0], "pending");
    const int64_t last = a.RecordCount();
    const std::vector<int64_t> numbers = a.RecordNumbersInDateRange(days[0], days[0]);
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.back(), last);
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  Store fresh(path);  // numbers from the bookkeeping table, not from memory
  auto a = fresh.OpenStore();
  check_all(a, "in a new store object");
}

TEST_F(RecordStoreTest, AWritersDateRangesFollowAPurgeByAnotherConnection) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 8; ++i) AppendListing(a, "2010-04-0" + std::to_string(i), "n");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto writer = s.OpenStore(AccessMode::kWriter);
  ASSERT_EQ(writer.RecordNumbersInDateRange("2010-04-05", "2010-04-08"),
            (std::vector<int64_t>{5, 6, 7, 8}));
  {
    Store other(path);
    auto a = other.OpenStore();
    for (int i : {2, 3}) {
      a.GoToRecord(i);
      a.MarkDeleted();
    }
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(writer.RecordNumbersInDateRange("2010-04-05", "2010-04-08"),
            (std::vector<int64_t>{3, 4, 5, 6}));
  EXPECT_EQ(writer.RecordCount(), 6);
  writer.GoToRecord(3);
  EXPECT_EQ(writer.ReadField(store::kDate), "2010-04-05");
}

}  // namespace
