// TextBetween over a listing-page-sized text, and GBK to UTF-8 of stored
// fields.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

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

// Fields as a store holds them: names of stocks and Seats, reasons, codes
// and figures; 100,000 of them, about half with GBK characters.
std::vector<std::string> StoredFields() {
  const std::string some[] = {
      text::Gbk("中信证券股份有限公司上海溧阳路证券营业部"),
      text::Gbk("机构专用"),
      text::Gbk("深振业Ａ"),
      text::Gbk("日涨幅偏离值达到7%的前五只证券"),
      "600000",
      "2010-06-04",
      "12345.67|0.00|1234567.89",
      text::Gbk("东吴证券苏州人民路证券营业部|国信证券深圳深南大道证券营业部"),
  };
  std::vector<std::string> fields;
  for (int i = 0; i < 100000; ++i) fields.push_back(some[(i * 5) % 8]);
  return fields;
}

int64_t FieldBytes(const std::vector<std::string>& fields) {
  int64_t n = 0;
  for (const std::string& f : fields) n += static_cast<int64_t>(f.size());
  return n;
}

void BM_GbkFieldsToUtf8(benchmark::State& state) {
  const std::vector<std::string> fields = StoredFields();
  std::string out;
  for (auto _ : state) {
    out.clear();
    for (const std::string& f : fields) text::AppendUtf8(f, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FieldBytes(fields));
}
BENCHMARK(BM_GbkFieldsToUtf8);

// The floor: the same fields appended as they are, a copy of each byte.
void BM_GbkFieldsCopyFloor(benchmark::State& state) {
  const std::vector<std::string> fields = StoredFields();
  std::string out;
  for (auto _ : state) {
    out.clear();
    for (const std::string& f : fields) out.append(f);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FieldBytes(fields));
}
BENCHMARK(BM_GbkFieldsCopyFloor);

}  // namespace

BENCHMARK_MAIN();
