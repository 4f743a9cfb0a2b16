// The download date list and the date boxes' handlers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/date_list.h"
#include "download_page/download_control.h"
#include "tests/program_fixture.h"

namespace {

using download::DownloadDates;
using ui::DateTime;
using Dates = std::vector<std::string>;

TEST(DownloadDatesTest, WeekdaysOnlyLatestFirstPadded) {
  // Monday 2010-05-31 to Monday 2010-06-07: the weekend is left out.
  EXPECT_EQ(
      DownloadDates(DateTime::FromParts(2010, 5, 31, 9), DateTime::FromParts(2010, 6, 7, 9),
                    std::nullopt),
      (Dates{"2010-06-07", "2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01", "2010-05-31"}));
  // Across a year end; one-digit months and days get their zero.
  EXPECT_EQ(DownloadDates(DateTime::FromParts(2010, 12, 30), DateTime::FromParts(2011, 1, 4),
                          std::nullopt),
            (Dates{"2011-01-04", "2011-01-03", "2010-12-31", "2010-12-30"}));
  // The same weekday in both boxes: that day.
  EXPECT_EQ(DownloadDates(DateTime::FromParts(2010, 6, 2, 8), DateTime::FromParts(2010, 6, 2, 8),
                          std::nullopt),
            (Dates{"2010-06-02"}));
}

TEST(DownloadDatesTest, DayCountKeepsTheTimeOfDayFraction) {
  // 15:00 on Tuesday to 00:00 on Thursday: 1.375 days + 1 = 2 days, so the
  // start day itself is not fetched.
  EXPECT_EQ(DownloadDates(DateTime::FromParts(2010, 6, 1, 15), DateTime::FromParts(2010, 6, 3, 0),
                          std::nullopt),
            (Dates{"2010-06-03", "2010-06-02"}));
  // End before start: nothing.
  EXPECT_TRUE(DownloadDates(DateTime::FromParts(2010, 6, 3, 12),
                            DateTime::FromParts(2010, 6, 2, 12), std::nullopt)
                  .empty());
}

TEST(DownloadDatesTest, QuickRangesCountBackFromTheEndDate) {
  const DateTime friday = DateTime::FromParts(2010, 6, 4, 10);
  const DateTime far_start = DateTime::FromParts(2001, 1, 1);
  EXPECT_EQ(DownloadDates(far_start, friday, 1), (Dates{"2010-06-04"}));
  EXPECT_EQ(DownloadDates(far_start, friday, 7),
            (Dates{"2010-06-04", "2010-06-03", "2010-06-02", "2010-06-01", "2010-05-31"}));
  EXPECT_TRUE(DownloadDates(far_start, DateTime::FromParts(2010, 6, 5), 1).empty());
  // A year from a weekday holds 261 weekdays, within the limit.
  const Dates year = DownloadDates(far_start, friday, 365);
  EXPECT_EQ(year.size(), 261u);
  EXPECT_EQ(year.front(), "2010-06-04");
  EXPECT_EQ(year.back(), "2009-06-05");
  EXPECT_LE(year.size(), download::kMaxDownloadDates);
  // 265 weekdays are too many; a range of years stops counting past the limit.
  EXPECT_GT(DownloadDates(DateTime::FromParts(2009, 6, 1), friday, std::nullopt).size(),
            download::kMaxDownloadDates);
  EXPECT_EQ(DownloadDates(far_start, friday, std::nullopt).size(), download::kMaxDownloadDates + 1);
}

class DateBoxTest : public ::testing::Test {
 protected:
  DateBoxTest() {
    p.platform.SetNow(DateTime::FromParts(2010, 6, 4, 20));
    p.window.日期框1.on_date_changed = [this] {
      download::OnStartDateChanged(ui::DownloadPage::Of(p.window));
    };
    p.window.日期框2.on_date_changed = [this] {
      download::OnEndDateChanged(ui::DownloadPage::Of(p.window), p.platform);
    };
  }
  std::vector<ui::RadioButton*> QuickRanges() {
    auto& w = p.window;
    return {&w.单选框_日, &w.单选框_周, &w.单选框_月, &w.单选框_季, &w.单选框_半年, &w.单选框_年};
  }
  testing_support::TestProgram p;
};

TEST_F(DateBoxTest, ListIsBuiltFromTheWindow) {
  auto& w = p.window;
  w.日期框1.SetValue(DateTime::FromParts(2010, 6, 1, 15));
  w.日期框2.SetValue(DateTime::FromParts(2010, 6, 3, 0));
  // 单选框_日 starts checked: one day, counted back from the end date.
  download::BuildDownloadDateList(ui::DownloadPage::Of(p.window), p.state);
  EXPECT_EQ(p.state.download_date_list, (Dates{"2010-06-03"}));
  w.单选框_周.UserClick();
  download::BuildDownloadDateList(ui::DownloadPage::Of(p.window), p.state);
  EXPECT_EQ(p.state.download_date_list.size(), 5u);
  EXPECT_EQ(p.state.download_date_list.front(), "2010-06-03");
  // No quick range: the two boxes.
  for (auto* b : QuickRanges()) b->SetChecked(false);
  download::BuildDownloadDateList(ui::DownloadPage::Of(p.window), p.state);
  EXPECT_EQ(p.state.download_date_list, (Dates{"2010-06-03", "2010-06-02"}));
}

TEST_F(DateBoxTest, ChangingADateUnchecksTheQuickRanges) {
  p.window.单选框_季.UserClick();
  p.window.日期框1.UserSetValue(DateTime::FromParts(2010, 5, 1));
  for (auto* b : QuickRanges()) EXPECT_FALSE(b->checked()) << b->name();
  p.window.单选框_年.UserClick();
  p.window.日期框2.UserSetValue(DateTime::FromParts(2010, 6, 4, 19));
  for (auto* b : QuickRanges()) EXPECT_FALSE(b->checked()) << b->name();
  // A past end date is taken silently, and so is now itself.
  EXPECT_EQ(p.window.日期框2.value(), DateTime::FromParts(2010, 6, 4, 19));
  p.window.日期框2.UserSetValue(DateTime::FromParts(2010, 6, 4, 20));
  EXPECT_TRUE(p.platform.messages().empty());
}

TEST_F(DateBoxTest, FutureEndDateIsRefusedAndJumpsBackToNow) {
  p.window.日期框2.UserSetValue(DateTime::FromParts(2010, 6, 4, 20, 0, 1));
  const auto messages = p.platform.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "已超出交易日期范围，请重新选择！");
  EXPECT_EQ(messages[0].title, "Ferrow提示");
  EXPECT_EQ(messages[0].icon, ui::MessageIcon::kError);
  EXPECT_EQ(messages[0].buttons, ui::MessageButtons::kOk);
  EXPECT_EQ(p.window.日期框2.value(), DateTime::FromParts(2010, 6, 4, 20));
  // The start box is not checked against now.
  p.window.日期框1.UserSetValue(DateTime::FromParts(2011, 1, 1));
  EXPECT_EQ(p.platform.messages().size(), 1u);
}

}  // namespace
