#include "download_log/coverage_grid.h"

#include <array>

#include "text/date_time.h"
#include "text/gbk.h"

namespace coverage {
namespace {

using text::Gbk;

constexpr int kTitleRowHeight = 24;
constexpr std::array<int, kCoverageColumnCount> kColumnWidths = {92, 48, 193, 193, 193};

struct CellLook {
  ui::Colour text;
  ui::Colour background;
};
constexpr CellLook kStoredLook{{0, 100, 0}, {204, 236, 204}};
constexpr CellLook kInferredLook{{0, 100, 0}, {229, 243, 229}};
constexpr CellLook kNoListingsLook{{96, 96, 96}, {224, 224, 224}};
constexpr CellLook kNotPublishedLook{{156, 101, 0}, {255, 239, 196}};
constexpr CellLook kFailedLook{{204, 0, 0}, {255, 210, 210}};

struct LogGridTexts {
  std::array<std::string, kCoverageColumnCount> titles = {Gbk("日 期"), Gbk("星期"), Gbk("沪市"),
                                                          Gbk("深市"), Gbk("中小板")};
  std::array<std::string, 7> weekdays = {Gbk("星期日"), Gbk("星期一"), Gbk("星期二"), Gbk("星期三"),
                                         Gbk("星期四"), Gbk("星期五"), Gbk("星期六")};
  std::string no_listings = Gbk("无上榜");
  std::string not_published = Gbk("未发布");
  std::string failed = Gbk("失败");
  std::string fetched = Gbk("下载于 ");
  std::string listings = Gbk(" 条，");
  std::string separator = Gbk("，");
  std::string note_separator = Gbk("\n");
  std::string inferred = Gbk("由已存数据推断：");
  std::string inferred_close = Gbk(" 条");
  std::string not_published_tip = Gbk("本日数据暂未上传，");
  std::string complete = Gbk("完整 ");
  std::string days = Gbk(" 天，失败 ");
  std::string missing = Gbk(" 页，缺失 ");
  std::string unpublished = Gbk(" 页，未发布 ");
  std::string pages = Gbk(" 页");
};

const LogGridTexts& LogGridT() {
  static const LogGridTexts texts;
  return texts;
}

void Paint(ui::Cell& cell, const CellLook& look) {
  cell.SetTextColour(look.text);
  cell.SetBackground(look.background);
}

std::string WeekdayText(const std::string& date) {
  if (date.size() != 10) return {};
  const int year = std::atoi(date.substr(0, 4).c_str());
  const int month = std::atoi(date.substr(5, 2).c_str());
  const int day = std::atoi(date.substr(8, 2).c_str());
  if (month < 1 || month > 12 || day < 1 || day > 31) return {};
  return LogGridT()
      .weekdays[static_cast<size_t>(text::DateTime::FromParts(year, month, day).Weekday())];
}

}  // namespace

void SetUpCoverageGrid(ui::Grid& grid) {
  ui::Grid::UpdateScope scope(grid);
  grid.SetHeaderRowCount(1);
  grid.SetColumnCount(kCoverageColumnCount);
  if (grid.RowCount() < 1) grid.SetRowCount(1);
  grid.SetRowHeight(0, kTitleRowHeight);
  for (int c = 0; c < kCoverageColumnCount; ++c) {
    grid.SetColumnWidth(c, kColumnWidths[static_cast<size_t>(c)]);
    grid.SetText(0, c, LogGridT().titles[static_cast<size_t>(c)]);
  }
  grid.SetAlignment({0, 0, 0, kCoverageColumnCount - 1}, ui::Align::kCentre);
  grid.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});
}

void MakeCoverageCell(const std::optional<store::PageLogEntry>& row, ui::Cell& cell,
                      std::string* tooltip) {
  cell = ui::Cell{};
  cell.align = static_cast<uint32_t>(ui::Align::kCentre);
  tooltip->clear();
  if (!row) return;
  const std::string fetched =
      row->fetched_at.empty() ? std::string() : LogGridT().fetched + row->fetched_at;
  switch (row->outcome) {
    case store::PageOutcome::kStored:
      cell.text = std::to_string(row->listings);
      cell.is_number = 1;
      if (row->inferred) {
        Paint(cell, kInferredLook);
        *tooltip = LogGridT().inferred + cell.text + LogGridT().inferred_close;
      } else {
        Paint(cell, kStoredLook);
        *tooltip = cell.text + LogGridT().listings + fetched;
      }
      break;
    case store::PageOutcome::kNoListings:
      cell.text = LogGridT().no_listings;
      Paint(cell, kNoListingsLook);
      *tooltip = fetched;
      break;
    case store::PageOutcome::kNotPublished:
      cell.text = LogGridT().not_published;
      Paint(cell, kNotPublishedLook);
      *tooltip = LogGridT().not_published_tip + fetched;
      break;
    case store::PageOutcome::kFailed:
      cell.text = LogGridT().failed;
      Paint(cell, kFailedLook);
      *tooltip = FailureText(*row);
      if (!fetched.empty()) *tooltip += LogGridT().separator + fetched;
      break;
  }
  // The source's note (an answer it kept, a report it changed to).
  if (!row->note.empty()) *tooltip += LogGridT().note_separator + row->note;
}

void FillCoverageGrid(ui::Grid& grid, const Coverage& coverage) {
  ui::Grid::UpdateScope scope(grid);
  if (grid.ColumnCount() != kCoverageColumnCount) SetUpCoverageGrid(grid);
  const int rows = static_cast<int>(coverage.days.size()) + 1;
  grid.ClearToolTips();
  grid.SetRowCount(rows);
  std::string tooltip;
  for (int r = 1; r < rows; ++r) {
    const DayCoverage& day = coverage.days[static_cast<size_t>(r - 1)];
    std::span<ui::Cell> cells = grid.MutableRow(r);
    cells[kDateColumn] = ui::Cell{};
    cells[kDateColumn].text = day.date;
    cells[kDateColumn].align = static_cast<uint32_t>(ui::Align::kCentre);
    cells[kWeekdayColumn] = ui::Cell{};
    cells[kWeekdayColumn].text = WeekdayText(day.date);
    cells[kWeekdayColumn].align = static_cast<uint32_t>(ui::Align::kCentre);
    for (int b = 0; b < 3; ++b) {
      MakeCoverageCell(day.boards[static_cast<size_t>(b)], cells[kFirstBoardColumn + b], &tooltip);
      if (!tooltip.empty()) grid.SetToolTip(r, kFirstBoardColumn + b, tooltip);
    }
  }
  if (rows > 1) grid.NotifyRows(1, rows - 1);
}

bool ShowPageRow(ui::Grid& grid, const store::PageLogEntry& row) {
  if (grid.ColumnCount() != kCoverageColumnCount || row.board < 0 || row.board > 2) return false;
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (grid.Text(r, kDateColumn) != row.date) continue;
    const int column = kFirstBoardColumn + row.board;
    std::string tooltip;
    MakeCoverageCell(row, *grid.MutableAt(r, column), &tooltip);
    grid.SetToolTip(r, column, tooltip);
    grid.NotifyRows(r, r);
    return true;
  }
  return false;
}

CoverageTotals GridTotals(const ui::Grid& grid) {
  CoverageTotals totals;
  if (grid.ColumnCount() != kCoverageColumnCount) return totals;
  const LogGridTexts& t = LogGridT();
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (grid.Text(r, kDateColumn).empty()) continue;
    ++totals.days;
    bool complete = true;
    for (int b = 0; b < 3; ++b) {
      const ui::Cell& cell = grid.At(r, kFirstBoardColumn + b);
      if (cell.is_number || cell.text == t.no_listings) continue;
      complete = false;
      if (cell.text.empty()) {
        ++totals.missing_pages;
      } else if (cell.text == t.not_published) {
        ++totals.unpublished_pages;
      } else {
        ++totals.failed_pages;
      }
    }
    if (complete) ++totals.complete_days;
  }
  return totals;
}

std::string TotalsCaption(const CoverageTotals& totals) {
  std::string caption = LogGridT().complete + std::to_string(totals.complete_days) + "/" +
                        std::to_string(totals.days) + LogGridT().days +
                        std::to_string(totals.failed_pages) + LogGridT().missing +
                        std::to_string(totals.missing_pages);
  if (totals.unpublished_pages > 0)
    caption += LogGridT().unpublished + std::to_string(totals.unpublished_pages);
  return caption + LogGridT().pages;
}

std::optional<download::PageKey> PageOfCell(const ui::Grid& grid, int row, int column) {
  if (grid.ColumnCount() != kCoverageColumnCount || row < 1 || row >= grid.RowCount() ||
      column < kFirstBoardColumn || column >= kCoverageColumnCount)
    return std::nullopt;
  const std::string& date = grid.Text(row, kDateColumn);
  if (date.empty()) return std::nullopt;
  return download::PageKey{download::kMarkets[static_cast<size_t>(column - kFirstBoardColumn)],
                           date};
}

}  // namespace coverage
