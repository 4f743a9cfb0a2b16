// A table model over a ui::Grid: cells are read from the grid when the view
// asks (GBK to Unicode at that moment), so a million rows cost no item
// objects.
#pragma once

#include <QAbstractTableModel>

#include "ui/grid.h"

namespace ui::qt {

class GridTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // With title_row_as_header the grid's row 0 is the horizontal header and
  // the model's rows are the grid's rows from 1 on; otherwise every grid row
  // is a model row.
  GridTableModel(const ui::Grid& grid, bool title_row_as_header, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Edits reach the grid (its editable columns only) once it is given here.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  void SetEditTarget(ui::Grid* grid) { edit_target_ = grid; }

  // Grid rows to model rows and back.
  int first_grid_row() const { return offset_; }
  int ModelRow(int grid_row) const { return grid_row - offset_; }
  int GridRow(int model_row) const { return model_row + offset_; }
  bool title_row_as_header() const { return offset_ == 1; }

  // Called after the grid changed: reset, changed rows, or everything that
  // shows differently (striping, colours of every row).
  void GridReset();
  void GridRowsChanged(int first_grid_row, int last_grid_row);
  void AllCellsChanged();

 private:
  QVariant CellData(int grid_row, int column, int role) const;

  const ui::Grid& grid_;
  int offset_;
  ui::Grid* edit_target_ = nullptr;
};

// Qt alignment flags of a cell alignment (vertically centred).
Qt::Alignment ToQtAlignment(ui::Align align);

}  // namespace ui::qt
