// The data centre's side tables of the store: rows bound to their page's
// batch and replaced by key, emptied with the listings, read as empty (and
// never made) in a file without them, and their figures kept as given.
#include "store/listing_extras.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "store/record_store.h"
#include "tests/store_test_support.h"
#include "tests/test_support.h"

namespace {

using store::AccessMode;
using store::ListingExtras;
using store::SeatCode;
using store::Store;
using testing_support::G;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

using store_testing::kKey;
using store_testing::RawExec;
using store_testing::RawRead;

ListingExtras Extras(const std::string& date, const std::string& code, const std::string& reason) {
  ListingExtras e;
  e.date = date;
  e.code = code;
  e.reason = G(reason);
  e.close = 12.34;
  e.change_rate = -9.9876;
  e.free_float_value = 1.5e10;
  e.list_net = -123456.78;
  e.explain = G("卖方主导");
  e.after_10_days = 0.000123;
  return e;
}

SeatCode Code(const std::string& code, int side, int position, const std::string& branch) {
  SeatCode c;
  c.date = "2010-06-04";
  c.code = code;
  c.reason = G("日涨幅偏离值达到7%的证券");
  c.side = side;
  c.position = position;
  c.name = G("机构专用");
  c.branch = branch;
  c.branch_old = "8" + branch;
  return c;
}

class ListingExtrasTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(s.EnsureStore().has_value()); }

  std::vector<ListingExtras> Extras_(const std::string& code = {}) {
    std::vector<ListingExtras> rows;
    auto a = s.OpenStore();
    EXPECT_TRUE(a.ReadListingExtras("0000", "9999", &rows, code));
    EXPECT_FALSE(a.CloseStore().has_value());
    return rows;
  }
  std::vector<SeatCode> Codes(const std::string& code = {}) {
    std::vector<SeatCode> rows;
    auto a = s.OpenStore();
    EXPECT_TRUE(a.ReadSeatCodes("0000", "9999", &rows, code));
    EXPECT_FALSE(a.CloseStore().has_value());
    return rows;
  }

  TempDir dir;
  std::filesystem::path path = store::StorePath(dir.path());
  Store s{path};
};

TEST_F(ListingExtrasTest, RowsGoWithTheirBatchAndALaterOneOfTheSameKeyReplacesIt) {
  const ListingExtras first = Extras("2010-06-04", "600000", "日涨幅偏离值达到7%的证券");
  const ListingExtras second_reason = Extras("2010-06-04", "600000", "日换手率达到20%的证券");
  auto a = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.BeginBatch());
  ASSERT_TRUE(a.WriteListingExtras(first));
  ASSERT_TRUE(a.WriteListingExtras(second_reason));
  for (int position = 1; position <= 2; ++position)
    ASSERT_TRUE(a.WriteSeatCode(Code("600000", 0, position, "1000" + std::to_string(position))));
  ASSERT_TRUE(a.CommitBatch());

  // A batch rolled back takes its rows along.
  ASSERT_TRUE(a.BeginBatch());
  ListingExtras changed = first;
  changed.close = 99.0;
  ASSERT_TRUE(a.WriteListingExtras(changed));
  ASSERT_TRUE(a.WriteSeatCode(Code("000001", 1, 1, "2000")));
  a.RollbackBatch();
  ASSERT_FALSE(a.CloseStore().has_value());
  EXPECT_EQ(Extras_(), (std::vector<ListingExtras>{second_reason, first}));
  ASSERT_EQ(Codes().size(), 2u);

  // A committed one replaces its key's row, figures and gaps as given.
  changed.turnover_rate = 3.25;
  changed.after_10_days.reset();
  {
    auto w = s.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(w.WriteListingExtras(changed));
    ASSERT_TRUE(w.WriteSeatCode(Code("600000", 0, 2, "3000")));
    ASSERT_FALSE(w.CloseStore().has_value());
  }
  EXPECT_EQ(Extras_(), (std::vector<ListingExtras>{second_reason, changed}));
  const auto codes = Codes("600000");
  ASSERT_EQ(codes.size(), 2u);
  EXPECT_EQ(codes[1].branch, "3000");
  EXPECT_TRUE(Codes("000001").empty());
}

TEST_F(ListingExtrasTest, RemovingEverythingEmptiesThemAndAPurgeLeavesThem) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    store_testing::AppendListing(a, "2010-06-04", "one");
    store_testing::AppendListing(a, "2010-06-04", "two");
    ASSERT_TRUE(a.WriteListingExtras(Extras("2010-06-04", "600000", "甲")));
    ASSERT_TRUE(a.WriteSeatCode(Code("600000", 0, 1, "1")));
    a.GoToRecord(1);
    ASSERT_TRUE(a.MarkDeleted());
    ASSERT_TRUE(a.PurgeDeleted());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  EXPECT_EQ(Extras_().size(), 1u);
  EXPECT_EQ(Codes().size(), 1u);
  auto a = s.OpenStore(AccessMode::kWriter);
  ASSERT_TRUE(a.RemoveAll());
  ASSERT_FALSE(a.CloseStore().has_value());
  EXPECT_TRUE(Extras_().empty());
  EXPECT_TRUE(Codes().empty());
}

TEST_F(ListingExtrasTest, AFileWithoutThemReadsAsEmptyUntilItsFirstWriteMakesThem) {
  {
    auto a = s.OpenStore(AccessMode::kWriter);
    store_testing::AppendListing(a, "2010-06-04", "one");
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  s.DropIdleConnections();
  ASSERT_EQ(RawExec(path, "DROP TABLE \"数据中心明细\"; DROP TABLE \"数据中心席位\";"), SQLITE_OK);
  const std::string bytes = ReadFileBytes(path);

  Store old(path);
  {
    auto a = old.OpenStore();
    std::vector<ListingExtras> extras{Extras("x", "y", "z")};
    std::vector<SeatCode> codes{Code("y", 0, 1, "1")};
    EXPECT_TRUE(a.ReadListingExtras("0000", "9999", &extras));
    EXPECT_TRUE(a.ReadSeatCodes("0000", "9999", &codes));
    EXPECT_TRUE(extras.empty());
    EXPECT_TRUE(codes.empty());
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  old.DropIdleConnections();
  EXPECT_EQ(ReadFileBytes(path), bytes);

  {
    auto a = old.OpenStore(AccessMode::kWriter);
    ASSERT_TRUE(a.WriteSeatCode(Code("600000", 1, 5, "42")));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  old.DropIdleConnections();
  std::string count;
  ASSERT_EQ(RawRead(path, kKey,
                    "SELECT count(*) FROM sqlite_master WHERE name IN ('数据中心明细', "
                    "'数据中心席位')",
                    &count),
            SQLITE_OK);
  EXPECT_EQ(count, "2");
  std::string branch;
  ASSERT_EQ(RawRead(path, kKey, "SELECT 营业部代码 FROM 数据中心席位 WHERE 方向 = 1 AND 位置 = 5",
                    &branch),
            SQLITE_OK);
  EXPECT_EQ(branch, "42");
}

}  // namespace
