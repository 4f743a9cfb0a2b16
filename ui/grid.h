// The program's cell table: rows x columns of cells with text, colours and
// alignment, header rows, row heights, column widths, merged ranges, row
// striping and a current cell.
//
// Cells live in one contiguous row-major array, so a million rows cost one
// allocation per long text and nothing per row; changing the row count keeps
// the rows that remain. Change notifications are coarse: a fill or a sort
// inside an UpdateScope is one notification. Every write, the direct cell
// access for bulk work included, belongs to the thread that built the grid
// (see Component).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/component.h"

namespace ui {

enum class Align : uint8_t { kDefault = 0, kLeft = 1, kCentre = 2, kRight = 3 };

struct Cell {
  std::string text;  // GBK; numbers are kept as their text
  uint32_t text_colour : 24 = 0;
  uint32_t has_text_colour : 1 = 0;
  uint32_t align : 2 = 0;  // Align
  uint32_t is_number : 1 = 0;
  uint32_t background : 24 = 0;
  uint32_t has_background : 1 = 0;

  std::optional<Colour> TextColour() const {
    return has_text_colour ? std::optional(Colour::FromRgb(text_colour)) : std::nullopt;
  }
  std::optional<Colour> Background() const {
    return has_background ? std::optional(Colour::FromRgb(background)) : std::nullopt;
  }
  void SetTextColour(std::optional<Colour> c) {
    has_text_colour = c.has_value();
    text_colour = c ? c->Rgb() : 0;
  }
  void SetBackground(std::optional<Colour> c) {
    has_background = c.has_value();
    background = c ? c->Rgb() : 0;
  }
  Align Alignment() const { return static_cast<Align>(align); }
};

// Rows and columns, both ends included.
struct CellRange {
  int first_row = 0;
  int first_column = 0;
  int last_row = 0;
  int last_column = 0;
  bool operator==(const CellRange&) const = default;
  bool Contains(int row, int column) const {
    return row >= first_row && row <= last_row && column >= first_column && column <= last_column;
  }
};

// The second stripe of every grid of many rows (the listing, ranking and
// log grids).
inline constexpr Colour kEvenRowColour{231, 239, 231};

struct Striping {
  bool on = false;
  Colour odd = kWhite;   // rows 1, 3, 5, ... below the header
  Colour even = kWhite;  // rows 2, 4, ...
  bool operator==(const Striping&) const = default;
};

struct GridChange {
  enum Kind {
    kReset,   // row or column count, or everything
    kRows,    // cells of rows first_row..last_row
    kLayout,  // widths, heights, merges, header rows, striping
    kCurrentCell,
    kBusy,  // the grid started or stopped working on its rows (see Grid::SetBusy)
  } kind = kReset;
  int first_row = 0;
  int last_row = 0;
};

// The rows below the title row of a grid, made on demand instead of held
// as cells: a grid of a million listings keeps one small record per row and
// formats only the cells that are painted or read.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // The cell at (row, column); row 1 is the first row below the title row.
  // `cell` comes in as a default cell.
  virtual void MakeCell(int row, int column, Cell& cell) const = 0;
  // Every source row of columns first_column..last_column takes `align`.
  // Answers false when the source cannot keep that, and the grid then turns
  // its rows into cells first.
  virtual bool AlignColumns(int first_column, int last_column, Align align) {
    (void)first_column;
    (void)last_column;
    (void)align;
    return false;
  }
};

class Grid : public Component {
 public:
  using GridListener = std::function<void(const GridChange&)>;
  static constexpr int kDefaultRowHeight = 24;
  static constexpr int kDefaultColumnWidth = 64;

  Grid(std::string name, Component* container, int page, Rect place, std::string tag);

  int RowCount() const { return rows_; }
  int ColumnCount() const { return columns_; }
  void SetRowCount(int rows);
  void SetColumnCount(int columns);
  int HeaderRowCount() const { return header_rows_; }
  void SetHeaderRowCount(int rows);

  int RowHeight(int row) const;
  // The rows whose height differs from kDefaultRowHeight, with their heights.
  std::vector<std::pair<int, int>> CustomRowHeights() const {
    return {row_heights_.begin(), row_heights_.end()};
  }
  void SetRowHeight(int row, int pixels);
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int pixels);

  bool Valid(int row, int column) const {
    return row >= 0 && row < rows_ && column >= 0 && column < columns_;
  }
  // Out-of-range reads give an empty cell; out-of-range writes do nothing.
  // A cell of a row source is made on the reading thread and the reference
  // stays good for reads of up to seven other rows after it.
  const Cell& At(int row, int column) const;
  const std::string& Text(int row, int column) const { return At(row, column).text; }
  void SetText(int row, int column, std::string_view gbk);
  void SetInteger(int row, int column, int64_t value);
  void SetReal(int row, int column, double value);
  // A number cell in a form of its own (fixed decimals, separators).
  void SetNumberText(int row, int column, std::string_view text);
  void SetTextColour(int row, int column, std::optional<Colour> colour);
  void SetBackground(int row, int column, std::optional<Colour> colour);
  // Aligns the cells of a range, cut to the grid.
  void SetAlignment(CellRange range, Align align);
  // Text, colours and cell settings of a range back to the defaults.
  void ClearRange(CellRange range);

  // The text shown while the pointer rests on a cell (GBK); empty for none.
  // Few cells have one, so they are kept beside the cells; the view asks
  // for it on hovering, so setting one notifies nobody.
  const std::string& ToolTip(int row, int column) const;
  void SetToolTip(int row, int column, std::string_view gbk);
  void ClearToolTips() { tooltips_.clear(); }

  // Direct access for bulk work (fills, sorts). Call inside an UpdateScope
  // or follow with NotifyRows.
  Cell* MutableAt(int row, int column);
  std::span<Cell> MutableRow(int row);
  void NotifyRows(int first_row, int last_row);
  // Swaps in every row below the title row at once: `cells` holds whole
  // rows (a multiple of the column count, at least one row) whose first row
  // stands in for row 0, which keeps its cells. The row count follows;
  // tooltips below row 0 go. Returns the cells the grid held, so that the
  // caller can free them away from the user-interface thread; `cells` of
  // the wrong size come back unused.
  std::vector<Cell> ReplaceRowsBelowTitle(std::vector<Cell>&& cells);

  // Rows 1..rows-1 come from `source` from now on (row 0 keeps its cells),
  // until a write that the source cannot take turns them into cells. The
  // row count becomes `rows` (at least 1); tooltips below row 0 go.
  void SetRowSource(std::shared_ptr<RowSource> source, int rows);
  // The source of the rows below the title row, if any. Whoever changes
  // what it gives calls NotifySourceChanged.
  RowSource* row_source() const { return source_.get(); }
  void NotifySourceChanged(int first_row, int last_row);
  // Turns the source's rows into cells and drops the source; what the grid
  // shows stays. For work that holds on to many cells at once.
  void MaterialiseSource();

  const std::vector<CellRange>& Merges() const { return merges_; }
  void Merge(CellRange range);
  void ClearMerges();

  const Striping& striping() const { return striping_; }
  void SetStriping(const Striping& striping);
  // The grid's rows are being reordered away from the user-interface thread;
  // a view shows a wait cursor over them meanwhile.
  void SetBusy(bool busy);
  bool busy() const { return busy_; }
  // The background the grid shows for a cell: its own, else the stripe.
  std::optional<Colour> ShownBackground(int row, int column) const;

  int CurrentRow() const { return current_row_; }
  int CurrentColumn() const { return current_column_; }
  void SetCurrentCell(int row, int column);

  void AddGridListener(GridListener listener) {
    CheckOwnerThread();
    grid_listeners_.push_back(std::move(listener));
  }

  // Changes inside the scope reach the listeners as one notification when
  // the outermost scope ends.
  class UpdateScope {
   public:
    explicit UpdateScope(Grid& grid) : grid_(grid) {
      grid_.CheckOwnerThread();
      ++grid_.batch_depth_;
    }
    ~UpdateScope();
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

   private:
    Grid& grid_;
  };

  // Events, raised by the toolkit side after it has moved the current cell.
  void UserLeftButtonUp(int row, int column);
  void UserDoubleClick(int row, int column);
  // A click on a column's header: the first data row of that column becomes
  // the current cell, then the header-clicked event.
  void UserHeaderClick(int column);
  void UserMouseMove() {
    if (on_mouse_move) on_mouse_move();
  }
  std::function<void()> on_left_button_up;
  std::function<void()> on_double_click;
  std::function<void()> on_mouse_move;
  std::function<void(int row, int column)> on_header_clicked;

  // In-place editing (off unless columns are named): an edit of a cell in
  // one of these columns sets its text, then raises the cell-edited event.
  std::vector<int> editable_columns;
  bool ColumnEditable(int column) const;
  void UserEditCell(int row, int column, std::string_view gbk);
  // Editable columns whose cell is picked from a list (GBK) instead of typed.
  std::unordered_map<int, std::vector<std::string>> column_choices;

  std::function<void(int row, int column)> on_cell_edited;

  // Entries (GBK) a grid's context menu adds after its own. Choosing one
  // makes the clicked cell current, then raises the entry event with the
  // entry's index.
  std::vector<std::string> context_entries;
  void UserContextEntry(int row, int column, int index);
  std::function<void(int index)> on_context_entry;

 private:
  void Emit(const GridChange& change);
  const Cell& SourceCell(int row, int column) const;
  void Changed(GridChange::Kind kind, int first_row = 0, int last_row = 0);

  int rows_ = 0;
  int columns_ = 0;
  int header_rows_ = 0;
  std::vector<Cell> cells_;  // rows_ * columns_, row-major; row 0 only with a source
  std::shared_ptr<RowSource> source_;
  uint64_t source_generation_ = 0;  // changes whenever what the source gives may change
  std::vector<int> column_widths_;
  std::unordered_map<int, int> row_heights_;  // only rows that differ from the default
  // Tooltips by row << 32 | column.
  std::unordered_map<int64_t, std::string> tooltips_;
  std::vector<CellRange> merges_;
  Striping striping_;
  bool busy_ = false;
  int current_row_ = 0;
  int current_column_ = 0;

  std::vector<GridListener> grid_listeners_;
  int batch_depth_ = 0;
  bool batch_reset_ = false;
  bool batch_layout_ = false;
  bool batch_current_ = false;
  int batch_first_row_ = -1;
  int batch_last_row_ = -1;
};

}  // namespace ui
