#include "bench/store_bench_data.h"

#include <unistd.h>

#include <cstdio>

#include "text/gbk.h"

namespace bench_support {
namespace {

const char* const kBranches[] = {
    "中信证券股份有限公司上海溧阳路证券营业部", "中国银河证券股份有限公司宁波解放南路证券营业部",
    "光大证券股份有限公司宁波解放南路证券营业部", "国信证券股份有限公司深圳泰然九路证券营业部",
    "国泰君安证券股份有限公司上海江苏路证券营业部", "华泰证券股份有限公司深圳益田路荣超商务中心证券营业部",
    "财通证券股份有限公司温岭中华路证券营业部", "招商证券股份有限公司深圳蛇口工业七路证券营业部",
    "机构专用", "东吴证券股份有限公司苏州西北街证券营业部",
};
const char* const kNames[] = {"浦发银行", "中国平安", "万科Ａ", "深发展Ａ", "中小板指",
                              "苏宁电器", "华兰生物", "东方航空", "海螺水泥", "金螳螂"};

std::string Amount(uint64_t x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llu.%02llu", static_cast<unsigned long long>(x % 90000000 + 10000),
                static_cast<unsigned long long>(x % 100));
  return buf;
}

}  // namespace

std::array<std::string, store::kFieldCount> RealisticListing(int64_t i) {
  const uint64_t u = static_cast<uint64_t>(i) * 2654435761u;
  std::array<std::string, store::kFieldCount> f;
  char date[16];
  const int day = static_cast<int>(i / 120);
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2000 + (day / 250) % 30, 1 + (day / 21) % 12,
                1 + day % 28);
  f[0] = date;
  f[1] = text::Gbk(kNames[u % 10]);
  char code[8];
  std::snprintf(code, sizeof code, "%06llu", static_cast<unsigned long long>(600000 + u % 4000));
  f[2] = code;
  f[3] = text::Gbk("连续三个交易日内，涨幅偏离值累计达20%");
  f[4] = text::Gbk("三日内涨") + "21.35%";
  f[5] = "1234.56";
  f[6] = "12,345.67";
  for (int side = 0; side < 2; ++side) {
    std::string block;
    for (int k = 0; k < 5; ++k) {
      if (k) block += "|";
      block += text::Gbk(kBranches[(u + static_cast<uint64_t>(k * 3 + side)) % 10]);
      block += "|" + Amount(u + static_cast<uint64_t>(k)) + "|" + Amount(u * 7 + static_cast<uint64_t>(k));
    }
    f[static_cast<size_t>(7 + side)] = block;
  }
  return f;
}

std::filesystem::path BuildStoreOnce(const std::filesystem::path& path, int64_t count,
                                     const ListingMaker& make) {
  if (std::filesystem::exists(path)) return path;
  std::filesystem::create_directories(path.parent_path());
  auto building = path;
  building += ".building-" + std::to_string(::getpid());
  std::filesystem::remove(building);
  {
    store::Store s(building);
    s.EnsureStore();
    auto a = s.OpenStore(store::AccessMode::kWriter);
    constexpr int kBatch = 10000;
    for (int64_t n = 1; n <= count; ++n) {
      if (n % kBatch == 1) a.BeginBatch();
      const auto f = make(n);
      a.AppendBlank();
      for (int k = 0; k < store::kFieldCount; ++k) a.WriteField(k + 1, f[static_cast<size_t>(k)]);
      if (n % kBatch == 0 || n == count) a.CommitBatch();
    }
    a.CloseStore();
  }
  std::filesystem::rename(building, path);
  return path;
}

std::filesystem::path CachedStore(int64_t count) {
  const auto path = std::filesystem::temp_directory_path() / "quorvane-bench-stores" /
                    ("listings-" + std::to_string(count) + ".edb");
  return BuildStoreOnce(path, count, RealisticListing);
}

std::filesystem::path CopyOfCachedStore(int64_t count, const std::string& tag) {
  const auto source = CachedStore(count);
  const auto copy = std::filesystem::temp_directory_path() /
                    ("quorvane-bench-" + tag + "-" + std::to_string(::getpid()) + ".edb");
  std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
  return copy;
}

std::vector<std::string> WeekdayDates(std::chrono::sys_days first, std::chrono::sys_days last,
                                      size_t most) {
  using namespace std::chrono;
  std::vector<std::string> out;
  for (sys_days d = first; d <= last && out.size() < most; d += days(1)) {
    const unsigned w = weekday(d).c_encoding();
    if (w == 0 || w == 6) continue;
    const year_month_day ymd(d);
    char t[16];
    std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    out.push_back(t);
  }
  return out;
}

}  // namespace bench_support
