// Leaving the program on SIGINT (Ctrl+C in its terminal) and SIGTERM (a
// session ending): the signal only wakes the user-interface thread, which
// then leaves through the window's own closing path, so a running job is
// stopped and the store closed as when the user closes the window.
#pragma once

#include <functional>
#include <memory>

namespace app {

class ExitSignals {
 public:
  // Catches the signals from now on and runs `leave` on the user-interface
  // thread for each. Create on the user-interface thread, one at a time;
  // the signals' earlier handling comes back when this ends.
  explicit ExitSignals(std::function<void()> leave);
  ~ExitSignals();
  ExitSignals(const ExitSignals&) = delete;
  ExitSignals& operator=(const ExitSignals&) = delete;

 private:
  struct Catcher;
  std::unique_ptr<Catcher> catcher_;
};

}  // namespace app
