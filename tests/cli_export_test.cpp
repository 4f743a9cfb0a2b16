// quorvane-cli export: what a standard CSV reader, a JSON reader and the
// statistics grid see in the files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "listing/listing_grid.h"
#include "listing/statistics_query.h"
#include "tests/cli_test_support.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::Lines;
using testing_support::ListingRecord;
using testing_support::MakeListing;
using testing_support::ParseCsv;
using testing_support::RunCli;
using testing_support::RunProgram;
using testing_support::SystemPython;

class CliExportTest : public ::testing::Test {
 protected:
  CliExportTest() {
    std::vector<ListingRecord> records = {
        MakeListing("2010-06-03", "平安银行", "000001", "12,345.67", "1234567.89", "234567.01"),
        MakeListing("2010-06-03", "科大讯飞", "002230", "999.5"),
        // No turnover: no strength.
        MakeListing("2010-06-04", "浦发银行", "600000", "0"),
        MakeListing("2010-06-04", "深振业Ａ", "000006", "1,000", "0.01", "100000000.99"),
        MakeListing("2010-06-07", "万科A", "000002", "5,000"),
    };
    // Texts a CSV must quote.
    records[1][store::kReason] = G("涨幅偏离值达7%, \"连续\"");
    records[3][store::kValue] = "a\r\nb";
    testing_support::WriteListings(p.store, records);
    store_path = p.store.Path().string();
  }

  testing_support::ProgramRun Export(std::vector<std::string> args) {
    args.insert(args.begin(), {"--store", store_path, "export"});
    return RunCli(args);
  }

  testing_support::TestProgram p;
  std::string store_path;
};

TEST_F(CliExportTest, CsvReadsBackWithCodesAsTextAndTheStatisticsGridsFigures) {
  const auto out = p.dir / "all.csv";
  const auto run = Export({"-o", out.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = ParseCsv(testing_support::ReadFileBytes(out));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"date", "name", "code", "reason", "value", "volume",
                                               "turnover", "buy_seats", "sell_seats", "buy", "sell",
                                               "net", "strength"}));
  EXPECT_EQ(rows[1][1], "平安银行");
  EXPECT_EQ(rows[2][3], "涨幅偏离值达7%, \"连续\"");
  EXPECT_EQ(rows[4][4], "a\r\nb");
  EXPECT_EQ(rows[4][1], "深振业Ａ");
  EXPECT_EQ(rows[1][8].substr(0, 5), "卖1|");
  // Volume and turnover as numbers, without thousands separators.
  EXPECT_EQ(rows[1][5], "1234.56");
  EXPECT_EQ(rows[1][6], "12345.67");
  EXPECT_EQ(rows[4][6], "1000");

  // The statistics grid over the same store, matched by record number.
  ui::Grid& grid = p.window.高级表格_龙虎统计;
  listing::SetUpListingGrid(p.window.透明标签_排序标, grid);
  listing::FillListingGrid(p.ctx, grid, {});
  std::map<std::string, int> grid_row;
  for (int r = 1; r < grid.RowCount(); ++r)
    if (!grid.Text(r, listing::kRecordNumberColumn).empty())
      grid_row[grid.Text(r, listing::kRecordNumberColumn)] = r;
  ASSERT_EQ(grid_row.size(), 5u);
  for (size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    const int r = grid_row.at(std::to_string(i));
    EXPECT_EQ(rows[i][2], grid.Text(r, 2));
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(rows[i][9 + static_cast<size_t>(k)], grid.Text(r, 4 + k)) << k;
  }
  EXPECT_EQ(rows[3][12], "");  // no turnover, no strength

  // A standard reader (Python's csv module, as pandas reads it) sees the
  // header and the codes with their leading zeros.
  const auto python =
      RunProgram({SystemPython(), "-c",
                  "import csv,sys\n"
                  "rows=list(csv.DictReader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
                  "print(len(rows[0]))\n"
                  "for r in rows: print(r['code'], float(r['net']))\n",
                  out.string()});
  ASSERT_EQ(python.status, 0) << python.err;
  const auto lines = Lines(python.out);
  ASSERT_EQ(lines.size(), 6u) << python.out;
  EXPECT_EQ(lines[0], "13");
  EXPECT_EQ(lines[1].substr(0, 7), "000001 ");
  EXPECT_EQ(lines[4].substr(0, 7), "000006 ");
}

TEST_F(CliExportTest, RangesPickTheirDates) {
  const auto june3 = Export({"--from", "2010-06-03", "--to", "2010-06-03"});
  ASSERT_EQ(june3.status, 0) << june3.err;
  const auto rows = ParseCsv(june3.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][2], "000001");
  EXPECT_EQ(rows[2][2], "002230");
  // A week back from 2010-06-07: 06-01 to 06-07.
  const auto week = Export({"--week", "--to", "2010-06-07"});
  EXPECT_EQ(ParseCsv(week.out).size(), 6u);
  const auto today = Export({"--today", "--to", "2010-06-04"});
  EXPECT_EQ(ParseCsv(today.out).size(), 3u);
  EXPECT_EQ(week.err, "");  // standard output only: nothing said
}

TEST_F(CliExportTest, SeatRowsOneEntryEachAsJsonLines) {
  const auto run =
      Export({"--seats", "--format", "jsonl", "--from", "2010-06-03", "--to", "2010-06-03"});
  ASSERT_EQ(run.status, 0) << run.err;
  // Ten Seats per listing, buy side first.
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[0],
            "{\"date\":\"2010-06-03\",\"code\":\"000001\",\"name\":\"平安银行\",\"side\":\"buy\","
            "\"position\":1,\"seat\":\"买1\",\"buy\":1234567.89,\"sell\":0.00}");
  EXPECT_EQ(lines[9],
            "{\"date\":\"2010-06-03\",\"code\":\"000001\",\"name\":\"平安银行\",\"side\":\"sell\","
            "\"position\":5,\"seat\":\"卖5\",\"buy\":0.00,\"sell\":234567.01}");
  EXPECT_NE(lines[10].find("\"code\":\"002230\""), std::string::npos);
}

TEST_F(CliExportTest, EveryJsonLineParsesWithCodesAsStrings) {
  const auto out = p.dir / "all.jsonl";
  ASSERT_EQ(Export({"--format", "jsonl", "-o", out.string()}).status, 0);
  const auto python =
      RunProgram({SystemPython(), "-c",
                  "import json,sys\n"
                  "for line in open(sys.argv[1],encoding='utf-8'):\n"
                  "  o=json.loads(line)\n"
                  "  assert isinstance(o['code'],str) and isinstance(o['net'],float)\n"
                  "  assert isinstance(o['volume'],float)\n"
                  "  assert isinstance(o['turnover'],(int,float))\n"
                  "  print(o['code'], o['value'] == 'a\\r\\nb', o['strength'])\n",
                  out.string()});
  ASSERT_EQ(python.status, 0) << python.err;
  const auto lines = Lines(python.out);
  ASSERT_EQ(lines.size(), 5u) << python.out;
  EXPECT_EQ(lines[2], "600000 False None");
  EXPECT_EQ(lines[3].substr(0, 12), "000006 True ");
}

// CSV rows are written by a path of their own: volume and turnover come out
// as the JSON (which goes through the cells) writes them, for any text a
// page may hold.
TEST_F(CliExportTest, VolumeAndTurnoverReadTheSameInCsvAsInJson) {
  testing_support::TestProgram odd;
  const std::vector<std::string> texts = {
      "+.5",     "007",  "-0.50", "1,2,3", "12345678901234567", "1.1234567", "-",
      "",        "1e3",  "0.000", ".5",    "-12,345.6",         "12,345.67", "1234567890.123456"};
  std::vector<ListingRecord> records;
  for (size_t i = 0; i < texts.size(); ++i) {
    records.push_back(MakeListing("2010-06-03", "平安银行", "000001", texts[i]));
    records.back()[store::kVolume] = texts[texts.size() - 1 - i];
  }
  records.back()[store::kVolume] = G("１２３");
  testing_support::WriteListings(odd.store, records);
  const std::string path = odd.store.Path().string();
  const auto csv = RunCli({"--store", path, "export"});
  const auto json = RunCli({"--store", path, "export", "--format", "jsonl"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  ASSERT_EQ(json.status, 0) << json.err;
  const auto rows = ParseCsv(csv.out);
  const auto objects = Lines(json.out);
  ASSERT_EQ(rows.size(), texts.size() + 1);
  ASSERT_EQ(objects.size(), texts.size());
  const auto json_value = [](const std::string& object, const std::string& key) {
    const size_t at = object.find("\"" + key + "\":");
    if (at == std::string::npos) return std::string("missing");
    const size_t from = at + key.size() + 3;
    const std::string value = object.substr(from, object.find_first_of(",}", from) - from);
    return value == "null" ? std::string() : value;
  };
  for (size_t i = 0; i < objects.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    EXPECT_EQ(rows[i + 1][5], json_value(objects[i], "volume"));
    EXPECT_EQ(rows[i + 1][6], json_value(objects[i], "turnover"));
  }
  EXPECT_EQ(rows[1][6], "0.5");
  EXPECT_EQ(rows[13][6], "12345.67");
}

TEST_F(CliExportTest, AStoreThatCannotBeReadLeavesNoFileAndAnOldOneAlone) {
  const auto out = p.dir / "old.csv";
  testing_support::WriteFileBytes(out, "earlier export");
  const auto missing = p.dir / "missing.edb";
  const auto run = RunCli({"--store", missing.string(), "export", "-o", out.string()});
  EXPECT_EQ(run.status, 2);
  ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
  EXPECT_NE(run.err.find("no store at"), std::string::npos);
  EXPECT_EQ(testing_support::ReadFileBytes(out), "earlier export");
  EXPECT_FALSE(std::filesystem::exists(missing));
  for (const auto& entry : std::filesystem::directory_iterator(p.dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
}

}  // namespace

namespace {

// The stock ranking agrees with the listings' own figures (one listing per
// code here), comes sorted by net, and --top and a range cut it.
TEST_F(CliExportTest, StockStatsAgreeWithTheListingsAndComeSortedByNet) {
  const auto listings = Export({});
  ASSERT_EQ(listings.status, 0) << listings.err;
  std::map<std::string, double> net_of_code;
  const auto exported = ParseCsv(listings.out);
  for (size_t i = 1; i < exported.size(); ++i)
    net_of_code[exported[i][2]] = std::stod(exported[i][11]);

  const auto stats = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--store", store_path, "stats", "stocks", "--format", "csv"});
    return RunCli(args);
  };
  const auto all = stats({});
  ASSERT_EQ(all.status, 0) << all.err;
  const auto rows = ParseCsv(all.out);
  ASSERT_EQ(rows.size(), 6u) << all.out;
  EXPECT_EQ(rows[0][0], "code");
  EXPECT_EQ(rows[0][5], "net");
  for (size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i][0]);
    ASSERT_EQ(net_of_code.count(rows[i][0]), 1u);
    EXPECT_NEAR(std::stod(rows[i][5]), net_of_code[rows[i][0]], 0.006);
    if (i > 1) {
      EXPECT_GE(std::stod(rows[i - 1][5]), std::stod(rows[i][5]));
    }
  }

  const auto top = stats({"--top", "2"});
  ASSERT_EQ(top.status, 0) << top.err;
  EXPECT_EQ(ParseCsv(top.out), std::vector<std::vector<std::string>>(rows.begin(), rows.begin() + 3));

  const auto friday = stats({"--from", "2010-06-04", "--to", "2010-06-04"});
  ASSERT_EQ(friday.status, 0) << friday.err;
  std::vector<std::string> codes;
  for (const auto& row : ParseCsv(friday.out)) codes.push_back(row[0]);
  std::sort(codes.begin() + 1, codes.end());
  EXPECT_EQ(codes, (std::vector<std::string>{"code", "000006", "600000"}));

  // Refusals write nothing and say why in one line.
  EXPECT_EQ(stats({"--top", "0"}).status, 1);
  const auto no_file = RunCli({"--store", store_path, "stats", "seats", "--format", "xlsx"});
  EXPECT_EQ(no_file.status, 1);
  EXPECT_TRUE(no_file.out.empty());
}

}  // namespace
