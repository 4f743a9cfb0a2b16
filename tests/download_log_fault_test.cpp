// The download log against bad input and faults: every fault of the sample
// source, a source that fails every page, a page that times out and a store
// held by another program each leave the log telling what every page of the
// run held, with the listings intact.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <thread>

#include "download/download_run.h"
#include "store/download_log.h"
#include "tests/download_test_support.h"

namespace {

using sample_source::Fault;
using store::PageFailure;
using store::PageLogEntry;
using store::PageOutcome;
using testing_support::DownloadProgram;
using testing_support::kClosingMessage;
using testing_support::kFailedPagesLineClose;
using testing_support::kFailedPagesLineOpen;
using testing_support::kTwoDays;
using testing_support::PageKey;
using testing_support::Readable;
using testing_support::U;
using testing_support::UseTwoDays;

constexpr char kFetchedAt[] = "2010-06-07 20:00:00";

std::vector<PageLogEntry> Log(store::Store& s) {
  store::PageLogRows rows;
  auto a = s.OpenStore();
  EXPECT_TRUE(a.ReadPageLog("0000", "9999", &rows));
  return rows.rows;
}

// The row a page of the sample source leaves when nothing went wrong.
PageLogEntry StoredRow(int board, const std::string& date, const PageLogEntry& as_logged) {
  PageLogEntry e = as_logged;  // size as received
  e.outcome = PageOutcome::kStored;
  e.failure = PageFailure::kNone;
  e.status = 200;
  e.listings = static_cast<int64_t>(sample_source::ExpectedListings(board, date).size());
  e.fetched_at = kFetchedAt;
  return e;
}

const PageLogEntry* Find(const std::vector<PageLogEntry>& rows, int board,
                         const std::string& date) {
  for (const auto& r : rows)
    if (r.board == board && r.date == date) return &r;
  return nullptr;
}

TEST(DownloadLogFaultTest, EveryFaultLeavesTheRowThatSaysWhatCame) {
  struct Case {
    Fault fault;
    PageOutcome outcome;
    PageFailure failure;
    long status;
  };
  const Case cases[] = {
      {Fault::kSlow, PageOutcome::kStored, PageFailure::kNone, 200},
      {Fault::kError, PageOutcome::kFailed, PageFailure::kStatus, 500},
      {Fault::kTruncated, PageOutcome::kFailed, PageFailure::kNoList, 200},
      {Fault::kGarbage, PageOutcome::kFailed, PageFailure::kNoList, 200},
      {Fault::kNul, PageOutcome::kFailed, PageFailure::kNoList, 200},
      {Fault::kNoList, PageOutcome::kFailed, PageFailure::kNoList, 200},
      {Fault::kUnpublished, PageOutcome::kNoListings, PageFailure::kNone, 200},
      {Fault::kDrop, PageOutcome::kFailed, PageFailure::kConnection, 200},
      {Fault::kFileRedirect, PageOutcome::kFailed, PageFailure::kRedirect, 302},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sample_source::FaultName(c.fault));
    DownloadProgram d;
    d.source.SetSlowMs(20);
    d.source.SetPageFault(1, "2010-06-03", c.fault);
    UseTwoDays(d);
    ASSERT_TRUE(d.DownloadAndWait());
    const auto rows = Log(d.p.store);
    ASSERT_EQ(rows.size(), 6u);
    for (const PageKey& page : DownloadProgram::Pages(kTwoDays)) {
      const PageLogEntry* row = Find(rows, page.board, page.date);
      ASSERT_NE(row, nullptr) << page.board << " " << page.date;
      EXPECT_EQ(row->fetched_at, kFetchedAt);
      if (page.board != 1 || page.date != "2010-06-03") {
        EXPECT_EQ(*row, StoredRow(page.board, page.date, *row));
        EXPECT_GT(row->bytes, 1000);
        continue;
      }
      EXPECT_EQ(row->outcome, c.outcome);
      EXPECT_EQ(row->failure, c.failure);
      if (c.outcome != PageOutcome::kStored) {
        EXPECT_EQ(row->listings, 0);
      }
      if (c.failure == PageFailure::kStatus) {
        EXPECT_EQ(row->status, c.status);
      }
    }
  }
}

TEST(DownloadLogFaultTest, ASourceFailingEveryPageLogsEachAndLeavesStoredPagesAlone) {
  DownloadProgram d;
  d.source.SetPageFault(0, "2010-06-04", Fault::kUnpublished);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const auto stored = d.Stored();
  const auto logged = Log(d.p.store);

  // Every page fails now: the listings stay, and the pages whose listings
  // (or empty list) are in the store keep their rows; the gap fill will not
  // fetch them again.
  // The stored pages are fetched again (否 to skipping them).
  d.source.SetFault(Fault::kError);
  d.p.platform.ClearMessages();
  d.p.platform.QueueAnswer(ui::MessageAnswer::kNo);
  d.UseRange(ui::DateTime::FromParts(2010, 6, 2), ui::DateTime::FromParts(2010, 6, 4, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(d.Stored(), stored);
  // (The page fault of 沪市 06-04 still serves its empty list.)
  EXPECT_EQ(d.MessageTexts(),
            (std::vector<std::string>{
                "所选日期中有 5 页已保存，再次下载将重复保存。是否跳过已保存的页？",
                std::string(kClosingMessage) + kFailedPagesLineOpen + "8" +
                    kFailedPagesLineClose}));
  const auto rows = Log(d.p.store);
  ASSERT_EQ(rows.size(), 9u);
  for (const PageLogEntry& row : rows) {
    SCOPED_TRACE(std::to_string(row.board) + " " + row.date);
    if (row.date == "2010-06-02") {
      EXPECT_EQ(row.outcome, PageOutcome::kFailed);
      EXPECT_EQ(row.failure, PageFailure::kStatus);
      EXPECT_EQ(row.status, 500);
    } else {
      EXPECT_EQ(row, *Find(logged, row.board, row.date));
    }
  }
  EXPECT_EQ(Find(rows, 0, "2010-06-04")->outcome, PageOutcome::kNoListings);
}

TEST(DownloadLogFaultTest, APageThatTimesOutIsLoggedAsSuch) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(), 0);
  source.SetSlowMs(3000);
  source.SetPageFault(2, "2010-06-04", Fault::kSlow);
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore().has_value());

  download::DownloadRequest request;
  request.pages = download::AllPages({"2010-06-04"});
  request.source_host = source.Host();
  request.fetch_limits.total_timeout_ms = 500;
  request.local_time = [] { return ui::DateTime::FromParts(2010, 6, 4, 21, 5, 9); };
  download::ProgressSink sink;
  const auto summary = download::RunDownload(store, request, sink);
  EXPECT_EQ(summary.end, download::RunEnd::kCompleted);
  EXPECT_EQ(summary.failed, 1);
  const auto rows = Log(store);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].outcome, PageOutcome::kFailed);
  EXPECT_EQ(rows[2].failure, PageFailure::kTimeout);
  EXPECT_EQ(rows[2].fetched_at, "2010-06-04 21:05:09");
  EXPECT_EQ(rows[0].outcome, PageOutcome::kStored);
  source.Stop();
}

TEST(DownloadLogFaultTest, AStoreHeldByAnotherProgramStopsTheRunWithTheLogAsTheListings) {
  DownloadProgram d;
  d.source.SetSlowMs(0);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  const auto stored = d.Stored();
  const auto logged = Log(d.p.store);
  d.p.platform.ClearMessages();

  // Another program holds the write lock for the whole run.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open_v2(d.p.store.Path().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other,
                         "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; "
                         "BEGIN IMMEDIATE;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  d.source.ClearPageFaults();
  d.UseRange(ui::DateTime::FromParts(2010, 6, 2), ui::DateTime::FromParts(2010, 6, 2, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
  sqlite3_close(other);

  ASSERT_EQ(d.MessageTexts().size(), 1u);
  EXPECT_EQ(d.MessageTexts()[0], U(store::ErrorMessage({store::ErrorKind::kBusy, 0, ""})));
  EXPECT_EQ(d.Stored(), stored);
  EXPECT_EQ(Log(d.p.store), logged);
  EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());
}

}  // namespace
