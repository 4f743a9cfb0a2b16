// The download log table of the store: its rows replaced by later fetches
// and bound to their batch, emptied with the listings but not by a purge,
// older files without it, its rebuilding from the listings, and the
// sqlcipher shell reading it.
#include "store/download_log.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>

#include "store/record_store.h"
#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::PageFailure;
using store::PageLogEntry;
using store::PageLogRows;
using store::PageOutcome;
using store::Store;
using testing_support::G;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

using store_testing::kKey;
using store_testing::RawExec;

PageLogEntry Row(int board, const std::string& date, PageOutcome outcome, int64_t listings = 0) {
  PageLogEntry e;
  e.board = board;
  e.date = date;
  e.outcome = outcome;
  e.listings = listings;
  e.status = 200;
  e.bytes = 4096 + listings;
  e.fetched_at = date + " 20:00:00";
  return e;
}

void Append(store::StoreAccess& a, const std::string& date, const std::string& code) {
  ASSERT_TRUE(a.AppendBlank());
  ASSERT_TRUE(a.WriteField(store::kDate, date));
  ASSERT_TRUE(a.WriteField(store::kCode, code));
}

PageLogRows ReadLog(Store& s, const std::string& from = "0000", const std::string& to = "9999") {
  PageLogRows rows;
  auto a = s.OpenStore();
  EXPECT_TRUE(a.ReadPageLog(from, to, &rows));
  EXPECT_FALSE(a.CloseStore().has_value());
  return rows;
}

class DownloadLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(s.EnsureStore().has_value()); }
  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
  Store s{path};
};

TEST_F(DownloadLogTest, ALaterFetchReplacesTheRowAndARolledBackBatchTakesItsRowAlong) {
  auto a = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.ok());
  PageLogEntry first = Row(1, "2010-06-04", PageOutcome::kStored, 2);
  first.note = G("替换了 1 个字符");
  first.skipped = 3;
  ASSERT_TRUE(a.BeginBatch());
  Append(a, "2010-06-04", "000001");
  Append(a, "2010-06-04", "000002");
  ASSERT_TRUE(a.WritePageLog(first));
  ASSERT_TRUE(a.CommitBatch());

  // A second fetch of the page whose batch is rolled back changes nothing.
  ASSERT_TRUE(a.BeginBatch());
  Append(a, "2010-06-04", "000003");
  ASSERT_TRUE(a.WritePageLog(Row(1, "2010-06-04", PageOutcome::kStored, 1)));
  a.RollbackBatch();
  EXPECT_EQ(a.RecordCount(), 2);
  PageLogRows rows;
  ASSERT_TRUE(a.ReadPageLog("2010-06-04", "2010-06-04", &rows));
  EXPECT_TRUE(rows.present);
  EXPECT_EQ(rows.rows, std::vector<PageLogEntry>{first});

  // A committed one replaces the row; other boards and dates keep theirs.
  PageLogEntry failed = Row(1, "2010-06-04", PageOutcome::kFailed);
  failed.failure = PageFailure::kStatus;
  failed.status = 503;
  const PageLogEntry other_board = Row(2, "2010-06-04", PageOutcome::kNoListings);
  const PageLogEntry other_date = Row(1, "2010-06-03", PageOutcome::kNotPublished);
  for (const auto& e : {failed, other_board, other_date}) {
    ASSERT_TRUE(a.BeginBatch());
    ASSERT_TRUE(a.WritePageLog(e));
    ASSERT_TRUE(a.CommitBatch());
  }
  ASSERT_FALSE(a.CloseStore().has_value());
  EXPECT_EQ(ReadLog(s).rows, (std::vector<PageLogEntry>{other_date, failed, other_board}));
  EXPECT_EQ(ReadLog(s, "2010-06-04", "2010-06-30").rows,
            (std::vector<PageLogEntry>{failed, other_board}));
}

TEST_F(DownloadLogTest, RemovingEverythingEmptiesTheLogAndAPurgeLeavesIt) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.BeginBatch());
    for (int i = 0; i < 4; ++i) Append(a, "2010-06-04", "60000" + std::to_string(i));
    ASSERT_TRUE(a.WritePageLog(Row(0, "2010-06-04", PageOutcome::kStored, 4)));
    ASSERT_TRUE(a.CommitBatch());
    a.GoToRecord(2);
    ASSERT_TRUE(a.MarkDeleted());
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  // The row says what the page held, whatever became of its listings.
  EXPECT_EQ(ReadLog(s).rows,
            std::vector<PageLogEntry>{Row(0, "2010-06-04", PageOutcome::kStored, 4)});

  auto a = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.RemoveAll());
  EXPECT_EQ(a.RecordCount(), 0);
  ASSERT_FALSE(a.CloseStore().has_value());
  const PageLogRows rows = ReadLog(s);
  EXPECT_TRUE(rows.present);
  EXPECT_TRUE(rows.rows.empty());
}

TEST_F(DownloadLogTest, AnOlderFileOpensAsBeforeAndGainsTheLogAtItsFirstWrite) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    Append(a, "2010-06-03", "600000");
    Append(a, "2010-06-04", "000001");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  ASSERT_EQ(RawExec(path, "DROP TABLE \"下载记录\";"), SQLITE_OK);
  const std::string bytes = ReadFileBytes(path);

  // Reading the log of such a file finds none and writes nothing.
  Store old(path);
  EXPECT_FALSE(ReadLog(old).present);
  {
    auto a = old.OpenStore();
    EXPECT_EQ(a.RecordCount(), 2);
    a.GoToRecord(2);
    EXPECT_EQ(a.ReadField(store::kCode), "000001");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  old.DropIdleConnections();
  EXPECT_EQ(ReadFileBytes(path), bytes);

  // Its first write, of any kind, makes the table; removing everything in
  // such a file works as before.
  {
    auto a = old.OpenStore();
    a.GoToRecord(1);
    ASSERT_TRUE(a.WriteField(store::kName, G("浦发银行")));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_TRUE(ReadLog(old).present);
  old.DropIdleConnections();
  ASSERT_EQ(RawExec(path, "DROP TABLE \"下载记录\";"), SQLITE_OK);
  auto a = old.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.RemoveAll());
  ASSERT_FALSE(a.CloseStore().has_value());
  EXPECT_TRUE(ReadLog(old).present);
}

TEST_F(DownloadLogTest, RebuildingInfersBoardsFromCodesAndKeepsFetchedRows) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.BeginBatch());
    for (const char* code : {"600001", "000001", "600002", "002001", "300001", "601000"})
      Append(a, "2010-06-04", code);
    Append(a, "2010-06-03", "002002");
    Append(a, "", "600003");  // no date: no page to infer
    ASSERT_TRUE(a.CommitBatch());
    // A page fetched for real, and an inferred row from an earlier rebuild
    // whose listings have gone since.
    ASSERT_TRUE(a.WritePageLog(Row(0, "2010-06-04", PageOutcome::kStored, 5)));
    PageLogEntry stale = Row(1, "2010-06-02", PageOutcome::kStored, 7);
    stale.inferred = true;
    ASSERT_TRUE(a.WritePageLog(stale));
    int64_t written = 0;
    ASSERT_TRUE(a.RebuildPageLog(&written));
    EXPECT_EQ(written, 3);
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto inferred = [](int board, const std::string& date, int64_t listings) {
    PageLogEntry e;
    e.board = board;
    e.date = date;
    e.listings = listings;
    e.inferred = true;
    return e;
  };
  EXPECT_EQ(ReadLog(s).rows,
            (std::vector<PageLogEntry>{Row(0, "2010-06-04", PageOutcome::kStored, 5),
                                       inferred(1, "2010-06-04", 2), inferred(2, "2010-06-03", 1),
                                       inferred(2, "2010-06-04", 1)}));
}

TEST_F(DownloadLogTest, TheSqlcipherShellReadsTheLog) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.WritePageLog(Row(2, "2010-06-04", PageOutcome::kStored, 6)));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  const std::string command = std::string("sqlcipher -cmd \"PRAGMA key='") + kKey +
                              "';\" -cmd \"PRAGMA cipher_page_size=4096;\" '" + path.string() +
                              "' \"SELECT 板块, 日期, 结果, 条数, 字节数 FROM 下载记录;\" 2>&1";
  FILE* shell = popen(command.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  std::string out;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, shell)) out.append(buf, n);
  const int status = pclose(shell);
  if (status != 0 && out.find("not found") != std::string::npos)
    GTEST_SKIP() << "no sqlcipher shell: " << out;
  EXPECT_EQ(out, "2|2010-06-04|1|6|4102\n");
}

}  // namespace
