// The download against a misbehaving source, a stop request, a store that
// cannot be written and a process killed mid-download; the download log
// agrees with the listings after each.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>
#include <tuple>

#include "app/event_wiring.h"
#include "download_page/download_control.h"
#include "download/download_run.h"
#include "store/download_log.h"
#include "store/record_store.h"
#include "tests/download_test_support.h"
#include "text/gbk.h"
#include "ui/scripted_platform.h"

namespace {

using sample_source::Fault;
using testing_support::DownloadProgram;
using testing_support::kClosingMessage;
using testing_support::kFailedPagesLineClose;
using testing_support::kFailedPagesLineOpen;
using testing_support::PageKey;
using testing_support::Readable;
using testing_support::StoredRecord;
using testing_support::U;
using ui::DateTime;

using testing_support::kTwoDays;
using testing_support::UseTwoDays;

// The number of whole pages, in download order, that `stored` consists of;
// -1 when it is not such a prefix (a half page, or records out of order).
int WholePages(const std::vector<StoredRecord>& stored, const std::vector<PageKey>& pages) {
  size_t at = 0;
  for (size_t k = 0; k <= pages.size(); ++k) {
    if (at == stored.size()) return static_cast<int>(k);
    if (k == pages.size()) break;
    const auto page = DownloadProgram::Expected({pages[k]});
    for (const auto& r : page) {
      if (at == stored.size() || stored[at] != r) return -1;
      ++at;
    }
  }
  return -1;
}

TEST(DownloadFaultTest, EveryFaultCostsOnlyItsOwnPage) {
  struct Case {
    Fault fault;
    // The page counts as failed: no answer, or an answer without its list
    // (an empty list is a day without listings, no failure).
    bool fetch_fails;
    bool page_kept;  // the page's listings still arrive
  };
  const Case cases[] = {
      {Fault::kSlow, false, true},         {Fault::kError, true, false},
      {Fault::kTruncated, true, false},    {Fault::kGarbage, true, false},
      {Fault::kNul, true, false},          {Fault::kNoList, true, false},
      {Fault::kUnpublished, false, false}, {Fault::kDrop, true, false},
      {Fault::kFileRedirect, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sample_source::FaultName(c.fault));
    DownloadProgram d;
    d.source.SetSlowMs(20);
    const PageKey bad{1, "2010-06-03"};
    d.source.SetPageFault(bad.board, bad.date, c.fault);
    UseTwoDays(d);
    ASSERT_TRUE(d.DownloadAndWait());

    std::vector<PageKey> kept;
    for (const auto& page : DownloadProgram::Pages(kTwoDays))
      if (c.page_kept || page.board != bad.board || page.date != bad.date) kept.push_back(page);
    EXPECT_EQ(Readable(d.Stored()), Readable(DownloadProgram::Expected(kept)));
    EXPECT_EQ(U(d.p.window.download_progress.caption()),
              std::string("已完成 6/6 页，失败 ") + (c.fetch_fails ? "1" : "0") + " 页");
    if (c.fetch_fails) {
      EXPECT_EQ(d.MessageTexts(),
                std::vector<std::string>{std::string(kClosingMessage) + kFailedPagesLineOpen + "1" +
                                         kFailedPagesLineClose});
      EXPECT_EQ(U(d.p.window.标签_下载标题.caption()), "数据下载完毕，1 页下载失败！");
    } else {
      EXPECT_EQ(d.MessageTexts(), std::vector<std::string>{kClosingMessage});
      EXPECT_EQ(U(d.p.window.标签_下载标题.caption()), "数据下载完毕！");
    }
    EXPECT_TRUE(d.p.window.超级按钮_开始下载.enabled());
  }
}

TEST(DownloadFaultTest, StopKeepsWholePagesOnly) {
  DownloadProgram d;
  d.source.SetFault(Fault::kSlow);
  d.source.SetSlowMs(30);
  // Monday to Friday: fifteen pages.
  d.UseRange(DateTime::FromParts(2010, 5, 31), DateTime::FromParts(2010, 6, 4, 12));
  auto& w = d.p.window;
  w.download_progress.AddListener([&](ui::Component&, ui::Property what) {
    if (what == ui::Property::kProgress && w.download_progress.value() >= 2)
      d.p.state.job_stop.request_stop();
  });
  ASSERT_TRUE(d.DownloadAndWait());

  const auto pages = DownloadProgram::Pages(
      {"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01", "2010-05-31"});
  const int whole = WholePages(d.Stored(), pages);
  EXPECT_GE(whole, 2);
  EXPECT_LT(whole, static_cast<int>(pages.size()));
  // Stopping says nothing and ends nothing but the download.
  EXPECT_TRUE(d.MessageTexts().empty());
  EXPECT_NE(U(w.标签_下载标题.caption()), "数据下载完毕！");
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
}

TEST(DownloadFaultTest, StopEndsAPageThatIsStillComing) {
  DownloadProgram d;
  d.source.SetFault(Fault::kSlow);
  d.source.SetSlowMs(60000);
  UseTwoDays(d);
  auto& w = d.p.window;
  w.标签_上榜日期.AddListener([&](ui::Component&, ui::Property what) {
    if (what == ui::Property::kCaption) d.p.state.job_stop.request_stop();
  });
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_TRUE(d.DownloadAndWait(30000));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  EXPECT_TRUE(d.Stored().empty());
  EXPECT_TRUE(d.MessageTexts().empty());
  EXPECT_TRUE(w.超级按钮_开始下载.enabled());
}

// --- In a child process ---------------------------------------------------

struct ChildReport {
  int exit_code = -1;
  std::vector<ui::RecordedMessage> messages;
};

// Runs one download in a forked child on the store at `path`: its own
// window, platform (workers inline) and store object. `prepare` runs in the
// child first. Returns the child's pid; the child writes its message boxes
// to `report` and exits.
// `now` is the child's clock, which the download log's fetch times take.
pid_t StartChild(const std::filesystem::path& path, const std::string& host,
                 const std::filesystem::path& report, const std::function<void()>& prepare,
                 const DateTime& now = DateTime::FromParts(2010, 6, 7, 20)) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prepare();
  store::Store store(path);
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  platform.set_run_workers_inline(true);
  platform.SetNow(now);
  // Pages already stored are fetched and stored again (否), as the kills
  // below need: each run appends the whole week.
  platform.QueueAnswer(ui::MessageAnswer::kNo);
  program::ProgramState state;
  program::ProgramSettings settings;
  settings.source_host = host;
  program::ProgramContext ctx{window, platform, store, state, settings};
  app::WireDownloadFollowUps(ctx);
  for (ui::RadioButton* b : {&window.单选框_日, &window.单选框_周, &window.单选框_月,
                             &window.单选框_季, &window.单选框_半年, &window.单选框_年})
    b->SetChecked(false);
  window.日期框1.SetValue(DateTime::FromParts(2010, 5, 31));
  window.日期框2.SetValue(DateTime::FromParts(2010, 6, 4, 12));
  download::OnStartDownloadClicked(ctx);
  platform.RunPending();
  std::string out;
  for (const auto& m : platform.messages()) out += m.title + '\x1f' + m.text + '\x1e';
  testing_support::WriteFileBytes(report, out);
  _exit(0);
}

ChildReport WaitForChild(pid_t pid, const std::filesystem::path& report) {
  ChildReport r;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  std::error_code ec;
  if (!std::filesystem::exists(report, ec)) return r;
  const std::string bytes = testing_support::ReadFileBytes(report);
  size_t begin = 0;
  while (begin < bytes.size()) {
    const size_t end = bytes.find('\x1e', begin);
    const std::string entry = bytes.substr(begin, end - begin);
    const size_t split = entry.find('\x1f');
    ui::RecordedMessage m;
    m.title = entry.substr(0, split);
    m.text = entry.substr(split + 1);
    r.messages.push_back(m);
    begin = end + 1;
  }
  return r;
}

// The sample source in a process of its own. Children that run downloads
// are forked from the test, which must have no other threads then: a lock
// that another thread held at the fork (the allocator's, say) would never be
// released in the child.
class SourceProcess {
 public:
  SourceProcess(Fault fault, int slow_ms) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      sample_source::SampleSource source;
      source.SetFault(fault);
      source.SetSlowMs(slow_ms);
      const int port = source.Start();
      if (write(fds[1], &port, sizeof port) != sizeof port) _exit(1);
      close(fds[1]);
      while (true) pause();  // until killed
    }
    close(fds[1]);
    if (pid_ > 0 && read(fds[0], &port_, sizeof port_) != sizeof port_) port_ = -1;
    close(fds[0]);
  }
  ~SourceProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  int port() const { return port_; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = -1;
};

const std::vector<std::string> kWeek = {"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01",
                                        "2010-05-31"};

std::vector<store::PageLogEntry> ReadLog(store::Store& store) {
  store::PageLogRows rows;
  auto access = store.OpenStore();
  EXPECT_TRUE(access.ReadPageLog("0000", "9999", &rows));
  return rows.rows;
}

// The pages whose rows the log has from the fetch time `fetched_at`.
std::vector<PageKey> LoggedAt(const std::vector<store::PageLogEntry>& rows,
                              const std::string& fetched_at, store::PageOutcome outcome) {
  std::vector<PageKey> pages;
  for (const auto& row : rows)
    if (row.fetched_at == fetched_at && row.outcome == outcome)
      pages.push_back({row.board, row.date});
  return pages;
}

bool SamePages(std::vector<PageKey> a, std::vector<PageKey> b) {
  auto less = [](const PageKey& x, const PageKey& y) {
    return std::tie(x.board, x.date) < std::tie(y.board, y.date);
  };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const PageKey& x, const PageKey& y) {
    return x.board == y.board && x.date == y.date;
  });
}

std::vector<StoredRecord> ReadAll(store::Store& store) {
  std::vector<StoredRecord> stored;
  auto access = store.OpenStore();
  EXPECT_TRUE(access.ok());
  for (int64_t n = 1; n <= access.RecordCount(); ++n) {
    access.GoToRecord(n);
    EXPECT_EQ(access.CurrentRecordNumber(), n);
    StoredRecord r;
    for (int f = 1; f <= 9; ++f) r[static_cast<size_t>(f - 1)] = access.ReadField(f);
    stored.push_back(r);
  }
  return stored;
}

TEST(DownloadFaultTest, WriteFailureStopsWithAMessageAndKeepsWhatWasCommitted) {
  SourceProcess source(Fault::kNone, 0);
  ASSERT_GT(source.port(), 0);
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore().has_value());
  store.DropIdleConnections();
  const auto report = dir / "report";
  const pid_t pid = StartChild(store.Path(), source.Host(), report, [] {
    // Files may grow to 64 KiB: enough for the store and a few pages, not
    // for a week of them.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  ASSERT_GT(pid, 0);
  const ChildReport child = WaitForChild(pid, report);
  ASSERT_EQ(child.exit_code, 0);
  ASSERT_EQ(child.messages.size(), 1u);
  EXPECT_EQ(child.messages[0].title, "Ferrow提示");
  EXPECT_TRUE(child.messages[0].text == U(store::ErrorMessage({store::ErrorKind::kFull, 0, ""})) ||
              child.messages[0].text == U(store::ErrorMessage({store::ErrorKind::kIo, 0, ""})))
      << child.messages[0].text;

  const auto pages = DownloadProgram::Pages(kWeek);
  const int whole = WholePages(ReadAll(store), pages);
  EXPECT_GE(whole, 1);
  EXPECT_LT(whole, 15);

  // The log has a row for every page stored and for no other, but perhaps
  // the page that could not be written, which says so.
  const auto rows = ReadLog(store);
  const std::vector<PageKey> stored_pages(pages.begin(), pages.begin() + whole);
  EXPECT_TRUE(
      SamePages(LoggedAt(rows, "2010-06-07 20:00:00", store::PageOutcome::kStored), stored_pages));
  EXPECT_LE(rows.size(), stored_pages.size() + 1);
  for (const auto& row : rows) {
    if (row.outcome == store::PageOutcome::kStored) continue;
    EXPECT_EQ(row.outcome, store::PageOutcome::kFailed);
    EXPECT_EQ(row.failure, store::PageFailure::kWriteFailed);
    EXPECT_EQ(row.board, pages[static_cast<size_t>(whole)].board);
    EXPECT_EQ(row.date, pages[static_cast<size_t>(whole)].date);
  }
}

// integrity_check through the engine itself, keyed as the store keys it,
// on a connection of the test's own.
class IntegrityChecker {
 public:
  explicit IntegrityChecker(const std::filesystem::path& path) {
    if (sqlite3_open_v2(path.string().c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      return;
    sqlite3_exec(db_, "PRAGMA key = 'q3051hnzk7264bwtf'; PRAGMA cipher_page_size = 4096;", nullptr,
                 nullptr, nullptr);
  }
  ~IntegrityChecker() { sqlite3_close_v2(db_); }
  std::string Check() {
    std::string result;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
};

// True when `stored` is a sequence of runs, each the first pages of a
// download, whole pages only.
bool WholePageRuns(const std::vector<StoredRecord>& stored, const std::vector<PageKey>& pages) {
  size_t at = 0;
  while (at < stored.size()) {
    size_t k = 0;
    for (; k < pages.size(); ++k) {
      const auto page = DownloadProgram::Expected({pages[k]});
      if (stored.size() - at < page.size() ||
          !std::equal(page.begin(), page.end(), stored.begin() + static_cast<ptrdiff_t>(at)))
        break;
      at += page.size();
    }
    if (k == 0) return false;  // neither the next page nor a new run's first
  }
  return true;
}

TEST(DownloadFaultTest, KilledMidDownloadLeavesWholePagesInASoundFile) {
  SourceProcess source(Fault::kSlow, 4);
  ASSERT_GT(source.port(), 0);
  const auto pages = DownloadProgram::Pages(kWeek);
  const size_t full = DownloadProgram::Expected(pages).size();

  // One store for every run; each killed run appends to what the ones before
  // left. Opening a keyed file is slow, so the checks keep their connections.
  testing_support::TempDir dir;
  const auto path = store::StorePath(dir.path());
  store::Store store(path);
  ASSERT_FALSE(store.EnsureStore().has_value());
  IntegrityChecker checker(path);

  // One run to its end tells how long a download takes on this machine; the
  // kills then fall between a tenth and nine tenths of that.
  const auto begin = std::chrono::steady_clock::now();
  pid_t pid = StartChild(path, source.Host(), dir / "report", [] {});
  ASSERT_GT(pid, 0);
  ASSERT_EQ(WaitForChild(pid, dir / "report").exit_code, 0);
  const auto whole_run = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - begin);
  ASSERT_EQ(ReadAll(store).size(), full);

  std::mt19937 random(20100604);
  std::uniform_int_distribution<int> moment_ms(static_cast<int>(whole_run.count() / 10),
                                               static_cast<int>(whole_run.count() * 9 / 10));
  int mid_download = 0;
  size_t before = full;
  // Twenty kills at random moments; on a loaded machine the moments may all
  // miss the pages being stored, so up to ten more runs are killed as soon
  // as their first page is stored.
  for (int kill = 0; kill < 20 || (mid_download == 0 && kill < 30); ++kill) {
    SCOPED_TRACE(kill);
    // Each run fetches at a minute of its own, so that the log tells its
    // rows from those of the runs before.
    const DateTime now = DateTime::FromParts(2010, 6, 7, 20, kill + 1);
    const std::function<void()> nothing = [] {};
    pid = StartChild(path, source.Host(), dir / "report", nothing, now);
    ASSERT_GT(pid, 0);
    if (kill < 20) {
      std::this_thread::sleep_for(std::chrono::milliseconds(moment_ms(random)));
    } else {
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (ReadAll(store).size() == before && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    WaitForChild(pid, dir / "report");

    EXPECT_EQ(checker.Check(), "ok");
    const auto stored = ReadAll(store);
    ASSERT_TRUE(WholePageRuns(stored, pages)) << "a page was stored in part";
    const size_t added = stored.size() - before;
    if (added > 0 && added < full) ++mid_download;

    // Both or neither: the pages this run stored are exactly those whose
    // rows it wrote.
    const std::vector<StoredRecord> run(stored.begin() + static_cast<ptrdiff_t>(before),
                                        stored.end());
    const int run_pages = WholePages(run, pages);
    ASSERT_GE(run_pages, 0);
    const std::vector<PageKey> run_stored(pages.begin(), pages.begin() + run_pages);
    const auto rows = ReadLog(store);
    EXPECT_EQ(rows.size(), pages.size());
    EXPECT_TRUE(SamePages(LoggedAt(rows, download::FetchTimeText(now), store::PageOutcome::kStored),
                          run_stored))
        << run_pages << " pages stored in this run";
    before = stored.size();
  }
  // Most kills land while pages are being stored.
  EXPECT_GT(mid_download, 0);
}

}  // namespace
