// The page "下载记录" on the window model with the sample source: its grid
// follows a download page by page, the gap fill fetches exactly the pages
// the log lacks and never one already stored, a double-click fetches one
// page, and a file made before the log is rebuilt on request.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <set>

#include "app/event_wiring.h"
#include "download/log_plan.h"
#include "tests/download_test_support.h"

namespace {

using sample_source::Fault;
using testing_support::DownloadProgram;
using testing_support::kClosingMessage;
using testing_support::PageKey;
using testing_support::Readable;
using testing_support::U;
using testing_support::UseTwoDays;
using ui::DateTime;

class CoveragePageTest : public ::testing::Test {
 protected:
  void SetUp() override { app::WireEvents(d.p.ctx); }

  ui::DownloadLogPage& page() { return d.p.window.download_log; }
  ui::Grid& grid() { return page().高级表格_下载记录; }

  void ShowPage() { d.p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kDownloadLogPage); }
  // A range of the page's own, as the user picks it in its date boxes.
  void UseLogRange(const DateTime& start, const DateTime& end) {
    page().日期框_记录开始.UserSetValue(start);
    page().日期框_记录结束.UserSetValue(end);
  }

  int RowOf(const std::string& date) {
    for (int r = 1; r < grid().RowCount(); ++r)
      if (grid().Text(r, 0) == date) return r;
    ADD_FAILURE() << "no row for " << date;
    return 0;
  }
  std::string Shown(int board, const std::string& date) {
    return U(grid().Text(RowOf(date), 2 + board));
  }
  std::string Tip(int board, const std::string& date) {
    return U(grid().ToolTip(RowOf(date), 2 + board));
  }
  static std::string Count(int board, const std::string& date) {
    return std::to_string(sample_source::ExpectedListings(board, date).size());
  }

  // The pages the source was asked for since the last call.
  std::set<std::pair<int, std::string>> NewRequests() {
    std::set<std::pair<int, std::string>> pages;
    const auto requests = d.source.Requests();
    for (size_t i = seen_requests_; i < requests.size(); ++i) {
      const std::string& t = requests[i].target;
      const size_t board = t.find("t=") + 2;
      const size_t date = t.find("tdate=") + 6;
      pages.insert({t[board] - '0', t.substr(date, 10)});
    }
    seen_requests_ = requests.size();
    return pages;
  }

  bool Wait() { return d.p.platform.RunUntilWorkersDone(60000); }

  DownloadProgram d;
  size_t seen_requests_ = 0;
};

TEST_F(CoveragePageTest, TheGridShowsWhatEachPageHeldAndFollowsADownloadPageByPage) {
  ShowPage();
  EXPECT_TRUE(page().单选框_记录月.checked());
  EXPECT_EQ(grid().Text(1, 0), "2010-06-07");  // newest first, up to today
  const int days = static_cast<int>(grid().RowCount()) - 1;
  EXPECT_EQ(days, 21);
  EXPECT_EQ(U(page().标签_下载记录统计.caption()), "完整 0/21 天，失败 0 页，缺失 63 页");

  d.source.SetPageFault(1, "2010-06-03", Fault::kError);
  d.source.SetPageFault(2, "2010-06-04", Fault::kTruncated);
  d.source.SetPageFault(0, "2010-06-03", Fault::kUnpublished);
  int single_rows = 0;
  grid().AddGridListener([&](const ui::GridChange& change) {
    if (change.kind == ui::GridChange::kRows && change.first_row == change.last_row) ++single_rows;
  });
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(single_rows, 6);  // one cell per page, as it arrived

  EXPECT_EQ(Shown(0, "2010-06-04"), Count(0, "2010-06-04"));
  EXPECT_EQ(Shown(1, "2010-06-04"), Count(1, "2010-06-04"));
  EXPECT_EQ(Shown(2, "2010-06-04"), "失败");
  EXPECT_EQ(Tip(2, "2010-06-04"), "页面无列表，下载于 2010-06-07 20:00:00");
  EXPECT_EQ(Shown(0, "2010-06-03"), "无上榜");  // not the day of the download
  EXPECT_EQ(Shown(1, "2010-06-03"), "失败");
  EXPECT_EQ(Tip(1, "2010-06-03"), "状态码 500，下载于 2010-06-07 20:00:00");
  EXPECT_EQ(Shown(2, "2010-06-03"), Count(2, "2010-06-03"));
  EXPECT_EQ(Shown(0, "2010-06-02"), "");
  EXPECT_EQ(U(page().标签_下载记录统计.caption()), "完整 0/21 天，失败 2 页，缺失 57 页");
  // The download's captions count what the log counts: the page cut short
  // failed as much as the one with status 500.
  EXPECT_EQ(U(d.p.window.download_progress.caption()), "已完成 6/6 页，失败 2 页");

  // "更新原数据" empties the log with the listings.
  d.source.ClearPageFaults();
  d.p.window.选择框_更新.UserClick();
  d.UseRange(DateTime::FromParts(2010, 6, 4), DateTime::FromParts(2010, 6, 4, 12));
  ASSERT_TRUE(d.DownloadAndWait());
  EXPECT_EQ(Shown(2, "2010-06-04"), Count(2, "2010-06-04"));
  EXPECT_EQ(Shown(2, "2010-06-03"), "");
  EXPECT_EQ(Shown(0, "2010-06-03"), "");
}

TEST_F(CoveragePageTest, TheGapFillFetchesTheMissingFailedAndUnpublishedPagesOnly) {
  d.source.SetPageFault(1, "2010-06-03", Fault::kError);
  d.source.SetPageFault(2, "2010-06-04", Fault::kTruncated);
  d.source.SetPageFault(0, "2010-06-03", Fault::kUnpublished);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  NewRequests();
  d.p.platform.ClearMessages();

  ShowPage();
  UseLogRange(DateTime::FromParts(2010, 6, 1), DateTime::FromParts(2010, 6, 7, 12));
  EXPECT_FALSE(page().单选框_记录月.checked());
  ASSERT_EQ(grid().RowCount(), 6);
  d.source.ClearPageFaults();
  d.source.SetPageFault(0, "2010-06-07", Fault::kUnpublished);  // today's, not yet there
  page().超级按钮_补全下载.UserClick();
  ASSERT_TRUE(Wait());

  std::set<std::pair<int, std::string>> expected = {{1, "2010-06-03"}, {2, "2010-06-04"}};
  for (int board = 0; board < 3; ++board)
    for (const char* date : {"2010-06-07", "2010-06-02", "2010-06-01"})
      expected.insert({board, date});
  EXPECT_EQ(NewRequests(), expected);
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
  EXPECT_EQ(U(d.p.window.download_progress.caption()), "已完成 11/11 页，失败 0 页");
  EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());
  EXPECT_EQ(Shown(0, "2010-06-07"), "未发布");
  EXPECT_EQ(Shown(1, "2010-06-03"), Count(1, "2010-06-03"));
  EXPECT_EQ(U(page().标签_下载记录统计.caption()),
            "完整 4/5 天，失败 0 页，缺失 0 页，未发布 1 页");

  // Again: only the page that was not yet published.
  d.source.ClearPageFaults();
  d.p.platform.ClearMessages();
  page().超级按钮_补全下载.UserClick();
  ASSERT_TRUE(Wait());
  EXPECT_EQ(NewRequests(), (std::set<std::pair<int, std::string>>{{0, "2010-06-07"}}));
  EXPECT_EQ(Shown(0, "2010-06-07"), Count(0, "2010-06-07"));

  // Nothing left: nothing fetched, and the user is told.
  d.p.platform.ClearMessages();
  page().超级按钮_补全下载.UserClick();
  ASSERT_TRUE(Wait());
  EXPECT_TRUE(NewRequests().empty());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{"所选日期的数据均已下载，无需补全！"});

  // Every page is stored once; the empty list of 06-03 was never asked again.
  std::vector<PageKey> pages;
  for (int board = 0; board < 3; ++board)
    for (const char* date : {"2010-06-07", "2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01"})
      if (board != 0 || std::string(date) != "2010-06-03") pages.push_back({board, date});
  auto stored = Readable(d.Stored());
  auto wanted = Readable(DownloadProgram::Expected(pages));
  std::sort(stored.begin(), stored.end());
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(stored, wanted);
}

TEST_F(CoveragePageTest, ADoubleClickFetchesItsPageAloneAndNeverOneAlreadyStored) {
  d.source.SetPageFault(1, "2010-06-03", Fault::kDrop);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  ShowPage();
  NewRequests();
  d.p.platform.ClearMessages();
  EXPECT_EQ(Tip(1, "2010-06-03"), "连接失败，下载于 2010-06-07 20:00:00");

  grid().UserDoubleClick(RowOf("2010-06-04"), 2);
  ASSERT_TRUE(Wait());
  EXPECT_TRUE(NewRequests().empty());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{"该页数据已下载，无需重复下载！"});

  grid().UserDoubleClick(RowOf("2010-06-03"), 0);  // the date: no page
  EXPECT_EQ(d.p.platform.running_workers(), 0);

  d.source.ClearPageFaults();
  d.p.platform.ClearMessages();
  grid().UserDoubleClick(RowOf("2010-06-03"), 3);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(NewRequests(), (std::set<std::pair<int, std::string>>{{1, "2010-06-03"}}));
  EXPECT_EQ(Shown(1, "2010-06-03"), Count(1, "2010-06-03"));
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});

  // Another job running: refused with its message, nothing started.
  d.p.platform.ClearMessages();
  d.p.state.job = program::Job::kDuplicateRemoval;
  grid().UserDoubleClick(RowOf("2010-06-02"), 2);
  page().超级按钮_补全下载.UserClick();
  EXPECT_EQ(d.p.platform.running_workers(), 0);
  EXPECT_EQ(d.MessageTexts(),
            std::vector<std::string>(2, "正在删除重复数据……，请在删除完成后再下载！"));
  d.p.state.job = program::Job::kNone;
}

TEST_F(CoveragePageTest, AGapFillOrDoubleClickThatGetsNoListSaysThePageFailed) {
  d.source.SetPageFault(2, "2010-06-04", Fault::kNoList);
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  ShowPage();
  UseLogRange(DateTime::FromParts(2010, 6, 3), DateTime::FromParts(2010, 6, 4, 12));
  const std::vector<std::string> one_failed = {std::string(kClosingMessage) +
                                               testing_support::kFailedPagesLineOpen + "1" +
                                               testing_support::kFailedPagesLineClose};
  auto& w = d.p.window;

  d.p.platform.ClearMessages();
  page().超级按钮_补全下载.UserClick();
  ASSERT_TRUE(Wait());
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 1/1 页，失败 1 页");
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕，1 页下载失败！");
  EXPECT_EQ(d.MessageTexts(), one_failed);

  d.p.platform.ClearMessages();
  w.标签_下载标题.SetCaption("");
  grid().UserDoubleClick(RowOf("2010-06-04"), 4);
  ASSERT_TRUE(Wait());
  EXPECT_EQ(U(w.download_progress.caption()), "已完成 1/1 页，失败 1 页");
  EXPECT_EQ(U(w.标签_下载标题.caption()), "数据下载完毕，1 页下载失败！");
  EXPECT_EQ(d.MessageTexts(), one_failed);
  EXPECT_EQ(Tip(2, "2010-06-04"), "页面无列表，下载于 2010-06-07 20:00:00");
}

TEST_F(CoveragePageTest, AFileMadeBeforeTheLogCountsAsMissingUntilTheLogIsRebuilt) {
  UseTwoDays(d);
  ASSERT_TRUE(d.DownloadAndWait());
  d.p.store.DropIdleConnections();
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(d.p.store.Path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; "
                           "DROP TABLE \"下载记录\";",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  ShowPage();
  EXPECT_EQ(U(page().标签_下载记录提示.caption()),
            "此数据文件建立时尚无下载记录，所有页面都算作未下载；点击[重建记录]可由已存数据推断。");
  EXPECT_EQ(Shown(0, "2010-06-04"), "");

  // Asked first; a cancel changes nothing.
  d.p.platform.ClearMessages();
  d.p.platform.QueueAnswer(ui::MessageAnswer::kCancel);
  page().超级按钮_重建记录.UserClick();
  ASSERT_TRUE(Wait());
  EXPECT_EQ(d.p.platform.messages().size(), 1u);
  EXPECT_EQ(Shown(0, "2010-06-04"), "");

  page().超级按钮_重建记录.UserClick();
  ASSERT_TRUE(Wait());
  ASSERT_EQ(d.p.platform.messages().size(), 3u);
  EXPECT_EQ(d.p.platform.messages()[2].text, "下载记录重建完毕，由已存数据推断出 6 页。");
  for (int board = 0; board < 3; ++board) {
    for (const char* date : {"2010-06-04", "2010-06-03"}) {
      EXPECT_EQ(Shown(board, date), Count(board, date));
      EXPECT_EQ(Tip(board, date), "由已存数据推断：" + Count(board, date) + " 条");
    }
  }
  EXPECT_EQ(U(page().标签_下载记录提示.caption()).rfind("双击格子下载该页", 0), 0u);
  EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());

  // The inferred pages count as stored: the gap fill leaves them alone.
  UseLogRange(DateTime::FromParts(2010, 6, 3), DateTime::FromParts(2010, 6, 4, 12));
  d.p.platform.ClearMessages();
  NewRequests();
  page().超级按钮_补全下载.UserClick();
  ASSERT_TRUE(Wait());
  EXPECT_TRUE(NewRequests().empty());
  EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{"所选日期的数据均已下载，无需补全！"});
}

TEST_F(CoveragePageTest, AQuickRangeShowsItsDatesInTheDateBoxes) {
  ShowPage();
  ASSERT_TRUE(Wait());
  UseLogRange(DateTime::FromParts(2009, 1, 5), DateTime::FromParts(2009, 1, 9));
  page().单选框_记录周.UserClick();
  ASSERT_TRUE(Wait());
  const DateTime today = d.p.platform.Now();
  EXPECT_EQ(page().日期框_记录结束.value().DateText(), today.DateText());
  EXPECT_EQ(page().日期框_记录开始.value().DateText(), today.AddDays(-6).DateText());
  EXPECT_TRUE(page().单选框_记录周.checked());
}

}  // namespace
