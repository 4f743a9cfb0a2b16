#include "listing/listing_grid.h"

#include <array>
#include <cmath>

#include "listing/listing_records.h"
#include "text/figure_text.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace listing {
namespace {

constexpr int kTitleRowHeight = 24;
constexpr std::array<int, kListingColumnCount> kColumnWidths = {68, 62, 50, 247, 73,
                                                                73, 73, 50, 44,  1};
constexpr std::array<ui::Align, kListingColumnCount> kColumnAlignment = {
    ui::Align::kCentre, ui::Align::kCentre, ui::Align::kCentre, ui::Align::kLeft,
    ui::Align::kRight,  ui::Align::kRight,  ui::Align::kRight,  ui::Align::kRight,
    ui::Align::kCentre, ui::Align::kCentre};

const std::array<std::string, kListingColumnCount - 1>& Titles() {
  static const std::array<std::string, kListingColumnCount - 1> titles = {
      text::Gbk("上榜日期"),  text::Gbk("股票名称"),
      text::Gbk("代 码"),     text::Gbk("交 易 营 业 部 (单击查看全部席位)"),
      text::Gbk("买 入(万)"), text::Gbk("卖 出(万)"),
      text::Gbk("净 流(万)"), text::Gbk("力度"),
      text::Gbk("详情")};
  return titles;
}

void SetCell(ui::Cell& cell, std::string text, int column, bool is_number = false) {
  cell = ui::Cell{};
  cell.text = std::move(text);
  cell.is_number = is_number ? 1 : 0;
  cell.align = static_cast<uint32_t>(kColumnAlignment[static_cast<size_t>(column)]);
}

}  // namespace

const std::string& ListingDetailsLinkText() {
  static const std::string link = text::Gbk("查看>>");
  return link;
}

ui::Align ListingColumnAlign(int column) {
  return kColumnAlignment[static_cast<size_t>(column)];
}

void SetUpListingGrid(ui::Label& sort_arrow, ui::Grid& grid, bool align_rows) {
  ui::Grid::UpdateScope scope(grid);
  sort_arrow.SetCaption("");
  grid.SetHeaderRowCount(1);
  grid.SetColumnCount(kListingColumnCount);
  // The title row must exist to take its height and titles (a new grid has
  // no rows at all).
  if (grid.RowCount() < 1) grid.SetRowCount(1);
  grid.SetRowHeight(0, kTitleRowHeight);
  // Alignment reaches the rows the grid has now; SetAlignment cuts to it.
  const int last_row = align_rows ? grid.RowCount() : 0;
  grid.SetAlignment({0, 0, last_row, kListingColumnCount}, ui::Align::kCentre);
  if (align_rows) {
    grid.SetAlignment({1, 3, last_row, 3}, ui::Align::kLeft);
    grid.SetAlignment({1, 4, last_row, 7}, ui::Align::kRight);
  }
  for (int c = 0; c < kListingColumnCount; ++c)
    grid.SetColumnWidth(c, kColumnWidths[static_cast<size_t>(c)]);
  for (int c = 0; c < kListingColumnCount - 1; ++c)
    grid.SetText(0, c, Titles()[static_cast<size_t>(c)]);
  grid.SetEnabled(true);
  grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
}

std::string ListingFigureText(double x) {
  // The figures are whole thousandths (totals are rounded to 2 decimals,
  // strengths to 3); the command line writes them with the same formatter.
  if (!std::isfinite(x)) return text::PadThreeDecimals(text::NumberText(x));
  std::string out;
  text::AppendFigure(x, 3, out);
  return out;
}

int ListingGridRowCount(int64_t n) {
  return n >= 15 ? static_cast<int>(n) + 1 : 16;
}

void MakeListingCells(const ListingRow& row, std::span<ui::Cell> cells,
                      bool record_number_as_text) {
  MakeListingCells(ListingRow(row), cells, record_number_as_text);
}

void MakeListingCells(ListingRow&& row, std::span<ui::Cell> cells, bool record_number_as_text) {
  if (cells.size() < static_cast<size_t>(kListingColumnCount)) return;
  SetCell(cells[0], std::move(row.date), 0);
  SetCell(cells[1], std::move(row.stock_name), 1);
  SetCell(cells[2], std::move(row.stock_code), 2);
  SetCell(cells[3], std::move(row.first_buy_seat), 3);
  SetCell(cells[4], ListingFigureText(row.buy_total), 4);
  SetCell(cells[5], ListingFigureText(row.sell_total), 5);
  SetCell(cells[6], ListingFigureText(row.net), 6);
  SetCell(cells[7], row.strength ? ListingFigureText(*row.strength) : std::string(), 7);
  SetCell(cells[8], ListingDetailsLinkText(), 8);
  SetCell(cells[9], std::to_string(row.record_number), 9, !record_number_as_text);
}

void WriteListingRow(ui::Grid& grid, int i, const ListingRow& row) {
  // Writing beyond the grid does nothing.
  if (i < 0 || i >= grid.RowCount() || grid.ColumnCount() < kListingColumnCount) return;
  MakeListingCells(row, grid.MutableRow(i));
  grid.NotifyRows(i, i);
}

}  // namespace listing
