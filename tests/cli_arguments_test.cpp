// quorvane-cli refuses what it cannot do: exit status 1, one line on
// standard error, nothing on standard output, and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli_test_support.h"
#include "tests/test_support.h"

namespace {

using testing_support::EnvironmentChange;
using testing_support::Lines;
using testing_support::RunCli;
using testing_support::TempDir;

struct Refusal {
  std::vector<std::string> args;  // after --store
  std::string says;               // part of the one line
  std::vector<EnvironmentChange> environment = {};
};

class CliRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(CliRefusalTest, ExitsOneWithOneLineAndWritesNothing) {
  TempDir dir;
  const auto store = dir / "Data.edb";
  std::vector<std::string> args = {"--store", store.string()};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const auto run = RunCli(args, GetParam().environment);
  EXPECT_EQ(run.status, 1) << run.err;
  const auto lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0].rfind("quorvane-cli: ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(GetParam().says), std::string::npos) << lines[0];
  EXPECT_EQ(run.out, "");
  // Not even the store is created, nor an export's file or side file.
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliRefusalTest,
    ::testing::Values(
        Refusal{{}, "A subcommand is required"}, Refusal{{"fetch"}, "no subcommand \"fetch\""},
        Refusal{{"download", "--week", "--bogus"}, "--bogus"},
        Refusal{{"download"}, "choose a range"},
        Refusal{{"download", "--week", "--month"}, "--week and --month are two ranges"},
        Refusal{{"download", "--year", "--from", "2010-06-01"}, "two ranges"},
        Refusal{{"download", "--from", "2010-13-01"}, "YYYY-MM-DD"},
        Refusal{{"download", "--from", "2010-02-30"}, "YYYY-MM-DD"},
        Refusal{{"download", "--to", "2010-06-04"}, "--to needs --from"},
        Refusal{{"export", "--format", "xml"}, "xml"},
        Refusal{{"export", "--format", "xlsx"}, "--output"},
        Refusal{{"--source", "http://127.0.0.1:18080", "download", "--week"}, "--source"},
        Refusal{{"--source", "127.0.0.1:0", "download", "--week"}, "port"},
        Refusal{{"download", "--week"},
                "QUORVANE_SOURCE_HOST",
                {{"QUORVANE_SOURCE_HOST", "a host with blanks"}}}));

// The window's own refusals, in its words, on one line.
INSTANTIATE_TEST_SUITE_P(
    WindowRules, CliRefusalTest,
    ::testing::Values(
        Refusal{{"download", "--from", "2010-06-05", "--to", "2010-06-04"},
                "开始日期必须早于结束日期"},
        Refusal{{"export", "--from", "2010-06-05", "--to", "2010-06-04"},
                "开始日期必须早于结束日期"},
        // A Saturday and a Sunday: no trading day.
        Refusal{{"download", "--from", "2010-06-05", "--to", "2010-06-06"},
                "所选日无数据或未开市，请重新选择！"},
        Refusal{{"download", "--today", "--to", "2010-06-06"}, "所选日无数据或未开市"},
        // More than a year of weekdays; the window's message has line
        // breaks, the command line's one line keeps both sentences.
        Refusal{{"download", "--from", "2009-01-01", "--to", "2010-06-04"},
                "抱歉，由于数据量过大，日期范围限在一年之内！ 如有特别需要，可联系软件作者！"},
        Refusal{{"download", "--week", "--to", "2999-01-01"}, "已超出交易日期范围，请重新选择！"}));

TEST(CliHelpTest, HelpAndVersionGoToStandardOutputWithStatusZero) {
  TempDir dir;
  const auto help = RunCli({"--help"}, {{"XDG_DATA_HOME", dir.path().string()}});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* part : {"download", "export", "check", "dedupe", "--store", "--source",
                           "QUORVANE_SOURCE_HOST", "XDG_DATA_HOME", "Exit status", "Examples"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  const auto sub = RunCli({"download", "--help"});
  EXPECT_EQ(sub.status, 0);
  EXPECT_NE(sub.out.find("--replace"), std::string::npos);
  EXPECT_NE(sub.out.find("--half-year"), std::string::npos);
  const auto version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("quorvane-cli ", 0), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
