// A QTableView showing a ui::Grid: fixed row heights and column widths from
// the grid, its merges as spans, its current cell as the selection, and the
// user's clicks, double-clicks, header clicks and mouse moves raised as the
// grid's events. Listing grids show their title row as the header and have
// a context menu to copy cells or export the grid as CSV.
#pragma once

#include <QPointer>
#include <QProxyStyle>
#include <QTableView>
#include <memory>
#include <vector>

#include "ui/export_action.h"
#include "ui/grid.h"
#include "ui/platform.h"
#include "ui/qt/grid_model.h"

namespace ui::qt {

class GridView : public QTableView {
  Q_OBJECT

 public:
  enum class Style { kListing, kDetails };
  // The platform asks for the file names of exports and tells their
  // failures.
  GridView(ui::Grid& grid, Style style, ui::Platform& platform, QWidget* parent = nullptr);
  ~GridView() override;

  ui::Grid& grid() { return grid_; }
  GridTableModel* grid_model() const { return model_; }

  // The grid cell at a point of the viewport (grid rows), if any.
  std::optional<std::pair<int, int>> CellAt(const QPoint& viewport_point) const;

  // The selected cells (grid rows): their bounding range, or the current
  // cell when nothing is selected.
  std::optional<ui::CellRange> SelectedRange() const;
  // Puts the selected cells on the clipboard as tab-separated text.
  void CopySelection();
  // Asks for a file name and writes the grid there in the format (see
  // ui::ExportGrid).
  void Export(const ui::ExportFormat& format);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnGridChange(const ui::GridChange& change);
  void ApplyLayout();
  void ApplyCurrentCell();

  // Narrow cell margins: the grid's column widths are counted for texts
  // that fill their cells.
  std::unique_ptr<QProxyStyle> cell_style_;
  ui::Grid& grid_;
  ui::Platform& platform_;
  Style style_;
  GridTableModel* model_;
  std::vector<int> custom_height_rows_;  // model rows given their own height
};

}  // namespace ui::qt
