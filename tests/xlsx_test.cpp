// The .xlsx files read back with openpyxl: one sheet, the title row
// frozen, codes as text with their leading zeros, figures as numbers with
// the decimals the grid shows.
#include <gtest/gtest.h>

#include "app/grid_exports.h"
#include "text/gbk.h"
#include "ui/export_action.h"

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "listing/listing_grid.h"
#include "sheets/xlsx_writer.h"
#include "tests/cli_test_support.h"
#include "tests/program_fixture.h"
#include "ui/grid_xlsx.h"

namespace {

using testing_support::G;
using testing_support::Lines;
using testing_support::MakeListing;
using testing_support::RunCli;
using testing_support::RunProgram;
using testing_support::TempDir;

struct SheetCell {
  std::string type;    // openpyxl: "s" text, "n" number
  std::string format;  // number format
  std::string value;   // as JSON
};

struct Sheet {
  std::string sheets;
  std::string freeze;
  int rows = 0;
  int columns = 0;
  std::map<std::pair<int, int>, SheetCell> cells;  // (row, column), 1-based
  const SheetCell& at(int row, int column) const {
    static const SheetCell none;
    auto it = cells.find({row, column});
    return it == cells.end() ? none : it->second;
  }
};

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return parts;
    start = tab + 1;
  }
}

Sheet ReadBack(const std::filesystem::path& file) {
  Sheet sheet;
  const auto run = RunProgram({testing_support::SystemPython(), QUORVANE_XLSX_DUMP, file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  for (const auto& line : Lines(run.out)) {
    const auto parts = Split(line);
    if (parts[0] == "sheets") {
      sheet.sheets = line.substr(7);
    } else if (parts[0] == "freeze") {
      sheet.freeze = parts[1];
    } else if (parts[0] == "size") {
      sheet.rows = std::stoi(parts[1]);
      sheet.columns = std::stoi(parts[2]);
    } else if (parts.size() == 5) {
      sheet.cells[{std::stoi(parts[0]), std::stoi(parts[1])}] = {parts[2], parts[3], parts[4]};
    }
  }
  return sheet;
}

// The window's grid 龙虎统计 set up as its page does, with `rows` rows.
ui::Grid& ShownListingGrid(testing_support::TestProgram& p, int rows) {
  ui::Grid& grid = p.window.高级表格_龙虎统计;
  listing::SetUpListingGrid(p.window.透明标签_排序标, grid);
  grid.SetRowCount(rows);
  return grid;
}

// A listing bought by 机构专用, as the grid shows it.
listing::ListingRow ShownListingRow() {
  listing::ListingRow row;
  row.date = "2010-06-04";
  row.stock_name = G("深振业Ａ");
  row.stock_code = "000006";
  row.first_buy_seat = G("机构专用");
  row.buy_total = 150;
  row.record_number = 7;
  return row;
}

TEST(XlsxTest, CliExportKeepsCodesAsTextAndFiguresAsThreeDecimalNumbers) {
  testing_support::TestProgram p;
  auto first = MakeListing("2010-06-03", "平安银行", "000001", "12,345.67", "1234567.89", "0.00");
  first[store::kReason] = G("=SUM(A1)");  // a text, never a formula
  testing_support::WriteListings(p.store,
                                 {first, MakeListing("2010-06-04", "浦发银行", "600000", "0")});
  const auto out = p.dir / "export.xlsx";
  const auto run = RunCli(
      {"--store", p.store.Path().string(), "export", "--format", "xlsx", "-o", out.string()});
  ASSERT_EQ(run.status, 0) << run.err;

  const Sheet sheet = ReadBack(out);
  EXPECT_EQ(sheet.sheets, "listings");
  EXPECT_EQ(sheet.freeze, "A2");
  EXPECT_EQ(sheet.rows, 3);
  EXPECT_EQ(sheet.columns, 13);
  EXPECT_EQ(sheet.at(1, 3).value, "\"code\"");
  EXPECT_EQ(sheet.at(2, 3).type, "s");
  EXPECT_EQ(sheet.at(2, 3).value, "\"000001\"");
  EXPECT_EQ(sheet.at(2, 1).value, "\"2010-06-03\"");
  EXPECT_EQ(sheet.at(2, 1).type, "s");
  EXPECT_EQ(sheet.at(2, 2).value, "\"平安银行\"");
  EXPECT_EQ(sheet.at(2, 4).type, "s");
  EXPECT_EQ(sheet.at(2, 4).value, "\"=SUM(A1)\"");
  // Volume and turnover, stored as "1,234.56" and "12,345.67", are numbers.
  EXPECT_EQ(sheet.at(2, 6).type, "n");
  EXPECT_EQ(sheet.at(2, 6).value, "1234.56");
  EXPECT_EQ(sheet.at(2, 7).type, "n");
  EXPECT_EQ(sheet.at(2, 7).value, "12345.67");
  // buy = 5 × 1234567.89 yuan in 10,000 yuan, rounded to 2 decimals.
  EXPECT_EQ(sheet.at(2, 10).type, "n");
  EXPECT_EQ(sheet.at(2, 10).format, "0.000");
  EXPECT_EQ(sheet.at(2, 10).value, "617.28");
  EXPECT_EQ(sheet.at(3, 13).value, "");  // no turnover: no strength
  EXPECT_EQ(sheet.at(3, 3).value, "\"600000\"");
}

TEST(XlsxTest, SeatExportHoldsAmountsWithTwoDecimals) {
  testing_support::TestProgram p;
  testing_support::WriteListings(
      p.store, {MakeListing("2010-06-03", "平安银行", "000001", "100", "1234567.89", "5.5")});
  const auto out = p.dir / "seats.xlsx";
  const auto run = RunCli({"--store", p.store.Path().string(), "export", "--seats", "--format",
                           "xlsx", "-o", out.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const Sheet sheet = ReadBack(out);
  EXPECT_EQ(sheet.sheets, "seats");
  EXPECT_EQ(sheet.rows, 11);
  EXPECT_EQ(sheet.at(2, 2).value, "\"000001\"");
  EXPECT_EQ(sheet.at(2, 5).value, "1");
  EXPECT_EQ(sheet.at(2, 7).value, "1234567.89");
  EXPECT_EQ(sheet.at(2, 7).format, "0.00");
  EXPECT_EQ(sheet.at(11, 4).value, "\"sell\"");
  EXPECT_EQ(sheet.at(11, 8).value, "5.5");
}

// "导出Excel…" on the window: the name gets its ending, the headers are
// plain names and the column of "查看>>" links is left out.
TEST(XlsxTest, TheWindowsExportEndsInXlsxWithPlainHeadersAndNoLinkColumn) {
  testing_support::TestProgram p;
  ui::Grid& grid = ShownListingGrid(p, 3);
  listing::ListingRow row = ShownListingRow();
  listing::WriteListingRow(grid, 1, row);

  TempDir dir;
  // The dialog offers the page and the dates of its rows; the user types a
  // name without the ending.
  p.platform.QueueSaveFileName(dir / "统计");
  ASSERT_EQ(ui::ExportGrid(p.platform, grid, app::ExcelExport()), ui::ExportOutcome::kWritten);
  EXPECT_EQ(p.platform.save_dialogs().back().suggested, "龙虎统计_2010-06-04.xlsx");
  ASSERT_TRUE(std::filesystem::exists(dir / "统计.xlsx"));
  EXPECT_FALSE(std::filesystem::exists(dir / "统计"));
  const Sheet sheet = ReadBack(dir / "统计.xlsx");
  EXPECT_EQ(sheet.columns, 8);
  const char* const headers[] = {"日期", "股名", "代码", "席位", "买入(万)", "卖出(万)",
                                 "净流(万)", "力度"};
  for (int c = 1; c <= 8; ++c)
    EXPECT_EQ(sheet.at(1, c).value, "\"" + std::string(headers[c - 1]) + "\"") << c;
  EXPECT_EQ(sheet.at(2, 3).value, "\"000006\"");
  row.date = "2010-05-31";
  listing::WriteListingRow(grid, 2, row);
  EXPECT_EQ(text::Utf8(app::ExcelExport().suggested_name(grid)),
            "龙虎统计_2010-05-31_2010-06-04.xlsx");
  // A name with the ending keeps it.
  ASSERT_TRUE(app::ExcelExport().write(grid, dir / "周.XLSX"));
  EXPECT_TRUE(std::filesystem::exists(dir / "周.XLSX"));
}

// The window's grid as it shows: what "导出Excel…" writes.
TEST(XlsxTest, GridAsShownWithoutItsHiddenColumnAndBlankRows) {
  testing_support::TestProgram p;
  ui::Grid& grid = ShownListingGrid(p, 16);
  listing::ListingRow row = ShownListingRow();
  row.sell_total = 30.5;
  row.net = -120.25;
  row.strength = 0.012;
  listing::WriteListingRow(grid, 1, row);
  row.stock_code = "002230";
  row.strength.reset();
  listing::WriteListingRow(grid, 2, row);

  TempDir dir;
  const auto out = dir / "grid.xlsx";
  ASSERT_FALSE(ui::WriteGridXlsx(grid, out, "龙虎统计").has_value());
  const Sheet sheet = ReadBack(out);
  EXPECT_EQ(sheet.sheets, "龙虎统计");
  EXPECT_EQ(sheet.freeze, "A2");
  EXPECT_EQ(sheet.rows, 3);     // the title row and two listings
  EXPECT_EQ(sheet.columns, 9);  // the record-number column is hidden
  EXPECT_EQ(sheet.at(1, 3).value, "\"代 码\"");
  EXPECT_EQ(sheet.at(2, 3).type, "s");
  EXPECT_EQ(sheet.at(2, 3).value, "\"000006\"");
  EXPECT_EQ(sheet.at(3, 3).value, "\"002230\"");
  EXPECT_EQ(sheet.at(2, 2).value, "\"深振业Ａ\"");
  for (int c = 5; c <= 8; ++c) {
    EXPECT_EQ(sheet.at(2, c).type, "n") << c;
    EXPECT_EQ(sheet.at(2, c).format, "0.000") << c;
  }
  EXPECT_EQ(sheet.at(2, 6).value, "30.5");
  EXPECT_EQ(sheet.at(2, 7).value, "-120.25");
  EXPECT_EQ(sheet.at(2, 8).value, "0.012");
  EXPECT_EQ(sheet.at(3, 8).value, "");
  EXPECT_EQ(sheet.at(2, 9).value, "\"查看>>\"");
}

TEST(XlsxTest, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothing) {
  TempDir dir;
  const auto out = dir / "no-such-folder" / "x.xlsx";
  sheets::Table table;
  table.columns = {{"code"}};
  table.rows = {{sheets::OwnedCell{sheets::Cell::Kind::kText, -1, "000001", 0}}};
  const auto error = sheets::WriteXlsx(table, out, "x");
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(std::filesystem::exists(out.parent_path()));

  // An export that fails half-way leaves an older file as it was.
  const auto old = dir / "old.xlsx";
  testing_support::WriteFileBytes(old, "older");
  {
    sheets::XlsxWriter writer(old, "x");
    ASSERT_TRUE(writer.SetColumns(table.columns));
    const sheets::Cell row[] = {sheets::Cell::Text("000001")};
    ASSERT_TRUE(writer.AddRow(row));
  }  // never closed
  EXPECT_EQ(testing_support::ReadFileBytes(old), "older");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
