// quorvane-cli download against the loopback sample source: the same
// records as the window's download, the exit status of a failing source,
// of a store that cannot be opened, and of one another program is writing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "store/download_log.h"
#include "store/record_store.h"
#include "store/store_error.h"
#include "tests/cli_test_support.h"
#include "tests/download_test_support.h"
#include "text/gbk.h"

namespace {

using sample_source::Fault;
using testing_support::DownloadProgram;
using testing_support::Lines;
using testing_support::PageKey;
using testing_support::Readable;
using testing_support::RunCli;
using testing_support::StoredRecords;
using testing_support::TempDir;

// A progress line off a terminal: the local time it was written, then the
// page ("2010-06-07 19:30:02 [1/6] 2010-06-04 沪市: 6 listings"). Gives the
// page's part.
bool StampedPageLine(const std::string& line, std::string* page = nullptr) {
  static const std::regex stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (\[.*)$)");
  std::smatch m;
  if (!std::regex_match(line, m, stamped)) return false;
  if (page) *page = m[1];
  return true;
}

class CliDownloadTest : public ::testing::Test {
 protected:
  CliDownloadTest() { EXPECT_GT(source.Start(), 0); }
  ~CliDownloadTest() override { source.Stop(); }

  testing_support::ProgramRun Download(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--store", store.string(), "--source", source.Host(),
                                    "download"};
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }

  sample_source::SampleSource source;
  TempDir dir;
  std::filesystem::path store = dir / "Data.edb";
};

TEST_F(CliDownloadTest, StoresExactlyWhatTheWindowStores) {
  DownloadProgram window;
  testing_support::UseTwoDays(window);
  ASSERT_TRUE(window.DownloadAndWait());
  const auto by_window = window.Stored();
  ASSERT_FALSE(by_window.empty());

  const auto run = Download({"--from", "2010-06-03", "--to", "2010-06-04"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Readable(StoredRecords(store)), Readable(by_window));
  // Not a terminal: one line per page with its time, in the window's
  // order.
  const auto lines = Lines(run.err);
  int page_lines = 0;
  for (const auto& line : lines)
    if (StampedPageLine(line)) ++page_lines;
  EXPECT_EQ(page_lines, 6) << run.err;
  EXPECT_NE(run.err.find("[1/6] 2010-06-04 沪市: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("[6/6] 2010-06-03 中小板: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("download finished in "), std::string::npos) << run.err;
}

TEST_F(CliDownloadTest, AQuickRangeCountsBackFromTheEndDateAsTheWindowDoes) {
  DownloadProgram window;
  window.p.window.日期框2.SetValue(ui::DateTime::FromParts(2010, 6, 4, 12));
  window.p.window.单选框_周.UserClick();
  ASSERT_TRUE(window.DownloadAndWait());

  const auto run = Download({"--week", "--to", "2010-06-04"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Readable(StoredRecords(store)), Readable(window.Stored()));
  EXPECT_NE(run.err.find("15 pages (5 days, 2010-05-31 to 2010-06-04)"), std::string::npos)
      << run.err;
}

TEST_F(CliDownloadTest, StoredPagesAreSkippedUnlessAgainAndReplaceEmptiesFirst) {
  const auto pages = DownloadProgram::Pages(testing_support::kTwoDays);
  const auto once = Readable(DownloadProgram::Expected(pages));
  ASSERT_EQ(Download({"--from", "2010-06-04", "--to", "2010-06-04"}).status, 0);
  // Friday's pages are stored: only Thursday's are fetched.
  const auto skipping = Download({"--from", "2010-06-03", "--to", "2010-06-04"});
  ASSERT_EQ(skipping.status, 0) << skipping.err;
  EXPECT_NE(skipping.err.find("skipping 3 pages already stored (--again downloads them again)"),
            std::string::npos)
      << skipping.err;
  EXPECT_NE(skipping.err.find(": 3 pages (2 days, 2010-06-03 to 2010-06-04)"), std::string::npos)
      << skipping.err;
  auto stored = Readable(StoredRecords(store));
  auto sorted_once = once;
  std::sort(stored.begin(), stored.end());
  std::sort(sorted_once.begin(), sorted_once.end());
  EXPECT_EQ(stored, sorted_once);
  // All of them stored: nothing to do.
  const auto nothing = Download({"--from", "2010-06-03", "--to", "2010-06-04"});
  ASSERT_EQ(nothing.status, 0) << nothing.err;
  EXPECT_NE(nothing.err.find("nothing to download"), std::string::npos) << nothing.err;
  EXPECT_EQ(StoredRecords(store).size(), once.size());

  store = dir / "Again.edb";
  ASSERT_EQ(Download({"--from", "2010-06-03", "--to", "2010-06-04"}).status, 0);
  ASSERT_EQ(Download({"--from", "2010-06-03", "--to", "2010-06-04", "--again"}).status, 0);
  auto twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Readable(StoredRecords(store)), twice);
  // check counts the listings stored twice and names the cure.
  const auto check = RunCli({"--store", store.string(), "check"});
  EXPECT_NE(check.out.find("duplicates: " + std::to_string(once.size()) +
                           " listings stored twice (same date, code, reason and Seats as one "
                           "stored before); quorvane-cli dedupe removes them"),
            std::string::npos)
      << check.out;
  const auto dedupe = RunCli({"--store", store.string(), "dedupe"});
  EXPECT_NE(dedupe.err.find(std::to_string(once.size()) + " of " +
                            std::to_string(twice.size()) + " listings removed"),
            std::string::npos)
      << dedupe.err;
  EXPECT_EQ(RunCli({"--store", store.string(), "check"}).out.find("duplicates:"),
            std::string::npos);

  const auto replaced = Download({"--from", "2010-06-04", "--to", "2010-06-04", "--replace"});
  ASSERT_EQ(replaced.status, 0) << replaced.err;
  std::vector<PageKey> friday;
  for (const auto& page : pages)
    if (page.date == "2010-06-04") friday.push_back(page);
  EXPECT_EQ(Readable(StoredRecords(store)), Readable(DownloadProgram::Expected(friday)));
}

TEST_F(CliDownloadTest, AFailingPageGivesStatusThreeAndTheOtherPagesStay) {
  source.SetPageFault(1, "2010-06-04", Fault::kError);
  const auto run = Download({"--from", "2010-06-03", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("[3/6] 2010-06-04 深市: failed (status 500)"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("; 1 page failed\n"), std::string::npos) << run.err;
  std::vector<PageKey> kept;
  for (const auto& page : DownloadProgram::Pages(testing_support::kTwoDays))
    if (!(page.board == 1 && page.date == "2010-06-04")) kept.push_back(page);
  EXPECT_EQ(Readable(StoredRecords(store)), Readable(DownloadProgram::Expected(kept)));
}

TEST_F(CliDownloadTest, PagesWithoutTheirListFailWithTheirReasonAndStatusThree) {
  // What an anti-bot or maintenance page looks like: an answer of 200 with
  // no list in it.
  source.SetPageFault(0, "2010-06-04", Fault::kNoList);
  source.SetPageFault(0, "2010-06-03", Fault::kGarbage);
  source.SetPageFault(1, "2010-06-04", Fault::kTruncated);
  source.SetPageFault(2, "2010-06-03", Fault::kNul);
  const auto run = Download({"--from", "2010-06-03", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 3) << run.err;
  for (const char* line :
       {"[1/6] 2010-06-04 沪市: failed (no list on the page)",
        "[2/6] 2010-06-03 沪市: failed (no list on the page)",
        "[3/6] 2010-06-04 深市: failed (no list on the page)",
        "[6/6] 2010-06-03 中小板: failed (no list on the page)"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
  EXPECT_NE(run.err.find("4 pages failed"), std::string::npos) << run.err;
}

TEST_F(CliDownloadTest, ARedirectNotFollowedIsLoggedAsARedirect) {
  const auto run = RunCli({"--store", store.string(), "--source", source.Host() + "/redirect/6",
                           "download", "--from", "2010-06-04", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("[1/3] 2010-06-04 沪市: failed (redirect not followed (status 302))"),
            std::string::npos)
      << run.err;
  store::Store opened(store);
  auto access = opened.OpenStore();
  store::PageLogRows rows;
  ASSERT_TRUE(access.ReadPageLog("0000", "9999", &rows));
  ASSERT_EQ(rows.rows.size(), 3u);
  for (const auto& row : rows.rows) {
    EXPECT_EQ(row.failure, store::PageFailure::kRedirect);
    EXPECT_EQ(row.status, 302);
  }
}

// The latest weekday up to today, "YYYY-MM-DD", in local time as the
// command line counts its days.
std::string LatestWeekday() {
  std::time_t t = std::time(nullptr);
  for (;; t -= 86400) {
    std::tm local{};
    localtime_r(&t, &local);
    if (local.tm_wday == 0 || local.tm_wday == 6) continue;
    char text[11];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
  }
}

TEST_F(CliDownloadTest, CheckNamesTheFailedPageAndMissingOnlyFetchesExactlyIt) {
  const std::string day = LatestWeekday();
  source.SetPageFault(1, day, Fault::kError);
  ASSERT_EQ(Download({"--week"}).status, 3);

  const auto check = RunCli({"--store", store.string(), "check"});
  ASSERT_EQ(check.status, 0) << check.err;
  EXPECT_NE(check.out.find(" 1 failed, "), std::string::npos) << check.out;
  EXPECT_NE(check.out.find("  " + day + " 深市: failed (status 500)\n"), std::string::npos)
      << check.out;
  // The weeks before, never downloaded: one range, not a line per page.
  const std::regex missing_range(
      R"(\n  \d{4}-\d\d-\d\d to \d{4}-\d\d-\d\d every board: missing\n)");
  EXPECT_EQ(std::distance(std::sregex_iterator(check.out.begin(), check.out.end(), missing_range),
                          std::sregex_iterator()),
            1)
      << check.out;
  EXPECT_EQ(check.out.find(" 沪市: missing"), std::string::npos) << check.out;

  source.ClearPageFaults();
  const auto fill = Download({"--week", "--missing-only"});
  ASSERT_EQ(fill.status, 0) << fill.err;
  EXPECT_NE(fill.err.find("1 missing pages"), std::string::npos) << fill.err;
  EXPECT_NE(fill.err.find("[1/1] " + day + " 深市: "), std::string::npos) << fill.err;
  const auto again = Download({"--week", "--missing-only"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.err.find("nothing to download"), std::string::npos) << again.err;

  // The store now holds what one clean download of the week holds.
  const auto whole = dir / "whole.edb";
  ASSERT_EQ(RunCli({"--store", whole.string(), "--source", source.Host(), "download", "--week"})
                .status,
            0);
  auto filled = Readable(StoredRecords(store));
  auto clean = Readable(StoredRecords(whole));
  std::sort(filled.begin(), filled.end());
  std::sort(clean.begin(), clean.end());
  EXPECT_EQ(filled, clean);
  EXPECT_EQ(Download({"--week", "--missing-only", "--replace"}).status, 1);
}

// The data centre's answers for a day give the same pages and counts as the
// list pages of that day.
TEST_F(CliDownloadTest, TheDataCentreKindStoresTheSamePagesAndCounts) {
  const auto page_lines = [](const std::string& err) {
    std::vector<std::string> lines;
    std::string page;
    for (const auto& line : Lines(err))
      if (StampedPageLine(line, &page)) lines.push_back(page);
    return lines;
  };
  const auto pages = Download({"--from", "2010-06-04", "--to", "2010-06-04"});
  ASSERT_EQ(pages.status, 0) << pages.err;
  const auto centre_store = dir / "centre.edb";
  const auto centre =
      RunCli({"--store", centre_store.string(), "--source", source.Host(), "--source-kind",
              "datacenter", "download", "--from", "2010-06-04", "--to", "2010-06-04"});
  ASSERT_EQ(centre.status, 0) << centre.err;
  EXPECT_NE(centre.err.find("(datacenter)"), std::string::npos) << centre.err;
  EXPECT_EQ(page_lines(centre.err), page_lines(pages.err));
  EXPECT_EQ(page_lines(pages.err).size(), 3u) << pages.err;
  EXPECT_EQ(StoredRecords(centre_store).size(), StoredRecords(store).size());
}

// A loopback port nothing listens on (one the system just handed out).
int FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

TEST_F(CliDownloadTest, NoSourceAtAllGivesStatusThreeForEveryPage) {
  const int port = FreePort();
  const auto run =
      RunCli({"--store", store.string(), "--source", "127.0.0.1:" + std::to_string(port),
              "download", "--from", "2010-06-04", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("; 3 pages failed\n"), std::string::npos) << run.err;
  EXPECT_TRUE(StoredRecords(store).empty());
}

TEST_F(CliDownloadTest, AStoreThatCannotBeOpenedGivesStatusTwoAndStaysAsItWas) {
  const std::string garbage(8192, 'x');
  testing_support::WriteFileBytes(store, garbage);
  const auto run = Download({"--from", "2010-06-04", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 2) << run.err;
  const std::string expected =
      text::Utf8(store::ErrorMessage(store::StoreError{store::ErrorKind::kNotAStore, 0, ""}));
  EXPECT_NE(run.err.find(expected.substr(0, expected.find('\r'))), std::string::npos) << run.err;
  EXPECT_EQ(testing_support::ReadFileBytes(store), garbage);
  EXPECT_EQ(source.RequestCount(), 0u);

  // A folder that does not exist is not made for a given store.
  const auto missing = dir / "no-such-folder" / "Data.edb";
  const auto nowhere = RunCli({"--store", missing.string(), "--source", source.Host(), "download",
                               "--from", "2010-06-04", "--to", "2010-06-04"});
  EXPECT_EQ(nowhere.status, 2) << nowhere.err;
  EXPECT_EQ(Lines(nowhere.err).size(), 1u) << nowhere.err;
  EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
}

// Ctrl+C: the page being stored is finished, nothing after it is fetched,
// and the status says the download stopped.
TEST_F(CliDownloadTest, CtrlCStopsAfterTheStoredPage) {
  source.SetFault(Fault::kSlow);
  source.SetSlowMs(400);
  const auto run = testing_support::RunProgram(
      {testing_support::CliProgram().string(), "--store", store.string(), "--source", source.Host(),
       "download", "--from", "2010-06-03", "--to", "2010-06-04"},
      {{"QUORVANE_SOURCE_HOST", std::nullopt}}, {}, 60000, 1000);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.err.find("stopped after "), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("download finished"), std::string::npos) << run.err;
  // What is stored is whole pages, in download order, and not all of them.
  const auto pages = DownloadProgram::Pages(testing_support::kTwoDays);
  const auto stored = Readable(StoredRecords(store));
  size_t at = 0;
  size_t whole_pages = 0;
  for (const auto& page : pages) {
    const auto expected = Readable(DownloadProgram::Expected({page}));
    if (at == stored.size()) break;
    ASSERT_LE(at + expected.size(), stored.size());
    EXPECT_EQ(std::vector(stored.begin() + static_cast<long>(at),
                          stored.begin() + static_cast<long>(at + expected.size())),
              expected);
    at += expected.size();
    ++whole_pages;
  }
  EXPECT_EQ(at, stored.size());
  EXPECT_LT(whole_pages, pages.size());
  EXPECT_LT(source.RequestCount(), pages.size());
}

// Another program (the window) holds the store's write lock: the download
// waits the store's bounded time, then gives up with status 2 and a clear
// line; the file stays sound and the other program's write goes through.
TEST_F(CliDownloadTest, AStoreBeingWrittenElsewhereGivesStatusTwoAfterABoundedWait) {
  store::Store other(store);
  ASSERT_FALSE(other.EnsureStore().has_value());
  auto writing = other.OpenStore();
  ASSERT_TRUE(writing.ok());
  ASSERT_TRUE(writing.AppendBlank());
  ASSERT_TRUE(writing.WriteField(store::kDate, "2010-06-01"));
  writing.GoToFirst();  // the record goes to the file; the transaction stays open

  const auto run = Download({"--from", "2010-06-04", "--to", "2010-06-04"});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_GE(run.seconds, 4.0);
  EXPECT_LT(run.seconds, 60.0);
  EXPECT_NE(run.err.find(
                text::Utf8(store::ErrorMessage(store::StoreError{store::ErrorKind::kBusy, 0, ""}))),
            std::string::npos)
      << run.err;
  ASSERT_FALSE(writing.CloseStore().has_value());
  const auto records = StoredRecords(store);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "2010-06-01");
}

}  // namespace
