// Page fetch over real HTTP against the sample source on a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "download/page_fetch.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

namespace {

using download::FetchLimits;
using download::Market;
using download::PageFetcher;
using sample_source::Fault;

constexpr const char* kDate = "2010-06-04";

class FetchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(source_.Start(), 0); }
  std::string Host(const std::string& prefix = "") const { return source_.Host() + prefix; }
  sample_source::SampleSource source_;
};

TEST(ListingPageAddressTest, JoinsHostBoardAndDate) {
  EXPECT_EQ(download::ListingPageAddress("example.cn:8080", Market::kSmeBoard, "2010-06-04"),
            "http://example.cn:8080/stock/smebt.php?t=2&tdate=2010-06-04");
  EXPECT_EQ(download::ListingPageAddress("h", Market::kShanghai, "2011-01-03"),
            "http://h/stock/smebt.php?t=0&tdate=2011-01-03");
}

TEST_F(FetchTest, FetchesEveryBoardOverOneConnection) {
  PageFetcher fetcher(Host());
  for (const Market m : download::kMarkets) {
    const auto page = fetcher.FetchListingPage(m, kDate);
    ASSERT_TRUE(page.ok);
    EXPECT_EQ(page.text, sample_source::PageOf(download::BoardNumber(m), kDate));
  }
  const auto requests = source_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].target, "/stock/smebt.php?t=0&tdate=2010-06-04");
  EXPECT_EQ(requests[2].target, "/stock/smebt.php?t=2&tdate=2010-06-04");
  for (const auto& r : requests) {
    EXPECT_EQ(r.user_agent, "Quorvane/1.3");
    EXPECT_EQ(r.remote_port, requests[0].remote_port) << "the connection was not reused";
  }
}

TEST_F(FetchTest, ErrorStatusAndBrokenTransfersFail) {
  PageFetcher error(Host("/fault/error"));
  // The error response carries a whole listing page; it still is no page.
  auto page = error.FetchListingPage(Market::kShanghai, kDate);
  EXPECT_FALSE(page.ok);
  EXPECT_TRUE(page.text.empty());

  PageFetcher drop(Host("/fault/drop"));
  page = drop.FetchListingPage(Market::kShenzhen, kDate);
  EXPECT_FALSE(page.ok);
  EXPECT_TRUE(page.text.empty());

  // Not found: a board the source does not know.
  PageFetcher plain(Host());
  EXPECT_FALSE(plain.Fetch("http://" + Host() + "/stock/smebt.php?t=7&tdate=2010-06-04").ok);
  // Nobody listening.
  const std::string gone = Host();
  source_.Stop();
  PageFetcher refused(gone);
  EXPECT_FALSE(refused.FetchListingPage(Market::kShanghai, kDate).ok);
}

TEST_F(FetchTest, BodyIsCutAtItsFirstNul) {
  PageFetcher fetcher(Host("/fault/nul"));
  const auto page = fetcher.FetchListingPage(Market::kSmeBoard, kDate);
  ASSERT_TRUE(page.ok);
  const std::string sent = sample_source::FaultyBody(Fault::kNul, 2, kDate);
  const size_t nul = sent.find('\0');
  ASSERT_NE(nul, std::string::npos);
  EXPECT_EQ(page.text, sent.substr(0, nul));
}

TEST_F(FetchTest, RedirectsAreFollowedFiveTimesAndOnlyToHttp) {
  PageFetcher five(Host("/redirect/5"));
  const auto page = five.FetchListingPage(Market::kShanghai, kDate);
  ASSERT_TRUE(page.ok);
  EXPECT_EQ(page.text, sample_source::PageOf(0, kDate));

  PageFetcher six(Host("/redirect/6"));
  EXPECT_FALSE(six.FetchListingPage(Market::kShanghai, kDate).ok);

  // A page must never lead the program to read a local file.
  PageFetcher to_file(Host("/fault/file-redirect"));
  const auto file = to_file.FetchListingPage(Market::kShanghai, kDate);
  EXPECT_FALSE(file.ok);
  EXPECT_TRUE(file.text.empty());
}

TEST_F(FetchTest, LimitsEndOversizedAndSlowTransfers) {
  FetchLimits small_body;
  small_body.max_body_bytes = 1024;
  PageFetcher capped(Host(), small_body);
  EXPECT_FALSE(capped.FetchListingPage(Market::kShanghai, kDate).ok);

  source_.SetSlowMs(3000);
  FetchLimits impatient;
  impatient.total_timeout_ms = 200;
  PageFetcher slow(Host("/fault/slow"), impatient);
  EXPECT_FALSE(slow.FetchListingPage(Market::kShanghai, kDate).ok);

  // A slow answer within the limits is a page like any other.
  source_.SetSlowMs(50);
  PageFetcher patient(Host("/fault/slow"));
  EXPECT_TRUE(patient.FetchListingPage(Market::kShanghai, kDate).ok);
}

TEST_F(FetchTest, StopRequestEndsTheTransfer) {
  std::stop_source stop;
  stop.request_stop();
  PageFetcher fetcher(Host());
  EXPECT_FALSE(fetcher.FetchListingPage(Market::kShanghai, kDate, stop.get_token()).ok);

  // Stopped while the server takes its time: the fetch returns long before
  // the page would have come.
  source_.SetSlowMs(30000);
  PageFetcher slow(Host("/fault/slow"));
  std::stop_source later;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    later.request_stop();
  });
  const auto begin = std::chrono::steady_clock::now();
  const auto page = slow.FetchListingPage(Market::kShanghai, kDate, later.get_token());
  const auto waited = std::chrono::steady_clock::now() - begin;
  stopper.join();
  EXPECT_FALSE(page.ok);
  EXPECT_LT(waited, std::chrono::seconds(15));
}

}  // namespace
