// Copying cells as tab-separated text and exporting a grid as CSV.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/grid_export.h"
#include "listing/listing_grid.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::ParseCsv;

class ListingExportTest : public ::testing::Test {
 protected:
  ListingExportTest() {
    ui::Grid& g = p.window.高级表格_龙虎统计;
    listing::SetUpListingGrid(p.window.透明标签_排序标, g);
    g.SetRowCount(16);
    const std::vector<std::string> row1 = {
        "2010-06-26", G("中国平安"), "601318",   G("机构专用, \"上海\""), "150.000", "30.000",
        "-120.000",   "0.012",       G("查看>>")};
    for (int c = 0; c < 9; ++c) g.SetText(1, c, row1[static_cast<size_t>(c)]);
    g.SetInteger(1, 9, 7);
    g.SetText(2, 3, G("第一行\r\n第二行"));
    g.SetText(3, 0, "2010-06-25");
  }
  ui::Grid& grid() { return p.window.高级表格_龙虎统计; }
  testing_support::TestProgram p;
};

TEST_F(ListingExportTest, CsvHoldsTheShownColumnsAndRowsAndReadsBack) {
  const std::string csv = ui::GridAsCsv(grid());
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  const auto rows = ParseCsv(csv);
  ASSERT_EQ(rows.size(), 4u);  // title and rows 1 to 3; the blank rows below are left out
  // Plain headers a spreadsheet can use, and no column of links.
  EXPECT_EQ(rows[0][0], "日期");
  EXPECT_EQ(rows[0][1], "股名");
  EXPECT_EQ(rows[0][3], "席位");
  ASSERT_EQ(rows[1].size(), 8u);  // neither the record numbers nor the links
  EXPECT_EQ(rows[1],
            (std::vector<std::string>{"2010-06-26", "中国平安", "601318", "机构专用, \"上海\"",
                                      "150.000", "30.000", "-120.000", "0.012"}));
  EXPECT_EQ(rows[2][3], "第一行\r\n第二行");
  EXPECT_EQ(rows[2][0], "");
  EXPECT_EQ(rows[3][0], "2010-06-25");
  EXPECT_NE(csv.find("\"机构专用, \"\"上海\"\"\""), std::string::npos);
  EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
}

// Names and Seats come from web pages: a text a spreadsheet would run as a
// formula is written so that it shows as text; figures stay numbers.
TEST_F(ListingExportTest, TextsThatWouldRunAsFormulasAreDefused) {
  const std::vector<std::string> texts = {"=HYPERLINK(\"x\")", "+1+1", "-2+3", "@SUM(A1)",
                                          "\tTab", "\rCR", "-926.310", "+5", "-", "1e-05"};
  for (size_t i = 0; i < texts.size(); ++i) grid().SetText(static_cast<int>(i) + 1, 1, texts[i]);
  const auto rows = ParseCsv(ui::GridAsCsv(grid()));
  ASSERT_GE(rows.size(), texts.size() + 1);
  const std::vector<std::string> expected = {"'=HYPERLINK(\"x\")", "'+1+1", "'-2+3", "'@SUM(A1)",
                                             "'\tTab", "'\rCR", "-926.310", "+5", "'-", "1e-05"};
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(rows[i + 1][1], expected[i]) << texts[i];
  EXPECT_EQ(rows[1][6], "-120.000");
}

TEST_F(ListingExportTest, AnEmptyGridGivesTheTitleRowOnly) {
  ui::Grid& g = p.window.高级表格_搜索结果;
  listing::SetUpListingGrid(p.window.透明标签_排序标, g);
  g.SetRowCount(16);
  const auto rows = ParseCsv(ui::GridAsCsv(g));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][8], "详情");
  ui::Grid bare("bare", nullptr, -1, {}, "");
  EXPECT_EQ(ui::GridAsCsv(bare), "\xEF\xBB\xBF");
}

TEST_F(ListingExportTest, TabTextOfARangeCutToTheGrid) {
  EXPECT_EQ(ui::CellsAsTabText(grid(), {1, 0, 1, 2}), "2010-06-26\t中国平安\t601318");
  EXPECT_EQ(ui::CellsAsTabText(grid(), {1, 8, 2, 20}), "查看>>\t7\n\t");
  // A line break inside a cell would start a new row: it becomes blanks.
  EXPECT_EQ(ui::CellsAsTabText(grid(), {2, 3, 2, 3}), "第一行  第二行");
  EXPECT_EQ(ui::CellsAsTabText(grid(), {20, 0, 30, 3}), "");
}

TEST_F(ListingExportTest, InvalidGbkBecomesTheReplacementCharacter) {
  grid().SetText(1, 1, std::string("A\x81") + "\x20");  // a lead byte without its trail
  const std::string text = ui::CellsAsTabText(grid(), {1, 1, 1, 1});
  EXPECT_EQ(text.substr(0, 1), "A");
  EXPECT_NE(text.find("\xEF\xBF\xBD"), std::string::npos);
}

}  // namespace
