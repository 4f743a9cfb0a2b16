// The sample source: its pages read back as the listings they stand for,
// deterministically, and its faults damage what they say.
#include <gtest/gtest.h>

#include <set>

#include "download/page_fetch.h"
#include "download/page_scraper.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

namespace {

using download::Market;
using sample_source::ExpectedListing;
using sample_source::Fault;

const char* const kWeekdays[] = {"2010-06-01", "2010-06-02", "2010-06-03",
                                 "2010-06-04", "2011-01-03", "2012-02-29"};

TEST(SamplePagesTest, PagesReadBackAsTheirListings) {
  testing_support::TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore().has_value());
  std::vector<ExpectedListing> expected;
  bool saw_inherited = false;
  {
    auto access = store.OpenStore(store::AccessMode::kWriter);
    for (int board = 0; board < 3; ++board) {
      for (const char* date : kWeekdays) {
        const auto stocks = sample_source::StocksOf(board, date);
        ASSERT_GE(stocks.size(), 3u);
        ASSERT_LE(stocks.size(), 8u);
        for (const auto& s : stocks) saw_inherited |= !s.prints_reason;
        const auto page = sample_source::PageOf(board, date);
        const auto result =
            download::ScrapeListingPage(static_cast<Market>(board), date, page, access);
        EXPECT_EQ(result.stored, static_cast<int>(stocks.size())) << board << " " << date;
        EXPECT_EQ(result.piece_count, static_cast<int>(stocks.size()) + 1);
        const auto page_records = sample_source::ExpectedListings(board, date);
        expected.insert(expected.end(), page_records.begin(), page_records.end());
      }
    }
    ASSERT_FALSE(access.CloseStore().has_value());
  }
  EXPECT_TRUE(saw_inherited);

  auto access = store.OpenStore();
  ASSERT_EQ(access.RecordCount(), static_cast<int64_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    access.GoToRecord(static_cast<int64_t>(i) + 1);
    for (int f = 1; f <= 9; ++f) {
      const std::string& want = expected[i][static_cast<size_t>(f - 1)];
      // Every value fits its field, so the store keeps it whole.
      EXPECT_LE(static_cast<int>(want.size()),
                store::kListingFields[static_cast<size_t>(f - 1)].width);
      EXPECT_EQ(testing_support::U(access.ReadField(f)), testing_support::U(want))
          << "record " << i + 1 << " field " << f;
    }
  }
}

TEST(SamplePagesTest, PagesAreDeterministicPerBoardAndDate) {
  EXPECT_EQ(sample_source::PageOf(1, "2010-06-04"), sample_source::PageOf(1, "2010-06-04"));
  EXPECT_NE(sample_source::PageOf(1, "2010-06-04"), sample_source::PageOf(2, "2010-06-04"));
  EXPECT_NE(sample_source::PageOf(1, "2010-06-04"), sample_source::PageOf(1, "2010-06-03"));
  // Codes follow the boards: 6xxxxx, 00xxxx, 002xxx.
  for (const char* date : kWeekdays) {
    for (int board = 0; board < 3; ++board) {
      for (const auto& r : sample_source::ExpectedListings(board, date)) {
        const std::string& code = r[2];
        ASSERT_EQ(code.size(), 6u);
        const std::string prefix = board == 0 ? "6" : board == 1 ? "00" : "002";
        EXPECT_EQ(code.substr(0, prefix.size()), prefix);
      }
    }
  }
}

TEST(SamplePagesTest, WeekendsHaveAListWithoutRows) {
  for (const char* date : {"2010-06-05", "2010-06-06"}) {
    EXPECT_TRUE(sample_source::StocksOf(0, date).empty());
    const auto parsed =
        download::ParseListingPage(Market::kShanghai, sample_source::PageOf(0, date));
    EXPECT_EQ(parsed.piece_count, 1);
    EXPECT_TRUE(parsed.listings.empty());
  }
  EXPECT_FALSE(sample_source::WeekdayOf("2010-02-30").has_value());
  EXPECT_FALSE(sample_source::WeekdayOf("2010-6-4").has_value());
  EXPECT_EQ(sample_source::WeekdayOf("2010-06-04"), 5);
}

TEST(SamplePagesTest, DamagedBodiesHoldNoListing) {
  for (const Fault f : {Fault::kTruncated, Fault::kGarbage, Fault::kNoList, Fault::kUnpublished}) {
    for (int board = 0; board < 3; ++board) {
      const auto parsed = download::ParseListingPage(
          static_cast<Market>(board), sample_source::FaultyBody(f, board, "2010-06-04"));
      EXPECT_TRUE(parsed.listings.empty()) << sample_source::FaultName(f);
    }
  }
  // The NUL byte sits inside the list: cut there, the page holds no list.
  const std::string nul = sample_source::FaultyBody(Fault::kNul, 0, "2010-06-04");
  EXPECT_TRUE(download::ParseListingPage(Market::kShanghai, nul.substr(0, nul.find('\0')))
                  .listings.empty());
  EXPECT_EQ(sample_source::FaultFromName("file-redirect"), Fault::kFileRedirect);
  EXPECT_FALSE(sample_source::FaultFromName("bogus").has_value());
  for (const Fault f : sample_source::kAllFaults)
    EXPECT_EQ(sample_source::FaultFromName(sample_source::FaultName(f)), f);
}

TEST(SamplePagesTest, AmountsPrintWithAndWithoutSeparators) {
  EXPECT_EQ(sample_source::FormatHundredths(123456789, true), "1,234,567.89");
  EXPECT_EQ(sample_source::FormatHundredths(123456789, false), "1234567.89");
  EXPECT_EQ(sample_source::FormatHundredths(5, true), "0.05");
  EXPECT_EQ(sample_source::FormatHundredths(-71200, true), "-712.00");
  EXPECT_EQ(sample_source::FormatHundredths(100000, true), "1,000.00");
}

TEST(SampleServerTest, FaultsApplyToTheirPageTheServerOrThePathPrefix) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(), 0);
  source.SetPageFault(1, "2010-06-04", Fault::kNoList);
  download::PageFetcher fetcher(source.Host());
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShenzhen, "2010-06-04").text,
            sample_source::NoListPage());
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShenzhen, "2010-06-03").text,
            sample_source::PageOf(1, "2010-06-03"));
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShanghai, "2010-06-04").text,
            sample_source::PageOf(0, "2010-06-04"));

  source.SetFault(Fault::kUnpublished);
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShanghai, "2010-06-04").text,
            sample_source::EmptyListPage(0, "2010-06-04"));
  // The page's own fault comes first; the path prefix before both.
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShenzhen, "2010-06-04").text,
            sample_source::NoListPage());
  download::PageFetcher prefixed(source.Host() + "/fault/garbage");
  EXPECT_EQ(prefixed.FetchListingPage(Market::kShenzhen, "2010-06-04").text,
            sample_source::FaultyBody(Fault::kGarbage, 1, "2010-06-04")
                .substr(0, sample_source::FaultyBody(Fault::kGarbage, 1, "2010-06-04").find('\0')));

  source.ClearPageFaults();
  source.SetFault(Fault::kNone);
  EXPECT_EQ(fetcher.FetchListingPage(Market::kShenzhen, "2010-06-04").text,
            sample_source::PageOf(1, "2010-06-04"));
  // A date that is no date is not found.
  EXPECT_FALSE(fetcher.FetchListingPage(Market::kShenzhen, "2010-13-01").ok);
  EXPECT_EQ(source.RequestCount(), 8u);
  source.Stop();
  EXPECT_EQ(source.port(), -1);
}

}  // namespace
