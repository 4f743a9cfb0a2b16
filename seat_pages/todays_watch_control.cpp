#include "seat_pages/todays_watch_control.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "program/newest_run.h"
#include "ranking/range_returns.h"
#include "ranking/date_range.h"
#include "ranking/range_scan.h"
#include "ranking/seat_identities.h"
#include "seats/summary.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace seats {
namespace {

using program::ProgramContext;
using text::Gbk;
using WatchPage = ui::TodaysWatchPage;

constexpr int kTodaysWatchLeastRows = 14;

// The summary of one day from the store; none when the store failed.
std::optional<Summary> TodaysWatchSummary(store::Store& store, const std::string& date) {
  const ranking::RangeScan scan = ranking::ScanRange(store, ranking::DateRange{date, date, false}, true);
  if (scan.error) return std::nullopt;
  SeatBook book;
  if (ranking::BookWithNames(store, scan.data, false, &book)) return std::nullopt;
  return MakeSummary(date, ranking::DayListings(scan.data), book);
}

// The track records of the day's watched Seats over the year up to it,
// counted as 营业部排行 counts them (by identity, a stock's repeat listings
// of a day left out) by the same library; by the Seat's name as the day's
// listing has it. Empty without daily bars.
using TodaysWatchRecords = std::unordered_map<std::string, prices::TrackRecord>;

TodaysWatchRecords TodaysWatchTrackRecords(store::Store& store, const Summary& summary) {
  TodaysWatchRecords out;
  const std::optional<text::DateTime> day = ranking::DateOf(summary.date);
  bool any_seat = false;
  for (const SummaryItem& item : summary.items) any_seat |= !item.seat.empty();
  if (!day || !any_seat) return out;
  const ranking::DateRange range = ranking::QuickRangeEndingOn(ranking::QuickRange::kYear, *day);
  std::optional<store::StoreError> error;
  const std::optional<prices::BarsIndex> bars = prices::LoadBarsFor(store, range, &error);
  if (!bars || bars->empty()) return out;
  ranking::RangeScan scan = ranking::ScanRange(store, range, false);
  SeatBook book;
  if (scan.error || ranking::BookWithNames(store, scan.data, false, &book)) return out;
  ranking::CountByIdentity(scan.data, book);
  const prices::RangeReturns returns = prices::ComputeRangeReturns(scan.data, *bars);
  for (const SummaryItem& item : summary.items) {
    if (item.seat.empty() || out.contains(item.seat)) continue;
    // Every name of an identity counts under its newest.
    const std::optional<int64_t> id = book.IdentityOfName(item.seat);
    const std::string counted_as = id ? book.NewestName(*id) : item.seat;
    uint32_t seat = 0;
    if (scan.data.seats.Find(counted_as, &seat) && seat < returns.seats.size())
      out.emplace(item.seat, returns.seats[seat]);
  }
  return out;
}

std::string TodaysWatchFigure(double wan) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.2f", wan);
  return buffer;
}

class TodaysWatchSession : public std::enable_shared_from_this<TodaysWatchSession> {
 public:
  TodaysWatchSession(WatchPage& page, ui::Platform& platform, store::Store& store)
      : platform_(platform), store_(store), page_(page) {}
  void Wire();

 private:
  // An empty date: the newest day held.
  void Run(std::string date);
  // Only the newest run's result gets here.
  void Show(const std::string& date, std::shared_ptr<const Summary> summary,
            std::shared_ptr<const TodaysWatchRecords> records);

  ui::Platform& platform_;
  store::Store& store_;
  WatchPage& page_;
  program::NewestRun runs_;
};

void TodaysWatchSession::Wire() {
  auto self = shared_from_this();
  ui::Grid& g = page_.高级表格_今日关注;
  g.SetColumnCount(WatchPage::kColumnCount);
  g.SetRowCount(kTodaysWatchLeastRows);
  g.SetHeaderRowCount(1);
  const std::pair<const char*, int> heads[] = {
      {"代码", 52},     {"股票", 64},         {"关注席位", 180}, {"昵称", 64},
      {"类别", 46},     {"方向", 36},         {"买入(万)", 64},  {"卖出(万)", 64},
      {"净额(万)", 64}, {"上榜净额(万)", 80}, {"样本", 40},      {"次日溢价", 58},
      {"次日胜率", 58}, {"5日均涨", 54},      {"5日胜率", 54},   {"10日均涨", 58}};
  for (int c = 0; c < WatchPage::kColumnCount; ++c) {
    g.SetText(0, c, Gbk(heads[c].first));
    g.SetColumnWidth(c, heads[c].second);
  }
  g.SetAlignment(ui::CellRange{0, 0, 0, WatchPage::kColumnCount - 1}, ui::Align::kCentre);
  g.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});

  page_.on_shown = [self] { self->Run({}); };
  page_.超级按钮_关注最新.on_clicked = [self] { self->Run({}); };
  page_.日期框_关注日期.on_date_changed = [self] {
    self->Run(self->page_.日期框_关注日期.value().DateText());
  };
  store::Store* store = &store_;
  page_.count_watched_listings = [store](const std::vector<std::string>& days) {
    size_t count = 0;
    for (const std::string& day : days) {
      const std::optional<Summary> s = TodaysWatchSummary(*store, day);
      if (!s) continue;
      // Items of one listing stand together.
      for (size_t i = 0; i < s->items.size(); ++i)
        count += i == 0 || s->items[i].listing != s->items[i - 1].listing;
    }
    return count;
  };
}

void TodaysWatchSession::Run(std::string date) {
  page_.标签_今日关注统计.SetCaption(Gbk("正在汇总……"));
  auto self = shared_from_this();
  const text::DateTime now = platform_.Now();
  runs_.Start(platform_, [self, date, now](uint64_t run) {
    std::string day = date;
    std::shared_ptr<const Summary> summary;
    auto records = std::make_shared<TodaysWatchRecords>();
    if (day.empty()) {
      std::optional<store::StoreError> error;
      day = ranking::NewestListingDate(self->store_, now, &error).value_or(std::string());
    }
    if (!day.empty()) {
      if (auto s = TodaysWatchSummary(self->store_, day))
        summary = std::make_shared<const Summary>(std::move(*s));
      if (summary && self->runs_.Newest(run))
        *records = TodaysWatchTrackRecords(self->store_, *summary);
    }
    self->runs_.Post(self->platform_, run,
                     [self, day, summary, records] { self->Show(day, summary, records); });
  });
}

void TodaysWatchSession::Show(const std::string& date, std::shared_ptr<const Summary> summary,
                              std::shared_ptr<const TodaysWatchRecords> records) {
  ui::Grid& g = page_.高级表格_今日关注;
  ui::Grid::UpdateScope scope(g);
  const int count = summary ? static_cast<int>(summary->items.size()) : 0;
  g.SetRowCount(std::max(count + 1, kTodaysWatchLeastRows));
  g.ClearRange(ui::CellRange{1, 0, g.RowCount() - 1, WatchPage::kColumnCount - 1});
  if (!summary) {
    page_.标签_今日关注统计.SetCaption({});
    page_.标签_今日关注提示.SetCaption(
        Gbk(date.empty() ? "数据文件中没有上榜记录。" : "读取数据文件失败。"));
    return;
  }
  if (date.size() == 10) {
    page_.日期框_关注日期.SetValue(text::DateTime::FromParts(
        std::atoi(date.substr(0, 4).c_str()), std::atoi(date.substr(5, 2).c_str()),
        std::atoi(date.substr(8, 2).c_str())));
  }
  for (int r = 0; r < count; ++r) {
    const SummaryItem& item = summary->items[static_cast<size_t>(r)];
    const int row = r + 1;
    g.SetText(row, WatchPage::kCode, item.code);
    g.SetText(row, WatchPage::kStock, item.name);
    g.SetText(row, WatchPage::kSeat, item.seat);
    g.SetText(row, WatchPage::kNickname, item.nickname);
    g.SetText(row, WatchPage::kKind, item.kind);
    if (!item.seat.empty()) g.SetText(row, WatchPage::kSide, Gbk(item.buy_side ? "买" : "卖"));
    const std::pair<int, double> amounts[] = {{WatchPage::kBuy, item.buy},
                                              {WatchPage::kSell, item.sell},
                                              {WatchPage::kNet, item.net},
                                              {WatchPage::kListingNet, item.listing_net}};
    for (const auto& [column, wan] : amounts) {
      g.SetText(row, column, TodaysWatchFigure(wan));
      if (wan != 0)
        g.SetTextColour(row, column, wan > 0 ? ui::Colour{255, 0, 0} : ui::Colour{0, 128, 0});
    }
    const auto record = records->find(item.seat);
    if (item.seat.empty() || record == records->end()) continue;
    const prices::TrackRecord& t = record->second;
    g.SetText(row, WatchPage::kSample, std::to_string(t.sample));
    const std::tuple<int, std::optional<double>, int, bool> figures[] = {
        {WatchPage::kNextOpen, t.next_open_mean, 2, true},
        {WatchPage::kNextDayWinRate, t.d1_win_rate, 1, false},
        {WatchPage::kFiveDayMean, t.d5_mean, 2, true},
        {WatchPage::kFiveDayWinRate, t.d5_win_rate, 1, false},
        {WatchPage::kTenDayMean, t.d10_mean, 2, true}};
    for (const auto& [column, percent, decimals, coloured] : figures) {
      g.SetText(row, column, prices::PercentText(percent, decimals));
      if (coloured && percent && *percent != 0)
        g.SetTextColour(row, column, *percent > 0 ? ui::Colour{255, 0, 0} : ui::Colour{0, 128, 0});
    }
  }
  g.SetAlignment(ui::CellRange{1, WatchPage::kBuy, g.RowCount() - 1, WatchPage::kColumnCount - 1},
                 ui::Align::kRight);
  page_.标签_今日关注统计.SetCaption(Gbk(date + "  共 " + std::to_string(count) + " 项"));
  // The plain sentence the command line prints when nothing matched.
  page_.标签_今日关注提示.SetCaption(
      count == 0 ? Gbk(summary->watched_seats + summary->watched_codes == 0
                           ? "还没有关注任何席位或股票：在“席位档案”或席位统计表格的右键菜单中加关注。"
                           : "这一天没有涉及关注席位或股票的上榜记录。")
                 : std::string());
}

}  // namespace

void WireTodaysWatchPage(ProgramContext& ctx) {
  std::make_shared<TodaysWatchSession>(ctx.window.todays_watch, ctx.platform, ctx.store)->Wire();
}

}  // namespace seats
