// TextBetween over a listing-page-sized text.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "text/gbk.h"
#include "text/text_ops.h"

namespace {

// About 200 KB of page-like text: HTML tags, ASCII and GBK characters; the
// markers stand at the very end, so the search walks the whole text.
std::string PageText() {
  const std::string row = text::Gbk(
      "<tr><td class=\"x\">中信证券股份有限公司上海溧阳路证券营业部</td><td align=\"right\">"
      "12,345.67</td><td>买入金额最大的前5名</td></tr>\n");
  std::string page;
  while (page.size() < 200 * 1024) page += row;
  page += "1px solid #96CAEF;\">LIST<div class=\"bdnews\">";
  return page;
}

void BM_TextBetween200KB(benchmark::State& state) {
  const std::string page = PageText();
  for (auto _ : state) {
    auto v = text::TextBetween(page, "1px solid #96CAEF;\">", "<div class=\"bdnews\">");
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_TextBetween200KB);

// The floor: memmem of the same marker over the same bytes, blind to
// character boundaries.
void BM_MemmemFloor200KB(benchmark::State& state) {
  const std::string page = PageText();
  const char marker[] = "1px solid #96CAEF;\">";
  for (auto _ : state) {
    const void* hit = memmem(page.data(), page.size(), marker, sizeof marker - 1);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_MemmemFloor200KB);

}  // namespace

BENCHMARK_MAIN();
