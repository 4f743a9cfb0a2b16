#include "ranking/ranking_returns.h"

#include <optional>
#include <string>

#include "text/gbk.h"
#include "text/numbers.h"

namespace ranking {
namespace {

constexpr ui::Colour kReturnsRise{255, 0, 0};
constexpr ui::Colour kReturnsFall{0, 128, 0};

const std::vector<GridColumn> kSeatReturnColumns = {{"样本", 40, true},     {"次日溢价", 58, true},
                                                    {"次日胜率", 58, true}, {"5日均涨", 54, true},
                                                    {"5日胜率", 54, true},  {"10日均涨", 58, true}};
const std::vector<GridColumn> kStockReturnColumns = {{"次日溢价", 58, true},
                                                     {"5日均涨", 54, true}};
const std::vector<GridColumn> kListingReturnColumns = {
    {"次日开盘", 58, true}, {"1日", 48, true}, {"5日", 48, true}, {"10日", 48, true}};

// `base` with `added` before its last column.
std::vector<GridColumn> ReturnsWidened(const std::vector<GridColumn>& base,
                                       const std::vector<GridColumn>& added) {
  std::vector<GridColumn> out(base.begin(), base.end() - 1);
  out.insert(out.end(), added.begin(), added.end());
  out.push_back(base.back());
  return out;
}

const std::vector<GridColumn>& ReturnColumnsOf(RankingKind kind) {
  static const std::vector<GridColumn> none;
  switch (kind) {
    case RankingKind::kSeats:
      return kSeatReturnColumns;
    case RankingKind::kStocks:
      return kStockReturnColumns;
    case RankingKind::kInstitutions:
      break;
  }
  return none;
}

ui::Cell ReturnsCell(const std::optional<double>& percent, int decimals, bool coloured) {
  ui::Cell cell;
  cell.text = prices::PercentText(percent, decimals);
  cell.is_number = 1;
  cell.align = static_cast<uint32_t>(ui::Align::kRight);
  if (coloured && percent && !cell.text.empty() && text::NumberFromText(cell.text) != 0)
    cell.SetTextColour(*percent < 0 ? kReturnsFall : kReturnsRise);
  return cell;
}

ui::Cell CountCell(int64_t n) {
  ui::Cell cell;
  cell.text = std::to_string(n);
  cell.is_number = 1;
  cell.align = static_cast<uint32_t>(ui::Align::kRight);
  return cell;
}

// Rebuilds `lines` with each row's added cells before its last one.
template <typename AddedOf>
void WidenLines(GridLines& lines, const std::vector<GridColumn>& added, AddedOf added_of) {
  const int added_count = static_cast<int>(added.size());
  if (lines.columns == 0 || added_count == 0) return;
  // Titles and widths the lines carry for their figures widen the same way.
  if (!lines.titles.empty() && lines.titles.size() == static_cast<size_t>(lines.columns)) {
    for (const GridColumn& column : added) {
      lines.titles.insert(lines.titles.end() - 1, text::Gbk(column.title));
      lines.widths.insert(lines.widths.end() - 1, column.width);
    }
  }
  const int rows = lines.rows();
  const size_t old_columns = static_cast<size_t>(lines.columns);
  std::vector<ui::Cell> cells;
  cells.reserve(static_cast<size_t>(rows) * (old_columns + static_cast<size_t>(added_count)));
  for (int r = 0; r < rows; ++r) {
    const size_t first = static_cast<size_t>(r) * old_columns;
    for (size_t c = 0; c + 1 < old_columns; ++c) cells.push_back(std::move(lines.cells[first + c]));
    ui::Cell& key = lines.cells[first + old_columns - 1];
    for (ui::Cell& cell : added_of(r, key)) cells.push_back(std::move(cell));
    cells.push_back(std::move(key));
  }
  lines.cells = std::move(cells);
  lines.columns += added_count;
}

}  // namespace

const std::vector<GridColumn>& ShownRankingColumns(RankingKind kind) {
  static const std::vector<GridColumn> seats =
      ReturnsWidened(RankingColumns(RankingKind::kSeats), kSeatReturnColumns);
  static const std::vector<GridColumn> stocks =
      ReturnsWidened(RankingColumns(RankingKind::kStocks), kStockReturnColumns);
  switch (kind) {
    case RankingKind::kSeats:
      return seats;
    case RankingKind::kStocks:
      return stocks;
    case RankingKind::kInstitutions:
      break;
  }
  return RankingColumns(kind);
}

const std::vector<GridColumn>& ShownRowListingColumns() {
  static const std::vector<GridColumn> columns =
      ReturnsWidened(RowListingColumns(), kListingReturnColumns);
  return columns;
}

void AddRankingReturns(GridLines& lines, RankingKind kind, const prices::RangeReturns& returns) {
  WidenLines(lines, ReturnColumnsOf(kind), [&](int, const ui::Cell& key) {
    // The key column holds the row's Seat or stock number.
    const auto id = static_cast<size_t>(text::IntegerFromText(key.text));
    std::vector<ui::Cell> cells;
    const std::vector<prices::TrackRecord>& records =
        kind == RankingKind::kSeats ? returns.seats : returns.stocks;
    const prices::TrackRecord t = id < records.size() ? records[id] : prices::TrackRecord{};
    if (kind == RankingKind::kSeats) {
      cells.push_back(CountCell(t.sample));
      cells.push_back(ReturnsCell(t.next_open_mean, 2, true));
      cells.push_back(ReturnsCell(t.d1_win_rate, 1, false));
      cells.push_back(ReturnsCell(t.d5_mean, 2, true));
      cells.push_back(ReturnsCell(t.d5_win_rate, 1, false));
      cells.push_back(ReturnsCell(t.d10_mean, 2, true));
    } else {
      cells.push_back(ReturnsCell(t.next_open_mean, 2, true));
      cells.push_back(ReturnsCell(t.d5_mean, 2, true));
    }
    return cells;
  });
}

void AddRowListingReturns(GridLines& lines, const RangeData& data,
                          const std::vector<RowListing>& listings, const prices::BarsIndex& bars) {
  WidenLines(lines, kListingReturnColumns, [&](int row, const ui::Cell&) {
    prices::ListingReturns r;
    if (static_cast<size_t>(row) < listings.size()) {
      const RowListing& l = listings[static_cast<size_t>(row)];
      r = bars.Returns(data.codes[l.stock], data.days[l.day]);
    }
    return std::vector<ui::Cell>{ReturnsCell(r.next_open, 2, true), ReturnsCell(r.d1, 2, true),
                                 ReturnsCell(r.d5, 2, true), ReturnsCell(r.d10, 2, true)};
  });
}

ui::ChartData PathChart(std::string_view row_name, const prices::TrackRecord& seat,
                        const prices::TrackRecord& all) {
  ui::ChartData chart;
  const auto points = [](const prices::TrackRecord& t) {
    std::vector<double> out;
    for (const std::optional<double>& p : t.path) {
      if (!p) break;
      out.push_back(*p);
    }
    return out;
  };
  chart.line = points(seat);
  chart.baseline = points(all);
  if (chart.line.empty()) return chart;  // no bars for its buys: nothing to show
  chart.title = text::Gbk("买入后平均收盘走势(%) ") + std::string(row_name);
  for (size_t k = 0; k < seat.path.size(); ++k)
    chart.categories.push_back(k == 0 ? std::string("D0") : "D+" + std::to_string(k));
  chart.line_name = text::Gbk("该席位买入");
  chart.baseline_name = text::Gbk("全部上榜");
  if (chart.baseline.empty()) chart.baseline.push_back(0);  // keeps the second view
  return chart;
}

}  // namespace ranking
