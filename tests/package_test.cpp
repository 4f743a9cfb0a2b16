// The installed programs and the Debian package: `cmake --install` into a
// temporary prefix, the installed programs' default source (the public data
// centre, read from their --help), the installed quorvane-cli downloading
// from the sample source on loopback (its store beside it, or in the user's
// data folder when it may not write its own), and the contents of
// `cpack -G DEB`.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli_test_support.h"
#include "tests/download_test_support.h"
#include "tests/test_support.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Lines;
using testing_support::RunProgram;
using testing_support::TempDir;

const std::vector<std::string> kPrograms = {
    "bin/quorvane-cli",
    "bin/quorvane-sample-source",
    "share/quorvane/defaults",
#ifdef QUORVANE_PACKAGE_HAS_WINDOW
    "bin/quorvane",
    "share/applications/quorvane.desktop",
    "share/icons/hicolor/scalable/apps/quorvane.svg",
#endif
};

size_t SampleListings(const std::vector<std::string>& dates) {
  return testing_support::DownloadProgram::Expected(testing_support::DownloadProgram::Pages(dates))
      .size();
}

// The line of `check` that starts with `key`.
std::string CheckLine(const std::string& out, const std::string& key) {
  for (const auto& line : Lines(out))
    if (line.rfind(key, 0) == 0) return line;
  return {};
}

TEST(PackageTest, TheInstalledCliDownloadsBesideItselfOrIntoTheUsersDataFolder) {
  TempDir root;
  fs::permissions(root.path(), fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
  const fs::path prefix = root / "prefix";
  const auto install = RunProgram(
      {QUORVANE_CMAKE_COMMAND, "--install", QUORVANE_BINARY_DIR, "--prefix", prefix.string()});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  for (const auto& file : kPrograms) EXPECT_TRUE(fs::exists(prefix / file)) << file;

  sample_source::SampleSource source;
  ASSERT_GT(source.Start(), 0);
  const std::string cli = (prefix / "bin" / "quorvane-cli").string();
  const std::vector<std::string> download = {cli,      "--source",   source.Host(), "download",
                                             "--from", "2010-06-03", "--to",        "2010-06-04"};
  const std::vector<testing_support::EnvironmentChange> no_host = {
      {"QUORVANE_SOURCE_HOST", std::nullopt},
      {"QUORVANE_SOURCE_KIND", std::nullopt},
      {"QUORVANE_REQUEST_GAP_MS", "0"}};

  // Installed, the programs ask the public data centre unless told
  // otherwise, and say so.
  const std::string in_force =
      "datacenter (the installed default) at https://datacenter-web.eastmoney.com (the "
      "installed default)";
  auto run = RunProgram({cli, "--help"}, no_host);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Here: " + in_force + "."), std::string::npos) << run.out;
#ifdef QUORVANE_PACKAGE_HAS_WINDOW
  run = RunProgram({(prefix / "bin" / "quorvane").string(), "--help"}, no_host);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Source: " + in_force + "\n"), std::string::npos) << run.out;
#endif

  // A folder it may write: the portable layout, Data.edb beside it. The
  // host given, the kind as installed: the data centre's answers.
  run = RunProgram(download, no_host);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("(datacenter)"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(prefix / "bin" / "Data.edb"));
  run = RunProgram({cli, "check"}, no_host);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(CheckLine(run.out, "store: "),
            "store: " + (prefix / "bin" / "Data.edb").string() + " (beside the program)");
  EXPECT_EQ(CheckLine(run.out, "source: "), "source: " + in_force);
  EXPECT_EQ(CheckLine(run.out, "records: "),
            "records: " + std::to_string(SampleListings(testing_support::kTwoDays)));
  fs::remove(prefix / "bin" / "Data.edb");

  // A folder it may not write (installed under /usr): the user's data
  // folder. Root may write anywhere, so the program runs as nobody.
  const fs::path data_home = root / "data-home";
  fs::create_directories(data_home);
  fs::permissions(data_home, fs::perms::all);
  std::vector<std::string> as_user;
  if (::geteuid() == 0) {
    as_user = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  } else {
    fs::permissions(prefix / "bin", fs::perms::owner_write, fs::perm_options::remove);
  }
  const std::vector<testing_support::EnvironmentChange> user = {
      {"QUORVANE_SOURCE_HOST", source.Host()},
      {"QUORVANE_SOURCE_KIND", "pages"},
      {"XDG_DATA_HOME", data_home.string()},
      {"HOME", data_home.string()}};
  std::vector<std::string> today = as_user;
  today.push_back(cli);
  for (const char* arg : {"download", "--from", "2010-06-04", "--to", "2010-06-04"})
    today.push_back(arg);
  run = RunProgram(today, user);
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path user_store = data_home / "quorvane" / "Data.edb";
  EXPECT_TRUE(fs::exists(user_store));
  EXPECT_FALSE(fs::exists(prefix / "bin" / "Data.edb"));
  std::vector<std::string> check = as_user;
  check.push_back(cli);
  check.push_back("check");
  run = RunProgram(check, user);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(CheckLine(run.out, "store: "),
            "store: " + user_store.string() + " (in the user's data folder)");
  EXPECT_EQ(CheckLine(run.out, "records: "),
            "records: " + std::to_string(SampleListings({"2010-06-04"})));
  // --help says where the store is.
  std::vector<std::string> help = as_user;
  help.push_back(cli);
  help.push_back("--help");
  run = RunProgram(help, user);
  EXPECT_NE(run.out.find("Here: " + user_store.string() + " (in the user's data folder)"),
            std::string::npos)
      << run.out;
  source.Stop();
}

TEST(PackageTest, TheDebianPackageHoldsTheProgramsAndNamesTheirLibraries) {
  TempDir out;
  const auto pack =
      RunProgram({QUORVANE_CPACK_COMMAND, "-G", "DEB", "--config",
                  QUORVANE_BINARY_DIR "/CPackConfig.cmake", "-B", out.path().string()},
                 {}, {}, 600000);
  ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
  fs::path deb;
  for (const auto& entry : fs::directory_iterator(out.path()))
    if (entry.path().extension() == ".deb") deb = entry.path();
  ASSERT_FALSE(deb.empty()) << pack.out;
  EXPECT_EQ(deb.filename().string().rfind("quorvane_", 0), 0u) << deb;

  const auto contents = RunProgram({"dpkg-deb", "--contents", deb.string()});
  ASSERT_EQ(contents.status, 0) << contents.err;
  for (const auto& file : kPrograms)
    EXPECT_NE(contents.out.find(" ./usr/" + file + "\n"), std::string::npos) << file;
  EXPECT_NE(contents.out.find(" ./usr/share/doc/quorvane/README.md\n"), std::string::npos);
  // Nothing for building against: no headers, no static libraries.
  EXPECT_EQ(contents.out.find("./usr/include"), std::string::npos);
  EXPECT_EQ(contents.out.find(".a\n"), std::string::npos);
  for (const auto& line : Lines(contents.out))
    EXPECT_NE(line.find(" ./usr/"), std::string::npos) << line;

  const auto depends = RunProgram({"dpkg-deb", "--field", deb.string(), "Depends"});
  ASSERT_EQ(depends.status, 0) << depends.err;
  for (const char* library : {"libsqlcipher0", "libcurl4", "libicu", "libxlsxwriter4", "libstdc++6"
#ifdef QUORVANE_PACKAGE_HAS_WINDOW
                              ,
                              "libqt6widgets6"
#endif
       })
    EXPECT_NE(depends.out.find(library), std::string::npos) << library << ": " << depends.out;
}

}  // namespace
