// quorvane-cli's two heavy paths: exporting a million listings to CSV
// beside its floor (the bare store pass over the same nine fields plus
// writing the same bytes to a file), and a year's download from the sample
// source on loopback beside the window's download of the same year.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/event_wiring.h"
#include "bench/store_bench_data.h"
#include "cli/commands.h"
#include "cli/listing_export.h"
#include "cli/table_output.h"
#include "download_page/download_control.h"
#include "program/program_context.h"
#include "program/program_state.h"
#include "store/record_store.h"
#include "tools/sample-source/sample_server.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kListings = 1'000'000;

fs::path ScratchFile(const std::string& name) {
  return fs::temp_directory_path() / ("quorvane-bench-cli-" + name);
}

// quorvane-cli export -o FILE: the pass, the rows, the CSV, the file.
void BM_CliExportCsv(benchmark::State& state) {
  store::Store store(bench_support::CachedStore(kListings));
  const fs::path out = ScratchFile("export.csv");
  int64_t rows = 0;
  for (auto _ : state) {
    cli::OutputTarget target;
    target.file = out;
    auto opened = cli::OpenTableWriter(cli::TableFormat::kCsv, target);
    const auto result = cli::ExportListings(store, {}, cli::ExportRows::kListings, *opened.writer);
    if (result.error || opened.writer->Finish()) state.SkipWithError("export failed");
    rows = result.rows;
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["bytes"] = static_cast<double>(fs::file_size(out));
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
// CPU is the whole process's: the export reads the store on a second thread.
BENCHMARK(BM_CliExportCsv)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The floor: one store pass touching the same nine fields, then the bytes
// the export wrote, written to a file in the same 256 KiB blocks.
void BM_BareScanAndWriteSameBytes(benchmark::State& state) {
  store::Store store(bench_support::CachedStore(kListings));
  const fs::path exported = ScratchFile("export.csv");
  if (!fs::exists(exported)) {
    state.SkipWithError("run BM_CliExportCsv first");
    return;
  }
  std::string bytes(fs::file_size(exported), '\0');
  {
    std::FILE* in = std::fopen(exported.c_str(), "rb");
    if (!in || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size())
      state.SkipWithError("cannot read the export");
    if (in) std::fclose(in);
  }
  const fs::path out = ScratchFile("floor.csv");
  for (auto _ : state) {
    size_t touched = 0;
    auto access = store.OpenStore();
    access.GoToFirst();
    const int64_t n = access.RecordCount();
    for (int64_t i = 0; i < n; ++i) {
      for (int f = 1; f <= store::kFieldCount; ++f) touched += access.FieldView(f).size();
      access.Skip(1);
    }
    access.CloseStore();
    benchmark::DoNotOptimize(touched);
    std::FILE* file = std::fopen(out.c_str(), "wb");
    constexpr size_t kBlock = size_t{1} << 18;
    for (size_t at = 0; at < bytes.size(); at += kBlock)
      std::fwrite(bytes.data() + at, 1, std::min(kBlock, bytes.size() - at), file);
    std::fclose(file);
  }
  fs::remove(out);
  fs::remove(exported);
}
BENCHMARK(BM_BareScanAndWriteSameBytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

constexpr double kYearPages = 783;  // 261 weekdays up to 2010-06-04, three boards

// quorvane-cli download --year --to 2010-06-04, progress to /dev/null (not
// a terminal: one line per page).
void BM_CliYearDownload(benchmark::State& state) {
  sample_source::SampleSource source;
  if (source.Start() < 0) return state.SkipWithError("no loopback port");
  std::FILE* null = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path dir = ScratchFile("download");
    fs::remove_all(dir);
    fs::create_directories(dir);
    cli::CliContext ctx;
    ctx.settings.source_host = {source.Host(), program::SettingOrigin::kCommandLine};
    ctx.settings.store = {store::StorePath(dir), program::StorePlace::kGiven};
    ctx.err = null;
    ctx.now = text::DateTime::FromParts(2010, 6, 7, 20);
    cli::DownloadOptions options;
    options.range.quick = 5;
    options.range.to = "2010-06-04";
    state.ResumeTiming();

    if (cli::RunDownloadCommand(options, ctx) != cli::kDone) state.SkipWithError("pages failed");

    state.PauseTiming();
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  std::fclose(null);
  state.counters["pages/s"] = benchmark::Counter(
      kYearPages * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CliYearDownload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The window's "近一年" download of the same year, from the click to the end
// of its statistics refresh, for the pages per second to match.
void BM_WindowYearDownload(benchmark::State& state) {
  sample_source::SampleSource source;
  if (source.Start() < 0) return state.SkipWithError("no loopback port");
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path dir = ScratchFile("window-download");
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
      store::Store store(store::StorePath(dir));
      store.EnsureStore();
      ui::MainWindow window;
      ui::ScriptedPlatform platform;
      platform.SetNow(ui::DateTime::FromParts(2010, 6, 7, 20));
      program::ProgramState program_state;
      program::ProgramSettings settings;
      settings.source_host = source.Host();
      program::ProgramContext ctx{window, platform, store, program_state, settings};
      // The statistics refresh and the log page follow the download, as in the window.
      app::WireDownloadFollowUps(ctx);
      window.日期框2.SetValue(ui::DateTime::FromParts(2010, 6, 4, 12));
      window.单选框_年.UserClick();
      state.ResumeTiming();

      download::OnStartDownloadClicked(ctx);
      platform.RunUntilWorkersDone(600000);

      state.PauseTiming();
      if (window.download_progress.value() != kYearPages) state.SkipWithError("pages missing");
    }
    fs::remove_all(dir);
    state.ResumeTiming();
  }
  state.counters["pages/s"] = benchmark::Counter(
      kYearPages * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WindowYearDownload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
