// Which pages a range lacks, by the download log: the range's weekdays, the
// plan of a gap fill, the gaps the command line reports and the totals.
#include "download/log_plan.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "download/date_list.h"
#include "tests/test_support.h"

namespace {

using download::Market;
using download::PageKey;
using store::PageLogEntry;
using store::PageOutcome;
using testing_support::TempDir;
using text::DateTime;

PageLogEntry Row(int board, const std::string& date, PageOutcome outcome) {
  PageLogEntry e;
  e.board = board;
  e.date = date;
  e.outcome = outcome;
  if (outcome == PageOutcome::kStored) e.listings = 5;
  if (outcome == PageOutcome::kFailed) e.failure = store::PageFailure::kTimeout;
  return e;
}

TEST(CoverageRangeTest, WeekdaysAgreeWithTheDownloadsDatesAndGoBeyondAYear) {
  const DateTime end = DateTime::FromParts(2010, 6, 7, 20);
  for (const auto& [start, quick] : std::vector<std::pair<DateTime, std::optional<int>>>{
           {DateTime::FromParts(2010, 6, 3), std::nullopt},
           {DateTime::FromParts(2010, 6, 5), std::nullopt},  // a Saturday
           {end, 31},
           {end, 365},
           {DateTime::FromParts(2010, 6, 8), std::nullopt}}) {  // after the end
    EXPECT_EQ(coverage::RangeWeekdays(start, end, quick),
              download::DownloadDates(start, end, quick));
  }

  const auto ten_years =
      coverage::RangeWeekdays(DateTime::FromParts(2000, 1, 1), DateTime::FromParts(2009, 12, 31));
  ASSERT_EQ(ten_years.size(), 2609u);
  EXPECT_EQ(ten_years.front(), "2009-12-31");
  EXPECT_EQ(ten_years.back(), "2000-01-03");
  EXPECT_TRUE(std::is_sorted(ten_years.rbegin(), ten_years.rend()));
}

class CoveragePlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(store.EnsureStore().has_value());
    auto a = store.OpenStore(store::AccessMode::kWriter);
    for (const PageLogEntry& e : {
             // 06-01: complete.
             Row(0, "2010-06-01", PageOutcome::kStored),
             Row(1, "2010-06-01", PageOutcome::kNoListings),
             Row(2, "2010-06-01", PageOutcome::kStored),
             // 06-02: one failed, one never downloaded, one inferred.
             Row(0, "2010-06-02", PageOutcome::kFailed),
             [] {
               auto e = Row(2, "2010-06-02", PageOutcome::kStored);
               e.inferred = true;
               return e;
             }(),
             // 06-03: nothing. 06-04: one not yet published.
             Row(0, "2010-06-04", PageOutcome::kStored),
             Row(1, "2010-06-04", PageOutcome::kStored),
             Row(2, "2010-06-04", PageOutcome::kNotPublished),
             // Outside the range.
             Row(1, "2010-06-07", PageOutcome::kFailed),
         })
      ASSERT_TRUE(a.WritePageLog(e));
    ASSERT_FALSE(a.CloseStore().has_value());
  }
  TempDir dir;
  store::Store store{store::StorePath(dir.path())};
  const std::vector<std::string> dates = {"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01"};
};

TEST_F(CoveragePlanTest, TheGapFillTakesMissingFailedAndUnpublishedPagesInDownloadOrder) {
  const coverage::PagePlan plan = coverage::PlanMissingPages(store, dates);
  ASSERT_FALSE(plan.error.has_value());
  EXPECT_TRUE(plan.log_present);
  EXPECT_EQ(plan.pages, (std::vector<PageKey>{{Market::kShanghai, "2010-06-03"},
                                              {Market::kShanghai, "2010-06-02"},
                                              {Market::kShenzhen, "2010-06-03"},
                                              {Market::kShenzhen, "2010-06-02"},
                                              {Market::kSmeBoard, "2010-06-04"},
                                              {Market::kSmeBoard, "2010-06-03"}}));

  // Among given pages only, in their order.
  const std::vector<PageKey> cells = {{Market::kSmeBoard, "2010-06-04"},
                                      {Market::kShanghai, "2010-06-04"},
                                      {Market::kShenzhen, "2010-06-07"}};
  EXPECT_EQ(coverage::PlanMissingPages(store, cells).pages,
            (std::vector<PageKey>{cells[0], cells[2]}));

  const coverage::GapList gaps = coverage::ListGaps(store, dates);
  ASSERT_EQ(gaps.gaps.size(), plan.pages.size());
  for (size_t i = 0; i < gaps.gaps.size(); ++i) EXPECT_EQ(gaps.gaps[i].page, plan.pages[i]);
  EXPECT_EQ(gaps.gaps[1].row, Row(0, "2010-06-02", PageOutcome::kFailed));
  EXPECT_FALSE(gaps.gaps[0].row.has_value());

  coverage::CoverageTotals totals;
  totals.days = 4;
  totals.complete_days = 1;
  totals.failed_pages = 1;
  totals.missing_pages = 4;
  totals.unpublished_pages = 1;
  EXPECT_EQ(coverage::CountCoverage(coverage::ReadCoverage(store, dates)), totals);
}

TEST_F(CoveragePlanTest, AFileWithoutALogLacksEveryPage) {
  store.DropIdleConnections();
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(store.Path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "PRAGMA key='q3051hnzk7264bwtf'; PRAGMA cipher_page_size=4096; "
                           "DROP TABLE \"下载记录\";",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  const coverage::PagePlan plan = coverage::PlanMissingPages(store, dates);
  ASSERT_FALSE(plan.error.has_value());
  EXPECT_FALSE(plan.log_present);
  EXPECT_EQ(plan.pages, download::AllPages(dates));
}

TEST_F(CoveragePlanTest, AStoreThatCannotBeReadPlansNothing) {
  store::Store missing(dir / "elsewhere.edb");
  const coverage::PagePlan plan = coverage::PlanMissingPages(missing, dates);
  ASSERT_TRUE(plan.error.has_value());
  EXPECT_EQ(plan.error->kind, store::ErrorKind::kMissing);
  EXPECT_TRUE(plan.pages.empty());
}

}  // namespace
