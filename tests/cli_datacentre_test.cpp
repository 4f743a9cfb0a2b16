// quorvane-cli with the data centre as its source, against the loopback fake:
// the same store whichever way the Seats are asked, what the side tables
// carry into JSON lines, the older report name, unreadable answers kept and
// pointed to, and https with certificates checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/datacentre_source.h"
#include "store/download_log.h"
#include "store/record_store.h"
#include "tests/cli_test_support.h"
#include "tests/test_support.h"
#include "tools/sample-source/sample_server.h"

namespace {

using sample_source::Fault;
using testing_support::Lines;
using testing_support::ProgramRun;
using testing_support::RunCli;
using testing_support::RunProgram;
using testing_support::StoredRecords;
using testing_support::TempDir;

class CliDataCentreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(source.Start(), 0); }

  // A download of the data centre's week (or `from`..`to`) into `file`.
  ProgramRun Download(const std::filesystem::path& file, const std::string& host,
                      const std::vector<testing_support::EnvironmentChange>& env = {},
                      const std::string& from = "2010-05-31",
                      const std::string& to = "2010-06-04") {
    std::vector<testing_support::EnvironmentChange> changes = {
        {"XDG_CACHE_HOME", (dir / "cache").string()}, {"QUORVANE_CA_FILE", std::nullopt}};
    changes.insert(changes.end(), env.begin(), env.end());
    return RunCli({"--store", file.string(), "--source", host, "--source-kind", "datacenter",
                   "--request-gap", "0", "download", "--from", from, "--to", to},
                  changes);
  }

  std::string Export(const std::filesystem::path& file, bool seats) {
    std::vector<std::string> args = {"--store", file.string(), "export", "--format", "jsonl"};
    if (seats) args.push_back("--seats");
    const ProgramRun run = RunCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  std::vector<store::PageLogEntry> Log(const std::filesystem::path& file) {
    store::Store s(file);
    auto access = s.OpenStore();
    store::PageLogRows rows;
    EXPECT_TRUE(access.ReadPageLog("0000", "9999", &rows));
    return rows.rows;
  }

  sample_source::SampleSource source;
  TempDir dir;
};

TEST_F(CliDataCentreTest, AWeekIsTheSameStoreWhetherTheSeatsComeByDateOrByStock) {
  const auto by_date = dir / "by-date.edb";
  const auto by_stock = dir / "by-stock.edb";
  const ProgramRun first = Download(by_date, source.Host());
  ASSERT_EQ(first.status, 0) << first.err;
  const size_t date_requests = source.RequestCount();
  source.SetSeatsNeedCode(true);
  const ProgramRun second = Download(by_stock, source.Host());
  ASSERT_EQ(second.status, 0) << second.err;
  const size_t stock_requests = source.RequestCount() - date_requests;
  EXPECT_NE(second.err.find("note: the data centre takes the Seat reports only for one stock"),
            std::string::npos)
      << second.err;

  EXPECT_GT(StoredRecords(by_date).size(), 40u);
  EXPECT_EQ(StoredRecords(by_stock), StoredRecords(by_date));
  // The listings with what the nine fields do not hold, and the Seats with
  // their branches: the same, line for line.
  const std::string listings = Export(by_date, false);
  EXPECT_EQ(Export(by_stock, false), listings);
  EXPECT_EQ(Export(by_stock, true), Export(by_date, true));
  const std::vector<std::string> lines = Lines(listings);
  ASSERT_FALSE(lines.empty());
  for (const char* key : {"\"reason_full\":\"", "\"close\":", "\"list_buy\":", "\"explain\":\"",
                          "\"after_10_days\":null"})
    EXPECT_NE(lines[0].find(key), std::string::npos) << key << " in " << lines[0];
  const std::string seats = Export(by_date, true);
  EXPECT_NE(seats.find("\"branch_code\":\"101"), std::string::npos) << seats.substr(0, 400);
  // Three requests a day (the list, each Seat report) against two a stock.
  EXPECT_EQ(date_requests, 15u);
  EXPECT_GT(stock_requests, 4 * date_requests);
}

TEST_F(CliDataCentreTest, AnOlderReportNameIsAskedAndSaidOnce) {
  source.SetNewDayReportRefused(true);
  const auto file = dir / "Data.edb";
  const ProgramRun run = Download(file, source.Host());
  ASSERT_EQ(run.status, 0) << run.err;
  int notes = 0;
  // After the line's time ("YYYY-MM-DD HH:MM:SS ").
  for (const auto& line : Lines(run.err)) notes += line.size() > 20 && line.compare(20, 6, "note: ") == 0;
  EXPECT_EQ(notes, 1) << run.err;
  EXPECT_NE(run.err.find("note: the data centre refused RPT_DAILYBILLBOARD_DETAILSNEW"),
            std::string::npos)
      << run.err;
  EXPECT_GT(StoredRecords(file).size(), 40u);
}

TEST_F(CliDataCentreTest, AnUnreadableAnswerFailsItsPageAndTheMessageSaysWhereItIsKept) {
  source.SetCentreFault(download::kSellSeatsReport, "2010-06-04", Fault::kGarbage, 1);
  const auto file = dir / "Data.edb";
  const ProgramRun run = Download(file, source.Host(), {}, "2010-06-04", "2010-06-04");
  EXPECT_EQ(run.status, 3) << run.err;
  const auto folder = dir / "cache" / "quorvane" / "answers";
  EXPECT_NE(run.err.find("failed (answer not readable: RPT_BILLBOARD_DAILYDETAILSSELL 2010-06-04 "
                         "page 1: not JSON; kept in " +
                         folder.string()),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("could not be read; they are kept in " + folder.string()),
            std::string::npos)
      << run.err;
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  int kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    ++kept;
    EXPECT_FALSE(testing_support::ReadFileBytes(entry.path()).empty());
  }
  EXPECT_EQ(kept, 1);
  // The failed page's row says why and names the file.
  const auto log = Log(file);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].failure, store::PageFailure::kBadAnswer);
  EXPECT_NE(log[0].note.find(folder.string()), std::string::npos);
  // Its Seats came with the next board's page: the other boards stored.
  EXPECT_EQ(log[1].outcome, store::PageOutcome::kStored);
  EXPECT_EQ(log[2].outcome, store::PageOutcome::kStored);
}

TEST_F(CliDataCentreTest, HttpsIsCheckedAgainstTheTrustedCertificatesAndAFailureIsItsOwnReason) {
  const auto cert = dir / "cert.pem";
  const auto key = dir / "key.pem";
  const ProgramRun made = RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                      "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                                      key.string(), "-out", cert.string(), "-days", "2", "-subj",
                                      "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
  ASSERT_EQ(made.status, 0) << made.err;
  sample_source::SampleSource tls;
  tls.UseTls(cert.string(), key.string());
  ASSERT_GT(tls.Start(), 0);
  const std::string host = "https://" + tls.Host();

  // Not in the system's store: every page fails as untrusted, and the
  // server is never asked anything over an unchecked connection.
  const auto refused = dir / "refused.edb";
  const ProgramRun untrusted = Download(refused, host, {}, "2010-06-04", "2010-06-04");
  EXPECT_EQ(untrusted.status, 3) << untrusted.err;
  EXPECT_NE(untrusted.err.find("failed (certificate not trusted)"), std::string::npos)
      << untrusted.err;
  EXPECT_EQ(tls.RequestCount(), 0u);
  for (const auto& row : Log(refused)) EXPECT_EQ(row.failure, store::PageFailure::kCertificate);
  EXPECT_TRUE(StoredRecords(refused).empty());

  // Trusted through the test's certificate file: the day as over http.
  const auto trusted = dir / "trusted.edb";
  const ProgramRun run =
      Download(trusted, host, {{"QUORVANE_CA_FILE", cert.string()}}, "2010-06-04", "2010-06-04");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto plain = dir / "plain.edb";
  ASSERT_EQ(Download(plain, source.Host(), {}, "2010-06-04", "2010-06-04").status, 0);
  EXPECT_EQ(StoredRecords(trusted), StoredRecords(plain));
  EXPECT_GT(tls.RequestCount(), 0u);
}

TEST_F(CliDataCentreTest, HelpAndCheckSayWhichSourceIsInForce) {
  // Run from the build tree: the sample source, built in.
  const ProgramRun help = RunCli({"--help"}, {{"QUORVANE_SOURCE_KIND", std::nullopt}});
  ASSERT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("Here: pages (built in) at " + std::string(QUORVANE_SOURCE_HOST) +
                          " (built in)."),
            std::string::npos)
      << help.out;
  const auto file = dir / "Data.edb";
  const ProgramRun check =
      RunCli({"--store", file.string(), "--source-kind", "datacenter", "check"},
             {{"QUORVANE_SOURCE_HOST", "https://centre.example"}});
  EXPECT_NE(check.out.find("source: datacenter (given with --source-kind) at "
                           "https://centre.example (from the environment variable "
                           "QUORVANE_SOURCE_HOST)"),
            std::string::npos)
      << check.out << check.err;
}

}  // namespace
