#include "tests/cli_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "tests/test_support.h"

extern char** environ;

namespace testing_support {

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::vector<EnvironmentChange>& changes,
                      const std::filesystem::path& folder, int timeout_ms, int interrupt_after_ms) {
  ProgramRun run;
  TempDir streams;
  const auto out_path = streams / "out";
  const auto err_path = streams / "err";

  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      env[name] = *value;
    } else {
      env.erase(name);
    }
  }
  std::vector<std::string> env_entries;
  for (const auto& [name, value] : env) env_entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& entry : env_entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0];
    return run;
  }
  int status = 0;
  bool interrupted = false;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (interrupt_after_ms >= 0 && !interrupted &&
        std::chrono::steady_clock::now() - started >
            std::chrono::milliseconds(interrupt_after_ms)) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
    if (std::chrono::steady_clock::now() - started > std::chrono::milliseconds(timeout_ms)) {
      run.timed_out = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFileBytes(out_path);
  run.err = ReadFileBytes(err_path);
  return run;
}

std::filesystem::path CliProgram() {
  return QUORVANE_CLI_PROGRAM;
}

ProgramRun RunCli(const std::vector<std::string>& args, std::vector<EnvironmentChange> changes) {
  std::vector<std::string> argv = {CliProgram().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  changes.insert(changes.begin(), {"QUORVANE_SOURCE_HOST", std::nullopt});
  return RunProgram(argv, changes);
}

std::vector<std::array<std::string, store::kFieldCount>> StoredRecords(
    const std::filesystem::path& store_file) {
  std::vector<std::array<std::string, store::kFieldCount>> records;
  store::Store store(store_file);
  auto access = store.OpenStore();
  EXPECT_TRUE(access.ok()) << store_file;
  for (int64_t n = 1; n <= access.RecordCount(); ++n) {
    access.GoToRecord(n);
    std::array<std::string, store::kFieldCount> r;
    for (int f = 1; f <= store::kFieldCount; ++f)
      r[static_cast<size_t>(f - 1)] = access.ReadField(f);
    records.push_back(std::move(r));
  }
  return records;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string SystemPython() {
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

}  // namespace testing_support
