// The run-time settings both programs resolve at start: where the source
// host comes from, whether it is usable, and where the store lives.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "program/installed_defaults.h"
#include "program/run_settings.h"
#include "program/store_location.h"
#include "tests/test_support.h"

namespace {

using program::SettingOrigin;
using program::StorePlace;
using testing_support::TempDir;

program::EnvironmentLookup Environment(std::map<std::string, std::string> values) {
  return [values](const char* name) -> std::optional<std::string> {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  };
}

TEST(RunSettingsTest, TheOptionWinsThenTheEnvironmentThenTheBuild) {
  const auto env = Environment({{"QUORVANE_SOURCE_HOST", "env.example:81"}});
  auto s = program::ResolveSetting(std::string("cli.example:82"), program::kSourceHostNames,
                                   "built.example", env);
  EXPECT_EQ(s.value, "cli.example:82");
  EXPECT_EQ(s.origin, SettingOrigin::kCommandLine);
  s = program::ResolveSetting(std::nullopt, program::kSourceHostNames, "built.example", env);
  EXPECT_EQ(s.value, "env.example:81");
  EXPECT_EQ(s.origin, SettingOrigin::kEnvironment);
  // Set but empty counts as not set (a cron line's "QUORVANE_SOURCE_HOST=").
  s = program::ResolveSetting(std::nullopt, program::kSourceHostNames, "built.example",
                              Environment({{"QUORVANE_SOURCE_HOST", ""}}));
  EXPECT_EQ(s.value, "built.example");
  EXPECT_EQ(s.origin, SettingOrigin::kBuild);
  EXPECT_EQ(program::BuiltInSourceHost(), QUORVANE_SOURCE_HOST);
}

TEST(RunSettingsTest, SourceHostsThatWorkAndThoseThatCannot) {
  for (const char* good : {"127.0.0.1:18080", "quotes.example.com", "[::1]:8080", "h:65535",
                           "127.0.0.1:4321/fault/error"}) {
    EXPECT_FALSE(
        program::CheckSourceHost({good, SettingOrigin::kCommandLine}, program::kSourceHostNames))
        << good;
  }
  for (const char* bad : {"", "http://quotes.example.com", "a host", "h:0", "h:65536", "h:", "h:8o",
                          ":8080", "[::1", "[::1]x", "/stock"}) {
    const auto why =
        program::CheckSourceHost({bad, SettingOrigin::kEnvironment}, program::kSourceHostNames);
    ASSERT_TRUE(why) << bad;
    // The line says where the bad value came from.
    EXPECT_NE(why->find("QUORVANE_SOURCE_HOST"), std::string::npos) << *why;
  }
}

TEST(RunSettingsTest, TheSourceKindDecidesWhetherTheHostMayCarryAScheme) {
  program::ProgramPlace place;
  program::LaunchOptions launch;
  launch.source_host = "https://centre.example";
  // The list pages take HOST[:PORT] only.
  auto resolved = program::ResolveRunSettings(launch, place, Environment({}));
  ASSERT_TRUE(resolved.error);
  EXPECT_NE(resolved.error->find("scheme"), std::string::npos) << *resolved.error;
  // The data centre, from the environment, may be asked over https.
  resolved = program::ResolveRunSettings(launch, place,
                                         Environment({{"QUORVANE_SOURCE_KIND", "datacenter"}}));
  EXPECT_FALSE(resolved.error) << *resolved.error;
  EXPECT_EQ(resolved.settings.source_kind, download::SourceKind::kDataCentre);
  // The option wins over the environment, and a kind of neither name stops
  // the start, naming where it came from.
  launch.source_host = "127.0.0.1:18080";
  launch.source_kind = "pages";
  resolved = program::ResolveRunSettings(launch, place,
                                         Environment({{"QUORVANE_SOURCE_KIND", "datacenter"}}));
  EXPECT_EQ(resolved.settings.source_kind, download::SourceKind::kPages);
  // The bars come from the loopback sample source too, 600 ms apart.
  EXPECT_EQ(resolved.settings.prices_host.value, QUORVANE_SOURCE_HOST);
  EXPECT_EQ(resolved.settings.prices_gap_ms, 600);
  launch.source_kind.reset();
  resolved = program::ResolveRunSettings(launch, place,
                                         Environment({{"QUORVANE_SOURCE_KIND", "datacentre"}}));
  ASSERT_TRUE(resolved.error);
  EXPECT_NE(resolved.error->find("QUORVANE_SOURCE_KIND"), std::string::npos) << *resolved.error;
}

TEST(RunSettingsTest, TheRequestGapIsWholeMillisecondsUpToAMinute) {
  program::ProgramPlace place;
  program::LaunchOptions launch;
  auto resolved = program::ResolveRunSettings(launch, place, Environment({}));
  EXPECT_EQ(resolved.settings.request_gap_ms, 300);
  resolved =
      program::ResolveRunSettings(launch, place, Environment({{"QUORVANE_REQUEST_GAP_MS", "0"}}));
  EXPECT_FALSE(resolved.error);
  EXPECT_EQ(resolved.settings.request_gap_ms, 0);
  for (const char* bad : {"-5", "1.5", "60001", "99999999999", "fast", " 300"}) {
    SCOPED_TRACE(bad);
    launch.request_gap = bad;
    resolved = program::ResolveRunSettings(launch, place, Environment({}));
    ASSERT_TRUE(resolved.error);
    EXPECT_NE(resolved.error->find("--request-gap"), std::string::npos) << *resolved.error;
  }
}

TEST(RunSettingsTest, AnInstalledProgramTakesItsDefaultsFileBetweenTheEnvironmentAndTheBuild) {
  TempDir dir;
  program::ProgramPlace place;
  place.program_folder = dir / "usr" / "bin";
  std::filesystem::create_directories(place.program_folder);
  program::LaunchOptions launch;
  // No file beside the program (a build tree): what the build says.
  auto resolved = program::ResolveRunSettings(launch, place, Environment({}));
  ASSERT_FALSE(resolved.error) << *resolved.error;
  EXPECT_EQ(resolved.settings.source_host.origin, SettingOrigin::kBuild);
  EXPECT_EQ(resolved.settings.source_kind, download::SourceKind::kPages);

  const auto file = program::InstalledDefaultsFile(place.program_folder);
  EXPECT_EQ(std::filesystem::weakly_canonical(file),
            std::filesystem::weakly_canonical(dir / "usr" / "share" / "quorvane" / "defaults"));
  std::filesystem::create_directories(file.parent_path());
  testing_support::WriteFileBytes(file,
                                  "# comment = not a key\r\n source_kind = datacenter "
                                  "\r\n\nsource_host=https://centre.example\n"
                                  "no equals sign\n=empty key\nprices_host=https://bars.example\n"
                                  "prices_host=https://later.example\n");
  resolved = program::ResolveRunSettings(launch, place, Environment({}));
  ASSERT_FALSE(resolved.error) << *resolved.error;
  EXPECT_EQ(resolved.settings.source_kind, download::SourceKind::kDataCentre);
  EXPECT_EQ(resolved.settings.source_host.value, "https://centre.example");
  EXPECT_EQ(resolved.settings.source_host.origin, SettingOrigin::kInstalled);
  EXPECT_EQ(program::SourceInForce(resolved.settings),
            "datacenter (the installed default) at https://centre.example (the installed "
            "default)");
  EXPECT_EQ(program::InstalledDefault("prices_host", place.program_folder),
            "https://later.example");
  EXPECT_FALSE(program::InstalledDefault("no_such_key", place.program_folder));
  EXPECT_EQ(resolved.settings.prices_host.value, "https://later.example");
  EXPECT_EQ(resolved.settings.prices_host.origin, SettingOrigin::kInstalled);
  {
    program::LaunchOptions prices_launch;
    prices_launch.request_gap = "1500";
    auto prices = program::ResolveRunSettings(
        prices_launch, place, Environment({{"QUORVANE_PRICES_HOST", "127.0.0.1:9"}}));
    ASSERT_FALSE(prices.error) << *prices.error;
    EXPECT_EQ(prices.settings.prices_host.value, "127.0.0.1:9");
    EXPECT_EQ(prices.settings.prices_gap_ms, 1500);
    prices_launch.prices_host = "a host";
    prices = program::ResolveRunSettings(prices_launch, place, Environment({}));
    ASSERT_TRUE(prices.error);
    EXPECT_NE(prices.error->find("--prices-source"), std::string::npos) << *prices.error;
  }

  // The environment and the command line still win, each for itself.
  resolved = program::ResolveRunSettings(
      launch, place, Environment({{"QUORVANE_SOURCE_HOST", "127.0.0.1:18080"}}));
  EXPECT_EQ(resolved.settings.source_host.value, "127.0.0.1:18080");
  EXPECT_EQ(resolved.settings.source_kind, download::SourceKind::kDataCentre);
  launch.source_kind = "pages";
  resolved = program::ResolveRunSettings(
      launch, place, Environment({{"QUORVANE_SOURCE_HOST", "127.0.0.1:18080"}}));
  EXPECT_EQ(program::SourceInForce(resolved.settings),
            "pages (given with --source-kind) at 127.0.0.1:18080 (from the environment variable "
            "QUORVANE_SOURCE_HOST)");
  // No folder known: no defaults file, wherever the process happens to run.
  EXPECT_TRUE(program::InstalledDefaultsFile({}).empty());
}

TEST(RunSettingsTest, TheCertificateFileAndTheAnswersFolderComeFromTheEnvironment) {
  program::ProgramPlace place;
  auto resolved = program::ResolveRunSettings(
      {}, place,
      Environment({{"QUORVANE_CA_FILE", "/tmp/ca.pem"}, {"XDG_CACHE_HOME", "/tmp/cache"}}));
  EXPECT_EQ(resolved.settings.ca_file, "/tmp/ca.pem");
  EXPECT_EQ(resolved.settings.answers_folder,
            std::filesystem::path("/tmp/cache") / "quorvane" / "answers");
  resolved = program::ResolveRunSettings({}, place, Environment({{"HOME", "/home/u"}}));
  EXPECT_TRUE(resolved.settings.ca_file.empty());
  EXPECT_EQ(resolved.settings.answers_folder,
            std::filesystem::path("/home/u") / ".cache" / "quorvane" / "answers");
  const program::ProgramSettings settings = program::ProgramSettingsOf(resolved.settings);
  EXPECT_EQ(settings.answers_folder, resolved.settings.answers_folder);
}

TEST(StoreLocationTest, BesideAWritableProgramElseInTheUsersDataFolderAndAGivenPathWins) {
  TempDir dir;
  program::ProgramPlace place{dir / "bin", true, dir / "data" / "quorvane"};
  auto at = program::ResolveStoreLocation(std::nullopt, place);
  EXPECT_EQ(at.file, dir / "bin" / "Data.edb");
  EXPECT_EQ(at.place, StorePlace::kBesideProgram);
  place.program_folder_writable = false;
  at = program::ResolveStoreLocation(std::nullopt, place);
  EXPECT_EQ(at.file, dir / "data" / "quorvane" / "Data.edb");
  EXPECT_EQ(at.place, StorePlace::kUserData);
  at = program::ResolveStoreLocation(dir / "mine.edb", place);
  EXPECT_EQ(at.file, dir / "mine.edb");
  EXPECT_EQ(at.place, StorePlace::kGiven);
  // A folder given: the store inside it.
  at = program::ResolveStoreLocation(dir.path(), place);
  EXPECT_EQ(at.file, dir / "Data.edb");

  // Only the user's data folder is made when missing.
  EXPECT_FALSE(
      program::PrepareStoreFolder(program::ResolveStoreLocation(std::nullopt, place)).has_value());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "data" / "quorvane"));
  EXPECT_FALSE(program::PrepareStoreFolder({dir / "given" / "Data.edb", StorePlace::kGiven}));
  EXPECT_FALSE(std::filesystem::exists(dir / "given"));
}

TEST(StoreLocationTest, TheUsersDataFolderFollowsXdgDataHomeElseHome) {
  EXPECT_EQ(program::UserDataFolder(Environment({{"XDG_DATA_HOME", "/x/data"}, {"HOME", "/h"}})),
            std::filesystem::path("/x/data/quorvane"));
  EXPECT_EQ(program::UserDataFolder(Environment({{"XDG_DATA_HOME", ""}, {"HOME", "/h"}})),
            std::filesystem::path("/h/.local/share/quorvane"));
  EXPECT_EQ(program::UserDataFolder(Environment({{"HOME", "/h"}})),
            std::filesystem::path("/h/.local/share/quorvane"));
}

TEST(StoreLocationTest, WritableFoldersAreTold) {
  TempDir dir;
  EXPECT_TRUE(program::FolderWritable(dir.path()));
  EXPECT_FALSE(program::FolderWritable(dir / "missing"));
  testing_support::WriteFileBytes(dir / "file", "x");
  EXPECT_FALSE(program::FolderWritable(dir / "file"));
  const auto exe = program::ExecutableFolder();
  ASSERT_TRUE(exe);
  EXPECT_TRUE(std::filesystem::exists(*exe / "cli_test"));  // this test program
}

}  // namespace
