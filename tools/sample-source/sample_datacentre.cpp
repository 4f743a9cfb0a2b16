#include "tools/sample-source/sample_datacentre.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "text/gbk.h"
#include "tools/sample-source/sample_data.h"

namespace sample_source {
namespace {

using Json = nlohmann::json;

// The version tag every answer carries; the adapter ignores it.
constexpr const char* kVersion = "5a6a1e0c7d9b4f2e8c3b1a0d9e8f7a6b";

Json Amount(const std::optional<int64_t>& cents) {
  if (!cents) return nullptr;
  return static_cast<double>(*cents) / 100.0;
}

int64_t Of(const std::optional<int64_t>& cents) {
  return cents.value_or(0);
}

std::string TradeDate(std::string_view date) {
  return std::string(date) + " 00:00:00";
}

std::string Answer(Json data, int pages, size_t count) {
  Json doc = {{"version", kVersion},
              {"result", {{"pages", pages}, {"data", std::move(data)}, {"count", count}}},
              {"success", true},
              {"message", "ok"},
              {"code", 0}};
  return doc.dump();
}

Json Hundredths(const std::optional<int64_t>& h) {
  if (!h) return nullptr;
  return static_cast<double>(*h) / 100.0;
}

Json ListingJson(const CentreRow& r, std::string_view date) {
  const int64_t buy = ListBuyCents(r);
  const int64_t sell = ListSellCents(r);
  const double turnover = static_cast<double>(r.turnover_yuan);
  auto ratio = [turnover](int64_t cents) {
    return turnover > 0 ? static_cast<double>(cents) / turnover : 0.0;  // cents/yuan = %
  };
  return {{"SECURITY_CODE", r.code},
          {"SECUCODE", r.secucode},
          {"SECURITY_NAME_ABBR", r.name},
          {"TRADE_DATE", TradeDate(date)},
          {"EXPLAIN", r.explain},
          {"CLOSE_PRICE", static_cast<double>(r.close_cents) / 100.0},
          {"CHANGE_RATE", static_cast<double>(r.change_hundredths) / 100.0},
          {"BILLBOARD_NET_AMT", static_cast<double>(buy - sell) / 100.0},
          {"BILLBOARD_BUY_AMT", static_cast<double>(buy) / 100.0},
          {"BILLBOARD_SELL_AMT", static_cast<double>(sell) / 100.0},
          {"BILLBOARD_DEAL_AMT", static_cast<double>(buy + sell) / 100.0},
          {"ACCUM_AMOUNT", r.turnover_yuan},
          {"DEAL_NET_RATIO", ratio(buy - sell)},
          {"DEAL_AMOUNT_RATIO", ratio(buy + sell)},
          {"TURNOVERRATE", static_cast<double>(r.turnover_rate_hundredths) / 100.0},
          {"FREE_MARKET_CAP", r.free_cap_yuan},
          {"EXPLANATION", r.explanation},
          {"D1_CLOSE_ADJCHRATE", Hundredths(r.after[0])},
          {"D2_CLOSE_ADJCHRATE", Hundredths(r.after[1])},
          {"D5_CLOSE_ADJCHRATE", Hundredths(r.after[2])},
          {"D10_CLOSE_ADJCHRATE", Hundredths(r.after[3])},
          {"SECURITY_TYPE_CODE", "058001001"}};
}

Json SeatJson(const CentreRow& r, const CentreSeatRow& s, std::string_view date) {
  return {{"SECURITY_CODE", r.code},
          {"SECUCODE", r.secucode},
          {"TRADE_DATE", TradeDate(date)},
          {"OPERATEDEPT_CODE", s.branch},
          {"OPERATEDEPT_NAME", s.name},
          {"EXPLANATION", r.explanation},
          {"CHANGE_RATE", static_cast<double>(r.change_hundredths) / 100.0},
          {"CLOSE_PRICE", static_cast<double>(r.close_cents) / 100.0},
          {"ACCUM_AMOUNT", r.turnover_yuan},
          {"BUY", Amount(s.buy_cents)},
          {"SELL", Amount(s.sell_cents)},
          {"NET", static_cast<double>(Of(s.buy_cents) - Of(s.sell_cents)) / 100.0},
          {"OPERATEDEPT_CODE_OLD", s.branch_old}};
}

std::string Page(std::vector<Json> rows, int page_number, int page_size) {
  if (rows.empty() || page_number < 1 || page_size < 1) return EmptyAnswer();
  const size_t size = static_cast<size_t>(page_size);
  const size_t pages = (rows.size() + size - 1) / size;
  const size_t first = static_cast<size_t>(page_number - 1) * size;
  if (first >= rows.size()) return EmptyAnswer();
  Json data = Json::array();
  for (size_t i = first; i < std::min(rows.size(), first + size); ++i) data.push_back(rows[i]);
  return Answer(std::move(data), static_cast<int>(pages), rows.size());
}

}  // namespace

int64_t ListBuyCents(const CentreRow& r) {
  int64_t buy = 0;
  for (const auto& s : r.buys) buy += Of(s.buy_cents);
  return buy;
}

int64_t ListSellCents(const CentreRow& r) {
  int64_t sell = 0;
  for (const auto& s : r.sells) sell += Of(s.sell_cents);
  return sell;
}

// Names 13 and 14 share one branch code, as a renamed branch's old and new
// names do, so that identities merge by code on sample data.
std::string BranchCode(int seat_name) {
  if (seat_name == 14) seat_name = 13;
  return std::to_string(10'100'000 + seat_name * 137);
}

std::string OldBranchCode(int seat_name) {
  return std::to_string(80'100'000 + seat_name * 137);
}

std::vector<CentreRow> CentreRows(int board, const std::vector<SampleStock>& stocks) {
  std::vector<CentreRow> rows;
  const bool two_amounts = board != 0;
  int effective_reason = 0;
  for (const SampleStock& s : stocks) {
    if (s.prints_reason) effective_reason = s.reason;
    const StockName& stock = BoardStocks(board)[static_cast<size_t>(s.stock)];
    CentreRow r;
    r.code = stock.code;
    r.secucode = stock.code + (board == 0 ? ".SH" : ".SZ");
    r.name = text::Utf8(stock.name);
    r.explanation = text::Utf8(Reasons()[static_cast<size_t>(effective_reason)].printed);
    r.change_hundredths = s.value_hundredths;
    r.turnover_yuan = s.turnover_hundredths * 100;  // hundredths of 10,000 yuan
    for (const SampleSeat& seat : s.buys)
      r.buys.push_back({text::Utf8(SeatNames()[static_cast<size_t>(seat.name)]), seat.buy_cents,
                        two_amounts ? std::optional<int64_t>(seat.sell_cents) : std::nullopt,
                        BranchCode(seat.name), OldBranchCode(seat.name)});
    for (const SampleSeat& seat : s.sells)
      r.sells.push_back({text::Utf8(SeatNames()[static_cast<size_t>(seat.name)]),
                         two_amounts ? std::optional<int64_t>(seat.buy_cents) : std::nullopt,
                         seat.sell_cents, BranchCode(seat.name), OldBranchCode(seat.name)});
    // The rest, drawn from what the stock has: a price, a rate, a value,
    // a reading, and the changes after the listing (the latest not yet
    // known, as for a recent listing).
    r.close_cents = 300 + (s.turnover_hundredths + s.stock * 977) % 9700;
    r.turnover_rate_hundredths =
        100 + (s.value_hundredths < 0 ? -s.value_hundredths : s.value_hundredths) % 2900;
    r.free_cap_yuan = r.turnover_yuan * (20 + s.stock % 30);
    r.explain = ListBuyCents(r) >= ListSellCents(r) ? "买方主导，净买入" : "卖方主导，净卖出";
    r.after = {s.value_hundredths / 3, -s.value_hundredths / 5, s.value_hundredths / 7,
               std::nullopt};
    rows.push_back(std::move(r));
  }
  return rows;
}

CentreRow BeijingRow(std::string_view date) {
  const std::optional<int> weekday = WeekdayOf(date);
  CentreRow r;
  r.code = weekday && *weekday % 2 == 0 ? "430047" : "830799";
  r.secucode = r.code + ".BJ";
  r.name = r.code == "430047" ? "诺思兰德" : "艾融软件";
  r.explanation = "日涨幅偏离值达到7%的前5只证券";
  r.change_hundredths = 2995;
  r.turnover_yuan = 123'456'700;
  r.buys.push_back({"机构专用", 1'234'567'800, std::nullopt, "10000001", "80000001"});
  r.sells.push_back({"机构专用", std::nullopt, 876'543'200, "10000001", "80000001"});
  r.close_cents = 1234;
  return r;
}

std::vector<CentreRow> CentreDay(std::string_view date,
                                 const std::vector<std::vector<SampleStock>>* stocks) {
  const std::optional<int> weekday = WeekdayOf(date);
  if (!stocks && (!weekday || *weekday == 0 || *weekday == 6)) return {};
  std::vector<CentreRow> day;
  for (int board = 0; board < kBoardCount; ++board) {
    const std::vector<SampleStock> own =
        stocks ? std::vector<SampleStock>{} : StocksOf(board, date);
    const std::vector<SampleStock>& of_board = stocks ? (*stocks)[static_cast<size_t>(board)] : own;
    for (CentreRow& r : CentreRows(board, of_board)) day.push_back(std::move(r));
  }
  day.push_back(BeijingRow(date));
  return day;
}

std::string DayListAnswer(const std::vector<CentreRow>& day, std::string_view date, int page_number,
                          int page_size) {
  std::vector<const CentreRow*> sorted;
  for (const CentreRow& r : day) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const CentreRow* a, const CentreRow* b) { return a->code < b->code; });
  std::vector<Json> rows;
  for (const CentreRow* r : sorted) rows.push_back(ListingJson(*r, date));
  return Page(std::move(rows), page_number, page_size);
}

std::string SeatAnswer(const std::vector<CentreRow>& day, std::string_view date,
                       std::string_view code, bool buy_side, int page_number, int page_size) {
  struct Ranked {
    int64_t amount;
    Json row;
  };
  std::vector<Ranked> ranked;
  for (const CentreRow& r : day) {
    if (!code.empty() && r.code != code) continue;
    for (const CentreSeatRow& s : buy_side ? r.buys : r.sells)
      ranked.push_back({Of(buy_side ? s.buy_cents : s.sell_cents), SeatJson(r, s, date)});
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const Ranked& a, const Ranked& b) { return a.amount > b.amount; });
  std::vector<Json> rows;
  for (Ranked& r : ranked) rows.push_back(std::move(r.row));
  return Page(std::move(rows), page_number, page_size);
}

std::string EmptyAnswer() {
  const Json doc = {{"version", nullptr},
                    {"result", nullptr},
                    {"success", false},
                    {"message", "返回数据为空"},
                    {"code", 9201}};
  return doc.dump();
}

}  // namespace sample_source
