// The download run without a window: what its progress sink hears, in
// order, on a run with a failing page, a stopped run and a store that
// cannot be opened.
#include "download/download_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/program_fixture.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

namespace {

using download::DownloadSummary;
using download::Market;
using download::PageKey;
using download::PageReport;
using download::RunEnd;

// Every report as one line, in the order heard.
class RecordingSink : public download::ProgressSink {
 public:
  void RunStarted(int planned) override { Add("run " + std::to_string(planned)); }
  void MarketStarted(Market m) override { Add("market " + std::to_string(static_cast<int>(m))); }
  void PageStarted(const PageKey& page, int index) override {
    Add("start " + std::to_string(index) + " " + Key(page));
  }
  void PageDone(const PageReport& r, const DownloadSummary& so_far) override {
    Add("done " + std::to_string(r.index) + " " + Key(r.page) + (r.fetch.ok ? " ok " : " failed ") +
        std::to_string(r.stored) + " " + std::to_string(so_far.done) + "/" +
        std::to_string(so_far.failed));
  }
  void Finished(const DownloadSummary& s) override {
    Add("finished " + std::to_string(static_cast<int>(s.end)) + " " + std::to_string(s.done) + "/" +
        std::to_string(s.failed) + " " + std::to_string(s.stored));
  }
  std::vector<std::string> lines;
  std::function<void(const std::string&)> on_line;

 private:
  static std::string Key(const PageKey& p) {
    return std::to_string(static_cast<int>(p.market)) + ":" + p.date;
  }
  void Add(std::string line) {
    lines.push_back(std::move(line));
    if (on_line) on_line(lines.back());
  }
};

const std::vector<std::string> kDates = {"2010-06-04", "2010-06-03"};

size_t ListingsOf(int board, const std::string& date) {
  return sample_source::ExpectedListings(board, date).size();
}

TEST(DownloadRunTest, TheSinkHearsEveryPageInOrderWithItsOutcome) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(0), 0);
  source.SetPageFault(1, "2010-06-03", sample_source::Fault::kError);
  testing_support::TestProgram p;
  download::DownloadRequest request;
  request.pages = download::AllPages(kDates);
  request.source_host = source.Host();
  RecordingSink sink;
  const DownloadSummary summary = download::RunDownload(p.store, request, sink);

  std::vector<std::string> expected = {"run 6"};
  int index = 0;
  int done = 0;
  int failed = 0;
  size_t stored = 0;
  for (int board = 0; board < 3; ++board) {
    expected.push_back("market " + std::to_string(board));
    for (const std::string& date : kDates) {
      const bool fails = board == 1 && date == "2010-06-03";
      const size_t n = fails ? 0 : ListingsOf(board, date);
      ++done;
      failed += fails ? 1 : 0;
      stored += n;
      const std::string key = std::to_string(board) + ":" + date;
      expected.push_back("start " + std::to_string(index) + " " + key);
      expected.push_back("done " + std::to_string(index) + " " + key +
                         (fails ? " failed " : " ok ") + std::to_string(n) + " " +
                         std::to_string(done) + "/" + std::to_string(failed));
      ++index;
    }
  }
  expected.push_back("finished 0 6/1 " + std::to_string(stored));
  EXPECT_EQ(sink.lines, expected);
  EXPECT_EQ(summary.end, RunEnd::kCompleted);
  EXPECT_EQ(summary.first_record_date, "2010-06-04");
  EXPECT_EQ(testing_support::ReadColumn(p.store, store::kDate).size(), stored);
}

TEST(DownloadRunTest, AStopEndsTheRunAfterThePageBeingStored) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(0), 0);
  testing_support::TestProgram p;
  download::DownloadRequest request;
  request.pages = download::AllPages(kDates);
  request.source_host = source.Host();
  std::stop_source stop;
  RecordingSink sink;
  sink.on_line = [&](const std::string& line) {
    if (line.rfind("done 2 ", 0) == 0) stop.request_stop();
  };
  const DownloadSummary summary = download::RunDownload(p.store, request, sink, stop.get_token());
  EXPECT_EQ(summary.end, RunEnd::kStopped);
  EXPECT_EQ(summary.done, 3);
  ASSERT_FALSE(sink.lines.empty());
  EXPECT_EQ(sink.lines.back(), "finished 1 3/0 " + std::to_string(summary.stored));
  EXPECT_EQ(sink.lines[sink.lines.size() - 2].rfind("done 2 ", 0), 0u);
  EXPECT_EQ(testing_support::ReadColumn(p.store, store::kDate).size(),
            ListingsOf(0, kDates[0]) + ListingsOf(0, kDates[1]) + ListingsOf(1, kDates[0]));
}

TEST(DownloadRunTest, AStoreThatCannotBeOpenedIsTheOnlyReport) {
  testing_support::TestProgram p;
  p.store.DropIdleConnections();
  testing_support::WriteFileBytes(p.store.Path(), std::string(4096, 'x'));
  download::DownloadRequest request;
  request.pages = download::AllPages(kDates);
  request.source_host = "127.0.0.1:9";
  RecordingSink sink;
  const DownloadSummary summary = download::RunDownload(p.store, request, sink);
  EXPECT_EQ(summary.end, RunEnd::kStoreFailed);
  ASSERT_TRUE(summary.error.has_value());
  EXPECT_EQ(summary.error->kind, store::ErrorKind::kNotAStore);
  EXPECT_EQ(sink.lines, std::vector<std::string>{"finished 2 0/0 0"});
}

}  // namespace
