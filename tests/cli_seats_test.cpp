// quorvane-cli with Seat identities, as a user runs it on a store whose
// data-centre rows give two names one branch code: the Seat ranking by
// identity with its nickname and kind, the kind filter, an import that
// sets a nickname the watch list then accepts, and an import with a bad
// line that leaves the identities as they were.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/listing_extras.h"
#include "tests/cli_test_support.h"
#include "tests/program_fixture.h"

namespace {

using testing_support::G;
using testing_support::Lines;
using testing_support::RunCli;
using testing_support::Seat;
using testing_support::TempDir;

const char kCliOld[] = "申银万国证券股份有限公司上海东川路证券营业部";
const char kCliNew[] = "申万宏源证券有限公司上海东川路证券营业部";

testing_support::ListingRecord CliSeatsListing(const std::string& date, const std::string& code,
                                               const std::string& buyer,
                                               const std::string& seller) {
  auto r = testing_support::MakeListing(date, "甲", code, "10000");
  r[store::kBuySeats] = testing_support::SeatBlock({Seat{G(buyer), "100000", "0"}});
  r[store::kSellSeats] = testing_support::SeatBlock({Seat{G(seller), "0", "30000"}});
  return r;
}

class CliSeatsTest : public ::testing::Test {
 protected:
  CliSeatsTest() : file(store::StorePath(dir.path())) {
    store::Store store(file);
    EXPECT_FALSE(store.EnsureStore());
    testing_support::WriteListings(
        store, {CliSeatsListing("2020-01-06", "600001", kCliOld, "机构专用"),
                CliSeatsListing("2020-01-07", "600002", kCliNew, "沪股通专用"),
                CliSeatsListing("2020-01-08", "600003", "机构专用", kCliNew)});
    auto access = store.OpenStore();
    for (const auto& [date, code, name] : {std::tuple{"2020-01-06", "600001", kCliOld},
                                           std::tuple{"2020-01-07", "600002", kCliNew}}) {
      store::SeatCode row;
      row.date = date;
      row.code = code;
      row.reason = "r";
      row.name = G(name);
      row.branch = "31415";
      EXPECT_TRUE(access.WriteSeatCode(row));
    }
    EXPECT_FALSE(access.CloseStore());
  }

  testing_support::ProgramRun Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--store", file.string()});
    return RunCli(args);
  }

  std::filesystem::path Write(const std::string& name, const std::string& content) {
    const auto path = dir.path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  TempDir dir;
  std::filesystem::path file;
};

TEST_F(CliSeatsTest, SeatsCountByIdentityWithNicknameKindAndTheKindFilter) {
  const auto import = Write("nick.csv",
                            "names,branch,kind,nickname,note\n" + std::string(kCliNew) +
                                ",,游资,\"东川, 路\",renamed 2020\n");
  const auto imported = Cli({"seats", "import", import.string()});
  ASSERT_EQ(imported.status, 0) << imported.err;

  const auto all = Cli({"stats", "seats", "--format", "csv"});
  ASSERT_EQ(all.status, 0) << all.err;
  const auto lines = Lines(all.out);
  ASSERT_EQ(lines.size(), 4u) << all.out;  // the header and three identities
  EXPECT_EQ(lines[0].rfind("seat,nickname,kind,listings,", 0), 0u) << lines[0];
  EXPECT_NE(all.out.find(std::string(kCliNew) + ",\"东川, 路\",游资,3,"), std::string::npos)
      << all.out;
  EXPECT_EQ(all.out.find(kCliOld), std::string::npos);

  size_t rows = 0;
  for (const char* kind : {"机构", "北向", "游资", "营业部"}) {
    const auto part = Cli({"stats", "seats", "--format", "csv", "--kind", kind});
    ASSERT_EQ(part.status, 0) << part.err;
    rows += Lines(part.out).size() - 1;
  }
  EXPECT_EQ(rows, 3u);

  // The nickname stands for the Seat.
  const auto watched = Cli({"watch", "add", "--seat", "东川, 路"});
  EXPECT_EQ(watched.status, 0) << watched.err;
  const auto list = Cli({"watch", "list"});
  EXPECT_NE(list.out.find(kCliNew), std::string::npos) << list.out;

  // The newest day's summary; a webhook nobody takes gives 3 and keeps the file.
  const auto html = dir.path() / "today.html";
  const auto summary = Cli({"summary", "--format", "html", "-o", html.string(), "--webhook",
                            "http://127.0.0.1:1/hook"});
  EXPECT_EQ(summary.status, 3) << summary.err;
  std::ifstream kept(html);
  const std::string page((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_NE(page.find("2020-01-08"), std::string::npos) << page;
  EXPECT_NE(page.find("东川, 路"), std::string::npos) << page;
  EXPECT_EQ(Cli({"summary", "--webhook", "ftp://127.0.0.1/"}).status, 1);
}

TEST_F(CliSeatsTest, AnImportWithABadLineLeavesTheIdentitiesAsTheyWere) {
  const auto before = Cli({"seats", "export"});
  ASSERT_EQ(before.status, 0) << before.err;
  const std::string header = "names,branch,kind,nickname,note\n";
  const std::string good = std::string(kCliNew) + ",,游资,东川路,\n";
  struct Case {
    std::string body;
    std::string line;
  } cases[] = {
      {good + "机构专用,,外资,,\n", ":3:"},                      // an unknown kind
      // A quoted field over two lines: the bad line after it is still line 6.
      {good + "\"多行\n名称\",,营业部,,\n机构专用,,机构,,\nx,,y,,\n", ":6:"},
      {good + "沪股通专用,,北向,东川路,\n", ":3:"},               // a nickname of another identity
      {good + "😀 Branch,,营业部,,\n", ":3:"},                   // a name outside GBK
  };
  for (const Case& c : cases) {
    const auto path = Write("bad.csv", header + c.body);
    const auto run = Cli({"seats", "import", path.string()});
    EXPECT_EQ(run.status, 1) << c.body;
    EXPECT_NE(run.err.find(c.line), std::string::npos) << run.err;
    const auto after = Cli({"seats", "export"});
    EXPECT_EQ(after.out, before.out) << c.body;
  }
}

}  // namespace
