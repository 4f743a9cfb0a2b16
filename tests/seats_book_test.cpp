// Seat identities: names merged by branch code, a rename met in the middle
// of a range counted as one Seat under its newest name, merges and splits
// undone (also after a save and a load), the kind filter's rows adding up
// to the whole ranking, and the tables kept apart from the listings.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ranking/range_scan.h"
#include "ranking/rankings.h"
#include "ranking/seat_identities.h"
#include "seats/seat_book.h"
#include "store/listing_extras.h"
#include "tests/program_fixture.h"

namespace {

using seats::Kind;
using seats::SeatBook;
using seats::SeenName;
using testing_support::G;
using testing_support::ListingRecord;
using testing_support::Seat;
using testing_support::TempDir;
using testing_support::U;

ListingRecord SeatsBookListing(const std::string& date, const std::string& code,
                               const std::vector<Seat>& buys, const std::vector<Seat>& sells) {
  ListingRecord r = testing_support::MakeListing(date, "甲", code, "10000");
  r[store::kBuySeats] = testing_support::SeatBlock(buys);
  r[store::kSellSeats] = testing_support::SeatBlock(sells);
  return r;
}

Seat SB(const std::string& name_utf8, const std::string& buy, const std::string& sell) {
  return Seat{G(name_utf8), buy, sell};
}

SeenName Seen(const std::string& name_utf8, const std::string& first, const std::string& last,
              const std::string& branch = {}) {
  return SeenName{G(name_utf8), first, last, branch};
}

const char kOld[] = "申银万国证券股份有限公司上海东川路证券营业部";
const char kNew[] = "申万宏源证券有限公司上海东川路证券营业部";

TEST(SeatBookTest, NamesSharingACodeAreOneIdentityAndKindsStartAutomatically) {
  SeatBook book;
  EXPECT_EQ(book.Absorb({Seen(kOld, "2020-01-02", "2020-01-10", "101"),
                         Seen("机构专用", "2020-01-02", "2020-01-02"),
                         Seen("深股通专用", "2020-01-03", "2020-01-03"),
                         Seen("中信证券股份有限公司上海溧阳路证券营业部", "2020-01-03", "2020-01-03"),
                         Seen(kNew, "2020-01-13", "2020-01-20", "101"),
                         Seen("华泰证券股份有限公司南京中山北路证券营业部", "2020-01-03",
                              "2020-01-03")}),
            6);
  const auto old_id = book.IdentityOfName(G(kOld));
  ASSERT_TRUE(old_id);
  EXPECT_EQ(book.IdentityOfName(G(kNew)), old_id);
  EXPECT_EQ(book.rows().identities.size(), 5u);
  EXPECT_EQ(U(book.NewestName(*old_id)), kNew);
  EXPECT_EQ(book.NamesOf(*old_id), (std::vector<std::string>{G(kNew), G(kOld)}));

  auto kind = [&](const char* name) { return book.KindOf(*book.IdentityOfName(G(name))); };
  EXPECT_EQ(kind("机构专用"), Kind::kInstitution);
  EXPECT_EQ(kind("深股通专用"), Kind::kNorthbound);
  // The reference text leaves out the company's legal form.
  EXPECT_EQ(kind("中信证券股份有限公司上海溧阳路证券营业部"), Kind::kTrader);
  EXPECT_EQ(kind("华泰证券股份有限公司南京中山北路证券营业部"), Kind::kBranch);
  EXPECT_EQ(kind(kOld), Kind::kTrader);

  // A later pass widens the dates and does not undo where the user put a name.
  ASSERT_TRUE(book.Split(G(kOld)));
  EXPECT_EQ(book.Absorb({Seen(kOld, "2019-12-30", "2020-01-10", "101")}), 0);
  EXPECT_NE(book.IdentityOfName(G(kOld)), book.IdentityOfName(G(kNew)));
  for (const auto& row : book.rows().names) {
    if (row.name == G(kOld)) {
      EXPECT_EQ(row.first_seen, "2019-12-30");
    }
  }
}

TEST(SeatBookTest, MergesAndSplitsUndoBackToTheSameBook) {
  SeatBook book;
  book.Absorb({Seen(kOld, "2020-01-02", "2020-01-10"), Seen(kNew, "2020-01-13", "2020-01-20"),
               Seen("机构专用", "2020-01-02", "2020-01-02")});
  const int64_t a = *book.IdentityOfName(G(kOld));
  const int64_t b = *book.IdentityOfName(G(kNew));
  book.FindMutable(a)->nickname = G("东川路");
  book.FindMutable(a)->note = G("改名前");
  book.SetWatch(0, std::to_string(a), true);
  const store::SeatBookRows before = book.rows();

  ASSERT_TRUE(book.Merge(a, b));
  EXPECT_EQ(book.Find(a), nullptr);
  EXPECT_EQ(book.IdentityOfName(G(kOld)), b);
  EXPECT_TRUE(book.Watched(b));
  EXPECT_EQ(book.Resolve(G("东川路")), b);  // the nickname came along
  EXPECT_FALSE(book.Merge(b, b));

  // Undone after a round trip through the store.
  TempDir dir;
  store::Store store(store::StorePath(dir.path()));
  ASSERT_FALSE(store.EnsureStore());
  {
    auto access = store.OpenStore();
    ASSERT_TRUE(seats::SaveSeatBook(access, book));
    ASSERT_FALSE(access.CloseStore());
  }
  SeatBook loaded;
  {
    auto access = store.OpenStore();
    ASSERT_TRUE(seats::LoadSeatBook(access, &loaded));
  }
  EXPECT_EQ(loaded.rows().identities, book.rows().identities);
  ASSERT_TRUE(loaded.Undo());
  EXPECT_EQ(loaded.rows().identities, before.identities);
  EXPECT_EQ(loaded.rows().names, before.names);
  EXPECT_EQ(loaded.rows().watch, before.watch);
  EXPECT_FALSE(loaded.Undo());

  // A split and its undo.
  ASSERT_TRUE(loaded.Merge(a, b));
  ASSERT_TRUE(loaded.Split(G(kOld)));
  EXPECT_NE(loaded.IdentityOfName(G(kOld)), b);
  EXPECT_FALSE(loaded.Split(G(kNew)));  // alone now
  ASSERT_TRUE(loaded.Undo());
  EXPECT_EQ(loaded.IdentityOfName(G(kOld)), b);
  ASSERT_TRUE(loaded.Undo());
  EXPECT_EQ(loaded.rows().names, before.names);
}

class SeatRankingTest : public ::testing::Test {
 protected:
  SeatRankingTest() : store(store::StorePath(dir.path())) {
    EXPECT_FALSE(store.EnsureStore());
    // The old name up to the 8th, the new one from the 9th: one branch.
    testing_support::WriteListings(
        store,
        {SeatsBookListing("2020-01-06", "600001", {SB(kOld, "100000", "0")},
                          {SB("机构专用", "0", "50000")}),
         SeatsBookListing("2020-01-07", "600002", {SB(kOld, "20000", "0")},
                          {SB("沪股通专用", "0", "10000")}),
         SeatsBookListing("2020-01-08", "600003", {SB("机构专用", "30000", "0")},
                          {SB(kOld, "0", "5000")}),
         SeatsBookListing("2020-01-09", "600001", {SB(kNew, "40000", "0")},
                          {SB("华泰证券股份有限公司南京中山北路证券营业部", "0", "7000")}),
         SeatsBookListing("2020-01-10", "600002", {SB(kNew, "1000", "0")},
                          {SB("机构专用", "0", "2000")})});
    auto access = store.OpenStore();
    for (const char* date : {"2020-01-07", "2020-01-09"}) {
      store::SeatCode code;
      code.date = date;
      code.code = date[9] == '7' ? "600002" : "600001";
      code.reason = "r";
      code.name = G(date[9] == '7' ? kOld : kNew);
      code.branch = "777";
      EXPECT_TRUE(access.WriteSeatCode(code));
    }
    EXPECT_FALSE(access.CloseStore());
  }

  SeatBook Book() {
    const auto whole = ranking::ScanRange(store, {"0000-00-00", "9999-99-99"}, false);
    SeatBook book;
    std::vector<SeenName> seen;
    auto access = store.OpenStore();
    EXPECT_TRUE(seats::SeenInSeatCodes(access, "0000", "9999", &seen));
    for (auto& s : ranking::SeenInRange(whole.data)) seen.push_back(std::move(s));
    book.Absorb(seen);
    return book;
  }

  TempDir dir;
  store::Store store;
};

TEST_F(SeatRankingTest, ARenameInTheMiddleOfTheRangeIsOneSeatUnderItsNewestName) {
  const SeatBook book = Book();
  // The range holds the old name's last day and the new name's days.
  auto scan = ranking::ScanRange(store, {"2020-01-07", "2020-01-10"}, false);
  ASSERT_FALSE(scan.error);
  const auto identities = ranking::CountByIdentity(scan.data, book);
  const ranking::Rankings r = ranking::MakeRankings(scan.data);
  std::map<std::string, ranking::SeatRanking> rows;
  for (const auto& row : r.seats) rows[U(scan.data.seats[row.seat])] = row;
  EXPECT_EQ(rows.count(kOld), 0u);
  ASSERT_EQ(rows.count(kNew), 1u);
  EXPECT_EQ(rows[kNew].listings, 4);
  EXPECT_EQ(rows[kNew].buy_listings, 3);
  EXPECT_EQ(rows[kNew].sell_listings, 1);
  EXPECT_DOUBLE_EQ(rows[kNew].buy, 61000);
  EXPECT_DOUBLE_EQ(rows[kNew].sell, 5000);
  // The range before the rename shows the newest name too.
  auto early = ranking::ScanRange(store, {"2020-01-06", "2020-01-07"}, false);
  ranking::CountByIdentity(early.data, book);
  const ranking::Rankings e = ranking::MakeRankings(early.data);
  bool found = false;
  for (const auto& row : e.seats) found |= U(early.data.seats[row.seat]) == kNew;
  EXPECT_TRUE(found);
  EXPECT_EQ(identities.size(), scan.data.seats.size());
}

TEST_F(SeatRankingTest, TheKindsRowsAddUpToTheWholeRanking) {
  const SeatBook book = Book();
  auto scan = ranking::ScanRange(store, {"2020-01-01", "2020-01-31"}, false);
  const auto identities = ranking::CountByIdentity(scan.data, book);
  const ranking::Rankings all = ranking::MakeRankings(scan.data);
  size_t rows = 0;
  int listings = 0;
  double buy = 0;
  double sell = 0;
  for (int k = 0; k < seats::kKindCount; ++k) {
    ranking::Rankings part = all;
    ranking::KeepSeatKind(part, scan.data, identities, book, static_cast<Kind>(k));
    EXPECT_FALSE(part.seats.empty()) << k;
    rows += part.seats.size();
    for (const auto& row : part.seats) {
      listings += row.listings;
      buy += row.buy;
      sell += row.sell;
    }
  }
  int all_listings = 0;
  double all_buy = 0;
  double all_sell = 0;
  for (const auto& row : all.seats) {
    all_listings += row.listings;
    all_buy += row.buy;
    all_sell += row.sell;
  }
  EXPECT_EQ(rows, all.seats.size());
  EXPECT_EQ(listings, all_listings);
  EXPECT_DOUBLE_EQ(buy, all_buy);
  EXPECT_DOUBLE_EQ(sell, all_sell);
}

TEST_F(SeatRankingTest, TheBookNeverTouchesTheListings) {
  const auto before = testing_support::ReadColumn(store, store::kBuySeats);
  SeatBook book = Book();
  book.Merge(*book.IdentityOfName(G("机构专用")), *book.IdentityOfName(G(kNew)));
  {
    auto access = store.OpenStore();
    ASSERT_TRUE(seats::SaveSeatBook(access, book));
    access.RemoveAll();  // "更新原数据" empties the listings, not the book
    ASSERT_FALSE(access.CloseStore());
  }
  SeatBook loaded;
  auto access = store.OpenStore();
  ASSERT_TRUE(seats::LoadSeatBook(access, &loaded));
  EXPECT_EQ(loaded.rows().names, book.rows().names);
  EXPECT_FALSE(before.empty());
}

}  // namespace
