// What the command line takes from the system (one platform file per
// system): whether a stream is a terminal, the local time, and Ctrl+C.
#pragma once

#include <cstdio>
#include <stop_token>
#include <thread>

#include "text/date_time.h"

namespace cli {

bool IsTerminal(std::FILE* stream);

// The local wall-clock date and time now.
text::DateTime LocalNow();

// While one of these lives, the first Ctrl+C (or SIGTERM) asks `token()`
// to stop, so a download finishes the page it is storing; a second one
// ends the program at once.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  std::stop_token token() const { return stop_.get_token(); }
  bool interrupted() const { return stop_.stop_requested(); }

 private:
  std::stop_source stop_;
  std::jthread watcher_;
};

}  // namespace cli
