// Several connections on one store: readers beside a writer, a writer killed
// mid-batch, a writer that cannot get the lock, and checkpoints that leave
// Data.edb complete on its own.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "store/record_store.h"
#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::ErrorKind;
using store::Store;
using testing_support::TempDir;

using store_testing::AppendListing;
using store_testing::Names;
using store_testing::RawRead;

std::filesystem::path Wal(const std::filesystem::path& path) {
  std::filesystem::path wal = path;
  wal += "-wal";
  return wal;
}

class StoreSharingTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
};

TEST_F(StoreSharingTest, AReaderNeitherWaitsForNorSeesAnOpenWriteBatch) {
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

TEST_F(StoreSharingTest, AKilledWriterLosesOnlyItsOpenBatch) {
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

TEST_F(StoreSharingTest, AFailedWriteReportsAndKeepsWhatWasCommitted) {
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

TEST_F(StoreSharingTest, AfterACheckpointDataEdbAloneHoldsEveryListing) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  std::vector<std::string> expected;
  // Written as the download writes: one writer access, a batch per page.
  auto writer = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(writer.ok());
  for (int page = 0; page < 4; ++page) {
    ASSERT_TRUE(writer.BeginBatch());
    for (int i = 0; i < 60; ++i) {
      expected.push_back("p" + std::to_string(page) + "-" + std::to_string(i));
      AppendListing(writer, "2010-04-1" + std::to_string(page), expected.back());
    }
    ASSERT_TRUE(writer.CommitBatch());
  }
  ASSERT_EQ(Names(s), expected);  // and a reader's connection is kept idle
  ASSERT_GT(std::filesystem::file_size(Wal(path)), 0u);

  const store::CheckpointResult result = s.Checkpoint();
  EXPECT_FALSE(result.error.has_value()) << result.error->detail;
  EXPECT_TRUE(result.complete);
  ASSERT_TRUE(std::filesystem::exists(Wal(path)));  // the connections are still open
  EXPECT_EQ(std::filesystem::file_size(Wal(path)), 0u);

  // Only Data.edb goes, while the writer still has the store open.
  const auto copy_dir = dir / "copy";
  std::filesystem::create_directory(copy_dir);
  std::filesystem::copy_file(path, store::StorePath(copy_dir));
  std::set<std::string> copied;
  for (const auto& entry : std::filesystem::directory_iterator(copy_dir)) {
    copied.insert(entry.path().filename().string());
  }
  ASSERT_EQ(copied, std::set<std::string>{"Data.edb"});
  Store copy(store::StorePath(copy_dir));
  EXPECT_EQ(Names(copy), expected);

  // The writer goes on as before.
  ASSERT_TRUE(writer.BeginBatch());
  AppendListing(writer, "2010-04-19", "after");
  ASSERT_TRUE(writer.CommitBatch());
  ASSERT_FALSE(writer.CloseStore().has_value());
  EXPECT_EQ(Names(s).size(), expected.size() + 1);
}

TEST_F(StoreSharingTest, AReaderHoldingItsViewLeavesTheCheckpointIncompleteWithoutError) {
  Store s(path);
  ASSERT_FALSE(s.EnsureStore().has_value());
  {
    auto a = s.OpenStore();
    for (int i = 0; i < 10; ++i) AppendListing(a, "2010-04-09", "old");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  auto reader = s.OpenStore();
  ASSERT_EQ(reader.RecordCount(), 10);
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.BeginBatch());
    for (int i = 0; i < 5; ++i) AppendListing(a, "2010-04-12", "new");
    ASSERT_TRUE(a.CommitBatch());
    ASSERT_FALSE(a.CloseStore().has_value());
  }

  const store::CheckpointResult blocked = s.Checkpoint();
  EXPECT_FALSE(blocked.error.has_value()) << blocked.error->detail;
  EXPECT_FALSE(blocked.complete);
  EXPECT_GT(std::filesystem::file_size(Wal(path)), 0u);
  // The reader's view is intact.
  EXPECT_TRUE(reader.GoToRecord(10));
  EXPECT_EQ(reader.ReadField(store::kName), "old");
  EXPECT_EQ(reader.RecordCount(), 10);
  ASSERT_FALSE(reader.CloseStore().has_value());

  const store::CheckpointResult done = s.Checkpoint();
  EXPECT_FALSE(done.error.has_value());
  EXPECT_TRUE(done.complete);
  EXPECT_EQ(std::filesystem::file_size(Wal(path)), 0u);
  EXPECT_EQ(Names(s).size(), 15u);
}

TEST_F(StoreSharingTest, ACheckpointOnAMissingFileFails) {
  Store s(path);
  const store::CheckpointResult result = s.Checkpoint();
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->kind, ErrorKind::kMissing);
  EXPECT_FALSE(result.complete);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
