// Duplicate removal as the window runs it: on a worker, on 1,000,000
// listings, while the user-interface thread keeps running what is posted to
// it. Reports the longest time the user-interface thread spent on one turn
// of its queue during the removal, and the same for the statistics refresh
// that follows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "bench/details_bench_data.h"
#include "duplicates/duplicate_listings.h"
#include "program/jobs.h"
#include "store/record_store.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

constexpr int64_t kListings = 1'000'000;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

void BM_RemovalJobUiStall(benchmark::State& state) {
  const auto source = bench_support::DuplicateStore(kListings);
  double worst_during = 0;
  double worst_refresh = 0;
  double job_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto copy = bench_support::CopyForOneRun(source);
    {
      store::Store store(copy);
      ui::MainWindow window;
      ui::ScriptedPlatform platform;
      program::ProgramState program_state;
      program::ProgramSettings settings;
      program::ProgramContext ctx{window, platform, store, program_state, settings};
      store.OpenStore().CloseStore();
      state.ResumeTiming();

      const Clock::time_point start = Clock::now();
      details::RemoveDuplicateListings(ctx);
      // The user-interface thread: one turn of its queue after another,
      // each timed, until the job has ended.
      bool told = false;
      while (program::JobRunning(program_state)) {
        const Clock::time_point turn = Clock::now();
        platform.RunPending();
        const double ms = Ms(Clock::now() - turn);
        // The closing message comes before the refresh's rows.
        if (!told) told = !platform.messages().empty();
        (told ? worst_refresh : worst_during) = std::max(told ? worst_refresh : worst_during, ms);
      }
      job_ms = Ms(Clock::now() - start);
      platform.RunUntilWorkersDone();
      state.PauseTiming();
      if (platform.message_texts().size() != 1) state.SkipWithError("the removal did not finish");
    }
    bench_support::RemoveStoreFiles(copy);
    state.ResumeTiming();
  }
  state.counters["max_ui_turn_during_removal_ms"] = worst_during;
  state.counters["max_ui_turn_refresh_ms"] = worst_refresh;
  state.counters["job_ms"] = job_ms;
}
BENCHMARK(BM_RemovalJobUiStall)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
