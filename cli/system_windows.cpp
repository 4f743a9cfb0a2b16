#include <io.h>
#include <windows.h>

#include <atomic>
#include <chrono>

#include "cli/system.h"

namespace cli {
namespace {

std::atomic<int> g_interrupts{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second one takes the default way out.
  return g_interrupts.fetch_add(1) == 0 ? TRUE : FALSE;
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  return ::_isatty(::_fileno(stream)) != 0;
}

text::DateTime LocalNow() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return text::DateTime::FromParts(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                                   t.wMilliseconds);
}

InterruptWatch::InterruptWatch() {
  g_interrupts = 0;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
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
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

}  // namespace cli
