#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>

#include "cli/system.h"

namespace cli {
namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void OnInterrupt(int signal) {
  g_interrupts = g_interrupts + 1;
  // The next one takes the default way out.
  std::signal(signal, SIG_DFL);
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) == 1;
}

text::DateTime LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  ::localtime_r(&t, &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  return text::DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec,
                                   static_cast<int>(ms.count()));
}

InterruptWatch::InterruptWatch() {
  g_interrupts = 0;
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  watcher_ = std::jthread([this](std::stop_token done) {
    while (!done.stop_requested()) {
      if (g_interrupts > 0) {
        stop_.request_stop();
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

InterruptWatch::~InterruptWatch() {
  watcher_.request_stop();
  watcher_.join();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

}  // namespace cli
