#include "tools/sample-source/sample_pages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "text/gbk.h"
#include "tools/sample-source/sample_data.h"

namespace sample_source {
namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int64_t Between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }

 private:
  uint64_t state_;
};

uint64_t SeedOf(int board, std::string_view date) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (const char c : date) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h ^ (static_cast<uint64_t>(board) * 0x51ED270B27A4C3EDull);
}

// `count` distinct indices below `n`.
std::vector<int> Pick(Random& rng, int n, int count) {
  std::vector<int> all(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) all[static_cast<size_t>(i)] = i;
  for (int i = 0; i < count; ++i) {
    const int j = static_cast<int>(rng.Between(i, n - 1));
    std::swap(all[static_cast<size_t>(i)], all[static_cast<size_t>(j)]);
  }
  all.resize(static_cast<size_t>(count));
  return all;
}

SampleStock MakeStock(Random& rng, int board, int stock, bool may_lack_reason) {
  SampleStock s;
  s.stock = stock;
  const auto& reasons = Reasons();
  s.reason = static_cast<int>(rng.Between(0, static_cast<int64_t>(reasons.size()) - 1));
  // About one stock in five prints no reason and inherits the one before it.
  s.prints_reason = !(may_lack_reason && rng.Between(0, 4) == 0);
  const Reason& kind = reasons[static_cast<size_t>(s.reason)];
  s.value_hundredths = rng.Between(kind.min_value, kind.max_value);
  s.volume_hundredths = rng.Between(10'000, 9'999'999);
  s.turnover_hundredths = rng.Between(100'000, 99'999'999);
  const bool two_amounts = board != 0;
  const std::vector<int> seats =
      Pick(rng, static_cast<int>(SeatNames().size()), 10);  // five buyers, five sellers
  // The tables list their Seats by amount, largest first.
  std::array<int64_t, 5> buy_amounts;
  std::array<int64_t, 5> sell_amounts;
  for (auto* amounts : {&buy_amounts, &sell_amounts}) {
    for (int64_t& a : *amounts) a = rng.Between(100'000'000, 9'999'999'999);
    std::sort(amounts->begin(), amounts->end(), std::greater<>());
  }
  for (size_t i = 0; i < 5; ++i) {
    SampleSeat& b = s.buys[i];
    b.name = seats[i];
    b.buy_cents = buy_amounts[i];
    b.sell_cents = two_amounts && rng.Between(0, 2) == 0 ? rng.Between(0, 99'999'999) : 0;
    SampleSeat& se = s.sells[i];
    se.name = seats[i + 5];
    se.sell_cents = sell_amounts[i];
    se.buy_cents = two_amounts && rng.Between(0, 2) == 0 ? rng.Between(0, 99'999'999) : 0;
  }
  return s;
}

std::string BoardName(int board) {
  static const std::string names[kBoardCount] = {text::Gbk("沪市"), text::Gbk("深市"),
                                                 text::Gbk("中小板")};
  return names[board];
}

std::string PageHead(int board, std::string_view date) {
  std::string page = text::Gbk(
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\n<title>");
  page += BoardName(board) + text::Gbk("龙虎榜 ") + std::string(date) +
          text::Gbk(
              " 交易公开信息</title>\n"
              "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/lhb.css\" />\n"
              "</head>\n<body>\n"
              "<div class=\"top\"><a href=\"/\">首页</a> | <a href=\"/stock/\">股票</a> | "
              "<a href=\"/stock/smebt.php\">龙虎榜</a></div>\n"
              "<div class=\"main\">\n");
  return page;
}

std::string ListHead(int board, std::string_view date) {
  return "<div class=\"lhb_list\" style=\"width:660px;border:1px solid #96CAEF;\">\n"
         "<div class=\"lhb_date\">" +
         std::string(date) + " " + BoardName(board) + text::Gbk(" 交易公开信息</div>\n");
}

std::string PageFoot() {
  return text::Gbk(
      "</div>\n<div class=\"bdnews\">以上数据依据交易所公开信息整理，仅供参考，不构成投资建议。"
      "</div>\n</div>\n</body>\n</html>\n");
}

std::string Percent(int64_t hundredths) {
  return FormatHundredths(hundredths, false) + "%";
}

void AppendSeatTable(std::string& out, const std::array<SampleSeat, 5>& seats, bool buy_side,
                     bool two_amounts, bool last_table) {
  const int columns = two_amounts ? 4 : 3;
  out += "<tr><td class=\"t_title\" colspan=\"" + std::to_string(columns) + "\">";
  out += text::Gbk(buy_side ? "买入金额最大的前5名营业部" : "卖出金额最大的前5名营业部");
  out += "</td></tr>\n<tr><td class=\"t_head\">";
  out += text::Gbk("序号</td><td class=\"t_head\">营业部名称</td>");
  if (two_amounts) {
    out +=
        text::Gbk("<td class=\"t_head\">买入金额(元)</td><td class=\"t_head\">卖出金额(元)</td>");
  } else {
    out += text::Gbk(buy_side ? "<td class=\"t_head\">买入金额(元)</td>"
                              : "<td class=\"t_head\">卖出金额(元)</td>");
  }
  out += "</tr>\n";
  for (size_t i = 0; i < seats.size(); ++i) {
    const SampleSeat& s = seats[i];
    out += "<tr><td>" + std::to_string(i + 1) + "</td><td>";
    out += SeatNames()[static_cast<size_t>(s.name)];
    out += "</td>";
    if (two_amounts) {
      out += "<td class=\"right\">" + FormatHundredths(s.buy_cents, true) + "</td>";
      out += "<td class=\"right\">" + FormatHundredths(s.sell_cents, true) + "</td>";
    } else {
      out += "<td class=\"right\">" +
             FormatHundredths(buy_side ? s.buy_cents : s.sell_cents, true) + "</td>";
    }
    // The stock's block ends right after its last cell.
    out += last_table && i + 1 == seats.size() ? "</tr></table></div>\n" : "</tr>\n";
  }
}

void AppendStock(std::string& out, int board, const SampleStock& s) {
  const StockName& stock = BoardStocks(board)[static_cast<size_t>(s.stock)];
  const bool two_amounts = board != 0;
  const Reason& kind = Reasons()[static_cast<size_t>(s.reason)];
  out += "<div class=\"lhb_stock\"><table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\">";
  out += "<tr><td class=\"stock_head\" colspan=\"" + std::to_string(two_amounts ? 4 : 3) + "\">";
  out += "<span class=\"font_bold\">" + stock.name;
  out += "(<a href=\"http://quote.example.cn/q.php?code=" + stock.code +
         ".html\" target=\"_blank\">" + stock.code + "</a>)</span>&nbsp;&nbsp;";
  if (s.prints_reason) out += "<span class=\"color_gray\">" + kind.printed + "</span>";
  out += "<br />";
  out += kind.label + text::Gbk("：") + Percent(s.value_hundredths) + text::Gbk("，成交量：") +
         FormatHundredths(s.volume_hundredths, true) + text::Gbk("万股，成交额：") +
         FormatHundredths(s.turnover_hundredths, true) + text::Gbk("万元") + "</td></tr>\n";
  AppendSeatTable(out, s.buys, true, two_amounts, false);
  AppendSeatTable(out, s.sells, false, two_amounts, true);
}

std::string SeatBlock(const std::array<SampleSeat, 5>& seats, bool buy_side, bool two_amounts) {
  std::string block;
  for (const SampleSeat& s : seats) {
    if (!block.empty()) block += "|";
    block += SeatNames()[static_cast<size_t>(s.name)] + "|";
    if (two_amounts) {
      block += FormatHundredths(s.buy_cents, false) + "|" + FormatHundredths(s.sell_cents, false);
    } else if (buy_side) {
      block += FormatHundredths(s.buy_cents, false) + "|0.00";
    } else {
      block += "0.00|" + FormatHundredths(s.sell_cents, false);
    }
  }
  return block;
}

}  // namespace

std::optional<int> WeekdayOf(std::string_view date) {
  int y = 0;
  unsigned m = 0;
  unsigned d = 0;
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (date[i] < '0' || date[i] > '9') return std::nullopt;
  std::sscanf(std::string(date).c_str(), "%4d-%2u-%2u", &y, &m, &d);
  const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{m},
                                        std::chrono::day{d}};
  if (!ymd.ok()) return std::nullopt;
  return static_cast<int>(std::chrono::weekday{std::chrono::sys_days{ymd}}.c_encoding());
}

std::vector<SampleStock> GenerateStocks(int board, uint64_t seed, int count) {
  Random rng(seed);
  const int pool = static_cast<int>(BoardStocks(board).size());
  std::vector<SampleStock> stocks;
  // More stocks than the board has names: the names come round again.
  while (static_cast<int>(stocks.size()) < count) {
    const int round = std::min(pool, count - static_cast<int>(stocks.size()));
    for (const int stock : Pick(rng, pool, round))
      stocks.push_back(MakeStock(rng, board, stock, !stocks.empty()));
  }
  return stocks;
}

std::vector<SampleStock> StocksOf(int board, std::string_view date) {
  const std::optional<int> weekday = WeekdayOf(date);
  if (!weekday || *weekday == 0 || *weekday == 6) return {};
  Random rng(SeedOf(board, date));
  const int count = static_cast<int>(rng.Between(3, 8));
  return GenerateStocks(board, rng.Next(), count);
}

std::string RenderPage(int board, std::string_view date, const std::vector<SampleStock>& stocks) {
  if (stocks.empty()) return EmptyListPage(board, date);
  std::string page = PageHead(board, date) + ListHead(board, date);
  page.reserve(page.size() + stocks.size() * 3200);
  for (const SampleStock& s : stocks) AppendStock(page, board, s);
  page += PageFoot();
  return page;
}

std::string PageOf(int board, std::string_view date) {
  return RenderPage(board, date, StocksOf(board, date));
}

std::string EmptyListPage(int board, std::string_view date) {
  return PageHead(board, date) + ListHead(board, date) +
         text::Gbk("<div class=\"lhb_none\">当日暂无交易公开信息</div>\n") + PageFoot();
}

std::string NoListPage() {
  return text::Gbk(
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"
      "<title>系统维护</title></head><body><div class=\"notice\">系统维护中，请稍后访问。</div>"
      "</body></html>\n");
}

std::vector<ExpectedListing> ExpectedListings(int board, std::string_view date,
                                              const std::vector<SampleStock>& stocks) {
  std::vector<ExpectedListing> out;
  const bool two_amounts = board != 0;
  int effective_reason = -1;
  for (const SampleStock& s : stocks) {
    if (s.prints_reason) effective_reason = s.reason;
    const StockName& stock = BoardStocks(board)[static_cast<size_t>(s.stock)];
    ExpectedListing r;
    r[0] = std::string(date);
    r[1] = stock.name;
    r[2] = stock.code;
    if (effective_reason >= 0) {
      const Reason& reason = Reasons()[static_cast<size_t>(effective_reason)];
      r[3] = reason.stored;
      r[4] = reason.prefix;
    }
    r[4] += Percent(s.value_hundredths);
    r[5] = FormatHundredths(s.volume_hundredths, true);
    r[6] = FormatHundredths(s.turnover_hundredths, true);
    r[7] = SeatBlock(s.buys, true, two_amounts);
    r[8] = SeatBlock(s.sells, false, two_amounts);
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<ExpectedListing> ExpectedListings(int board, std::string_view date) {
  return ExpectedListings(board, date, StocksOf(board, date));
}

std::string FormatHundredths(int64_t hundredths, bool with_separators) {
  const bool negative = hundredths < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
  std::string whole = std::to_string(magnitude / 100);
  if (with_separators)
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3)
      whole.insert(static_cast<size_t>(i), ",");
  char cents[4];
  std::snprintf(cents, sizeof cents, "%02u", static_cast<unsigned>(magnitude % 100));
  return (negative ? "-" : "") + whole + "." + cents;
}

}  // namespace sample_source
