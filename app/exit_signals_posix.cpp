#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <atomic>

#include "app/exit_signals.h"

namespace app {
namespace {

// Written by the handler, read by the user-interface thread: a signal
// handler may do no more than write a byte.
std::atomic<int> wake_fd{-1};

void OnSignal(int) {
  const int fd = wake_fd.load();
  if (fd < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
}

}  // namespace

struct ExitSignals::Catcher {
  std::array<int, 2> pipe_fds{-1, -1};
  std::unique_ptr<QSocketNotifier> notifier;
  struct sigaction old_int {};
  struct sigaction old_term {};
};

ExitSignals::ExitSignals(std::function<void()> leave) : catcher_(std::make_unique<Catcher>()) {
  Catcher& c = *catcher_;
  if (pipe(c.pipe_fds.data()) != 0) return;
  for (int fd : c.pipe_fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  for (int fd : c.pipe_fds) fcntl(fd, F_SETFD, FD_CLOEXEC);
  c.notifier = std::make_unique<QSocketNotifier>(c.pipe_fds[0], QSocketNotifier::Read);
  const int read_fd = c.pipe_fds[0];
  QObject::connect(c.notifier.get(), &QSocketNotifier::activated, [read_fd, leave] {
    char bytes[16];
    while (read(read_fd, bytes, sizeof bytes) > 0) {
    }
    leave();
  });
  wake_fd.store(c.pipe_fds[1]);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &c.old_int);
  sigaction(SIGTERM, &action, &c.old_term);
}

ExitSignals::~ExitSignals() {
  Catcher& c = *catcher_;
  if (c.pipe_fds[0] < 0) return;
  sigaction(SIGINT, &c.old_int, nullptr);
  sigaction(SIGTERM, &c.old_term, nullptr);
  wake_fd.store(-1);
  c.notifier.reset();
  for (int fd : c.pipe_fds) close(fd);
}

}  // namespace app
