// The back-test's listings read through their packed copies give exactly
// what the listing table gives, while the store is written through every
// path the program has: appends, a field changed in place, a purge, removing
// everything, on a file made without the packed table and on one that has
// packs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "backtest/store_input.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::SeatBlock;

// Listing k of a day: Seats from a pool (a name twice in a block now and
// then, amounts with fen, an empty name), a turnover that gives a strength
// with three places or none at all.
ListingRecord PackTestListing(const std::string& date, int k) {
  ListingRecord r = testing_support::MakeListing(
      date, k % 7 == 0 ? "ST丙" : "甲", std::to_string(600000 + k % 37),
      k % 11 == 0 ? "0" : std::to_string(1000 + k % 13) + ",234.5" + std::to_string(k % 10));
  std::vector<Seat> buys, sells;
  for (int i = 0; i < 5; ++i) {
    const int seat = (k * 7 + i * 3) % 23;
    const std::string name = seat == 0 ? G("机构专用") : G("营业部") + std::to_string(seat);
    buys.emplace_back(i == 2 && k % 5 == 0 ? buys.front() : Seat{name, std::to_string(100000 + k * 37 + i) + ".2" + std::to_string(i), "0"});
    sells.emplace_back(i == 4 && k % 3 == 0 ? std::string() : G("卖方") + std::to_string(seat),
                       std::to_string(k % 4) + ".00", std::to_string(99999 + k * 13 + i) + ".07");
  }
  r[store::kBuySeats] = SeatBlock(buys);
  r[store::kSellSeats] = SeatBlock(sells);
  return r;
}

std::vector<ListingRecord> PackTestDay(const std::string& date, int count, int first_k = 0) {
  std::vector<ListingRecord> day;
  for (int k = first_k; k < first_k + count; ++k) day.push_back(PackTestListing(date, k));
  return day;
}

bool PackTestSameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameInput(const backtest::StoreInput& packed, const backtest::StoreInput& table) {
  EXPECT_EQ(packed.record_numbers, table.record_numbers);
  EXPECT_EQ(packed.unreadable, table.unreadable);
  EXPECT_EQ(packed.newest_names, table.newest_names);
  const backtest::MarketData& p = packed.data;
  const backtest::MarketData& t = table.data;
  ASSERT_EQ(p.Listings().size(), t.Listings().size());
  for (size_t i = 0; i < p.Listings().size(); ++i) {
    const backtest::Listing& a = p.Listings()[i];
    const backtest::Listing& b = t.Listings()[i];
    SCOPED_TRACE("listing " + std::to_string(i));
    EXPECT_EQ(a.day, b.day);
    EXPECT_EQ(p.Text(a.code), t.Text(b.code));
    EXPECT_EQ(p.Text(a.name), t.Text(b.name));
    EXPECT_EQ(p.Text(a.board), t.Text(b.board));
    EXPECT_EQ(p.Text(a.reason), t.Text(b.reason));
    EXPECT_EQ(a.has_strength, b.has_strength);
    EXPECT_TRUE(PackTestSameBits(a.strength, b.strength));
    EXPECT_TRUE(PackTestSameBits(a.price_limit, b.price_limit));
    ASSERT_EQ(a.buy_count, b.buy_count);
    ASSERT_EQ(a.sell_count, b.sell_count);
    for (size_t s = 0; s < size_t{a.buy_count} + a.sell_count; ++s) {
      const backtest::Seat& x = p.Seats()[a.first_seat + s];
      const backtest::Seat& y = t.Seats()[b.first_seat + s];
      EXPECT_EQ(x.identity, y.identity);
      EXPECT_EQ(x.kind, y.kind);
      EXPECT_TRUE(PackTestSameBits(x.buy, y.buy));
      EXPECT_TRUE(PackTestSameBits(x.sell, y.sell));
    }
    if (::testing::Test::HasFailure()) return;  // one listing's report is enough
  }
}

class BacktestPackedListings : public ::testing::Test {
 protected:
  BacktestPackedListings() : store(store::StorePath(dir.path())) {
    EXPECT_FALSE(store.EnsureStore().has_value());
  }

  // The whole store and a range, read through the packs and from the
  // table alone: the same. Returns the whole store's packed read.
  backtest::StoreInputRead Compare(const char* step) {
    SCOPED_TRACE(step);
    backtest::StoreInputRead packed = backtest::ReadStoreInput(store, backtest::DayRange{}, 5);
    const backtest::StoreInputRead table =
        backtest::ReadStoreInput(store, backtest::DayRange{}, 5, {}, false);
    EXPECT_FALSE(packed.error);
    EXPECT_FALSE(table.error);
    ExpectSameInput(packed.input, table.input);
    const backtest::DayRange range{*backtest::DayNumberOfText("2010-04-02"),
                                   *backtest::DayNumberOfText("2010-04-30")};
    const backtest::StoreInputRead packed_range = backtest::ReadStoreInput(store, range, 5);
    const backtest::StoreInputRead table_range =
        backtest::ReadStoreInput(store, range, 5, {}, false);
    EXPECT_FALSE(packed_range.error);
    ExpectSameInput(packed_range.input, table_range.input);
    return packed;
  }

  void Edit(int64_t record, int field, const std::string& value) {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    ASSERT_TRUE(a.GoToRecord(record));
    ASSERT_TRUE(a.WriteField(field, value));
    ASSERT_FALSE(a.CloseStore());
  }

  testing_support::TempDir dir;
  store::Store store;
};

TEST_F(BacktestPackedListings, ReadThroughPacksEqualsTheTableUnderEveryWrite) {
  // A file made without the packed table, as an older build leaves it: two
  // chunks of rowids, a date that is no date inside the range's texts and a
  // listing without a code.
  std::vector<ListingRecord> first = PackTestDay("2010-04-01", 3000);
  auto april = PackTestDay("2010-04-02", 1500, 3000);
  first.insert(first.end(), april.begin(), april.end());
  first[3100][store::kDate] = "2010-04-1x";
  first[3200][store::kCode] = "";
  testing_support::WriteListings(store, first);
  backtest::StoreInputRead read = Compare("first read of a file without packs");
  EXPECT_TRUE(read.wrote_listing_packs);
  EXPECT_EQ(read.input.unreadable, 2);

  // Nothing changed: everything from the packs, nothing written.
  read = Compare("packs present");
  EXPECT_FALSE(read.wrote_listing_packs);
  EXPECT_EQ(read.listings_from_packs, 4500);

  // A field changed in place in each chunk: a Seat's amount, a date.
  Edit(10, store::kBuySeats,
       SeatBlock({{G("营业部5"), "777777.77", "0"}, {G("机构专用"), "1.00", "2.00"}}));
  Edit(4200, store::kDate, "2010-04-03");
  read = Compare("fields changed in place");
  EXPECT_EQ(read.listings_from_packs, 0);
  Compare("after the changes, from packs");

  // Another day appended while packs exist: only its chunk is read again.
  testing_support::WriteListings(store, PackTestDay("2010-04-05", 300, 5000));
  read = Compare("a day appended");
  EXPECT_EQ(read.listings_from_packs, 4095);

  // Marked and purged in both chunks: the record numbers after them move.
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    for (int64_t n : {5, 4095, 4097, 4400}) {
      ASSERT_TRUE(a.GoToRecord(n));
      ASSERT_TRUE(a.MarkDeleted());
    }
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_FALSE(a.CloseStore());
  }
  read = Compare("purged");
  EXPECT_EQ(read.input.record_numbers.size() + static_cast<size_t>(read.input.unreadable),
            size_t{4796});
  Compare("after the purge, from packs");

  // Everything removed, then a smaller day in the same rowids as before.
  {
    store::StoreAccess a = store.OpenStore(store::AccessMode::kWriter);
    ASSERT_TRUE(a.RemoveAll());
    ASSERT_FALSE(a.CloseStore());
  }
  read = Compare("removed all");
  EXPECT_TRUE(read.input.record_numbers.empty());
  testing_support::WriteListings(store, PackTestDay("2010-04-06", 50, 9000));
  read = Compare("written after removing all");
  EXPECT_EQ(read.input.record_numbers.size(), 50u);
}

TEST_F(BacktestPackedListings, AReadOnlyStoreIsReadWithoutWritingPacks) {
  testing_support::WriteListings(store, PackTestDay("2010-04-01", 200));
  // A file opened unchanging reads the main file alone.
  ASSERT_TRUE(store.Checkpoint().complete);
  store.DropIdleConnections();
  store::Store read_only(store.Path());
  read_only.SetReadOnly(true);
  const backtest::StoreInputRead packed =
      backtest::ReadStoreInput(read_only, backtest::DayRange{}, 5);
  const backtest::StoreInputRead table =
      backtest::ReadStoreInput(read_only, backtest::DayRange{}, 5, {}, false);
  ASSERT_FALSE(packed.error);
  EXPECT_FALSE(packed.wrote_listing_packs);
  ExpectSameInput(packed.input, table.input);
  EXPECT_EQ(packed.input.record_numbers.size(), 200u);
}

}  // namespace
