// SIGTERM and SIGINT end the program through its closing path: the job is
// stopped after the page it is writing, the store is closed, and Data.edb
// alone, copied without its -wal and -shm files, holds every stored listing.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "download/date_list.h"
#include "store/record_store.h"
#include "tests/program_fixture.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

extern char** environ;

namespace {

using testing_support::TempDir;

constexpr const char* kStart = "2010-06-01";
constexpr const char* kEnd = "2010-06-04";

// The probe program, started with its standard output on a pipe.
class Probe {
 public:
  Probe(const std::filesystem::path& folder, const std::string& host, const std::string& mode) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string folder_text = folder.string();
    std::vector<std::string> args = {QUORVANE_EXIT_PROBE, folder_text, host, kStart, kEnd, mode};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (posix_spawn(&pid_, QUORVANE_EXIT_PROBE, &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = fdopen(out[0], "r");
  }
  ~Probe() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_) fclose(out_);
  }
  // The probe's first line ("ready" once it is where the test wants it).
  std::string FirstLine() {
    char line[64] = {};
    pollfd ready{fileno(out_), POLLIN, 0};
    if (!out_ || poll(&ready, 1, 90000) != 1 || !fgets(line, sizeof line, out_)) return {};
    std::string s = line;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }
  // Sends the signal and waits up to `seconds` for the end; the exit status.
  std::optional<int> SignalAndWait(int signal, int seconds) {
    kill(pid_, signal);
    for (int i = 0; i < seconds * 100; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  bool ended_ = false;
};

// The listings of Data.edb copied on its own, as a user's backup takes it.
std::vector<std::string> CodesOfTheFileAlone(const std::filesystem::path& folder) {
  TempDir copy;
  std::filesystem::copy_file(folder / "Data.edb", copy.path() / "Data.edb");
  store::Store backup(store::StorePath(copy.path()));
  return testing_support::ReadColumn(backup, store::kCode);
}

std::vector<std::string> ExpectedCodes(size_t pages) {
  const std::vector<std::string> dates = download::DownloadDates(
      text::DateTime::FromParts(2010, 6, 1, 12), text::DateTime::FromParts(2010, 6, 4, 12), {});
  std::vector<std::string> codes;
  size_t page = 0;
  for (int board = 0; board < sample_source::kBoardCount; ++board) {
    for (const std::string& date : dates) {
      if (page++ == pages) return codes;
      for (const auto& listing : sample_source::ExpectedListings(board, date))
        codes.push_back(listing[2]);
    }
  }
  return codes;
}

TEST(ExitSignals, SigtermAfterADownloadLeavesDataEdbWholeOnItsOwn) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(0), 0);
  TempDir folder;
  Probe probe(folder.path(), source.Host(), "after");
  ASSERT_TRUE(probe.started());
  ASSERT_EQ(probe.FirstLine(), "ready");
  EXPECT_EQ(probe.SignalAndWait(SIGTERM, 30), 0);
  const std::vector<std::string> expected = ExpectedCodes(12);
  ASSERT_EQ(expected.size() > 20, true);
  EXPECT_EQ(CodesOfTheFileAlone(folder.path()), expected);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "Data.edb-wal") &&
               std::filesystem::file_size(folder.path() / "Data.edb-wal") > 0);
}

TEST(ExitSignals, SigintDuringADownloadStopsItAfterWholePages) {
  sample_source::SampleSource source;
  ASSERT_GT(source.Start(0), 0);
  source.SetFault(sample_source::Fault::kSlow);
  source.SetSlowMs(200);
  TempDir folder;
  Probe probe(folder.path(), source.Host(), "during");
  ASSERT_TRUE(probe.started());
  ASSERT_EQ(probe.FirstLine(), "ready");
  EXPECT_EQ(probe.SignalAndWait(SIGINT, 30), 0);
  // Whole pages only, in download order: some prefix of the pages.
  const std::vector<std::string> stored = CodesOfTheFileAlone(folder.path());
  bool whole_pages = false;
  for (size_t pages = 2; pages <= 12 && !whole_pages; ++pages)
    whole_pages = stored == ExpectedCodes(pages);
  EXPECT_TRUE(whole_pages) << stored.size() << " listings";
  EXPECT_LT(stored.size(), ExpectedCodes(12).size());
}

}  // namespace
