// The listing grids' row source against the cell-by-cell fill it replaced:
// every cell, after the fill, after each header sort and after the layout
// is set again, and every search, must come out the same.
#include "listing/listing_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/store_bench_data.h"
#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/listing_lines.h"
#include "listing/listing_scan.h"
#include "listing/search.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ListingRecord;
using testing_support::TestProgram;

// Realistic listings (few names and Seats, many equal dates, so that sorts
// meet long runs of equal keys) with the awkward ones mixed in.
void WriteAwkwardStore(TestProgram& p, bool empty_date, bool too_big) {
  std::vector<ListingRecord> records;
  for (int64_t i = 1; i <= 1500; ++i)
    records.push_back(ListingRecord{bench_support::RealisticListing(i)});
  records[3][store::kTurnover] = "0";  // no strength
  records[40][store::kTurnover] = "0";
  records[5][store::kDate] = "2020-1-5";  // a date as a page once printed it
  // Too big for thousandths (without it every figure sorts as a whole number).
  if (too_big) records[6][store::kBuySeats] = G("ABC证券|99999999999999999|1|abc证券|2|3");
  records[7][store::kBuySeats] = G("abc证券|5|1");
  records[8][store::kBuySeats] = G("Abd证券|-5|1");
  records[9][store::kBuySeats] = G("|5|1");  // no first Seat name
  records[10][store::kName] = "";
  records[11][store::kTurnover] = "0.0001";  // strengths far from the others
  records[1490][store::kBuySeats] = G("甲|1");  // damaged: the rows from here on are blank
  if (empty_date) records[700][store::kDate] = "";  // no newest-first order then
  testing_support::WriteListings(p.store, records);
}

listing::ListingLines Lines(TestProgram& p, bool newest_first) {
  return listing::MakeListingLines(listing::ScanListings(p.store, nullptr), newest_first);
}

// Every cell of both grids, all that a cell holds.
void ExpectSameCells(const ui::Grid& cells, const ui::Grid& source, const std::string& when) {
  ASSERT_EQ(cells.RowCount(), source.RowCount()) << when;
  ASSERT_EQ(cells.ColumnCount(), source.ColumnCount()) << when;
  int differences = 0;
  for (int r = 0; r < cells.RowCount() && differences < 5; ++r) {
    for (int c = 0; c < cells.ColumnCount(); ++c) {
      const ui::Cell& a = cells.At(r, c);
      const ui::Cell& b = source.At(r, c);
      if (a.text != b.text || a.TextColour() != b.TextColour() || a.align != b.align ||
          a.is_number != b.is_number || a.Background() != b.Background()) {
        ADD_FAILURE() << when << ": row " << r << " column " << c << " '" << a.text << "' vs '"
                      << b.text << "'";
        ++differences;
      }
    }
  }
}

struct FilledGrids {
  TestProgram p;
  ui::Grid& cells = p.window.高级表格_搜索结果;
  ui::Grid& source = p.window.高级表格_龙虎统计;

  explicit FilledGrids(bool newest_first, bool empty_date = false, bool too_big = true) {
    WriteAwkwardStore(p, empty_date, too_big);
    listing::SetUpListingGrid(p.window.透明标签_排序标, cells, false);
    listing::ListingLines a = Lines(p, newest_first);
    const int a_count = a.count;
    listing::PutListingGridRows(cells, listing::MakeListingGridRows(a));
    listing::SetUpListingGrid(p.window.透明标签_排序标, source, false);
    // The records as the refresh builds them, during the scan.
    listing::ListingRecordsScan b = listing::ScanListingRecords(p.store, nullptr, newest_first);
    EXPECT_TRUE(b.damaged_buy_block);
    EXPECT_EQ(b.count, a_count);
    b.rows->set_coloured(true);
    listing::PutListingSource(source, std::move(b.rows));
  }
};

TEST(ListingRecordsTest, EveryCellAfterEachHeaderSortEqualsTheCellFill) {
  for (const auto& [newest_first, too_big] :
       std::vector<std::pair<bool, bool>>{{true, true}, {false, true}, {true, false}}) {
    FilledGrids g(newest_first, false, too_big);
    ASSERT_NE(listing::ListingSourceOf(g.source), nullptr);
    ExpectSameCells(g.cells, g.source, "fill");
    const int shown = g.cells.RowCount();
    // Descending then ascending on each column, so that each sort starts
    // from the order the one before left (stability shows).
    for (int column = 0; column < listing::kListingColumnCount; ++column) {
      for (bool ascending : {false, true}) {
        for (bool case_sensitive : {false, true}) {
          const int kind = column < 4 ? listing::kSortAsText : listing::kSortAsNumber;
          const bool lowest = column == listing::kStrengthColumn;
          const int a = listing::SortGridRows(g.cells, shown, column, kind, case_sensitive,
                                              ascending, std::nullopt, std::nullopt, std::nullopt,
                                              std::nullopt, lowest);
          const int b = listing::SortGridRows(g.source, shown, column, kind, case_sensitive,
                                              ascending, std::nullopt, std::nullopt, std::nullopt,
                                              std::nullopt, lowest);
          const std::string when = "column " + std::to_string(column) +
                                   (ascending ? " up" : " down") + (case_sensitive ? " cs" : "");
          EXPECT_EQ(a, b) << when;
          ExpectSameCells(g.cells, g.source, when);
        }
      }
    }
    // A text sort of a figure column reads the cells' texts.
    EXPECT_EQ(listing::SortGridRows(g.cells, shown, 5, listing::kSortAsText),
              listing::SortGridRows(g.source, shown, 5, listing::kSortAsText));
    ExpectSameCells(g.cells, g.source, "figures as text");
    listing::SetUpListingGrid(g.p.window.透明标签_排序标, g.cells);
    listing::SetUpListingGrid(g.p.window.透明标签_排序标, g.source);
    ExpectSameCells(g.cells, g.source, "layout again");
    EXPECT_NE(listing::ListingSourceOf(g.source), nullptr) << "the layout kept the records";
  }
}

TEST(ListingRecordsTest, AnEmptyDateLeavesTheScanOrder) {
  FilledGrids g(true, true);
  ExpectSameCells(g.cells, g.source, "fill");
  EXPECT_EQ(g.source.Text(1, listing::kRecordNumberColumn), "1");
}

TEST(ListingRecordsTest, SearchesFindTheSameListingsInTheSameOrder) {
  FilledGrids g(true);
  const std::vector<std::pair<int, std::string>> searches = {
      {listing::kDateColumn, "2000-01"}, {listing::kDateColumn, "-1-"},
      {listing::kNameColumn, G("银")},   {listing::kCodeColumn, "6001"},
      {listing::kSeatColumn, G("证券")}, {listing::kSeatColumn, "abc"},
      {listing::kSeatColumn, "ABC"},     {listing::kNameColumn, "no such name"}};
  for (const auto& [column, keyword] : searches) {
    const auto expected = listing::FindListings(g.cells, column, keyword, 1);
    EXPECT_EQ(listing::FindListings(g.source, column, keyword, 1), expected)
        << column << " " << keyword;
  }
  EXPECT_FALSE(listing::FindListings(g.source, listing::kSeatColumn, G("证券"), 1).empty());
}

TEST(ListingRecordsTest, ASearchOverManyRecordsInAShuffledOrderMatchesTheCells) {
  // Enough records for the marking to be shared with a second thread, in
  // blocks the count does not divide, shown in an order unlike theirs.
  constexpr int kRows = 200'003;
  auto table = std::make_shared<listing::ListingTable>();
  for (int k = 0; k < 997; ++k)
    table->texts[listing::kCodeColumn].push_back(std::to_string(600000 + k));
  for (auto c : {listing::kDateColumn, listing::kNameColumn, listing::kSeatColumn})
    table->texts[static_cast<size_t>(c)].push_back("x");
  table->records.resize(kRows);
  std::vector<uint32_t> order(kRows);
  for (int r = 0; r < kRows; ++r) {
    listing::ListingRecord& record = table->records[static_cast<size_t>(r)];
    record.text[listing::kCodeColumn] = static_cast<uint32_t>(r) * 7919u % 997u;
    record.record_number = r + 1;
    order[static_cast<size_t>(r)] =
        static_cast<uint32_t>((static_cast<uint64_t>(r) * 65'537) % kRows);
  }
  auto source =
      std::make_shared<listing::ListingRowSource>(std::move(table), std::move(order), kRows, true);
  ui::Grid grid("g", nullptr, -1, ui::Rect{0, 0, 760, 410}, "");
  grid.SetColumnCount(listing::kListingColumnCount);
  grid.SetRowSource(source, source->row_count());
  for (const std::string keyword : {"600996", "60099", "0001"}) {
    std::vector<int64_t> expected;
    for (int r = 1; r <= kRows; ++r)
      if (grid.Text(r, listing::kCodeColumn).find(keyword) != std::string::npos)
        expected.push_back(std::stoll(grid.Text(r, listing::kRecordNumberColumn)));
    ASSERT_FALSE(expected.empty()) << keyword;
    EXPECT_EQ(listing::FindListings(grid, listing::kCodeColumn, keyword, 1), expected) << keyword;
  }
}

TEST(ListingRecordsTest, AWriteTheRecordsCannotHoldTurnsThemIntoCells) {
  FilledGrids g(false);
  // A partial sort and a direct write both leave the records behind.
  EXPECT_EQ(listing::SortGridRows(g.cells, 20, 2, listing::kSortAsText),
            listing::SortGridRows(g.source, 20, 2, listing::kSortAsText));
  ExpectSameCells(g.cells, g.source, "partial sort");
  EXPECT_EQ(listing::ListingSourceOf(g.source), nullptr);
  g.cells.SetText(3, 1, "x");
  g.source.SetText(3, 1, "x");
  ExpectSameCells(g.cells, g.source, "write");
}

TEST(ListingRecordsTest, ARecordIsSmall) {
  EXPECT_LE(sizeof(listing::ListingRecord), 56u);
}

}  // namespace
