// Scraping a realistic 60-stock page, beside a plain memchr scan for the same
// markers (the floor any scraper pays); a whole "近一年" download from the
// sample source on loopback, with its wall time, pages per second and the
// process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/event_wiring.h"
#include "download_page/download_control.h"
#include "download/page_scraper.h"
#include "program/program_context.h"
#include "store/record_store.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"
#include "ui/main_window.h"
#include "program/program_state.h"
#include "ui/scripted_platform.h"

namespace {

const std::string& SixtyStockPage() {
  static const std::string page =
      sample_source::RenderPage(1, "2010-06-04", sample_source::GenerateStocks(1, 42, 60));
  return page;
}

void BM_ScrapeSixtyStockPage(benchmark::State& state) {
  const std::string& page = SixtyStockPage();
  size_t rows = 0;
  for (auto _ : state) {
    const auto parsed = download::ParseListingPage(download::Market::kShenzhen, page);
    rows += parsed.listings.size();
    benchmark::DoNotOptimize(parsed);
  }
  if (rows != 60 * static_cast<size_t>(state.iterations())) state.SkipWithError("rows lost");
  state.SetBytesProcessed(static_cast<int64_t>(page.size()) * state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_ScrapeSixtyStockPage);

// Occurrences of `marker` in [from, to), by memchr on its first byte.
size_t CountMarker(const char* from, const char* to, std::string_view marker, const char** first) {
  size_t count = 0;
  *first = nullptr;
  const char* p = from;
  while (p + marker.size() <= to) {
    const void* hit = std::memchr(p, marker[0], static_cast<size_t>(to - p) - marker.size() + 1);
    if (!hit) break;
    p = static_cast<const char*>(hit);
    if (std::memcmp(p, marker.data(), marker.size()) == 0) {
      if (!*first) *first = p;
      ++count;
      p += marker.size();
    } else {
      ++p;
    }
  }
  return count;
}

// The floor: find the list block and count its rows and cells, byte by byte
// without character boundaries and without taking any value out.
void BM_MemchrMarkerScan(benchmark::State& state) {
  const std::string& page = SixtyStockPage();
  const char* begin = page.data();
  const char* end = page.data() + page.size();
  for (auto _ : state) {
    const char* list_start = nullptr;
    const char* list_end = nullptr;
    CountMarker(begin, end, "1px solid #96CAEF;\">", &list_start);
    CountMarker(list_start, end, "<div class=\"bdnews\">", &list_end);
    const char* ignored = nullptr;
    const size_t rows = CountMarker(list_start, list_end, "</tr></table></div>", &ignored);
    const size_t cells = CountMarker(list_start, list_end, "/td>", &ignored);
    benchmark::DoNotOptimize(rows);
    benchmark::DoNotOptimize(cells);
  }
  state.SetBytesProcessed(static_cast<int64_t>(page.size()) * state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemchrMarkerScan);

// Parsing and storing: one page's batch into a real store.
void BM_ScrapeAndStoreSixtyStockPage(benchmark::State& state) {
  const std::string& page = SixtyStockPage();
  const auto dir = std::filesystem::temp_directory_path() / "quorvane-bench-scrape";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  {
    store::Store store(store::StorePath(dir));
    store.EnsureStore();
    auto access = store.OpenStore(store::AccessMode::kWriter);
    for (auto _ : state) {
      const auto result =
          download::ScrapeListingPage(download::Market::kShenzhen, "2010-06-04", page, access);
      if (result.stored != 60) state.SkipWithError("rows lost");
    }
    access.CloseStore();
  }
  std::filesystem::remove_all(dir);
  state.SetBytesProcessed(static_cast<int64_t>(page.size()) * state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScrapeAndStoreSixtyStockPage);

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// "近一年" up to 2010-06-04: 261 weekdays, three boards, 783 pages, from the
// click to the end of the statistics refresh.
void BM_FullYearDownload(benchmark::State& state) {
  sample_source::SampleSource source;
  if (source.Start() < 0) {
    state.SkipWithError("no loopback port");
    return;
  }
  const long rss_before = PeakRssKb();
  int64_t records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto dir = std::filesystem::temp_directory_path() / "quorvane-bench-download";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
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
      window.日期框1.SetValue(ui::DateTime::FromParts(2010, 6, 4, 12));
      window.日期框2.SetValue(ui::DateTime::FromParts(2010, 6, 4, 12));
      window.单选框_年.UserClick();
      state.ResumeTiming();

      download::OnStartDownloadClicked(ctx);
      platform.RunUntilWorkersDone(600000);

      state.PauseTiming();
      auto access = store.OpenStore();
      records = access.RecordCount();
      if (window.download_progress.value() != 783) state.SkipWithError("pages missing");
    }
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
  state.counters["pages/s"] = benchmark::Counter(783.0 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.counters["records"] = static_cast<double>(records);
  state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
  state.counters["rss_before_kb"] = static_cast<double>(rss_before);
}
BENCHMARK(BM_FullYearDownload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
