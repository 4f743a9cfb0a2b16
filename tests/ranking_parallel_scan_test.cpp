// The store pass that reads on one thread and visits on another: the same
// listings, fields and order as the plain pass, an early stop that ends
// the reader, and an unreadable store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_scan.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::MakeListing;

std::string Describe(const listing::StoredListing& s) {
  return std::to_string(s.record_number) + "|" + std::string(s.date) + "|" + std::string(s.name) +
         "|" + std::string(s.code) + "|" + std::string(s.turnover) + "|" +
         std::string(s.buy_block) + "|" + std::string(s.sell_block);
}

class ParallelScanTest : public ::testing::Test {
 protected:
  ParallelScanTest() : store(store::StorePath(dir.path())) {
    EXPECT_FALSE(store.EnsureStore());
    // More listings than one batch holds, of different lengths.
    std::vector<testing_support::ListingRecord> records;
    for (int i = 0; i < 2000; ++i) {
      auto r = MakeListing("2010-04-" + std::to_string(10 + i % 20), "股" + std::to_string(i),
                           std::to_string(600000 + i), std::to_string(i) + ",000");
      if (i % 7 == 0) r[store::kSellSeats] = "";
      records.push_back(r);
    }
    testing_support::WriteListings(store, records);
  }
  std::vector<std::string> Plain(const std::vector<int64_t>* numbers) {
    std::vector<std::string> seen;
    EXPECT_FALSE(
        listing::ForEachStoredListing(store, numbers, [&](const listing::StoredListing& s) {
          seen.push_back(Describe(s));
          return true;
        }));
    return seen;
  }
  testing_support::TempDir dir;
  store::Store store;
};

TEST_F(ParallelScanTest, VisitsWhatThePlainPassVisitsInItsOrder) {
  std::vector<std::string> seen;
  int64_t count = -1;
  const auto error = listing::ForEachStoredListingInParallel(
      store, nullptr,
      [&](const listing::StoredListing& s) {
        EXPECT_EQ(count, 2000);  // known before the first visit
        seen.push_back(Describe(s));
        return true;
      },
      &count);
  EXPECT_FALSE(error);
  EXPECT_EQ(seen, Plain(nullptr));
  EXPECT_EQ(count, 2000);

  const std::vector<int64_t> some = {5, 1999, 3, 3, 1200};
  seen.clear();
  EXPECT_FALSE(listing::ForEachStoredListingInParallel(store, &some, [&](const auto& s) {
    seen.push_back(Describe(s));
    return true;
  }));
  EXPECT_EQ(seen, Plain(&some));

  // The statistics keep the same lines.
  const auto parallel = listing::ScanListings(store, nullptr);
  ASSERT_EQ(parallel.listings.size(), 2000u);
  EXPECT_EQ(parallel.listings[1234].row.stock_name, testing_support::G("股1234"));
  EXPECT_DOUBLE_EQ(parallel.listings[1234].turnover, 1234000.0);
}

TEST_F(ParallelScanTest, AVisitThatSaysStopEndsThePassAndAnUnreadableStoreIsAnError) {
  int visits = 0;
  EXPECT_FALSE(listing::ForEachStoredListingInParallel(store, nullptr,
                                                       [&](const auto&) { return ++visits < 10; }));
  EXPECT_EQ(visits, 10);

  store::Store wrong(store.Path(), "not the password");
  visits = 0;
  int64_t count = -1;
  const auto error = listing::ForEachStoredListingInParallel(
      wrong, nullptr, [&](const auto&) { return ++visits > 0; }, &count);
  EXPECT_TRUE(error.has_value());
  EXPECT_EQ(visits, 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
