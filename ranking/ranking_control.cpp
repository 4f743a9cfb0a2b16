#include "ranking/ranking_control.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>

#include "duplicates/details_view.h"
#include "listing/statistics_query.h"
#include "ranking/range_scan.h"
#include "ranking/ranking_grids.h"
#include "ranking/ranking_returns.h"
#include "ranking/seat_identities.h"
#include "ranking/seat_identity_lines.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"
#include "ui/details_page.h"
#include "ui/messages.h"

namespace ranking {
namespace {

using program::ProgramContext;
using text::Gbk;

constexpr int kLeastRankingRows = 8;  // the title and the rows the grid shows at once
constexpr int kLeastRowListingRows = 6;
// The grid of a row's listings shows at most this many, the newest.
constexpr size_t kMostRowListings = 5000;
constexpr int kKinds = 3;

// A ranking as it is shown: the scan, its rankings and their lines.
struct Outcome {
  std::shared_ptr<const RangeData> data;
  std::shared_ptr<const prices::BarsIndex> bars;  // the range's daily bars
  std::shared_ptr<const prices::RangeReturns> returns;
  std::array<GridLines, kKinds> lines;
  // The Seats' identities: kinds, older names, and the book that resolves
  // what the Seat box names.
  std::shared_ptr<const seats::SeatBook> book;
  SeatRowFacts seat_facts;
  int64_t start = 0;  // tick count when the ranking was asked for
};

struct SortState {
  int column = -1;
  bool ascending = false;
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  // `tabs` and `details`: a listing of a row opens on the details page.
  Session(ui::RankingPage& page, ui::TabControl& tabs, const ui::DetailsPage& details,
          ui::Platform& platform, store::Store& store, program::ProgramState& state)
      : platform_(platform),
        store_(store),
        state_(state),
        tabs_(tabs),
        details_(details),
        page_(page) {}

  void Wire();
  void SetRangeBoxes(const DateRange& range);

 private:
  RankingKind Kind() const;
  DateRange CurrentRange();
  void Run();
  void Show(uint64_t generation, std::shared_ptr<const Outcome> outcome);
  void PutKind();
  void Sort(ui::Grid& grid, SortState& state, int rows, const std::vector<GridColumn>& columns,
            int column, std::optional<bool> ascending);
  void ShowRow(int row, bool with_listings);
  void OpenListing();
  void WatchRow(int row);
  void WatchListingCode(int row);
  void ToggleWatch(int kind, const std::string& value, const std::string& shown_name);
  void FindSeat();
  std::string RowName(const RowKey& key) const;

  ui::Platform& platform_;
  store::Store& store_;
  program::ProgramState& state_;
  ui::TabControl& tabs_;
  const ui::DetailsPage details_;
  ui::RankingPage& page_;
  std::atomic<uint64_t> started_{0};
  // The chart follows the last row clicked, the listings the last row
  // double-clicked: the click that ends a double-click must not drop them.
  std::atomic<uint64_t> row_started_{0};
  std::atomic<uint64_t> listings_started_{0};
  std::shared_ptr<const Outcome> shown_;
  RankingKind shown_kind_ = RankingKind::kSeats;
  int ranking_rows_ = 0;
  int listing_rows_ = 0;
  int shown_row_ = 1;  // the ranking row the chart is of
  std::string caption_;     // of the ranking on show
  int64_t elapsed_ms_ = 0;  // from asking for it to showing it
  SortState ranking_sort_, listing_sort_;
  prices::BarsCache bars_cache_;  // used by the ranking's worker
};

RankingKind Session::Kind() const {
  if (page_.单选框_个股统计.checked()) return RankingKind::kStocks;
  if (page_.单选框_机构追踪.checked()) return RankingKind::kInstitutions;
  return RankingKind::kSeats;
}

void Session::SetRangeBoxes(const DateRange& range) {
  if (const auto from = DateOf(range.from)) page_.日期框_统计起.SetValue(*from);
  if (const auto to = DateOf(range.to)) page_.日期框_统计止.SetValue(*to);
}

DateRange Session::CurrentRange() {
  const std::vector<ui::RadioButton*> quick = page_.quick_ranges();
  for (size_t k = 0; k < quick.size(); ++k) {
    if (!quick[k]->checked()) continue;
    DateRange range = QuickRangeEndingOn(static_cast<QuickRange>(k), platform_.Now());
    SetRangeBoxes(range);
    return range;
  }
  return RangeBetween(page_.日期框_统计起.value(), page_.日期框_统计止.value());
}

void Session::Run() {
  const uint64_t generation = ++started_;
  const DateRange range = CurrentRange();
  const bool repeats = page_.选择框_含重复上榜.checked();
  const int64_t start = platform_.TickCount();
  page_.标签_排行说明.SetCaption(Gbk("统计中……"));
  auto self = shared_from_this();
  platform_.StartWorker([self, generation, range, repeats, start] {
    ui::Platform& platform = self->platform_;
    store::Store& store = self->store_;
    // A newer ranking makes this one pointless: it stops at once.
    RangeScan scan =
        ScanRange(store, range, repeats, [&] { return self->started_.load() != generation; });
    if (scan.stopped) return;
    if (scan.error) {
      platform.PostToUi([self, generation] {
        if (generation == self->started_.load()) self->page_.标签_排行说明.SetCaption("");
      });
      listing::ShowStoreErrorMessage(platform, *scan.error);
      return;
    }
    auto outcome = std::make_shared<Outcome>();
    auto data = std::make_shared<RangeData>(std::move(scan.data));
    // Seats count by identity: a renamed branch is one row under its newest
    // name. Without the identities (a store that cannot give them) each
    // name counts alone.
    auto book = std::make_shared<seats::SeatBook>();
    std::vector<int64_t> identities;
    if (!BookWithNames(store, *data, false, book.get())) identities = CountByIdentity(*data, *book);
    const Rankings rankings = MakeRankings(*data);
    // Without bars (none fetched, or a store that fails now) the returns
    // stay empty; the ranking shows all the same.
    std::optional<store::StoreError> bars_error;
    std::shared_ptr<const prices::BarsIndex> shared_bars =
        self->bars_cache_.Load(store, range, &data->codes, &bars_error);
    if (!shared_bars) shared_bars = std::make_shared<const prices::BarsIndex>();
    auto returns = std::make_shared<const prices::RangeReturns>(
        prices::ComputeRangeReturns(*data, *shared_bars));
    for (int k = 0; k < kKinds; ++k) {
      GridLines& lines = outcome->lines[static_cast<size_t>(k)];
      lines = RankingLines(*data, rankings, static_cast<RankingKind>(k));
      AddRankingReturns(lines, static_cast<RankingKind>(k), *returns);
    }
    AddNicknames(outcome->lines[static_cast<size_t>(RankingKind::kSeats)], identities, *book);
    outcome->seat_facts = MakeSeatRowFacts(*data, identities, *book);
    outcome->book = std::move(book);
    outcome->returns = std::move(returns);
    outcome->bars = std::move(shared_bars);
    outcome->data = std::move(data);
    outcome->start = start;
    platform.PostToUi([self, generation, outcome] { self->Show(generation, outcome); });
  });
}

void Session::Show(uint64_t generation, std::shared_ptr<const Outcome> outcome) {
  // The range or the switch changed while this one ran: a newer one comes.
  if (generation != started_.load()) return;
  shown_ = std::move(outcome);
  elapsed_ms_ = platform_.TickCount() - shown_->start;
  if (shown_->data->range.whole_store && shown_->data->range_days > 0)
    SetRangeBoxes(
        DateRange{shown_->data->days.front(), shown_->data->days[shown_->data->range_days - 1]});
  PutKind();
}

void Session::PutKind() {
  if (!shown_) return;
  shown_kind_ = Kind();
  const bool seat_rows = shown_kind_ == RankingKind::kSeats;
  page_.组合框_席位类别.SetEnabled(seat_rows);
  const GridLines& all = shown_->lines[static_cast<size_t>(shown_kind_)];
  // The kind filter keeps whole rows, so the kinds' rows add up to 全部.
  std::optional<GridLines> kept;
  if (const auto kind = SeatKindOfChoice(page_.组合框_席位类别.selected()); kind && seat_rows)
    kept = KeepKindLines(all, shown_->seat_facts, *kind);
  const GridLines& lines = kept ? *kept : all;
  ui::Grid& grid = page_.高级表格_席位排行;
  {
    ui::Grid::UpdateScope scope(grid);
    grid.ClearToolTips();
    SetUpGrid(grid, ShownRankingColumns(shown_kind_), &lines);
    PutLines(grid, lines, kLeastRankingRows);
  }
  ranking_rows_ = lines.rows();
  // Sorted by the net, largest first, as the lines come.
  ranking_sort_ = SortState{RankingNetColumn(shown_kind_), false};
  Sort(grid, ranking_sort_, ranking_rows_, ShownRankingColumns(shown_kind_), ranking_sort_.column,
       false);
  caption_ =
      RankingCaption(CaptionFacts{shown_->data.get(), shown_kind_, ranking_rows_, elapsed_ms_});
  page_.标签_排行说明.SetCaption(caption_);
  ShowRow(1, true);
}

void Session::Sort(ui::Grid& grid, SortState& state, int rows,
                   const std::vector<GridColumn>& columns, int column,
                   std::optional<bool> ascending) {
  if (column < 0 || column >= static_cast<int>(columns.size())) return;
  const bool as_number = columns[static_cast<size_t>(column)].number;
  // A new column sorts numbers largest first and texts in their order;
  // the same column again turns round.
  const bool up = ascending.value_or(column == state.column ? !state.ascending : !as_number);
  SortGridLines(grid, rows, column, as_number, up);
  state = SortState{column, up};
  if (&grid != &page_.高级表格_席位排行) return;
  // The older names follow their rows.
  if (shown_ && shown_kind_ == RankingKind::kSeats) PutSeatTips(grid, rows, shown_->seat_facts);
  int right = grid.place().left;
  for (int c = 0; c <= column; ++c) right += grid.ColumnWidth(c);
  ui::Label& arrow = page_.透明标签_排行排序标;
  arrow.SetCaption(Gbk(up ? "↑" : "↓"));
  arrow.SetLeft(right - arrow.place().width);
}

std::string Session::RowName(const RowKey& key) const {
  const RangeData& d = *shown_->data;
  if (key.kind == RankingKind::kSeats) return std::string(d.seats[key.id]);
  std::string name =
      std::string(d.codes[key.id]) + " " + std::string(d.names[d.stock_names[key.id]]);
  if (key.kind == RankingKind::kInstitutions) name = Gbk(kInstitutionSeat) + " " + name;
  return name;
}

// 关注 from the context menu: a Seat row's identity or a stock row's code
// is watched, or no longer watched when it was.
void Session::WatchRow(int row) {
  if (!shown_ || row < 1 || row > ranking_rows_) return;
  ui::Grid& grid = page_.高级表格_席位排行;
  const RowKey key{shown_kind_, static_cast<uint32_t>(
                                    text::IntegerFromText(grid.Text(row, grid.ColumnCount() - 1)))};
  if (key.kind == RankingKind::kSeats) {
    ToggleWatch(0, std::string(shown_->data->seats[key.id]), RowName(key));
  } else {
    ToggleWatch(1, std::string(shown_->data->codes[key.id]), RowName(key));
  }
}

// 关注 on a row of the listings behind a ranking row: its stock's code.
void Session::WatchListingCode(int row) {
  ui::Grid& grid = page_.高级表格_排行明细;
  if (!shown_ || row < 1 || row > listing_rows_) return;
  constexpr int kCodeColumn = 2, kNameColumn = 1;
  const std::string code = grid.Text(row, kCodeColumn);
  if (code.empty()) return;
  ToggleWatch(1, code, code + " " + grid.Text(row, kNameColumn));
}

// Kind 0: `value` is a Seat name, its identity is meant; kind 1: a code.
void Session::ToggleWatch(int kind, const std::string& value, const std::string& shown_name) {
  seats::SeatBook book;
  // The range's names taken in, so that every Seat row has its identity.
  if (BookWithNames(store_, *shown_->data, true, &book)) {
    ui::Tell(platform_, Gbk("读取席位档案失败。"), ui::MessageIcon::kError);
    return;
  }
  std::string watched = value;
  if (kind == 0) {
    const std::optional<int64_t> id = book.IdentityOfName(value);
    if (!id) return;
    watched = std::to_string(*id);
  }
  const bool on = kind == 0 ? !book.Watched(std::stoll(watched)) : !book.WatchedCode(watched);
  book.SetWatch(kind, watched, on);
  store::StoreAccess access = store_.OpenStore();
  if (!seats::SaveSeatBook(access, book) || access.CloseStore()) {
    ui::Tell(platform_, Gbk("席位档案保存失败，关注未写入数据文件。"), ui::MessageIcon::kError);
    return;
  }
  ui::Tell(platform_, Gbk(on ? "已加入关注：" : "已取消关注：") + shown_name,
           ui::MessageIcon::kInformation);
}

// The Seat box: the row of the Seat named by a name, a part of one or a
// nickname becomes current, its chart and listings shown; 营业部排行 and
// 全部 are chosen when the Seat is not among the rows shown.
void Session::FindSeat() {
  if (!shown_) return;
  const std::string wanted(text::TrimBlanks(page_.编辑框_席位查找.caption()));
  if (wanted.empty()) return;
  ui::Grid& grid = page_.高级表格_席位排行;
  auto find = [&] {
    return FindSeatRow(grid, ranking_rows_, *shown_->data, shown_->seat_facts, *shown_->book,
                       wanted);
  };
  int row = shown_kind_ == RankingKind::kSeats ? find() : 0;
  if (row == 0 && (shown_kind_ != RankingKind::kSeats || page_.组合框_席位类别.selected() != 0)) {
    page_.单选框_营业部排行.SetChecked(true);
    page_.组合框_席位类别.SetSelected(0);
    PutKind();
    row = find();
  }
  if (row == 0) {
    page_.标签_排行说明.SetCaption(Gbk("区间内没有席位：") + wanted);
    return;
  }
  grid.SetCurrentCell(row, 0);
  ShowRow(row, true);
}

void Session::ShowRow(int row, bool with_listings) {
  if (!shown_) return;
  ui::Grid& grid = page_.高级表格_席位排行;
  const int key_column = grid.ColumnCount() - 1;
  const uint64_t generation = ++row_started_;
  const uint64_t listings_generation = with_listings ? ++listings_started_ : 0;
  if (row < 1 || row > ranking_rows_) {
    page_.图表_席位净额.SetData({});
    if (with_listings) {
      SetUpGrid(page_.高级表格_排行明细, ShownRowListingColumns());
      PutLines(page_.高级表格_排行明细, GridLines{}, kLeastRowListingRows);
      listing_rows_ = 0;
    }
    return;
  }
  const RowKey key{shown_kind_,
                   static_cast<uint32_t>(text::IntegerFromText(grid.Text(row, key_column)))};
  const std::string name = RowName(key);
  auto self = shared_from_this();
  auto data = shown_->data;
  auto bars = shown_->bars;
  shown_row_ = row;
  // A Seat's second view: the path after its buys beside the range's.
  std::shared_ptr<const prices::RangeReturns> paths;
  if (key.kind == RankingKind::kSeats && page_.选择框_收益路径.checked()) paths = shown_->returns;
  platform_.StartWorker([self, generation, listings_generation, data, bars, paths, key, name,
                         with_listings] {
    const RowBreakdown breakdown = BreakDownRow(*data, key, kMostRowListings);
    auto chart = std::make_shared<ui::ChartData>(
        paths && key.id < paths->seats.size()
            ? PathChart(name, paths->seats[key.id], paths->all)
            : NetChart(name, breakdown.series));
    auto lines = std::make_shared<GridLines>();
    if (with_listings) {
      *lines = RowListingLines(*data, breakdown.newest);
      AddRowListingReturns(*lines, *data, breakdown.newest, *bars);
    }
    const size_t count = breakdown.listing_count;
    self->platform_.PostToUi(
        [self, generation, listings_generation, chart, lines, with_listings, count] {
          if (generation == self->row_started_.load())
            self->page_.图表_席位净额.SetData(std::move(*chart));
          if (!with_listings || listings_generation != self->listings_started_.load()) return;
          ui::Grid& grid = self->page_.高级表格_排行明细;
          {
            ui::Grid::UpdateScope scope(grid);
            SetUpGrid(grid, ShownRowListingColumns(), lines.get());
            PutLines(grid, std::move(*lines), kLeastRowListingRows);
          }
          self->listing_rows_ = lines->rows();
          self->listing_sort_ = SortState{};
          // A row behind a great many listings lists the newest of them.
          std::string caption = self->caption_;
          if (count > kMostRowListings)
            caption += Gbk("；明细列出最近 ") + std::to_string(kMostRowListings) + Gbk(" 条");
          self->page_.标签_排行说明.SetCaption(caption);
        });
  });
}

void Session::OpenListing() {
  ui::Grid& grid = page_.高级表格_排行明细;
  const int row = grid.CurrentRow();
  if (row < 1 || row > listing_rows_) return;
  const int64_t record_number = text::IntegerFromText(grid.Text(row, grid.ColumnCount() - 1));
  // The page first: whatever turning to it shows, the chosen listing wins.
  tabs_.SetCurrentPage(ui::MainWindow::kDetailsPage);
  details::LayOutDetailsGrid(details_);
  details::ShowListingDetails(details_, platform_, store_, state_.start_time, record_number);
}

void Session::Wire() {
  // The handlers hold the session; it lives as long as the window's events.
  auto self = shared_from_this();
  page_.on_shown = [self] { self->Run(); };
  for (ui::RadioButton* quick : page_.quick_ranges()) quick->on_clicked = [self] { self->Run(); };
  for (ui::DateBox* box : {&page_.日期框_统计起, &page_.日期框_统计止}) {
    box->on_date_changed = [self] {
      for (ui::RadioButton* quick : self->page_.quick_ranges()) quick->SetChecked(false);
      self->Run();
    };
  }
  page_.选择框_含重复上榜.on_clicked = [self] { self->Run(); };
  for (ui::RadioButton* kind : page_.kinds()) {
    kind->on_clicked = [self] {
      if (self->shown_) {
        self->PutKind();
      } else {
        self->Run();
      }
    };
  }
  ui::Grid& ranking = page_.高级表格_席位排行;
  ranking.on_header_clicked = [self](int, int column) {
    // The current row and the row the chart is of follow their lines, so a
    // sort leaves the chart (and 收益路径's next turn) on the same Seat.
    ui::Grid& grid = self->page_.高级表格_席位排行;
    const int rows = self->ranking_rows_;
    const int key_column = grid.ColumnCount() - 1;
    const auto key_at = [&grid, rows, key_column](int row) {
      return row >= 1 && row <= rows ? grid.Text(row, key_column) : std::string();
    };
    const std::string current_key = key_at(grid.CurrentRow());
    const std::string shown_key = key_at(self->shown_row_);
    self->Sort(grid, self->ranking_sort_, rows, ShownRankingColumns(self->shown_kind_), column,
               std::nullopt);
    for (int row = 1; row <= rows; ++row) {
      const std::string& key = grid.Text(row, key_column);
      if (!current_key.empty() && key == current_key)
        grid.SetCurrentCell(row, grid.CurrentColumn());
      if (!shown_key.empty() && key == shown_key) self->shown_row_ = row;
    }
  };
  ranking.on_left_button_up = [self] {
    self->ShowRow(self->page_.高级表格_席位排行.CurrentRow(), false);
  };
  ranking.on_double_click = [self] {
    self->ShowRow(self->page_.高级表格_席位排行.CurrentRow(), true);
  };
  ranking.context_entries = {Gbk("关注")};
  ranking.on_context_entry = [self](int) {
    self->WatchRow(self->page_.高级表格_席位排行.CurrentRow());
  };
  page_.组合框_席位类别.on_selection_changed = [self] {
    if (self->shown_) {
      self->PutKind();
    } else {
      self->Run();
    }
  };
  page_.编辑框_席位查找.on_key_down = [self](int key) {
    if (key == 13) self->FindSeat();
  };
  ui::Grid& listings = page_.高级表格_排行明细;
  listings.on_header_clicked = [self](int, int column) {
    self->Sort(self->page_.高级表格_排行明细, self->listing_sort_, self->listing_rows_,
               ShownRowListingColumns(), column, std::nullopt);
  };
  listings.on_double_click = [self] { self->OpenListing(); };
  listings.context_entries = {Gbk("关注")};
  listings.on_context_entry = [self](int) {
    self->WatchListingCode(self->page_.高级表格_排行明细.CurrentRow());
  };
  page_.选择框_收益路径.on_clicked = [self] { self->ShowRow(self->shown_row_, false); };
  for (ui::Grid* grid : {&ranking, &listings})
    grid->on_mouse_move = [self, grid] { self->platform_.SetFocus(*grid); };
}

}  // namespace

ui::ChartData NetChart(std::string_view row_name, const NetSeries& series) {
  ui::ChartData chart;
  if (series.points.empty()) return chart;
  // What the chart says first: the amounts are the disclosed ones.
  chart.title = Gbk("已披露净额(万) ") + std::string(row_name);
  chart.categories = series.points;
  chart.bars = series.net;
  chart.line = series.cumulative;
  chart.bar_name = Gbk(series.monthly ? "每月净额(仅上榜日)" : "每日净额(仅上榜日)");
  chart.line_name = Gbk("累计净额");
  return chart;
}

void WireRankingPage(ProgramContext& ctx) {
  ui::RankingPage& page = ctx.window.ranking;
  auto session =
      std::make_shared<Session>(page, ctx.window.高级选择夹1, ui::DetailsPage::Of(ctx.window),
                                ctx.platform, ctx.store, ctx.state);
  session->Wire();
  SetUpGrid(page.高级表格_席位排行, ShownRankingColumns(RankingKind::kSeats));
  PutLines(page.高级表格_席位排行, GridLines{}, kLeastRankingRows);
  SetUpGrid(page.高级表格_排行明细, ShownRowListingColumns());
  PutLines(page.高级表格_排行明细, GridLines{}, kLeastRowListingRows);
  session->SetRangeBoxes(QuickRangeEndingOn(QuickRange::kMonth, ctx.platform.Now()));
}

}  // namespace ranking
