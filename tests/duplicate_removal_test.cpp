#include "store/duplicate_removal.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/event_wiring.h"
#include "duplicates/duplicate_listings.h"
#include "download_page/download_control.h"
#include "program/jobs.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::ReadColumn;
using testing_support::TestProgram;
using testing_support::U;
using testing_support::WriteListings;

// A listing told apart from its duplicates by its code.
ListingRecord Listing(const std::string& date, const std::string& name_utf8,
                      const std::string& code) {
  return MakeListing(date, name_utf8, code, "10");
}

class DuplicateRemovalTest : public ::testing::Test {
 protected:
  // Removal runs on a worker; the message and the refresh come on the
  // user-interface thread afterwards.
  void Run() {
    details::RemoveDuplicateListings(p.ctx);
    ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  }
  std::vector<std::string> Codes() { return ReadColumn(p.store, store::kCode); }
  std::vector<std::string> MessageTexts() { return p.platform.message_texts(); }

  TestProgram p;
  // Every date is cleaned; the message says how many listings went.
  static std::string Done(int removed) {
    return "系统已为你清除了重复上榜的龙虎榜数据，共删除 " + std::to_string(removed) + " 条。";
  }
};

TEST_F(DuplicateRemovalTest, DayDownloadedTwiceKeepsTheFirstDownloadAndRenumbers) {
  WriteListings(p.store, {Listing("2010-04-08", "甲", "1"), Listing("2010-04-09", "甲", "2"),
                          Listing("2010-04-09", "乙", "3"), Listing("2010-04-09", "丙", "4")});
  // The same day again, as a second download with keep-the-old-data appends it.
  WriteListings(p.store, {Listing("2010-04-09", "甲", "5"), Listing("2010-04-09", "乙", "6"),
                          Listing("2010-04-09", "丙", "7"), Listing("2010-04-12", "丁", "8")});
  Run();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Done(3)});
  ASSERT_EQ(Codes(), (std::vector<std::string>{"1", "2", "3", "4", "8"}));
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(5)条");  // refreshed after the purge

  // Record numbers run 1..5 without gaps, and the next append is record 6.
  auto access = p.store.OpenStore();
  ASSERT_EQ(access.RecordCount(), 5);
  access.GoToRecord(5);
  EXPECT_EQ(access.ReadField(store::kCode), "8");
  access.GoToRecord(2);
  EXPECT_EQ(access.ReadField(store::kCode), "2");
  ASSERT_TRUE(access.AppendBlank());
  EXPECT_EQ(access.CurrentRecordNumber(), 6);
}

TEST_F(DuplicateRemovalTest, OnlyDateAndNameMakeTheKeyByteForByte) {
  ListingRecord second_reason = Listing("2010-04-09", "甲", "2");
  second_reason[store::kReason] = G("连续三个交易日内涨幅偏离值累计达20%");
  WriteListings(p.store, {
                             Listing("2010-04-09", "甲", "1"),
                             second_reason,                       // another reason: a duplicate
                             Listing("2010-04-09", "甲", "3"),    // another stock, same name
                             Listing("2010-04-10", "甲", "4"),    // another date: kept
                             Listing("2010-04-09", "ABC", "5"),   //
                             Listing("2010-04-09", "ABC ", "6"),  // trailing blank: kept
                             Listing("2010-04-09", "abc", "7"),   // other case: kept
                             Listing("2010-04-09", "ABC", "8"),
                         });
  Run();
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1", "4", "5", "6", "7"}));
  EXPECT_EQ(U(ReadColumn(p.store, store::kReason)[0]), "日涨幅偏离值达7%");
}

TEST_F(DuplicateRemovalTest, EmptyStoreAndStoreWithoutDuplicatesStillGetTheMessage) {
  Run();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Done(0)});
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_TRUE(Codes().empty());

  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "乙", "2")});
  Run();
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{Done(0), Done(0)}));
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1", "2"}));
  // The statistics page was refilled from the store.
  EXPECT_EQ(U(p.window.标签_上榜数.caption()), "上榜总计(2)条");
  const ui::Grid& stats = p.window.高级表格_龙虎统计;
  EXPECT_EQ((std::set<std::string>{stats.Text(1, 2), stats.Text(2, 2)}),
            (std::set<std::string>{"1", "2"}));
}

TEST_F(DuplicateRemovalTest, RefusedWhileADownloadRuns) {
  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "甲", "2")});
  program::BeginJob(p.ctx, program::Job::kDownload);
  Run();
  ASSERT_EQ(MessageTexts(),
            std::vector<std::string>{"数据下载中……，请在下载完成后再删除重复数据！"});
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1", "2"}));

  program::PostJobFinished(p.ctx);
  p.platform.RunPending();
  Run();
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1"}));
}

TEST_F(DuplicateRemovalTest, StoreThatCannotBeOpenedIsReportedNotClaimedDone) {
  p.store.DropIdleConnections();
  const std::string junk(8192, 'x');
  testing_support::WriteFileBytes(p.store.Path(), junk);
  Run();
  ASSERT_EQ(p.platform.messages().size(), 1u);
  EXPECT_EQ(p.platform.messages()[0].title, "Ferrow提示");
  EXPECT_EQ(p.platform.messages()[0].text,
            U(store::ErrorMessage(store::StoreError{store::ErrorKind::kNotAStore, 0, {}})));
  EXPECT_EQ(testing_support::ReadFileBytes(p.store.Path()), junk);
}

TEST_F(DuplicateRemovalTest, FailedPurgeLeavesEveryRecordInPlace) {
  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "甲", "2"),
                          Listing("2010-04-09", "乙", "3"), Listing("2010-04-09", "乙", "4")});
  // Another connection holds the write lock until the purge has given up.
  auto other = p.store.OpenStore(store::AccessMode::kWriter);
  ASSERT_TRUE(other.BeginBatch());
  ASSERT_TRUE(other.AppendBlank());
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(p.store);
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->kind, store::ErrorKind::kBusy);
  EXPECT_EQ(result.removed, 0);
  other.RollbackBatch();
  other.CloseStore();
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(DuplicateRemovalTest, SurvivorsAreTheFirstOfEveryKeyInOrder) {
  // Many records and few keys, so the seen-key set sees collisions and long
  // probe runs; the survivors must be exactly the first of every key.
  std::mt19937 random(20100409);
  std::vector<ListingRecord> records;
  std::vector<std::string> expected;
  std::set<std::string> seen;
  for (int i = 0; i < 3000; ++i) {
    const std::string date = "2010-04-" + std::to_string(10 + random() % 20);
    const std::string name = "N" + std::to_string(random() % 60);
    const std::string code = std::to_string(i);
    records.push_back(Listing(date, name, code));
    if (seen.insert(date + name).second) expected.push_back(code);
  }
  WriteListings(p.store, records);
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(p.store);
  ASSERT_FALSE(result.error.has_value());
  EXPECT_EQ(result.examined, 3000);
  EXPECT_EQ(result.removed, 3000 - static_cast<int64_t>(expected.size()));
  EXPECT_EQ(Codes(), expected);

  // A second run finds nothing more.
  const store::DuplicateRemovalResult again = store::RemoveDuplicates(p.store);
  EXPECT_EQ(again.removed, 0);
  EXPECT_EQ(Codes(), expected);
}

}  // namespace

namespace {

// Removal is a job of its own: a download cannot start meanwhile, a second
// removal is refused, and closing the window waits for it.
TEST_F(DuplicateRemovalTest, TheRemovalJobRefusesADownloadAndASecondRemoval) {
  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "甲", "2")});
  details::RemoveDuplicateListings(p.ctx);
  EXPECT_EQ(p.state.job, program::Job::kDuplicateRemoval);
  // While its worker runs (or its message waits), the buttons refuse.
  details::RemoveDuplicateListings(p.ctx);
  download::OnStartDownloadClicked(p.ctx);
  EXPECT_EQ(p.platform.running_workers() <= 1, true);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"正在删除重复数据……，请稍候！",
                                      "正在删除重复数据……，请在删除完成后再下载！", Done(1)}));
  EXPECT_EQ(p.state.job, program::Job::kNone);
  EXPECT_TRUE(p.window.超级按钮_开始下载.enabled());
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1"}));
}

TEST_F(DuplicateRemovalTest, AStopBeforeThePurgeChangesNothing) {
  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "甲", "2")});
  std::stop_source stop;
  stop.request_stop();
  const store::DuplicateRemovalResult result = store::RemoveDuplicates(p.store, stop.get_token());
  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.error.has_value());
  EXPECT_EQ(result.removed, 0);
  EXPECT_EQ(Codes(), (std::vector<std::string>{"1", "2"}));
}

TEST_F(DuplicateRemovalTest, ClosingDuringARemovalClosesOnceItHasEnded) {
  WriteListings(p.store, {Listing("2010-04-09", "甲", "1"), Listing("2010-04-09", "甲", "2")});
  app::WireEvents(p.ctx);
  int closed = 0;
  p.window.close_window = [&] {
    if (p.window.RaiseCloseQuery()) ++closed;
  };
  details::RemoveDuplicateListings(p.ctx);
  p.window.Close();
  EXPECT_EQ(closed, 0);  // nothing asked, nothing closed yet
  EXPECT_TRUE(p.state.close_pending);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ASSERT_TRUE(p.platform.RunUntil([&] { return closed == 1; }, 10000));
  // Stopped before its purge or finished with it: never half done, and no
  // message on the way out.
  const std::vector<std::string> codes = Codes();
  EXPECT_TRUE(codes == (std::vector<std::string>{"1", "2"}) ||
              codes == (std::vector<std::string>{"1"}));
  EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
