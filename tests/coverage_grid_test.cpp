// The grid of "下载记录": cells by outcome with their colours and tooltips,
// the totals read back from the cells, one page's row arriving, and the
// page a cell stands for.
#include "download_log/coverage_grid.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/test_support.h"

namespace {

using coverage::kFirstBoardColumn;
using store::PageLogEntry;
using store::PageOutcome;
using testing_support::U;

PageLogEntry Row(int board, const std::string& date, PageOutcome outcome, int64_t listings = 0) {
  PageLogEntry e;
  e.board = board;
  e.date = date;
  e.outcome = outcome;
  e.listings = listings;
  e.fetched_at = "2010-06-07 20:00:00";
  return e;
}

coverage::Coverage TwoDays() {
  coverage::Coverage c;
  c.log_present = true;
  c.days.resize(2);
  c.days[0].date = "2010-06-07";
  c.days[0].boards[0] = Row(0, "2010-06-07", PageOutcome::kNotPublished);
  c.days[1].date = "2010-06-04";
  c.days[1].boards[0] = Row(0, "2010-06-04", PageOutcome::kStored, 7);
  c.days[1].boards[1] = Row(1, "2010-06-04", PageOutcome::kNoListings);
  PageLogEntry failed = Row(2, "2010-06-04", PageOutcome::kFailed);
  failed.failure = store::PageFailure::kStatus;
  failed.status = 502;
  c.days[1].boards[2] = failed;
  return c;
}

TEST(CoverageGridTest, CellsTellEachOutcomeApartAndTheTotalsAgreeWithTheLog) {
  ui::Grid grid("g", nullptr, -1, {}, "");
  const coverage::Coverage c = TwoDays();
  coverage::FillCoverageGrid(grid, c);
  ASSERT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(U(grid.Text(0, kFirstBoardColumn + 2)), "中小板");
  EXPECT_EQ(grid.Text(1, 0), "2010-06-07");
  EXPECT_EQ(U(grid.Text(1, 1)), "星期一");
  EXPECT_EQ(U(grid.Text(2, 1)), "星期五");

  const std::vector<std::string> texts = {U(grid.Text(1, 2)), U(grid.Text(1, 3)),
                                          U(grid.Text(2, 2)), U(grid.Text(2, 3)),
                                          U(grid.Text(2, 4))};
  EXPECT_EQ(texts, (std::vector<std::string>{"未发布", "", "7", "无上榜", "失败"}));
  // Four outcomes, four colours; a page never downloaded has none of its own.
  std::set<uint32_t> backgrounds;
  for (const auto& [r, col] : std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {2, 3}, {2, 4}}) {
    ASSERT_TRUE(grid.At(r, col).Background().has_value());
    backgrounds.insert(grid.At(r, col).Background()->Rgb());
  }
  EXPECT_EQ(backgrounds.size(), 4u);
  EXPECT_FALSE(grid.At(1, 3).Background().has_value());
  EXPECT_EQ(U(grid.ToolTip(2, 4)), "状态码 502，下载于 2010-06-07 20:00:00");
  EXPECT_TRUE(grid.ToolTip(1, 3).empty());

  EXPECT_EQ(coverage::GridTotals(grid), coverage::CountCoverage(c));
  EXPECT_EQ(U(coverage::TotalsCaption(coverage::GridTotals(grid))),
            "完整 0/2 天，失败 1 页，缺失 2 页，未发布 1 页");

  // A refill with fewer days drops the rows and tooltips beyond them.
  coverage::Coverage one = c;
  one.days.erase(one.days.begin());
  one.days[0].boards[2].reset();
  coverage::FillCoverageGrid(grid, one);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_TRUE(grid.ToolTip(1, 4).empty());
  EXPECT_EQ(grid.Text(1, 4), "");
}

TEST(CoverageGridTest, APageArrivingRewritesItsOwnCellOnly) {
  ui::Grid grid("g", nullptr, -1, {}, "");
  coverage::FillCoverageGrid(grid, TwoDays());
  int notified_first = -1, notified_last = -1;
  grid.AddGridListener([&](const ui::GridChange& change) {
    if (change.kind == ui::GridChange::kRows) {
      notified_first = change.first_row;
      notified_last = change.last_row;
    }
  });
  EXPECT_TRUE(coverage::ShowPageRow(grid, Row(2, "2010-06-04", PageOutcome::kStored, 3)));
  EXPECT_EQ(grid.Text(2, 4), "3");
  EXPECT_EQ(U(grid.ToolTip(2, 4)), "3 条，下载于 2010-06-07 20:00:00");
  EXPECT_EQ(std::make_pair(notified_first, notified_last), std::make_pair(2, 2));
  EXPECT_EQ(U(grid.Text(1, 2)), "未发布");
  EXPECT_EQ(coverage::GridTotals(grid).complete_days, 1);
  // A date the grid does not show.
  EXPECT_FALSE(coverage::ShowPageRow(grid, Row(0, "2010-05-31", PageOutcome::kStored, 1)));

  EXPECT_EQ(coverage::PageOfCell(grid, 2, 3),
            (download::PageKey{download::Market::kShenzhen, "2010-06-04"}));
  EXPECT_FALSE(coverage::PageOfCell(grid, 0, 3).has_value());  // the title row
  EXPECT_FALSE(coverage::PageOfCell(grid, 2, 0).has_value());  // the date
}

}  // namespace
