// The evening summary: which items a day gives (a watched Seat under an
// older name, a watched code with the listing's totals, nothing for the
// unwatched), the exact JSON, nicknames escaped in HTML and Markdown, and
// a plain sentence when nothing matched.
#include <gtest/gtest.h>

#include "seats/summary.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;

TEST(SeatSummaryTest, ItemsOfADayAndTheirJson) {
  seats::SeatBook book;
  book.Absorb({{G("甲营业部"), "2020-01-02", "2020-01-05", "9"},
               {G("甲营业部新"), "2020-01-06", "2020-01-09", "9"},
               {G("乙营业部"), "2020-01-02", "2020-01-09", ""}});
  const int64_t jia = *book.IdentityOfName(G("甲营业部"));
  book.FindMutable(jia)->nickname = G("<b>\"甲\"</b> & co");
  book.SetWatch(0, std::to_string(jia), true);
  book.SetWatch(1, "600002", true);

  std::vector<seats::DayListing> day = {
      {"600001", G("一号"), 300000, 125000,
       {{G("乙营业部"), 100000, 0, true}, {G("甲营业部"), 12345.678, 125000, true}}},
      {"600002", G("二号"), 1000, 7000, {{G("乙营业部"), 1000, 7000, false}}},
      {"600003", G("三号"), 5000, 0, {{G("乙营业部"), 5000, 0, true}}},
  };
  const seats::Summary s = seats::MakeSummary("2020-01-06", day, book);
  ASSERT_EQ(s.items.size(), 2u);
  EXPECT_EQ(seats::SummaryJson(s),
            "{\"date\": \"2020-01-06\", \"items\": ["
            "{\"code\": \"600001\", \"name\": \"一号\", \"seat\": \"甲营业部\", "
            "\"nickname\": \"<b>\\\"甲\\\"</b> & co\", \"kind\": \"营业部\", \"side\": \"buy\", "
            "\"buy\": 1.23, \"sell\": 12.50, \"net\": -11.27}, "
            "{\"code\": \"600002\", \"name\": \"二号\", \"seat\": \"\", \"nickname\": \"\", "
            "\"kind\": \"\", \"side\": \"sell\", \"buy\": 0.10, \"sell\": 0.70, \"net\": -0.60}]}\n");

  const std::string html = seats::FormatSummary(s, seats::SummaryFormat::kHtml);
  EXPECT_NE(html.find("&lt;b&gt;&quot;甲&quot;&lt;/b&gt; &amp; co"), std::string::npos) << html;
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  const std::string md = seats::FormatSummary(s, seats::SummaryFormat::kMarkdown);
  EXPECT_EQ(md.find("<b>"), std::string::npos);

  // Nothing watched on a day without those names: said plainly.
  const seats::Summary none = seats::MakeSummary("2020-01-07", {day[2]}, book);
  EXPECT_TRUE(none.items.empty());
  EXPECT_NE(seats::FormatSummary(none, seats::SummaryFormat::kText)
                .find("No listing of 2020-01-07 involves a watched Seat or code (1 Seats and 1 "
                      "codes watched)"),
            std::string::npos);
  EXPECT_EQ(seats::SummaryJson(none), "{\"date\": \"2020-01-07\", \"items\": []}\n");
}

}  // namespace
