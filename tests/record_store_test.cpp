#include "store/record_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>

#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::ErrorKind;
using store::Store;
using testing_support::G;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// Opens the file with bare SQLCipher, to look at it from outside the store.
int RawRead(const std::filesystem::path& path, const char* key, const char* sql,
            std::string* first_value = nullptr) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK && key) {
    std::string pragma = std::string("PRAGMA key='") + key + "'; PRAGMA cipher_page_size=4096;";
    rc = sqlite3_exec(db, pragma.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(s);
      if (rc == SQLITE_ROW) {
        if (first_value && sqlite3_column_text(s, 0))
          *first_value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        rc = SQLITE_OK;
      } else if (rc == SQLITE_DONE) {
        rc = SQLITE_OK;
      }
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return rc;
}

void AppendListing(store::StoreAccess& a, const std::string& date, const std::string& name) {
  ASSERT_TRUE(a.AppendBlank());
  a.WriteField(store::kDate, date);
  a.WriteField(store::kName, name);
}

std::vector<std::string> Names(Store& s) {
  std::vector<std::string> names;
  auto a = s.OpenStore();
  EXPECT_TRUE(a.ok());
  a.GoToFirst();
  for (int64_t i = 1; i <= a.RecordCount(); ++i) {
    names.push_back(a.ReadField(store::kName));
    a.Skip(1);
  }
  return names;
}

class RecordStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
};

TEST_F(RecordStoreTest, FirstStartCreatesAnEncryptedStoreWithTheNineFields) {
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
    const size_t at = schema.find(
        "\"" + std::string(f.name) + "\" TEXT(" + std::to_string(f.width) + ")", pos);
    ASSERT_NE(at, std::string::npos) << f.name << " in " << schema;
    pos = at;
  }

  auto a = s.OpenStore();
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(a.RecordCount(), 0);
  EXPECT_EQ(a.CurrentRecordNumber(), 0);
  EXPECT_EQ(a.ReadField(1), "");
}

TEST_F(RecordStoreTest, EnsureStoreLeavesAnExistingFileByteForByte) {
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

TEST_F(RecordStoreTest, DamagedFilesFailWithAReasonAndStayUntouched) {
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

TEST_F(RecordStoreTest, MissingFileFailsWithoutCreatingOne) {
  Store s(path);
  auto a = s.OpenStore();
  EXPECT_FALSE(a.ok());
  ASSERT_TRUE(a.error().has_value());
  EXPECT_EQ(a.error()->kind, ErrorKind::kMissing);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(RecordStoreTest, UnwritableFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const auto locked = dir / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
  Store t(store::StorePath(locked));
  auto error = t.EnsureStore();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, ErrorKind::kCannotCreate);
}

TEST_F(RecordStoreTest, UnwritableFolderAsRootViaMissingParent) {
  // Works for root too: the folder does not exist, so nothing can be made.
  Store t(dir / "no-such-folder" / "Data.edb");
  auto error = t.EnsureStore();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, ErrorKind::kCannotCreate);
  EXPECT_FALSE(store::ErrorMessage(*error).empty());
}

TEST_F(RecordStoreTest, FieldWidthsCutOnCharacterBoundaries) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    ASSERT_TRUE(a.AppendBlank());
    a.WriteField(store::kDate, "2010-04-09");
    a.WriteField(store::kName, G("a中国平安银行"));  // 11 bytes, 10 fit: cut before 银
    a.WriteField(store::kCode, "60000012345");     // 11 bytes
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
    for (int i = 1; i <= 5; ++i) AppendListing(a, "2010-04-0" + std::to_string(i), "n" + std::to_string(i));
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

TEST_F(RecordStoreTest, AReaderNeitherWaitsForNorSeesAnOpenWriteBatch) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    AppendListing(a, "2010-04-09", "old");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto writer = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(writer.BeginBatch());
  for (int i = 0; i < 50; ++i) AppendListing(writer, "2010-04-12", "new" + std::to_string(i));
  writer.GoToRecord(1);  // writes the pending record out, inside the batch

  std::atomic<int64_t> seen{-1};
  std::string name;
  std::thread reader([&] {
    auto r = s.OpenStore();
    seen = r.RecordCount();
    r.GoToRecord(50);
    name = r.ReadField(store::kName);
    EXPECT_FALSE(r.CloseStore().has_value());
  });
  reader.join();
  EXPECT_EQ(seen.load(), 1);
  EXPECT_EQ(name, "old");

  ASSERT_TRUE(writer.CommitBatch());
  auto r = s.OpenStore();
  EXPECT_EQ(r.RecordCount(), 51);
  r.GoToRecord(51);
  EXPECT_EQ(r.ReadField(store::kName), "new49");
}

TEST_F(RecordStoreTest, AKilledWriterLosesOnlyItsOpenBatch) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Store c(path);
    auto a = c.OpenStore(AccessMode::kWriter);
    a.BeginBatch();
    for (int i = 0; i < 20; ++i) AppendListing(a, "2010-04-09", "page1");
    a.CommitBatch();
    a.BeginBatch();
    for (int i = 0; i < 20; ++i) AppendListing(a, "2010-04-12", "page2");
    a.GoToRecord(1);  // the second page is partly in the file, uncommitted
    ::_exit(0);       // no commit, no close: as if killed
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  Store after(path);
  auto a = after.OpenStore();
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(a.RecordCount(), 20);
  a.GoToRecord(20);
  EXPECT_EQ(a.ReadField(store::kName), "page1");
  a.CloseStore();
  after.DropIdleConnections();
  std::string check;
  EXPECT_EQ(RawRead(path, "q3051hnzk7264bwtf", "PRAGMA integrity_check", &check), SQLITE_OK);
  EXPECT_EQ(check, "ok");
}

TEST_F(RecordStoreTest, AKeptConnectionIsNotReusedOnAReplacedFile) {
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

TEST_F(RecordStoreTest, AFailedWriteReportsAndKeepsWhatWasCommitted) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    a.BeginBatch();
    AppendListing(a, "2010-04-09", "kept");
    ASSERT_TRUE(a.CommitBatch());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  // Another connection holds the write lock: our batch cannot start.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; BEGIN IMMEDIATE;",
               nullptr, nullptr, nullptr);
  Store busy(path);
  {
    auto a = busy.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.ok());
    EXPECT_FALSE(a.BeginBatch());
    ASSERT_TRUE(a.error().has_value());
    EXPECT_EQ(a.error()->kind, ErrorKind::kBusy);
  }
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(Names(s), std::vector<std::string>{"kept"});
}

}  // namespace
