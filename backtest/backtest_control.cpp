#include "backtest/backtest_control.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "backtest/backtest_shown.h"
#include "backtest/backtester.h"
#include "backtest/store_input.h"
#include "duplicates/details_view.h"
#include "listing/statistics_query.h"
#include "program/jobs.h"
#include "program/newest_run.h"
#include "ranking/date_range.h"
#include "store/bar_excerpts.h"
#include "store/store_stamp.h"
#include "text/gbk.h"
#include "ui/details_page.h"

namespace backtest {
namespace {

using program::ProgramContext;
using text::Gbk;
using Page = ui::BacktestPage;

// The bars read cover a hold of up to five days (what the store's excerpts
// hold: the first run of the usual rule reads no more), or the longest hold
// the page offers; a longer hold than read reads again, once.
constexpr int kBacktestShortHold = store::kBarExcerptHold;
constexpr int kBacktestLongestHold = 20;

// What a click on "回测" asks for, read from the page on the window's thread.
struct BacktestAsk {
  DayRange range;
  Rule rule;
  int follow = Page::kNamedSeats;
  std::vector<std::string> names;  // GBK, for kNamedSeats
};

// What the worker keeps between runs: the input of one range and the
// Backtester over it, so a changed threshold reuses its entries and exits.
// The store's stamp as the read began tells whether anyone wrote it since.
struct BacktestWorkerState {
  std::mutex mutex;  // one back-test at a time; a later click waits its turn
  std::optional<DayRange> range;
  int hold = 0;  // the longest hold the bars read cover
  store::StoreStamp stamp;
  std::unique_ptr<Backtester> tester;
  StoreInput input;  // its data moved into `tester`
};

// The pick list of 组合框_回测席位: the nicknames, then every identity's
// newest name, each once, in GBK order.
std::vector<std::string> BacktestPickItems(const seats::SeatBook& book) {
  std::vector<std::string> nicknames;
  for (const seats::Identity& identity : book.rows().identities)
    if (!identity.nickname.empty()) nicknames.push_back(identity.nickname);
  std::vector<std::string> names;
  for (auto& [id, name] : book.NewestNames())
    if (!name.empty()) names.push_back(std::move(name));
  std::sort(nicknames.begin(), nicknames.end());
  std::sort(names.begin(), names.end());
  std::vector<std::string> items;
  for (std::vector<std::string>* part : {&nicknames, &names})
    for (std::string& item : *part)
      if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(std::move(item));
  return items;
}

// A box's number; none for an empty box; false for a text that is no number.
bool BacktestNumber(const std::string& box, std::optional<double>* out) {
  std::string t;
  for (char c : box)
    if (c != ' ') t += c;
  out->reset();
  if (t.empty()) return true;
  double value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size()) return false;
  *out = value;
  return true;
}

// Names separated by commas (ASCII or full-width) and the spaces about them.
std::vector<std::string> BacktestNames(const std::string& box) {
  const std::string wide_comma = Gbk("，");
  std::string t = box;
  for (size_t at = t.find(wide_comma); at != std::string::npos; at = t.find(wide_comma))
    t.replace(at, wide_comma.size(), ",");
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= t.size()) {
    size_t end = t.find(',', start);
    if (end == std::string::npos) end = t.size();
    std::string name = t.substr(start, end - start);
    const size_t first = name.find_first_not_of(' ');
    const size_t last = name.find_last_not_of(' ');
    if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
    start = end + 1;
  }
  return names;
}

class BacktestSession : public std::enable_shared_from_this<BacktestSession> {
 public:
  // `tabs` and `details`: a trade's listing opens on the details page.
  BacktestSession(Page& page, ui::TabControl& tabs, const ui::DetailsPage& details,
                  ui::Platform& platform, store::Store& store, program::ProgramState& state)
      : platform_(platform),
        store_(store),
        state_(state),
        tabs_(tabs),
        details_(details),
        page_(page) {}
  void Wire();

 private:
  ranking::DateRange CurrentRange();
  // The rule of the page's controls; none (and a caption that says why)
  // when a box holds no number.
  std::optional<BacktestAsk> Ask();
  void Run(BacktestAsk ask);
  void Work(uint64_t run, const BacktestAsk& ask, int64_t start);
  void Caption(uint64_t run, std::string caption);
  void Show(std::shared_ptr<ShownBacktest> shown, std::string caption, const BacktestAsk& ask,
            const store::StoreStamp& stamp);
  void OpenTrade();
  // The page came up, or the store may have changed while it is up.
  void StoreMayHaveChanged();
  void FillPickList();
  void PostPickItems(uint64_t run, std::vector<std::string> items);
  store::StoreStamp StampNow() const { return store::StampOfStore(store_.Path()); }

  ui::Platform& platform_;
  store::Store& store_;
  program::ProgramState& state_;
  ui::TabControl& tabs_;
  const ui::DetailsPage details_;
  Page& page_;
  program::NewestRun runs_;
  std::shared_ptr<BacktestWorkerState> worker_ = std::make_shared<BacktestWorkerState>();
  std::vector<int64_t> shown_records_;  // of the trade rows on show
  // The rule of the figures on show and the store they were read from.
  std::optional<BacktestAsk> shown_ask_;
  store::StoreStamp shown_stamp_;
  // The store the pick list was filled from.
  std::optional<store::StoreStamp> pick_stamp_;
  program::NewestRun pick_runs_;
};

ranking::DateRange BacktestSession::CurrentRange() {
  const std::vector<ui::RadioButton*> quick = page_.quick_ranges();
  for (size_t k = 0; k < quick.size(); ++k) {
    if (!quick[k]->checked()) continue;
    ranking::DateRange range =
        ranking::QuickRangeEndingOn(static_cast<ranking::QuickRange>(k), platform_.Now());
    if (const auto from = ranking::DateOf(range.from)) page_.日期框_回测起.SetValue(*from);
    if (const auto to = ranking::DateOf(range.to)) page_.日期框_回测止.SetValue(*to);
    return range;
  }
  return ranking::RangeBetween(page_.日期框_回测起.value(), page_.日期框_回测止.value());
}

std::optional<BacktestAsk> BacktestSession::Ask() {
  BacktestAsk ask;
  const ranking::DateRange range = CurrentRange();
  if (!range.whole_store) {
    ask.range.from = DayNumberOfText(range.from).value_or(INT32_MIN);
    ask.range.to = DayNumberOfText(range.to).value_or(INT32_MAX);
  }
  ask.rule.range = ask.range;
  SeatRule& seats = ask.rule.seats;
  ask.follow = page_.组合框_跟随对象.selected();
  switch (ask.follow) {
    case Page::kInstitutions:
      seats.who = Who::kKind;
      seats.kind = SeatKind::kInstitution;
      break;
    case Page::kNorthbound:
      seats.who = Who::kKind;
      seats.kind = SeatKind::kNorthbound;
      break;
    case Page::kHotMoney:
      seats.who = Who::kKind;
      seats.kind = SeatKind::kHotMoney;
      break;
    case Page::kBranches:
      seats.who = Who::kKind;
      seats.kind = SeatKind::kBranch;
      break;
    case Page::kWatchList:
      seats.who = Who::kWatched;
      break;
    default:
      ask.follow = Page::kNamedSeats;
      seats.who = Who::kIdentities;
      ask.names = BacktestNames(page_.组合框_回测席位.text());
      if (ask.names.empty()) {
        page_.标签_回测统计.SetCaption(Gbk("请填写席位名称或昵称，或选择跟随对象。"));
        return std::nullopt;
      }
  }
  seats.top_buyer_only = page_.选择框_仅第一买方.checked();
  seats.skip_institution_selling = page_.选择框_排除卖方机构.checked();
  seats.reason_contains = page_.编辑框_原因含.caption();
  if (page_.组合框_回测板块.selected() > 0) seats.board = page_.组合框_回测板块.SelectedText();

  std::optional<double> target, stop, max_per_day, commission, stamp;
  const std::pair<ui::EditBox*, std::optional<double>*> boxes[] = {
      {&page_.编辑框_最低买入, &seats.min_buy},   {&page_.编辑框_最低净额, &seats.min_net},
      {&page_.编辑框_最低强度, &seats.min_strength}, {&page_.编辑框_止盈, &target},
      {&page_.编辑框_止损, &stop},                {&page_.编辑框_每日最多, &max_per_day},
      {&page_.编辑框_佣金, &commission},          {&page_.编辑框_印花税, &stamp}};
  for (const auto& [box, value] : boxes) {
    if (!BacktestNumber(box->caption(), value) ||
        (value->has_value() && **value < 0 && box != &page_.编辑框_最低净额)) {
      page_.标签_回测统计.SetCaption(Gbk("请在方框中填写数字：") + box->caption());
      platform_.SetFocus(*box);
      return std::nullopt;
    }
  }
  TradePlan& plan = ask.rule.plan;
  plan.entry = page_.组合框_入场.selected() == 1 ? Entry::kClose : Entry::kNextOpen;
  const int hold_item = page_.组合框_持有天数.selected();
  plan.hold = hold_item >= 0 && hold_item < static_cast<int>(std::size(Page::kHoldDays))
                  ? Page::kHoldDays[hold_item]
                  : 5;
  if (target && *target > 0) plan.target = *target / 100;
  if (stop && *stop > 0) plan.stop = *stop / 100;
  if (max_per_day) ask.rule.sizing.max_per_day = std::max(1, static_cast<int>(*max_per_day));
  if (commission) ask.rule.costs.commission = *commission / 100;
  if (stamp) ask.rule.costs.stamp = *stamp / 100;
  return ask;
}

void BacktestSession::Run(BacktestAsk ask) {
  const int64_t start = platform_.TickCount();
  page_.标签_回测统计.SetCaption(Gbk("回测中……"));
  auto self = shared_from_this();
  runs_.Start(platform_, [self, request = std::move(ask), start](uint64_t run) {
    self->Work(run, request, start);
  });
}

void BacktestSession::Caption(uint64_t run, std::string caption) {
  auto self = shared_from_this();
  runs_.Post(platform_, run, [self, caption = std::move(caption)] {
    self->page_.标签_回测统计.SetCaption(caption);
  });
}

void BacktestSession::Work(uint64_t run, const BacktestAsk& ask, int64_t start) {
  const auto stale = [this, run] { return !runs_.Newest(run); };
  BacktestWorkerState& w = *worker_;
  const std::lock_guard<std::mutex> lock(w.mutex);
  if (stale()) return;  // a newer click came while an older one ran
  // Taken before reading: a write during the read makes the next run read again.
  store::StoreStamp stamp = StampNow();
  if (!w.tester || w.range != ask.range || w.stamp != stamp || w.hold < ask.rule.plan.hold) {
    w.tester.reset();
    w.range.reset();
    Caption(run, Gbk("正在读取数据文件……"));
    const int hold =
        ask.rule.plan.hold <= kBacktestShortHold ? kBacktestShortHold : kBacktestLongestHold;
    StoreInputRead read = ReadStoreInput(store_, ask.range, hold, stale);
    if (read.stopped || stale()) return;
    if (read.error) {
      Caption(run, {});
      listing::ShowStoreErrorMessage(platform_, *read.error);
      return;
    }
    // The read's own packed copies of listings and excerpts of bars change
    // the file, not the data: the stamp after them stands for what was read.
    if (read.wrote_listing_packs || read.wrote_bar_excerpts) stamp = StampNow();
    w.input = std::move(read.input);
    w.tester = std::make_unique<Backtester>(std::move(w.input.data));
    w.range = ask.range;
    w.hold = hold;
    w.stamp = stamp;
    // The book read holds the range's new names too; it overtakes a fill
    // from the stored book alone.
    PostPickItems(pick_runs_.Begin(), BacktestPickItems(w.input.book));
  }
  Rule rule = ask.rule;
  std::string note;
  if (ask.follow == Page::kWatchList) {
    w.input.UseWatchList(rule.seats);
  } else if (ask.follow == Page::kNamedSeats) {
    SeatNames named = ResolveSeatNames(w.input, ask.names);
    rule.seats.identities = std::move(named.identities);
    for (const std::string& name : named.unknown)
      note += (note.empty() ? Gbk("；找不到席位：") : Gbk("、")) + name;
  }
  Caption(run, Gbk("回测中……"));
  const Result result = w.tester->Run(rule);
  auto shown = std::make_shared<ShownBacktest>(MakeShownBacktest(
      result, w.tester->Data(), w.input.record_numbers,
      [&w](uint32_t identity) { return w.input.SeatName(identity); }, rule.sizing.capital));
  const int64_t ms = platform_.TickCount() - start;
  std::string caption = Gbk("规则 ") + std::to_string(result.rule.figures.trades) +
                        Gbk(" 笔，全部上榜 ") +
                        std::to_string(result.baseline ? result.baseline->figures.trades : 0) +
                        Gbk(" 笔，用时 ") + std::to_string(ms) + Gbk(" 毫秒") + note;
  auto self = shared_from_this();
  runs_.Post(platform_, run, [self, shown, caption = std::move(caption), ask, stamp = w.stamp] {
    self->Show(shown, caption, ask, stamp);
  });
}

// Only the newest run's result gets here.
void BacktestSession::Show(std::shared_ptr<ShownBacktest> shown, std::string caption,
                           const BacktestAsk& ask, const store::StoreStamp& stamp) {
  shown_records_ = std::move(shown->record_numbers);
  PutShownBacktest(page_, *shown);
  shown_ask_ = ask;
  shown_stamp_ = stamp;
  // Written while the back-test ran (a download on its way): say so; the
  // end of that job runs it again.
  if (StampNow() != stamp) caption += Gbk("（数据文件已在读取后更新）");
  page_.标签_回测统计.SetCaption(caption);
}

void BacktestSession::StoreMayHaveChanged() {
  const store::StoreStamp now = StampNow();
  if (!pick_stamp_ || *pick_stamp_ != now) FillPickList();
  if (!shown_ask_ || shown_stamp_ == now) return;
  if (program::JobRunning(state_)) {
    // Still being written: the job's end asks again.
    page_.标签_回测统计.SetCaption(
        Gbk("数据文件已更新，以下为更新前的结果；下载结束后将重新回测。"));
    return;
  }
  // The figures on show are of a store that changed: the same rule again.
  shown_stamp_ = now;  // one re-run per change
  Run(*shown_ask_);
}

void BacktestSession::FillPickList() {
  pick_stamp_ = StampNow();
  auto self = shared_from_this();
  pick_runs_.Start(platform_, [self](uint64_t run) {
    seats::SeatBook book;
    store::StoreAccess access = self->store_.OpenStore();
    const bool read = seats::LoadSeatBook(access, &book);
    const bool failed = access.CloseStore().has_value() || !read;
    if (failed || !self->pick_runs_.Newest(run)) return;  // the typed form still works
    self->PostPickItems(run, BacktestPickItems(book));
  });
}

void BacktestSession::PostPickItems(uint64_t run, std::vector<std::string> items) {
  auto self = shared_from_this();
  auto shared = std::make_shared<std::vector<std::string>>(std::move(items));
  pick_runs_.Post(platform_, run,
                  [self, shared] { self->page_.组合框_回测席位.SetItems(std::move(*shared)); });
}

void BacktestSession::OpenTrade() {
  const int row = page_.高级表格_回测交易.CurrentRow();
  if (row < 1 || row > static_cast<int>(shown_records_.size())) return;
  const int64_t record_number = shown_records_[static_cast<size_t>(row - 1)];
  if (record_number <= 0) return;
  // The page first: whatever turning to it shows, the chosen listing wins.
  tabs_.SetCurrentPage(ui::MainWindow::kDetailsPage);
  details::LayOutDetailsGrid(details_);
  details::ShowListingDetails(details_, platform_, store_, state_.start_time, record_number);
}

void BacktestSession::Wire() {
  auto self = shared_from_this();
  SetUpBacktestGrids(page_.高级表格_回测指标, page_.高级表格_回测年度, page_.高级表格_回测交易);
  page_.on_shown = [self] { self->StoreMayHaveChanged(); };
  page_.超级按钮_回测.on_clicked = [self] {
    if (std::optional<BacktestAsk> ask = self->Ask()) self->Run(std::move(*ask));
  };
  for (ui::DateBox* box : {&page_.日期框_回测起, &page_.日期框_回测止}) {
    box->on_date_changed = [self] {
      for (ui::RadioButton* quick : self->page_.quick_ranges()) quick->SetChecked(false);
    };
  }
  page_.高级表格_回测交易.on_double_click = [self] { self->OpenTrade(); };
  for (ui::Grid* grid : {&page_.高级表格_回测指标, &page_.高级表格_回测年度, &page_.高级表格_回测交易})
    grid->on_mouse_move = [self, grid] { self->platform_.SetFocus(*grid); };
  CurrentRange();  // the date boxes show the quick range checked
}

}  // namespace

void WireBacktestPage(ProgramContext& ctx) {
  std::make_shared<BacktestSession>(ctx.window.backtest, ctx.window.高级选择夹1,
                                    ui::DetailsPage::Of(ctx.window), ctx.platform, ctx.store,
                                    ctx.state)
      ->Wire();
}

}  // namespace backtest
