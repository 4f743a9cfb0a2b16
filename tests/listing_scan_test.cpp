// The listing scan as a library: what it yields for each listing equals
// what the statistics grid shows of it, on the benchmarks' listings, and
// the ten Seats it reads are the blocks' own.
#include "listing/listing_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/store_bench_data.h"
#include "listing/listing_grid.h"
#include "listing/statistics_query.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::TestProgram;

TEST(ListingScanTest, EveryListingYieldsTheFiguresTheStatisticsGridShows) {
  TestProgram p;
  std::vector<ListingRecord> records;
  for (int64_t i = 1; i <= 3000; ++i)
    records.push_back(ListingRecord{bench_support::RealisticListing(i)});
  // A listing without a turnover and one with separators in it.
  records[10][store::kTurnover] = "0";
  records[11][store::kTurnover] = "12,345.6";
  testing_support::WriteListings(p.store, records);

  ui::Grid& grid = p.window.高级表格_龙虎统计;
  listing::SetUpListingGrid(p.window.透明标签_排序标, grid);
  listing::FillListingGrid(p.ctx, grid, {});

  int64_t visited = 0;
  const auto error =
      listing::ForEachStoredListing(p.store, nullptr, [&](const listing::StoredListing& stored) {
        ++visited;
        const listing::ScannedListing s = listing::Summarise(stored);
        std::vector<ui::Cell> cells(listing::kListingColumnCount);
        listing::MakeListingCells(s.row, cells);
        const int row = static_cast<int>(stored.record_number);
        for (int c = 0; c < listing::kListingColumnCount; ++c) {
          if (grid.Text(row, c) != cells[static_cast<size_t>(c)].text) {
            ADD_FAILURE() << "record " << row << " column " << c;
            return false;
          }
        }
        return true;
      });
  EXPECT_FALSE(error.has_value());
  EXPECT_EQ(visited, 3000);
  EXPECT_EQ(grid.Text(11, listing::kStrengthColumn), "");
}

TEST(ListingScanTest, TheSeatsOfABlockInOrderWithTheirAmounts) {
  const std::string block = G("甲|1000.50|0.00|乙|0|2000|丙|3|4|丁|5|6|戊|7|8|extra|9|9");
  const listing::SeatBlock full = listing::ReadSeatBlock(block);
  EXPECT_EQ(full.count, 5);
  EXPECT_EQ(full.values, 18);
  EXPECT_EQ(full.seats[0].name, G("甲"));
  EXPECT_DOUBLE_EQ(full.seats[0].buy, 1000.5);
  EXPECT_DOUBLE_EQ(full.seats[1].sell, 2000);
  EXPECT_EQ(full.seats[4].name, G("戊"));
  // A short block: the Seats it names, a missing amount counting 0.
  const listing::SeatBlock short_block = listing::ReadSeatBlock("A|1|2|B|3");
  EXPECT_EQ(short_block.count, 2);
  EXPECT_DOUBLE_EQ(short_block.seats[1].buy, 3);
  EXPECT_DOUBLE_EQ(short_block.seats[1].sell, 0);
  EXPECT_EQ(listing::ReadSeatBlock("").count, 0);
}

// The sums are read where the walk meets each amount, apart from the
// Seats' own reading: whatever an amount's text, they must be the Seats'
// amounts added in block order, and the piece count the block's.
TEST(ListingScanTest, TheSumsOfABlockAreItsSeatsAmountsWhateverTheirText) {
  const std::string trail_bar = "\x81\x7C";  // a double-byte character whose trail is "|"
  const std::vector<std::string> blocks = {
      G("甲|1000.50|0.00|乙|0|2000|丙|3|4|丁|5|6|戊|7|8|extra|9|9"),
      "A|-5.25|12a|B|1234567890123456|.5|C||7.|D|1,234|" + G("１２") + "|E|3",
      "A|12" + trail_bar + "5|" + trail_bar + "|B|+4|0007.100",
      "A|123456789012.345|98765432.10|B|00000000001|1e5|C|-12345678.9|0.000001|D|12345678|9|",
      G("甲|1|2|乙|3|4|"),
      "A|1|2|B|3",
      "||||",
      "",
  };
  for (const std::string& buy : blocks) {
    for (const std::string& sell : blocks) {
      listing::ScannedListing listing;
      listing::TakeSeatBlocks(buy, sell, listing);
      // Buying is values 2, 5, 8… of the buy block, then of the sell block.
      double buying = 0, selling = 0;
      for (const std::string* block : {&buy, &sell})
        for (const listing::SeatEntry& seat : listing::ReadSeatBlock(*block).seats)
          buying += seat.buy;
      for (const std::string* block : {&buy, &sell})
        for (const listing::SeatEntry& seat : listing::ReadSeatBlock(*block).seats)
          selling += seat.sell;
      EXPECT_EQ(listing.buying, buying) << buy << " / " << sell;
      EXPECT_EQ(listing.selling, selling) << buy << " / " << sell;
      EXPECT_EQ(listing.buy_block_values, listing::ReadSeatBlock(buy).values) << buy;
      EXPECT_EQ(listing.row.first_buy_seat, listing::ReadSeatBlock(buy).seats[0].name) << buy;
    }
  }
}

}  // namespace
