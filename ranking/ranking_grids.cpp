#include "ranking/ranking_grids.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <type_traits>

#include "listing/listing_grid.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace ranking {
namespace {

using text::Gbk;

constexpr ui::Colour kRise{255, 0, 0};
constexpr ui::Colour kFall{0, 128, 0};
constexpr int kTitleRowHeight = 24;

// Widths fit the titles and figures of up to eleven characters in the
// window's 12-pixel font, and every grid fits its place without scrolling
// sideways (the sort arrow stands over the columns as laid out).
const std::vector<GridColumn> kSeatColumns = {{"营业部名称", 148, false, true},
                                              {"上榜次数", 50, true},
                                              {"买入次数", 50, true},
                                              {"卖出次数", 50, true},
                                              {"买入额(万)", 76, true},
                                              {"卖出额(万)", 76, true},
                                              {"净额(万)", 76, true},
                                              {"次日卖出", 54, true},
                                              {"次日卖出率", 62, true},
                                              {"买入前三", 64, false, true},
                                              {"", 1, true}};
const std::vector<GridColumn> kStockColumns = {{"代码", 50, false},        {"股名", 62, false},
                                               {"上榜次数", 52, true},     {"买入额(万)", 80, true},
                                               {"卖出额(万)", 80, true},   {"净额(万)", 80, true},
                                               {"买入席位数", 64, true},   {"卖出席位数", 64, true},
                                               {"机构净额(万)", 84, true}, {"", 1, true}};
const std::vector<GridColumn> kInstitutionColumns = {
    {"代码", 50, false},          {"股名", 62, false},
    {"机构买入额(万)", 96, true}, {"买入次数", 56, true},
    {"机构卖出额(万)", 96, true}, {"卖出次数", 56, true},
    {"机构净额(万)", 88, true},   {"", 1, true}};
const std::vector<GridColumn> kRowListingColumns = {
    {"日期", 70, false},    {"股名", 52, false},    {"代码", 46, false},    {"方向", 32, false},
    {"买入(万)", 68, true}, {"卖出(万)", 68, true}, {"净额(万)", 68, true}, {"", 1, true}};

// Builds one line of cells.
class LineWriter {
 public:
  LineWriter(GridLines& lines, const std::vector<GridColumn>& columns)
      : lines_(lines), columns_(columns) {
    lines_.columns = static_cast<int>(columns.size());
  }
  void Begin() { column_ = 0; }
  void Text(std::string_view gbk) { Put(std::string(gbk), false); }
  void Count(int64_t n) { Put(std::to_string(n), true); }
  // Amounts get their texts at the end, when the column's unit is known.
  void Amount(double wan, bool coloured = false) {
    Put(std::string(), true);
    amounts_.resize(lines_.cells.size(), kNoAmount);
    amounts_.back() = wan;
    if (coloured) lines_.cells.back().SetTextColour(wan < 0 ? kFall : kRise);
  }
  // Each amount column in 万, or in 亿 when its largest amount reaches one
  // 亿; every number column as wide as its widest text.
  void Finish() {
    const int n = lines_.columns;
    const int rows = lines_.rows();
    amounts_.resize(lines_.cells.size(), kNoAmount);
    lines_.titles.assign(static_cast<size_t>(n), std::string());
    lines_.widths.assign(static_cast<size_t>(n), 0);
    static const std::string wan_unit = Gbk("(万)"), yi_unit = Gbk("(亿)");
    for (int c = 0; c < n; ++c) {
      const GridColumn& column = columns_[static_cast<size_t>(c)];
      std::string title = Gbk(column.title);
      double largest = 0;
      for (int r = 0; r < rows; ++r) {
        const double v = amounts_[static_cast<size_t>(r * n + c)];
        if (!std::isnan(v)) largest = std::max(largest, std::fabs(v));
      }
      const bool in_yi = largest >= kWanPerYi;
      if (in_yi) {
        const size_t unit = title.rfind(wan_unit);
        if (unit != std::string::npos) title.replace(unit, wan_unit.size(), yi_unit);
      }
      int width = column.width;
      for (int r = 0; r < rows; ++r) {
        const size_t k = static_cast<size_t>(r * n + c);
        ui::Cell& cell = lines_.cells[k];
        if (!std::isnan(amounts_[k])) cell.text = AmountText(amounts_[k], in_yi);
        if (column.number && column.width > 1) width = std::max(width, FigureWidth(cell.text));
      }
      lines_.titles[static_cast<size_t>(c)] = std::move(title);
      lines_.widths[static_cast<size_t>(c)] = width;
    }
  }
  void Share(int part, int whole) { Put(ShareText(part, whole), true); }

 private:
  void Put(std::string text, bool number) {
    ui::Cell& cell = lines_.cells.emplace_back();
    cell.text = std::move(text);
    cell.is_number = number ? 1 : 0;
    const GridColumn& column = columns_[static_cast<size_t>(column_)];
    cell.align = static_cast<uint32_t>(column.number ? ui::Align::kRight
                                       : column.left ? ui::Align::kLeft
                                                     : ui::Align::kCentre);
    ++column_;
  }
  // Pixels a figure takes in the window's 12-pixel font, with the cell's
  // margins.
  static int FigureWidth(const std::string& text) {
    return static_cast<int>(text.size()) * 7 + 10;
  }
  static constexpr double kNoAmount = std::numeric_limits<double>::quiet_NaN();
  static constexpr double kWanPerYi = 10000;
  GridLines& lines_;
  const std::vector<GridColumn>& columns_;
  int column_ = 0;
  std::vector<double> amounts_;  // per cell: its amount, or kNoAmount
};

std::string TopStocks(const RangeData& d, const SeatRanking& row) {
  static const std::string separator = Gbk("、");
  std::string out;
  for (int k = 0; k < row.top_count; ++k) {
    if (k) out += separator;
    out += d.names[d.stock_names[row.top_stocks[static_cast<size_t>(k)]]];
  }
  return out;
}

const std::string& SideText(uint32_t sides) {
  static const std::string both = Gbk("买卖"), buy = Gbk("买入"), sell = Gbk("卖出"), none;
  if ((sides & kInBuyBlock) && (sides & kInSellBlock)) return both;
  if (sides & kInBuyBlock) return buy;
  if (sides & kInSellBlock) return sell;
  return none;
}

void SortByNet(GridLines& lines, int net_column) {
  // The nets as their texts show them; stable, so equal nets keep the
  // order of the rows as met.
  const int n = lines.rows();
  std::vector<double> nets(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r)
    nets[static_cast<size_t>(r)] =
        text::NumberFromTextSkippingSeparators(
            lines.cells[static_cast<size_t>(r * lines.columns + net_column)].text);
  std::vector<uint32_t> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return nets[a] > nets[b]; });
  std::vector<ui::Cell> sorted;
  sorted.reserve(lines.cells.size());
  for (uint32_t r : order)
    for (int c = 0; c < lines.columns; ++c)
      sorted.push_back(std::move(lines.cells[static_cast<size_t>(r) * lines.columns + c]));
  lines.cells = std::move(sorted);
}

}  // namespace

const std::vector<GridColumn>& RankingColumns(RankingKind kind) {
  switch (kind) {
    case RankingKind::kStocks:
      return kStockColumns;
    case RankingKind::kInstitutions:
      return kInstitutionColumns;
    case RankingKind::kSeats:
      break;
  }
  return kSeatColumns;
}

const std::vector<GridColumn>& RowListingColumns() {
  return kRowListingColumns;
}

int RankingNetColumn(RankingKind kind) {
  switch (kind) {
    case RankingKind::kStocks:
      return 5;
    case RankingKind::kInstitutions:
      return 6;
    case RankingKind::kSeats:
      break;
  }
  return 6;
}

std::string AmountText(double wan, bool in_yi) {
  return text::FixedText(in_yi ? wan / 10000 : wan, 2, true);
}

std::string ShareText(int part, int whole) {
  if (whole <= 0) return {};
  return text::NumberText(text::RoundHalfAway(100.0 * part / whole, 1)) + "%";
}

GridLines RankingLines(const RangeData& d, const Rankings& r, RankingKind kind) {
  GridLines lines;
  LineWriter w(lines, RankingColumns(kind));
  switch (kind) {
    case RankingKind::kSeats:
      for (const SeatRanking& row : r.seats) {
        const WanFigures f = ToWan(row.buy, row.sell);
        w.Begin();
        w.Text(d.seats[row.seat]);
        w.Count(row.listings);
        w.Count(row.buy_listings);
        w.Count(row.sell_listings);
        w.Amount(f.buy);
        w.Amount(f.sell);
        w.Amount(f.net, true);
        w.Count(row.next_day_sells);
        w.Share(row.next_day_sells, row.buy_listings);
        w.Text(TopStocks(d, row));
        w.Count(row.seat);
      }
      break;
    case RankingKind::kStocks:
      for (const StockRanking& row : r.stocks) {
        const WanFigures f = ToWan(row.buy, row.sell);
        w.Begin();
        w.Text(d.codes[row.stock]);
        w.Text(d.names[d.stock_names[row.stock]]);
        w.Count(row.listings);
        w.Amount(f.buy);
        w.Amount(f.sell);
        w.Amount(f.net, true);
        w.Count(row.buying_seats);
        w.Count(row.selling_seats);
        w.Amount(ToWan(row.institution_buy, row.institution_sell).net, true);
        w.Count(row.stock);
      }
      break;
    case RankingKind::kInstitutions:
      for (const InstitutionRanking& row : r.institutions) {
        const WanFigures f = ToWan(row.buy, row.sell);
        w.Begin();
        w.Text(d.codes[row.stock]);
        w.Text(d.names[d.stock_names[row.stock]]);
        w.Amount(f.buy);
        w.Count(row.buy_count);
        w.Amount(f.sell);
        w.Count(row.sell_count);
        w.Amount(f.net, true);
        w.Count(row.stock);
      }
      break;
  }
  w.Finish();
  SortByNet(lines, RankingNetColumn(kind));
  return lines;
}

GridLines RowListingLines(const RangeData& d, const std::vector<RowListing>& listings) {
  GridLines lines;
  LineWriter w(lines, RowListingColumns());
  lines.cells.reserve(listings.size() * RowListingColumns().size());
  for (const RowListing& listing : listings) {
    const WanFigures f = ToWan(listing.buy, listing.sell);
    w.Begin();
    w.Text(d.days[listing.day]);
    w.Text(d.names[listing.name]);
    w.Text(d.codes[listing.stock]);
    w.Text(SideText(listing.sides));
    w.Amount(f.buy);
    w.Amount(f.sell);
    w.Amount(f.net, true);
    w.Count(listing.record_number);
  }
  w.Finish();
  return lines;
}

void SetUpGrid(ui::Grid& grid, const std::vector<GridColumn>& columns, const GridLines* lines) {
  ui::Grid::UpdateScope scope(grid);
  const int n = static_cast<int>(columns.size());
  grid.SetHeaderRowCount(1);
  grid.SetColumnCount(n);
  if (grid.RowCount() < 1) grid.SetRowCount(1);
  grid.SetRowHeight(0, kTitleRowHeight);
  for (int c = 0; c < n; ++c) {
    const GridColumn& column = columns[static_cast<size_t>(c)];
    const size_t k = static_cast<size_t>(c);
    const bool own = lines != nullptr && k < lines->titles.size();
    grid.SetColumnWidth(c, own ? lines->widths[k] : column.width);
    grid.SetText(0, c, own ? lines->titles[k] : Gbk(column.title));
  }
  grid.SetAlignment({0, 0, 0, n - 1}, ui::Align::kCentre);
  grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
}

namespace {

template <typename Lines>
void PutLinesInto(ui::Grid& grid, Lines&& lines, int least_rows) {
  ui::Grid::UpdateScope scope(grid);
  const int rows = lines.rows();
  grid.SetRowCount(std::max(rows + 1, least_rows));
  grid.ClearRange({1, 0, grid.RowCount() - 1, grid.ColumnCount() - 1});
  if (lines.columns == grid.ColumnCount()) {
    for (int r = 0; r < rows; ++r) {
      std::span<ui::Cell> row = grid.MutableRow(r + 1);
      for (int c = 0; c < lines.columns; ++c) {
        auto& cell = lines.cells[static_cast<size_t>(r * lines.columns + c)];
        if constexpr (std::is_const_v<std::remove_reference_t<Lines>>) {
          row[static_cast<size_t>(c)] = cell;
        } else {
          row[static_cast<size_t>(c)] = std::move(cell);
        }
      }
    }
  }
  grid.NotifyRows(1, grid.RowCount() - 1);
  grid.SetCurrentCell(rows > 0 ? 1 : 0, 0);
}

}  // namespace

void PutLines(ui::Grid& grid, const GridLines& lines, int least_rows) {
  PutLinesInto(grid, lines, least_rows);
}

void PutLines(ui::Grid& grid, GridLines&& lines, int least_rows) {
  PutLinesInto(grid, lines, least_rows);
}

void SortGridLines(ui::Grid& grid, int rows, int column, bool as_number, bool ascending) {
  rows = std::min(rows, grid.RowCount() - 1);
  if (rows < 2 || column < 0 || column >= grid.ColumnCount()) return;
  std::vector<uint32_t> order(static_cast<size_t>(rows));
  std::iota(order.begin(), order.end(), 1u);
  if (as_number) {
    std::vector<double> keys(static_cast<size_t>(rows) + 1);
    for (int r = 1; r <= rows; ++r) {
      const std::string& t = grid.Text(r, column);
      keys[static_cast<size_t>(r)] =
          t.empty() ? -std::numeric_limits<double>::infinity()
                    : text::NumberFromTextSkippingSeparators(t);
    }
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
    });
  } else {
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      const std::string& x = grid.Text(static_cast<int>(a), column);
      const std::string& y = grid.Text(static_cast<int>(b), column);
      return ascending ? x < y : y < x;
    });
  }
  ui::Grid::UpdateScope scope(grid);
  const size_t width = static_cast<size_t>(grid.ColumnCount());
  std::vector<ui::Cell> moved;
  moved.reserve(static_cast<size_t>(rows) * width);
  for (uint32_t r : order)
    for (ui::Cell& cell : grid.MutableRow(static_cast<int>(r))) moved.push_back(std::move(cell));
  for (int r = 1; r <= rows; ++r) {
    std::span<ui::Cell> row = grid.MutableRow(r);
    for (size_t c = 0; c < width; ++c)
      row[c] = std::move(moved[static_cast<size_t>(r - 1) * width + c]);
  }
  grid.NotifyRows(1, rows);
}

std::string RankingCaption(const CaptionFacts& facts) {
  const RangeData& d = *facts.data;
  std::string out;
  const std::string first = d.range_days > 0 ? d.days.front() : std::string();
  const std::string last = d.range_days > 0 ? d.days[d.range_days - 1] : std::string();
  if (d.range.whole_store) {
    out = Gbk("全部");
    if (!first.empty()) out += "(" + first + Gbk(" 至 ") + last + ")";
  } else {
    out = d.range.from + Gbk(" 至 ") + d.range.to;
  }
  out += Gbk("：") + std::to_string(d.range_days) + Gbk(" 个交易日，");
  switch (facts.kind) {
    case RankingKind::kSeats:
      out += Gbk("营业部 ") + std::to_string(facts.rows) + Gbk(" 个");
      break;
    case RankingKind::kStocks:
      out += Gbk("股票 ") + std::to_string(facts.rows) + Gbk(" 只");
      break;
    case RankingKind::kInstitutions:
      out += Gbk("机构上榜股票 ") + std::to_string(facts.rows) + Gbk(" 只");
      break;
  }
  out += Gbk("，上榜 ") + std::to_string(d.range_listings) + Gbk(" 条");
  if (d.repeats_counted) {
    out += Gbk("（含重复上榜）");
  } else {
    out += Gbk("（同股同日只计首条");
    if (d.repeats_left_out > 0)
      out += Gbk("，略去 ") + std::to_string(d.repeats_left_out) + Gbk(" 条");
    out += Gbk("）");
  }
  out +=
      Gbk("，耗时 ") + text::NumberText(static_cast<double>(facts.elapsed_ms) / 1000) + Gbk(" 秒");
  return out;
}

}  // namespace ranking
