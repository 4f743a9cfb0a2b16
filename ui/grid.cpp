#include "ui/grid.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "text/numbers.h"

namespace ui {
namespace {
const Cell kEmptyCell{};

// Generations of row sources, unique across grids, so that a cached row
// never stands for a row of another source or of an earlier order.
std::atomic<uint64_t> grid_source_generations{0};
uint64_t NextSourceGeneration() { return grid_source_generations.fetch_add(1) + 1; }

// The rows of row sources last read on this thread.
struct GridCachedRow {
  uint64_t generation = 0;
  int row = -1;
  std::vector<Cell> cells;
};
constexpr size_t kGridCachedRows = 8;
struct GridRowCache {
  std::array<GridCachedRow, kGridCachedRows> rows;
  size_t next = 0;
};
thread_local GridRowCache grid_row_cache;
}  // namespace

const Cell& Grid::SourceCell(int row, int column) const {
  GridRowCache& cache = grid_row_cache;
  for (GridCachedRow& cached : cache.rows) {
    if (cached.generation == source_generation_ && cached.row == row &&
        static_cast<size_t>(column) < cached.cells.size())
      return cached.cells[static_cast<size_t>(column)];
  }
  GridCachedRow& slot = cache.rows[cache.next];
  cache.next = (cache.next + 1) % kGridCachedRows;
  slot.generation = source_generation_;
  slot.row = row;
  slot.cells.assign(static_cast<size_t>(columns_), Cell{});
  for (int c = 0; c < columns_; ++c) source_->MakeCell(row, c, slot.cells[static_cast<size_t>(c)]);
  return slot.cells[static_cast<size_t>(column)];
}

void Grid::SetRowSource(std::shared_ptr<RowSource> source, int rows) {
  CheckOwnerThread();
  rows = std::max(rows, 1);
  cells_.resize(static_cast<size_t>(columns_));  // row 0 stays, or comes as default cells
  source_ = std::move(source);
  source_generation_ = NextSourceGeneration();
  std::erase_if(row_heights_, [rows](const auto& entry) { return entry.first >= rows; });
  std::erase_if(tooltips_, [](const auto& entry) { return (entry.first >> 32) >= 1; });
  rows_ = rows;
  if (current_row_ >= rows_) current_row_ = std::max(rows_ - 1, 0);
  Changed(GridChange::kReset);
}

void Grid::NotifySourceChanged(int first_row, int last_row) {
  CheckOwnerThread();
  source_generation_ = NextSourceGeneration();
  NotifyRows(first_row, last_row);
}

void Grid::MaterialiseSource() {
  CheckOwnerThread();
  if (!source_) return;
  const size_t columns = static_cast<size_t>(columns_);
  std::vector<Cell> cells(static_cast<size_t>(rows_) * columns);
  for (size_t c = 0; c < columns && c < cells_.size(); ++c) cells[c] = std::move(cells_[c]);
  for (int r = 1; r < rows_; ++r)
    for (int c = 0; c < columns_; ++c)
      source_->MakeCell(r, c, cells[static_cast<size_t>(r) * columns + static_cast<size_t>(c)]);
  cells_ = std::move(cells);
  source_.reset();
  source_generation_ = NextSourceGeneration();
}

Grid::Grid(std::string name, Component* container, int page, Rect place, std::string tag)
    : Component(Kind::kGrid, std::move(name), container, page, place) {
  SetTag(tag);
}

void Grid::Emit(const GridChange& change) {
  for (auto& listener : grid_listeners_) listener(change);
}

void Grid::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  Changed(GridChange::kBusy);
}

void Grid::Changed(GridChange::Kind kind, int first_row, int last_row) {
  CheckOwnerThread();
  if (batch_depth_ == 0) {
    Emit(GridChange{kind, first_row, last_row});
    return;
  }
  switch (kind) {
    case GridChange::kReset:
      batch_reset_ = true;
      break;
    case GridChange::kLayout:
      batch_layout_ = true;
      break;
    case GridChange::kCurrentCell:
      batch_current_ = true;
      break;
    case GridChange::kBusy:
      Emit(GridChange{kind});
      break;
    case GridChange::kRows:
      if (batch_first_row_ < 0) {
        batch_first_row_ = first_row;
        batch_last_row_ = last_row;
      } else {
        batch_first_row_ = std::min(batch_first_row_, first_row);
        batch_last_row_ = std::max(batch_last_row_, last_row);
      }
      break;
  }
}

Grid::UpdateScope::~UpdateScope() {
  grid_.CheckOwnerThread();
  if (--grid_.batch_depth_ > 0) return;
  const bool reset = grid_.batch_reset_;
  const bool layout = grid_.batch_layout_;
  const bool current = grid_.batch_current_;
  const int first = grid_.batch_first_row_;
  const int last = grid_.batch_last_row_;
  grid_.batch_reset_ = grid_.batch_layout_ = grid_.batch_current_ = false;
  grid_.batch_first_row_ = grid_.batch_last_row_ = -1;
  if (reset) {
    grid_.Emit(GridChange{GridChange::kReset});
  } else {
    if (layout) grid_.Emit(GridChange{GridChange::kLayout});
    if (first >= 0) grid_.Emit(GridChange{GridChange::kRows, first, last});
  }
  if (current) grid_.Emit(GridChange{GridChange::kCurrentCell});
}

void Grid::SetRowCount(int rows) {
  CheckOwnerThread();
  rows = std::max(rows, 0);
  if (rows == rows_) return;
  MaterialiseSource();
  cells_.resize(static_cast<size_t>(rows) * static_cast<size_t>(columns_));
  if (rows < rows_) {
    std::erase_if(row_heights_, [rows](const auto& entry) { return entry.first >= rows; });
    std::erase_if(tooltips_, [rows](const auto& entry) { return (entry.first >> 32) >= rows; });
  }
  rows_ = rows;
  if (current_row_ >= rows_) current_row_ = std::max(rows_ - 1, 0);
  Changed(GridChange::kReset);
}

void Grid::SetColumnCount(int columns) {
  CheckOwnerThread();
  columns = std::max(columns, 0);
  if (columns == columns_) return;
  MaterialiseSource();
  std::vector<Cell> cells(static_cast<size_t>(rows_) * static_cast<size_t>(columns));
  const int keep = std::min(columns, columns_);
  for (int r = 0; r < rows_; ++r) {
    for (int c = 0; c < keep; ++c) {
      cells[static_cast<size_t>(r) * columns + c] =
          std::move(cells_[static_cast<size_t>(r) * columns_ + c]);
    }
  }
  cells_ = std::move(cells);
  std::erase_if(tooltips_,
                [columns](const auto& entry) { return (entry.first & 0xFFFFFFFF) >= columns; });
  columns_ = columns;
  column_widths_.resize(static_cast<size_t>(columns), kDefaultColumnWidth);
  if (current_column_ >= columns_) current_column_ = std::max(columns_ - 1, 0);
  Changed(GridChange::kReset);
}

void Grid::SetHeaderRowCount(int rows) {
  CheckOwnerThread();
  rows = std::max(rows, 0);
  if (rows == header_rows_) return;
  header_rows_ = rows;
  Changed(GridChange::kLayout);
}

int Grid::RowHeight(int row) const {
  auto it = row_heights_.find(row);
  return it == row_heights_.end() ? kDefaultRowHeight : it->second;
}

void Grid::SetRowHeight(int row, int pixels) {
  CheckOwnerThread();
  if (row < 0 || row >= rows_ || RowHeight(row) == pixels) return;
  if (pixels == kDefaultRowHeight) {
    row_heights_.erase(row);
  } else {
    row_heights_[row] = pixels;
  }
  Changed(GridChange::kLayout);
}

int Grid::ColumnWidth(int column) const {
  if (column < 0 || column >= columns_) return 0;
  return column_widths_[static_cast<size_t>(column)];
}

void Grid::SetColumnWidth(int column, int pixels) {
  CheckOwnerThread();
  if (column < 0 || column >= columns_ || column_widths_[static_cast<size_t>(column)] == pixels)
    return;
  column_widths_[static_cast<size_t>(column)] = pixels;
  Changed(GridChange::kLayout);
}

const Cell& Grid::At(int row, int column) const {
  if (!Valid(row, column)) return kEmptyCell;
  if (source_ && row > 0) return SourceCell(row, column);
  return cells_[static_cast<size_t>(row) * columns_ + column];
}

const std::string& Grid::ToolTip(int row, int column) const {
  static const std::string none;
  if (tooltips_.empty() || !Valid(row, column)) return none;
  auto it = tooltips_.find(static_cast<int64_t>(row) << 32 | column);
  return it == tooltips_.end() ? none : it->second;
}

void Grid::SetToolTip(int row, int column, std::string_view gbk) {
  if (!Valid(row, column)) return;
  const int64_t key = static_cast<int64_t>(row) << 32 | column;
  if (gbk.empty()) {
    tooltips_.erase(key);
  } else {
    tooltips_[key] = std::string(gbk);
  }
}

Cell* Grid::MutableAt(int row, int column) {
  CheckOwnerThread();
  if (!Valid(row, column)) return nullptr;
  if (row > 0) MaterialiseSource();
  return &cells_[static_cast<size_t>(row) * columns_ + column];
}

std::span<Cell> Grid::MutableRow(int row) {
  CheckOwnerThread();
  if (row < 0 || row >= rows_) return {};
  if (row > 0) MaterialiseSource();
  return std::span<Cell>(cells_.data() + static_cast<size_t>(row) * columns_,
                         static_cast<size_t>(columns_));
}

void Grid::NotifyRows(int first_row, int last_row) {
  first_row = std::max(first_row, 0);
  last_row = std::min(last_row, rows_ - 1);
  if (first_row > last_row) return;
  Changed(GridChange::kRows, first_row, last_row);
}

void Grid::SetText(int row, int column, std::string_view gbk) {
  Cell* cell = MutableAt(row, column);
  if (!cell) return;
  if (cell->text == gbk && !cell->is_number) return;
  cell->text.assign(gbk);
  cell->is_number = 0;
  Changed(GridChange::kRows, row, row);
}

void Grid::SetInteger(int row, int column, int64_t value) {
  Cell* cell = MutableAt(row, column);
  if (!cell) return;
  cell->text = std::to_string(value);
  cell->is_number = 1;
  Changed(GridChange::kRows, row, row);
}

void Grid::SetNumberText(int row, int column, std::string_view text) {
  Cell* cell = MutableAt(row, column);
  if (!cell) return;
  cell->text.assign(text);
  cell->is_number = 1;
  Changed(GridChange::kRows, row, row);
}

void Grid::SetReal(int row, int column, double value) {
  Cell* cell = MutableAt(row, column);
  if (!cell) return;
  cell->text = text::NumberText(value);
  cell->is_number = 1;
  Changed(GridChange::kRows, row, row);
}

void Grid::SetTextColour(int row, int column, std::optional<Colour> colour) {
  Cell* cell = MutableAt(row, column);
  if (!cell || cell->TextColour() == colour) return;
  cell->SetTextColour(colour);
  Changed(GridChange::kRows, row, row);
}

void Grid::SetBackground(int row, int column, std::optional<Colour> colour) {
  Cell* cell = MutableAt(row, column);
  if (!cell || cell->Background() == colour) return;
  cell->SetBackground(colour);
  Changed(GridChange::kRows, row, row);
}

void Grid::SetAlignment(CellRange range, Align align) {
  CheckOwnerThread();
  range.first_row = std::max(range.first_row, 0);
  range.first_column = std::max(range.first_column, 0);
  range.last_row = std::min(range.last_row, rows_ - 1);
  range.last_column = std::min(range.last_column, columns_ - 1);
  if (range.first_row > range.last_row || range.first_column > range.last_column) return;
  if (source_ && range.last_row > 0) {
    // The source takes an alignment of whole columns of its rows.
    const bool whole_columns = range.first_row <= 1 && range.last_row == rows_ - 1;
    if (whole_columns && source_->AlignColumns(range.first_column, range.last_column, align)) {
      source_generation_ = NextSourceGeneration();
      if (range.first_row == 0)
        for (int c = range.first_column; c <= range.last_column; ++c)
          cells_[static_cast<size_t>(c)].align = static_cast<uint32_t>(align);
      Changed(GridChange::kRows, range.first_row, range.last_row);
      return;
    }
    MaterialiseSource();
  }
  for (int r = range.first_row; r <= range.last_row; ++r)
    for (int c = range.first_column; c <= range.last_column; ++c)
      cells_[static_cast<size_t>(r) * columns_ + c].align = static_cast<uint32_t>(align);
  Changed(GridChange::kRows, range.first_row, range.last_row);
}

std::vector<Cell> Grid::ReplaceRowsBelowTitle(std::vector<Cell>&& cells) {
  CheckOwnerThread();
  const size_t columns = static_cast<size_t>(columns_);
  if (columns == 0 || cells.size() < columns || cells.size() % columns != 0)
    return std::move(cells);
  if (rows_ > 0)
    for (size_t c = 0; c < columns; ++c) cells[c] = std::move(cells_[c]);
  cells_.swap(cells);
  if (source_) {
    source_.reset();
    source_generation_ = NextSourceGeneration();
  }
  const int rows = static_cast<int>(cells_.size() / columns);
  std::erase_if(row_heights_, [rows](const auto& entry) { return entry.first >= rows; });
  std::erase_if(tooltips_, [](const auto& entry) { return (entry.first >> 32) >= 1; });
  rows_ = rows;
  if (current_row_ >= rows_) current_row_ = std::max(rows_ - 1, 0);
  Changed(GridChange::kReset);
  return std::move(cells);
}

void Grid::ClearRange(CellRange range) {
  CheckOwnerThread();
  range.first_row = std::max(range.first_row, 0);
  range.first_column = std::max(range.first_column, 0);
  range.last_row = std::min(range.last_row, rows_ - 1);
  range.last_column = std::min(range.last_column, columns_ - 1);
  if (range.first_row > range.last_row || range.first_column > range.last_column) return;
  if (range.last_row > 0) MaterialiseSource();
  for (int r = range.first_row; r <= range.last_row; ++r)
    for (int c = range.first_column; c <= range.last_column; ++c)
      cells_[static_cast<size_t>(r) * columns_ + c] = Cell{};
  std::erase_if(tooltips_, [&range](const auto& entry) {
    return range.Contains(static_cast<int>(entry.first >> 32),
                          static_cast<int>(entry.first & 0xFFFFFFFF));
  });
  Changed(GridChange::kRows, range.first_row, range.last_row);
}

void Grid::Merge(CellRange range) {
  CheckOwnerThread();
  if (std::find(merges_.begin(), merges_.end(), range) != merges_.end()) return;
  merges_.push_back(range);
  Changed(GridChange::kLayout);
}

void Grid::ClearMerges() {
  CheckOwnerThread();
  if (merges_.empty()) return;
  merges_.clear();
  Changed(GridChange::kLayout);
}

void Grid::SetStriping(const Striping& striping) {
  CheckOwnerThread();
  if (striping == striping_) return;
  striping_ = striping;
  Changed(GridChange::kLayout);
}

std::optional<Colour> Grid::ShownBackground(int row, int column) const {
  const Cell& cell = At(row, column);
  if (cell.has_background) return cell.Background();
  if (striping_.on && row >= header_rows_) {
    const int n = row - header_rows_ + 1;  // first row below the header is 1
    return n % 2 == 1 ? striping_.odd : striping_.even;
  }
  return std::nullopt;
}

void Grid::SetCurrentCell(int row, int column) {
  CheckOwnerThread();
  if (row == current_row_ && column == current_column_) return;
  current_row_ = row;
  current_column_ = column;
  Changed(GridChange::kCurrentCell);
}

void Grid::UserLeftButtonUp(int row, int column) {
  SetCurrentCell(row, column);
  if (on_left_button_up) on_left_button_up();
}

void Grid::UserDoubleClick(int row, int column) {
  SetCurrentCell(row, column);
  if (on_double_click) on_double_click();
}

void Grid::UserHeaderClick(int column) {
  SetCurrentCell(rows_ > 1 ? 1 : 0, column);
  if (on_header_clicked) on_header_clicked(0, column);
}

bool Grid::ColumnEditable(int column) const {
  for (const int c : editable_columns)
    if (c == column) return true;
  return false;
}

void Grid::UserEditCell(int row, int column, std::string_view gbk) {
  if (!Valid(row, column) || row < header_rows_ || !ColumnEditable(column)) return;
  SetText(row, column, gbk);
  if (on_cell_edited) on_cell_edited(row, column);
}

void Grid::UserContextEntry(int row, int column, int index) {
  if (index < 0 || index >= static_cast<int>(context_entries.size())) return;
  if (Valid(row, column)) SetCurrentCell(row, column);
  if (on_context_entry) on_context_entry(index);
}

}  // namespace ui
