// The store as a file: creating it, refusing files that are not stores,
// folders that cannot be written or have non-ASCII names, the date index.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <random>
#include <set>

#include "store/record_store.h"
#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::ErrorKind;
using store::Store;
using testing_support::G;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

using store_testing::AppendListing;
using store_testing::Names;
using store_testing::RawRead;
using store_testing::RawExec;
using store_testing::kKey;

std::string Utf8Bytes(const std::u8string& text) {
  return std::string(text.begin(), text.end());
}

std::set<std::string> Entries(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// How many indexes named 龙虎榜_日期 the file has, as the engine counts.
std::string DateIndexCount(const std::filesystem::path& path) {
  std::string count;
  EXPECT_EQ(RawRead(path, kKey,
                    "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='龙虎榜_日期'",
                    &count),
            SQLITE_OK);
  return count;
}

// Every record's rowid, date and name, in rowid order.
std::string RowsAsStored(const std::filesystem::path& path) {
  std::string rows;
  EXPECT_EQ(RawRead(path, kKey,
                    "SELECT group_concat(r, ',') FROM (SELECT rowid || ':' || \"日期\" || ':' || "
                    "\"股名\" AS r FROM \"龙虎榜\" ORDER BY rowid)",
                    &rows),
            SQLITE_OK);
  return rows;
}

class StoreFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
};

TEST_F(StoreFileTest, FirstStartCreatesAnEncryptedStoreWithTheNineFields) {
  EXPECT_EQ(path.filename(), "Data.edb");
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(dir / "Data.edb.creating"));

  const std::string bytes = ReadFileBytes(path);
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_NE(bytes.substr(0, 15), "SQLite format 3");

  // Without the password, or with a wrong one, the file cannot be read.
  EXPECT_EQ(RawRead(path, nullptr, "SELECT count(*) FROM sqlite_master") & 0xFF, SQLITE_NOTADB);
  EXPECT_EQ(RawRead(path, "wrong", "SELECT count(*) FROM sqlite_master") & 0xFF, SQLITE_NOTADB);
  std::string version;
  EXPECT_EQ(RawRead(path, "q3051hnzk7264bwtf", "PRAGMA cipher_version", &version), SQLITE_OK);
  EXPECT_FALSE(version.empty());

  // Fields in order under their names, with their widths.
  std::string schema;
  EXPECT_EQ(RawRead(path, "q3051hnzk7264bwtf", "SELECT sql FROM sqlite_master WHERE name='龙虎榜'",
                    &schema),
            SQLITE_OK);
  size_t pos = 0;
  for (const auto& f : store::kListingFields) {
    const size_t at =
        schema.find("\"" + std::string(f.name) + "\" TEXT(" + std::to_string(f.width) + ")", pos);
    ASSERT_NE(at, std::string::npos) << f.name << " in " << schema;
    pos = at;
  }

  auto a = s.OpenStore();
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(a.RecordCount(), 0);
  EXPECT_EQ(a.CurrentRecordNumber(), 0);
  EXPECT_EQ(a.ReadField(1), "");
}

TEST_F(StoreFileTest, EnsureStoreLeavesAnExistingFileByteForByte) {
  const std::string junk = "not a database at all\x01\x02";
  WriteFileBytes(path, junk);
  Store s(path);
  EXPECT_FALSE(s.EnsureStore().has_value());
  EXPECT_EQ(ReadFileBytes(path), junk);
  // Opening it fails and still changes nothing.
  auto a = s.OpenStore();
  EXPECT_FALSE(a.ok());
  ASSERT_TRUE(a.error().has_value());
  EXPECT_EQ(a.error()->kind, ErrorKind::kNotAStore);
  a.CloseStore();
  EXPECT_EQ(ReadFileBytes(path), junk);
}

TEST_F(StoreFileTest, DamagedFilesFailWithAReasonAndStayUntouched) {
  Store good(path);
  ASSERT_FALSE(good.EnsureStore().has_value());
  {
    auto a = good.OpenStore();
    for (int i = 0; i < 300; ++i) AppendListing(a, "2010-04-09", "name" + std::to_string(i));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  good.DropIdleConnections();
  const std::string original = ReadFileBytes(path);
  ASSERT_GT(original.size(), 4096u * 3);

  struct Case {
    const char* what;
    std::string bytes;
  };
  std::mt19937 rng(7);
  std::string random_bytes(original.size(), '\0');
  for (char& c : random_bytes) c = static_cast<char>(rng());
  const std::vector<Case> cases = {
      {"zero bytes", ""},
      {"random bytes", random_bytes},
      {"truncated", original.substr(0, original.size() / 2)},
      {"first page damaged", std::string(100, 'x') + original.substr(100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = dir / (std::string("case-") + std::to_string(&c - cases.data()) + ".edb");
    WriteFileBytes(file, c.bytes);
    Store s(file);
    EXPECT_FALSE(s.EnsureStore().has_value());
    bool failed = false;
    {
      auto a = s.OpenStore();
      if (!a.ok()) {
        failed = true;
      } else {
        // A truncated file may open; reading all of it must then fail.
        for (int64_t i = 1; i <= a.RecordCount() && a.ok(); ++i) {
          a.GoToRecord(i);
          a.ReadField(store::kName);
        }
        failed = !a.ok() || a.RecordCount() != 300;
      }
      if (failed) {
        ASSERT_TRUE(a.error().has_value() || a.RecordCount() != 300);
        if (a.error()) {
          EXPECT_FALSE(store::ErrorMessage(*a.error()).empty());
        }
      }
    }
    EXPECT_TRUE(failed);
    s.DropIdleConnections();
    EXPECT_EQ(ReadFileBytes(file), c.bytes);
  }

  // The wrong password fails with "not a store", without touching the file.
  Store wrong(path, "another password");
  auto a = wrong.OpenStore();
  EXPECT_FALSE(a.ok());
  ASSERT_TRUE(a.error().has_value());
  EXPECT_EQ(a.error()->kind, ErrorKind::kNotAStore);
  EXPECT_EQ(a.error()->sqlite_code & 0xFF, SQLITE_NOTADB);
  a.CloseStore();
  EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(StoreFileTest, MissingFileFailsWithoutCreatingOne) {
  Store s(path);
  auto a = s.OpenStore();
  EXPECT_FALSE(a.ok());
  ASSERT_TRUE(a.error().has_value());
  EXPECT_EQ(a.error()->kind, ErrorKind::kMissing);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StoreFileTest, UnwritableFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const auto locked = dir / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Store t(store::StorePath(locked));
  auto error = t.EnsureStore();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, ErrorKind::kCannotCreate);
}

// A store in a folder this user may not write opens read-only: every
// listing reads, nothing is made beside the file, a write fails plainly.
TEST_F(StoreFileTest, AReadOnlyStoreReadsAndRefusesWrites) {
  const auto folder = dir / "shared";
  std::filesystem::create_directory(folder);
  const auto file = store::StorePath(folder);
  {
    Store s(file);
    ASSERT_FALSE(s.EnsureStore().has_value());
    auto a = s.OpenStore();
    AppendListing(a, "2010-04-08", "one");
    AppendListing(a, "2010-04-09", "two");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  const std::set<std::string> before = Entries(folder);
  const bool as_root = ::geteuid() == 0;
  if (!as_root)
    std::filesystem::permissions(
        folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Store r(file);
  ASSERT_FALSE(r.EnsureStore().has_value());
  // Root may write anywhere: there the folder's refusal is only told.
  if (as_root) r.SetReadOnly(true);
  EXPECT_TRUE(r.read_only());
  {
    auto a = r.OpenStore();
    ASSERT_TRUE(a.ok()) << a.error()->detail;
    EXPECT_EQ(a.RecordCount(), 2);
    a.GoToRecord(2);
    EXPECT_EQ(a.ReadField(store::kName), "two");
    EXPECT_EQ(a.RecordNumbersInDateRange("2010-04-09", "2010-04-09"), std::vector<int64_t>{2});
    EXPECT_FALSE(a.CloseStore().has_value());
  }
  {
    auto a = r.OpenStore(AccessMode::kWriter);
    AppendListing(a, "2010-04-10", "three");
    const auto error = a.CloseStore();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, ErrorKind::kReadOnly);
  }
  EXPECT_FALSE(r.Checkpoint().error.has_value());
  if (!as_root) {
    // The command-line program's reading commands never ensure the file.
    Store reader(file);
    auto a = reader.OpenStore();
    ASSERT_TRUE(a.ok()) << a.error()->detail;
    EXPECT_EQ(a.RecordCount(), 2);
    EXPECT_TRUE(reader.read_only());
  }
  EXPECT_EQ(Entries(folder), before);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
}

TEST_F(StoreFileTest, UnwritableFolderAsRootViaMissingParent) {
  // Works for root too: the folder does not exist, so nothing can be made.
  Store t(dir / "no-such-folder" / "Data.edb");
  auto error = t.EnsureStore();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, ErrorKind::kCannotCreate);
  EXPECT_FALSE(store::ErrorMessage(*error).empty());
}

TEST_F(StoreFileTest, AKeptConnectionIsNotReusedOnAReplacedFile) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    AppendListing(a, "2010-04-09", "old file");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  std::filesystem::remove(path);
  Store other(path);
  ASSERT_FALSE(other.EnsureStore().has_value());
  auto a = s.OpenStore();
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(a.RecordCount(), 0);
}

TEST_F(StoreFileTest, AFolderWithANonAsciiNameHoldsTheStoreUnderThatName) {
  const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"数据 张三");
  std::filesystem::create_directory(folder);
  Store s(store::StorePath(folder));
  // Compared as bytes: this gtest cannot print std::u8string.
  const std::u8string expected = dir.path().u8string() + u8"/数据 张三/Data.edb";
  EXPECT_EQ(Utf8Bytes(s.Path().u8string()), Utf8Bytes(expected));
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(a.BeginBatch());
    for (int i = 1; i <= 3; ++i) AppendListing(a, "2010-04-09", G("名") + std::to_string(i));
    ASSERT_TRUE(a.CommitBatch());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  // Everything landed in that folder, under the names asked for, and
  // nothing beside it under a garbled name.
  EXPECT_EQ(Entries(folder), std::set<std::string>{"Data.edb"});
  EXPECT_EQ(Entries(dir.path()), std::set<std::string>{folder.filename().string()});
  EXPECT_TRUE(store::TableFile::FileExists(s.Path()));

  Store again(std::filesystem::path(s.Path().u8string()));
  EXPECT_EQ(again.Path(), s.Path());
  EXPECT_EQ(Names(again), (std::vector<std::string>{G("名1"), G("名2"), G("名3")}));
}

TEST_F(StoreFileTest, ANewStoreHasTheDateIndex) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  EXPECT_EQ(DateIndexCount(path), "1");
  std::string sql;
  EXPECT_EQ(RawRead(path, kKey, "SELECT sql FROM sqlite_master WHERE name='龙虎榜_日期'", &sql),
            SQLITE_OK);
  EXPECT_NE(sql.find("ON \"龙虎榜\" (\"日期\")"), std::string::npos) << sql;
}

TEST_F(StoreFileTest, AnOlderFileGetsTheDateIndexAtItsFirstWriteAndNeverFromReading) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 1; i <= 12; ++i) {
      AppendListing(a, "2010-04-" + std::to_string(10 + i), "n" + std::to_string(i));
    }
    for (int i : {3, 7}) {
      a.GoToRecord(i);
      a.MarkDeleted();
    }
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  // As a file made before the index existed.
  ASSERT_EQ(RawExec(path, "DROP INDEX \"龙虎榜_日期\";"), SQLITE_OK);
  ASSERT_EQ(DateIndexCount(path), "0");
  const std::string bytes = ReadFileBytes(path);
  const std::string rows = RowsAsStored(path);
  ASSERT_NE(rows.find("4:2010-04-14:n4"), std::string::npos) << rows;

  // Reading, range queries included, leaves the file as it was.
  Store old(path);
  {
    auto a = old.OpenStore();
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.RecordNumbersInDateRange("2010-04-14", "2010-04-18"),
              (std::vector<int64_t>{3, 4, 5, 6}));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(Names(old).size(), 10u);
  old.DropIdleConnections();
  EXPECT_EQ(DateIndexCount(path), "0");
  EXPECT_EQ(ReadFileBytes(path), bytes);

  // A snapshot access makes it with its first write.
  {
    auto a = old.OpenStore();
    a.GoToRecord(2);
    ASSERT_TRUE(a.WriteField(store::kName, "n2"));  // as it was
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(DateIndexCount(path), "1");
  EXPECT_EQ(RowsAsStored(path), rows);

  // A writer makes it as it starts, before writing anything.
  old.DropIdleConnections();
  ASSERT_EQ(RawExec(path, "DROP INDEX \"龙虎榜_日期\";"), SQLITE_OK);
  {
    auto a = old.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.ok());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(DateIndexCount(path), "1");
  EXPECT_EQ(RowsAsStored(path), rows);
  auto a = old.OpenStore();
  EXPECT_EQ(a.RecordNumbersInDateRange("2010-04-14", "2010-04-18"),
            (std::vector<int64_t>{3, 4, 5, 6}));
}

}  // namespace
