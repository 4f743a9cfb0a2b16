// Reading and mapping a 60-stock day from the data centre's JSON answers
// (the day's list and every stock's two Seat answers), beside scraping the
// list page of the same 60 stocks: what the second source kind costs per
// listing once its answers are in. And the requests a 60-stock day costs
// from the loopback fake: each Seat report asked for the whole date,
// beside each stock asked for alone (the service that insists on a code,
// and how every day was asked before).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "download/datacentre_json.h"
#include "download/datacentre_source.h"
#include "download/page_scraper.h"
#include "tools/sample-source/sample_datacentre.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"

namespace {

constexpr const char* kDate = "2010-06-04";

struct Answers {
  std::string list;
  std::vector<std::string> buys;
  std::vector<std::string> sells;
  size_t bytes = 0;
};

const std::vector<sample_source::SampleStock>& Stocks() {
  static const auto stocks = sample_source::GenerateStocks(1, 42, 60);
  return stocks;
}

const Answers& SixtyStockAnswers() {
  static const Answers answers = [] {
    Answers a;
    const auto day = sample_source::CentreRows(1, Stocks());
    a.list = sample_source::DayListAnswer(day, kDate, 1, 500);
    a.bytes = a.list.size();
    for (const auto& row : day) {
      a.buys.push_back(sample_source::SeatAnswer(day, kDate, row.code, true, 1, 50));
      a.sells.push_back(sample_source::SeatAnswer(day, kDate, row.code, false, 1, 50));
      a.bytes += a.buys.back().size() + a.sells.back().size();
    }
    return a;
  }();
  return answers;
}

void BM_DataCentreMapSixtyStockDay(benchmark::State& state) {
  const Answers& a = SixtyStockAnswers();
  size_t rows = 0;
  for (auto _ : state) {
    const auto list = download::ReadListingAnswer(a.list);
    std::vector<download::ScrapedListing> mapped;
    mapped.reserve(list.rows.size());
    int replaced = 0;
    // The answers follow the list's order (by code), as the source asks.
    for (size_t i = 0; i < list.rows.size(); ++i) {
      const auto buys = download::ReadSeatAnswer(a.buys[i]);
      const auto sells = download::ReadSeatAnswer(a.sells[i]);
      mapped.push_back(download::MapListing(list.rows[i], buys.rows, sells.rows, replaced));
    }
    rows += mapped.size();
    benchmark::DoNotOptimize(mapped);
  }
  if (rows != 60 * static_cast<size_t>(state.iterations())) state.SkipWithError("rows lost");
  state.SetBytesProcessed(static_cast<int64_t>(a.bytes) * state.iterations());
  state.counters["listings/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DataCentreMapSixtyStockDay);

// The baseline: the same 60 stocks as one list page, scraped.
void BM_DataCentreBaselineScrapeSixtyStockPage(benchmark::State& state) {
  static const std::string page = sample_source::RenderPage(1, kDate, Stocks());
  size_t rows = 0;
  for (auto _ : state) {
    const auto parsed = download::ParseListingPage(download::Market::kShenzhen, page);
    rows += parsed.listings.size();
    benchmark::DoNotOptimize(parsed);
  }
  state.SetBytesProcessed(static_cast<int64_t>(page.size()) * state.iterations());
  state.counters["listings/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DataCentreBaselineScrapeSixtyStockPage);

// A day of 60 stocks, 20 on each board, as the fake serves it.
void UseSixtyStockDay(sample_source::SampleSource& source) {
  std::vector<std::vector<sample_source::SampleStock>> boards;
  for (int board = 0; board < 3; ++board)
    boards.push_back(sample_source::GenerateStocks(board, 42 + board, 20));
  source.SetDay(kDate, std::move(boards));
}

// The three board pages of the day; state.range(0): 1 when the fake
// refuses a Seat query without a stock code.
void BM_DataCentreDayRequests(benchmark::State& state) {
  sample_source::SampleSource source;
  if (source.Start() < 0) return state.SkipWithError("no loopback port");
  UseSixtyStockDay(source);
  source.SetSeatsNeedCode(state.range(0) == 1);
  download::DataCentrePoliteness quick;
  quick.gap_ms = 0;
  download::DataCentreSource centre(source.Host(), {}, quick);
  auto fetch_day = [&] {
    size_t listings = 0;
    for (const auto market : download::kMarkets)
      listings += centre.Fetch({market, kDate}, {}).parsed.listings.size();
    return listings;
  };
  // Once before: a source that insists on a code is known as such from the
  // run's first day on.
  if (fetch_day() != 60) return state.SkipWithError("listings lost");
  const size_t before = source.RequestCount();
  for (auto _ : state) benchmark::DoNotOptimize(fetch_day());
  const double per_day =
      static_cast<double>(source.RequestCount() - before) / static_cast<double>(state.iterations());
  state.counters["requests/day"] = per_day;
  // What the day costs at the default gap of 300 ms between requests.
  state.counters["seconds_at_default_gap"] = per_day * 0.3;
}
BENCHMARK(BM_DataCentreDayRequests)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("seats_per_stock")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
