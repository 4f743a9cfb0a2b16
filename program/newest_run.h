// A page's work on a worker, numbered as it starts so that only the newest
// run's results reach the page: a run that a newer one overtook stops where
// it asks, and what it posts is dropped on the user-interface thread.
//
//   runs_.Start(ctx.platform, [self](uint64_t run) {
//     ... if (!self->runs_.Newest(run)) return; ...
//     self->runs_.Post(self->ctx_.platform, run, [self, rows] { self->Show(rows); });
//   });
//
// The owner stays alive through what the functions hold (a shared pointer
// to the page's session, as above).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

#include "ui/platform.h"

namespace program {

class NewestRun {
 public:
  // Numbers a new run: every earlier one is overtaken from now on.
  uint64_t Begin() { return ++started_; }
  // Any thread.
  bool Newest(uint64_t run) const { return started_.load() == run; }
  // Begins a run and hands its number to `work` on a worker; returns it.
  uint64_t Start(ui::Platform& platform, std::function<void(uint64_t run)> work) {
    const uint64_t run = Begin();
    platform.StartWorker([run, work = std::move(work)] { work(run); });
    return run;
  }
  // Calls `show` on the user-interface thread if `run` is still the newest
  // when it gets there.
  void Post(ui::Platform& platform, uint64_t run, std::function<void()> show) {
    platform.PostToUi([this, run, show = std::move(show)] {
      if (Newest(run)) show();
    });
  }

 private:
  std::atomic<uint64_t> started_{0};
};

}  // namespace program
