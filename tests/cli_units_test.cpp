// The command line's own pieces: the figures' texts, the table writers, the
// progress report and the ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "cli/date_range.h"
#include "cli/download_progress.h"
#include "cli/figure_text.h"
#include "cli/table_output.h"
#include "listing/listing_grid.h"
#include "tests/test_support.h"
#include "text/numbers.h"

namespace {

using testing_support::TempDir;

TEST(CliFigureTest, ThreeDecimalsAreTheStatisticsGridsText) {
  std::mt19937_64 random(11);
  std::vector<double> values = {0,        -0.0, 0.001,  -0.001,   0.0005,  1e-5,   123456789.125,
                                9.9999e9, 1e10, 2.5e12, -3.14159, 1.0 / 3, 617.28, -11686.68};
  for (int i = 0; i < 20000; ++i) {
    const long long k = static_cast<long long>(random() % 2000000000000ull) - 1000000000000ll;
    values.push_back(text::RoundHalfAway(static_cast<double>(k) / 1000, 3));
    values.push_back(static_cast<double>(k) / 997);
  }
  for (double x : values) {
    std::string t;
    cli::AppendFigure(x, 3, t);
    ASSERT_EQ(t, listing::ListingFigureText(x)) << x;
  }
  std::string amount;
  cli::AppendFigure(1234567.89, 2, amount);
  cli::AppendFigure(-0.5, 2, amount += ' ');
  cli::AppendFigure(1.0 / 3, 2, amount += ' ');
  EXPECT_EQ(amount, "1234567.89 -0.50 0.33");
}

// What a writer put on its "standard output".
std::string Written(cli::TableFormat format, const sheets::Table& table) {
  TempDir dir;
  const auto path = dir / "out";
  std::FILE* stream = std::fopen(path.c_str(), "wb");
  cli::OutputTarget target;
  target.standard_output = stream;
  auto opened = cli::OpenTableWriter(format, target);
  EXPECT_TRUE(opened.writer) << opened.error;
  if (opened.writer) {
    EXPECT_FALSE(cli::WriteTable(table, *opened.writer).has_value());
  }
  std::fclose(stream);
  return testing_support::ReadFileBytes(path);
}

sheets::OwnedCell TextCell(std::string t) {
  return {sheets::Cell::Kind::kText, -1, std::move(t), 0};
}
sheets::OwnedCell NumberCell(double x, std::string shown) {
  return {sheets::Cell::Kind::kNumber, -1, std::move(shown), x};
}

sheets::Table Sample() {
  sheets::Table table;
  table.columns = {{"code"}, {"name \"x\""}, {"net", sheets::ColumnKind::kNumber, 3}};
  table.rows = {
      {TextCell("000001"), TextCell("a,b \"c\"\r\nd\\e\tf\x01"), NumberCell(-1.5, "-1.500")},
      {TextCell("600000"), TextCell("中国平安"), sheets::OwnedCell{}}};
  return table;
}

TEST(CliTableTest, CsvQuotesWhatItMustAndNothingElse) {
  EXPECT_EQ(Written(cli::TableFormat::kCsv, Sample()),
            "code,\"name \"\"x\"\"\",net\r\n"
            "000001,\"a,b \"\"c\"\"\r\nd\\e\tf\x01\",-1.500\r\n"
            "600000,中国平安,\r\n");
}

// Fields are looked through eight bytes at a time: each byte that needs
// quotes, at every place of a long field, is found, and the bytes next to
// them in value (blank, '+', '-', '%', DEL, UTF-8) quote nothing.
TEST(CliTableTest, CsvQuotesForEachSuchByteAnywhereInALongField) {
  const std::string plain = "12345.67|" + std::string("\xE4\xB8\xAD") + "% +-()\x7F\xFF 9.5";
  std::string out = "x," + plain;
  cli::QuoteCsvTextFrom(out, 2);
  EXPECT_EQ(out, "x," + plain);
  for (const char c : {',', '"', '\r', '\n'}) {
    for (size_t at = 0; at <= plain.size(); ++at) {
      std::string field = plain;
      field.insert(at, 1, c);
      out = "x," + field;
      cli::QuoteCsvTextFrom(out, 2);
      ASSERT_EQ(out.substr(0, 3), "x,\"") << int{c} << " at " << at;
      ASSERT_EQ(out.back(), '"') << int{c} << " at " << at;
    }
  }
}

TEST(CliTableTest, JsonEscapesAndWritesNullForNoValue) {
  const std::string object1 =
      "{\"code\":\"000001\",\"name \\\"x\\\"\":\"a,b \\\"c\\\"\\r\\nd\\\\e\\tf\\u0001\","
      "\"net\":-1.500}";
  const std::string object2 = "{\"code\":\"600000\",\"name \\\"x\\\"\":\"中国平安\",\"net\":null}";
  EXPECT_EQ(Written(cli::TableFormat::kJsonLines, Sample()), object1 + "\n" + object2 + "\n");
  EXPECT_EQ(Written(cli::TableFormat::kJson, Sample()),
            "[\n" + object1 + ",\n" + object2 + "\n]\n");
  sheets::Table empty;
  empty.columns = {{"code"}};
  EXPECT_EQ(Written(cli::TableFormat::kJson, empty), "[]\n");
}

TEST(CliTableTest, TheTextTableAlignsByTheColumnsATerminalShows) {
  sheets::Table table;
  table.columns = {{"name"}, {"net", sheets::ColumnKind::kNumber, 3}, {"seat"}};
  table.rows = {{TextCell("中国平安"), NumberCell(1, "1.000"), TextCell("x")},
                {TextCell("abc"), NumberCell(-120, "-120.000"), TextCell("机构专用")}};
  EXPECT_EQ(Written(cli::TableFormat::kTable, table),
            "name           net  seat\n"
            "--------  --------  --------\n"
            "中国平安     1.000  x\n"
            "abc       -120.000  机构专用\n");
}

TEST(CliTableTest, AFileIsOnlyThereOnceCompleteAndAnOlderOneOtherwiseStays) {
  TempDir dir;
  const auto path = dir / "out.csv";
  testing_support::WriteFileBytes(path, "older");
  cli::OutputTarget target;
  target.file = path;
  {
    auto opened = cli::OpenTableWriter(cli::TableFormat::kCsv, target);
    ASSERT_TRUE(opened.writer);
    opened.writer->Begin(Sample().columns);
  }  // abandoned
  EXPECT_EQ(testing_support::ReadFileBytes(path), "older");
  auto opened = cli::OpenTableWriter(cli::TableFormat::kCsv, target);
  ASSERT_FALSE(cli::WriteTable(Sample(), *opened.writer).has_value());
  EXPECT_EQ(testing_support::ReadFileBytes(path).substr(0, 5), "code,");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(CliProgressTest, TheBarCountsPagesRateAndTimeLeft) {
  EXPECT_EQ(cli::DownloadProgress::BarText(0, 783, 0, 0),
            "[------------------------] 0/783 pages, 0 failed");
  EXPECT_EQ(cli::DownloadProgress::BarText(392, 783, 2, 10),
            "[############------------] 392/783 pages, 2 failed, 39.2 pages/s, 0:10 left");
  EXPECT_EQ(cli::DownloadProgress::BarText(10, 7200, 0, 10),
            "[------------------------] 10/7200 pages, 0 failed, 1.0 pages/s, 1:59:50 left");
}

TEST(CliProgressTest, ATerminalGetsOneLineRedrawnAtMostTenTimesASecond) {
  TempDir dir;
  const auto path = dir / "err";
  std::FILE* stream = std::fopen(path.c_str(), "wb");
  double now = 100;
  cli::DownloadProgress progress(stream, true, [&] { return now; });
  progress.RunStarted(30);
  download::DownloadSummary so_far;
  so_far.planned = 30;
  download::PageReport report;
  for (int i = 1; i <= 30; ++i) {
    now += 1.0 / 64;  // 64 pages a second, in steps a double holds exactly
    so_far.done = i;
    report.index = i - 1;
    progress.PageDone(report, so_far);
  }
  progress.Finished(so_far);
  std::fclose(stream);
  const std::string err = testing_support::ReadFileBytes(path);
  // The first draw, pages 7, 14, 21 and 28 (0.1 s apart at least), the
  // last page; one line, ended once.
  EXPECT_EQ(std::count(err.begin(), err.end(), '\r'), 6) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_NE(err.find("30/30 pages, 0 failed, 64.0 pages/s, 0:00 left\x1b[K\n"), std::string::npos)
      << err;
}

TEST(CliRangeTest, DatesAreRealDaysAndRangesCountBackFromTheEnd) {
  EXPECT_TRUE(cli::ParseDate("2012-02-29"));
  EXPECT_FALSE(cli::ParseDate("2010-02-29"));
  EXPECT_FALSE(cli::ParseDate("2010-6-01"));
  EXPECT_FALSE(cli::ParseDate("2010-06-01 "));

  const auto now = text::DateTime::FromParts(2010, 6, 7, 19, 30);  // a Monday evening
  cli::RangeOptions month;
  month.quick = 2;
  const auto filter = cli::ExportFilter(month, now);
  EXPECT_EQ(filter.filter.from, "2010-05-08");
  EXPECT_EQ(filter.filter.to, "2010-06-07");
  cli::RangeOptions today;
  today.quick = 0;
  const auto plan = cli::PlanDownload(today, false, now);
  ASSERT_FALSE(plan.refusal) << *plan.refusal;
  EXPECT_EQ(plan.plan.dates, std::vector<std::string>{"2010-06-07"});
  EXPECT_TRUE(plan.plan.today_only);
  cli::RangeOptions from_only;
  from_only.from = "2010-06-03";
  EXPECT_EQ(cli::PlanDownload(from_only, true, now).plan.dates,
            (std::vector<std::string>{"2010-06-07", "2010-06-04", "2010-06-03"}));
}

}  // namespace
