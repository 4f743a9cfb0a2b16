// Column sorting, colours and the header-click behaviour of the listing grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "listing/grid_sort.h"
#include "listing/listing_grid.h"
#include "listing/statistics_query.h"
#include "tests/program_fixture.h"
#include "text/text_ops.h"

namespace {

using testing_support::G;
using testing_support::TestProgram;
using testing_support::U;

constexpr ui::Colour kGreen{0, 128, 0};
constexpr ui::Colour kRed{255, 0, 0};

class ListingSortTest : public ::testing::Test {
 protected:
  ui::Grid& stats() { return p.window.高级表格_龙虎统计; }
  ui::Grid& results() { return p.window.高级表格_搜索结果; }

  // A laid-out grid whose rows 1.. hold `keys` in column `column` and the row's
  // original number in column 9 (as a number cell); ShownRowCount covers them.
  void Fill(ui::Grid& grid, int column, const std::vector<std::string>& keys) {
    grid.SetRowCount(std::max<int>(16, static_cast<int>(keys.size()) + 1));
    listing::SetUpListingGrid(p.window.透明标签_排序标, grid);
    for (size_t i = 0; i < keys.size(); ++i) {
      const int r = static_cast<int>(i) + 1;
      for (int c = 0; c < 9; ++c) grid.SetText(r, c, "r" + std::to_string(r));
      grid.SetText(r, column, keys[i]);
      grid.SetInteger(r, 9, r);
    }
    p.state.shown_row_count = static_cast<int>(keys.size()) + 1;
  }
  // The original row numbers in grid order.
  std::vector<std::string> Origins(const ui::Grid& grid) {
    std::vector<std::string> out;
    for (int r = 1; r < p.state.shown_row_count; ++r) out.push_back(grid.Text(r, 9));
    return out;
  }
  std::vector<std::string> Column(const ui::Grid& grid, int column) {
    std::vector<std::string> out;
    for (int r = 1; r < p.state.shown_row_count; ++r) out.push_back(grid.Text(r, column));
    return out;
  }
  int Sort(int column, int kind, bool ascending) {
    return listing::SortGridRows(stats(), p.state.shown_row_count, column, kind, false, ascending);
  }
  TestProgram p;
};

using Texts = std::vector<std::string>;

TEST_F(ListingSortTest, NumbersInFiguresAndTextsInNames) {
  Fill(stats(), 4, {"10", "9.5", "-12.3", "5"});
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, true), 0);
  EXPECT_EQ(Column(stats(), 4), (Texts{"-12.3", "5", "9.5", "10"}));
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, false), 0);
  EXPECT_EQ(Column(stats(), 4), (Texts{"10", "9.5", "5", "-12.3"}));

  Fill(stats(), 1, {"9.5", "10"});
  EXPECT_EQ(Sort(1, listing::kSortAsText, true), 0);
  EXPECT_EQ(Column(stats(), 1), (Texts{"10", "9.5"}));
}

TEST_F(ListingSortTest, NumberReadingFollowsTheLeadingNumber) {
  // Full-width digits count; a thousands separator ends the number (so
  // "1,500" is 1); no number reads as 0.
  Fill(stats(), 5, {G("１２"), "1,500", "abc", "3e1", "-0.5"});
  EXPECT_EQ(Sort(5, listing::kSortAsNumber, true), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"5", "3", "2", "1", "4"}));
}

TEST_F(ListingSortTest, KeysWithinTheToleranceAreEqualAndKeepTheirOrder) {
  Fill(stats(), 4, {"1.00000001", "2", "1", "1.00000005", "0.5"});
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, true), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"5", "1", "3", "4", "2"}));
  Fill(stats(), 4, {"1.00000001", "2", "1", "1.00000005", "0.5"});
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, false), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"2", "4", "3", "1", "5"}));
  // 1.0000002 is more than 1e-7 above 1: ordered by value.
  Fill(stats(), 4, {"1.0000002", "1"});
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, true), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"2", "1"}));
}

TEST_F(ListingSortTest, EqualTextKeysKeepTheirOrderAscendingAndReverseDescending) {
  Fill(stats(), 0, {"2010-06-02", "2010-06-01", "2010-06-02", "2010-06-01", "2010-06-02"});
  EXPECT_EQ(Sort(0, listing::kSortAsText, true), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"2", "4", "1", "3", "5"}));
  Fill(stats(), 0, {"2010-06-02", "2010-06-01", "2010-06-02", "2010-06-01", "2010-06-02"});
  EXPECT_EQ(Sort(0, listing::kSortAsText, false), 0);
  EXPECT_EQ(Origins(stats()), (Texts{"5", "3", "1", "4", "2"}));
}

TEST_F(ListingSortTest, CaseFoldingUnlessAskedAndGbkOrder) {
  Fill(stats(), 3, {"b", "A", "a", "B", G("中"), "C"});
  EXPECT_EQ(Sort(3, listing::kSortAsText, true), 0);
  EXPECT_EQ(Column(stats(), 3), (Texts{"A", "a", "b", "B", "C", G("中")}));
  Fill(stats(), 3, {"b", "A", "a", "B"});
  EXPECT_EQ(listing::SortGridRows(stats(), p.state.shown_row_count, 3, 1, true, true), 0);
  EXPECT_EQ(Column(stats(), 3), (Texts{"A", "B", "a", "b"}));
}

TEST_F(ListingSortTest, SortedOrderMatchesAStableSortByGbkComparison) {
  // Keys of ASCII letters and double-byte characters whose trail bytes fall
  // in the letter range (0x41..0x5A), which must never be folded.
  std::mt19937 random(7);
  const std::vector<std::string> pieces = {
      "a", "A", "b", "Z", "z", "1", "\x81\x41", "\x81\x61", "\xB0\x5A", "\xB0\x7A", G("中"), "-"};
  // Short keys (all within 16 bytes) and long ones take different ways.
  for (int most_pieces : {4, 12}) {
    std::vector<std::string> keys(400);
    for (auto& key : keys) {
      const int length = static_cast<int>(random() % static_cast<unsigned>(most_pieces)) + 1;
      for (int i = 0; i < length; ++i) key += pieces[random() % pieces.size()];
    }
    keys[0] = std::string("a\0", 2);  // a zero byte sorts after the shorter "a"
    keys[1] = "a";
    std::vector<std::string_view> views(keys.begin(), keys.end());
    for (bool case_sensitive : {false, true}) {
      std::vector<uint32_t> expected(keys.size());
      std::iota(expected.begin(), expected.end(), 0u);
      std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        return text::CompareGbk(keys[a], keys[b], case_sensitive) < 0;
      });
      EXPECT_EQ(listing::SortedKeyOrder(views, false, case_sensitive, true), expected)
          << case_sensitive << most_pieces;
      std::reverse(expected.begin(), expected.end());
      EXPECT_EQ(listing::SortedKeyOrder(views, false, case_sensitive, false), expected);
    }
  }
}

TEST_F(ListingSortTest, ResultCodesInTheirOrderLeaveTheGridAlone) {
  Fill(stats(), 0, {"c", "a", "b"});
  const int shown = p.state.shown_row_count;  // 4
  auto sort = [&](int kind, std::optional<int> fr, std::optional<int> lr, std::optional<int> fc,
                  std::optional<int> lc) {
    return listing::SortGridRows(stats(), shown, 0, kind, false, true, fr, lr, fc, lc);
  };
  EXPECT_EQ(sort(0, 9, 9, 99, 99), 1);  // the kind is checked first
  EXPECT_EQ(sort(8, {}, {}, {}, {}), 1);
  EXPECT_EQ(sort(1, -1, {}, {}, {}), 2);
  EXPECT_EQ(sort(1, 4, 9, {}, {}), 2);
  EXPECT_EQ(sort(1, 1, 4, {}, {}), 3);
  EXPECT_EQ(sort(1, 1, -1, {}, {}), 3);
  EXPECT_EQ(sort(1, 3, 1, 99, {}), -1);  // row order before the columns
  EXPECT_EQ(sort(1, {}, {}, -1, {}), 4);
  EXPECT_EQ(sort(1, {}, {}, 10, {}), 4);
  EXPECT_EQ(sort(1, {}, {}, {}, 10), 5);
  EXPECT_EQ(sort(1, {}, {}, 5, 2), -1);
  EXPECT_EQ(Column(stats(), 0), (Texts{"c", "a", "b"}));
  EXPECT_TRUE(stats().At(1, 9).is_number);
  // A count beyond the grid's rows: the block cannot be read.
  EXPECT_EQ(listing::SortGridRows(stats(), 40, 0), 3);
  EXPECT_EQ(listing::SortGridRows(stats(), 17, 0, 1, false, true, 1, 16), 3);
  // Any valid kind but 2 sorts as text.
  EXPECT_EQ(sort(7, {}, {}, {}, {}), 0);
  EXPECT_EQ(Column(stats(), 0), (Texts{"a", "b", "c"}));
}

TEST_F(ListingSortTest, AnEmptyKeyCellRefusesTheWholeSort) {
  Fill(stats(), 4, {"3", "1", "2"});
  p.state.shown_row_count = 16;  // counts the blank rows below the listings
  EXPECT_EQ(Sort(4, listing::kSortAsNumber, true), 1);
  EXPECT_EQ(Origins(stats()).front(), "1");
  EXPECT_EQ(stats().Text(1, 4), "3");
  // A key column outside the grid reads as empty too.
  p.state.shown_row_count = 4;
  EXPECT_EQ(Sort(12, listing::kSortAsText, true), 1);
}

TEST_F(ListingSortTest, FirstRowZeroSortsTheTitleWithTheRows) {
  Fill(stats(), 2, {"zzz", "000001"});
  EXPECT_EQ(listing::SortGridRows(stats(), 3, 2, 1, false, true, 0), 0);
  // The title "代 码" starts with a double-byte character: it sorts last.
  EXPECT_EQ(stats().Text(0, 2), "000001");
  EXPECT_EQ(stats().Text(1, 2), "zzz");
  EXPECT_EQ(U(stats().Text(2, 2)), "代 码");
}

TEST_F(ListingSortTest, OnlyTheBlockMovesAndItsCellsBecomeText) {
  Fill(stats(), 0, {"c", "a", "b"});
  stats().SetBackground(1, 1, ui::Colour{1, 2, 3});
  stats().SetTextColour(1, 1, ui::Colour{9, 9, 9});
  // Rows 1..3, columns 0..1 only.
  EXPECT_EQ(listing::SortGridRows(stats(), 4, 0, 1, false, true, 1, 3, 0, 1), 0);
  EXPECT_EQ(Column(stats(), 0), (Texts{"a", "b", "c"}));
  EXPECT_EQ(Column(stats(), 1), (Texts{"r2", "r3", "r1"}));
  EXPECT_EQ(Column(stats(), 2), (Texts{"r1", "r2", "r3"}));         // outside the block
  EXPECT_EQ(stats().At(3, 1).Background(), (ui::Colour{1, 2, 3}));  // moved with its row
  EXPECT_FALSE(stats().At(3, 1).TextColour().has_value());
  EXPECT_EQ(stats().At(3, 0).Alignment(), ui::Align::kCentre);  // alignment stays
  EXPECT_TRUE(stats().At(1, 9).is_number);                      // outside the block
  EXPECT_EQ(listing::SortGridRows(stats(), 4, 0), 0);
  EXPECT_FALSE(stats().At(1, 9).is_number);
  EXPECT_EQ(stats().Text(1, 9), "1");  // same digits, as text
}

TEST_F(ListingSortTest, ColoursFollowTheSignAfterASort) {
  Fill(stats(), 6, {"-1.000", "2.000", "-0.010", "0.000"});
  for (int r = 1; r <= 4; ++r) stats().SetText(r, 7, r % 2 ? "-0.5" : "0.5");
  EXPECT_EQ(Sort(6, listing::kSortAsNumber, true), 0);
  EXPECT_EQ(Column(stats(), 6), (Texts{"-1.000", "-0.010", "0.000", "2.000"}));
  for (int r = 1; r <= 4; ++r) {
    for (int c : {6, 7}) {
      const bool negative = stats().Text(r, c).front() == '-';
      EXPECT_EQ(stats().At(r, c).TextColour(), negative ? kGreen : kRed) << r << "," << c;
    }
  }
  EXPECT_EQ(stats().At(10, 6).TextColour(), kRed);  // blank rows below too
  EXPECT_FALSE(stats().At(0, 6).TextColour().has_value());
  EXPECT_EQ(stats().ShownBackground(1, 0), ui::kWhite);
  EXPECT_EQ(stats().ShownBackground(2, 0), (ui::Colour{231, 239, 231}));
}

TEST_F(ListingSortTest, HeaderClicksFlipTheDirectionPerGrid) {
  Fill(stats(), 2, {"000002", "000003", "000001"});
  stats().UserHeaderClick(2);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(Column(stats(), 2), (Texts{"000001", "000002", "000003"}));
  EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↑");
  EXPECT_EQ(p.state.statistics_sort_direction, 1);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(Column(stats(), 2), (Texts{"000003", "000002", "000001"}));
  EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↓");
  EXPECT_EQ(p.state.statistics_sort_direction, 0);

  // The search grid starts the other way round and keeps its own value.
  Fill(results(), 2, {"000002", "000003", "000001"});
  results().UserHeaderClick(2);
  listing::OnListingHeaderClicked(p.ctx, results());
  EXPECT_EQ(Column(results(), 2), (Texts{"000003", "000002", "000001"}));
  EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↓");
  EXPECT_EQ(p.state.search_sort_direction, 0);
  EXPECT_EQ(p.state.statistics_sort_direction, 0);
}

TEST_F(ListingSortTest, ArrowStandsAtTheRightEdgeOfTheClickedColumn) {
  Fill(stats(), 2, {"b", "a"});
  // Tab control at 6, frame at 1, grid at -2: the grid's left edge is at 5.
  const int arrow_width = p.window.透明标签_排序标.place().width;
  stats().UserHeaderClick(0);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(p.window.透明标签_排序标.place().left, 5 + 68 - arrow_width);
  stats().UserHeaderClick(4);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(p.window.透明标签_排序标.place().left, 5 + 68 + 62 + 50 + 247 + 73 - arrow_width);
}

TEST_F(ListingSortTest, ColumnsFromEightFlipTheArrowWithoutMovingRows) {
  Fill(stats(), 0, {"b", "a"});
  stats().UserHeaderClick(8);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(Column(stats(), 0), (Texts{"b", "a"}));
  EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↑");
  EXPECT_EQ(p.state.statistics_sort_direction, 1);
  EXPECT_EQ(p.window.透明标签_排序标.place().left,
            5 + 68 + 62 + 50 + 247 + 73 * 3 + 50 + 44 - p.window.透明标签_排序标.place().width);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↓");
  EXPECT_EQ(Column(stats(), 0), (Texts{"b", "a"}));
}

TEST_F(ListingSortTest, ACurrentCellOutsideRowOneChangesNothing) {
  Fill(stats(), 0, {"b", "a"});
  stats().SetCurrentCell(2, 0);
  listing::OnListingHeaderClicked(p.ctx, stats());
  EXPECT_EQ(Column(stats(), 0), (Texts{"b", "a"}));
  EXPECT_EQ(p.window.透明标签_排序标.caption(), "");
  EXPECT_EQ(p.state.statistics_sort_direction, 0);
}

}  // namespace

namespace {

// Listings without a strength (a turnover of 0) at the top, in the middle
// and at the end of the store: a click on "力度" still sorts every listing,
// with those below every strength, on both grids.
TEST_F(ListingSortTest, ListingsWithoutAStrengthSortBelowEveryStrength) {
  const auto listing = [](const char* code, const char* turnover, const char* buy) {
    return testing_support::MakeListing("2010-04-09", "甲", code, turnover, buy, "0.00");
  };
  testing_support::WriteListings(
      p.store, {listing("000001", "0", "10000.00"), listing("000002", "100", "30000.00"),
                listing("000003", "0", "20000.00"), listing("000004", "100", "-50000.00"),
                listing("000005", "100", "10000.00"), listing("000006", "0", "40000.00")});
  for (ui::Grid* grid : {&stats(), &results()}) {
    SCOPED_TRACE(grid->name());
    listing::SetUpListingGrid(p.window.透明标签_排序标, *grid);
    listing::FillListingGrid(p.ctx, *grid, {1, 2, 3, 4, 5, 6});
    p.state.shown_row_count = 7;
    ASSERT_EQ(grid->Text(1, 7), "");
    ASSERT_EQ(grid->Text(2, 7), "0.150");

    grid->UserHeaderClick(listing::kStrengthColumn);
    listing::SortByClickedColumn(p.ctx, *grid, true);
    EXPECT_EQ(Column(*grid, 2),
              (Texts{"000001", "000003", "000006", "000004", "000005", "000002"}));
    grid->UserHeaderClick(listing::kStrengthColumn);
    listing::SortByClickedColumn(p.ctx, *grid, false);
    EXPECT_EQ(Column(*grid, 2),
              (Texts{"000002", "000005", "000004", "000006", "000003", "000001"}));
    EXPECT_EQ(U(p.window.透明标签_排序标.caption()), "↓");

    // A blank row inside the block is no listing: the sort is refused.
    p.state.shown_row_count = 16;
    const std::vector<std::string> before = Column(*grid, 2);
    grid->UserHeaderClick(listing::kStrengthColumn);
    listing::SortByClickedColumn(p.ctx, *grid, true);
    EXPECT_EQ(Column(*grid, 2), before);
  }
}

}  // namespace
