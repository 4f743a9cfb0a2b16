#include "ui/qt/grid_model.h"

#include <QBrush>

#include "ui/qt/fonts.h"

namespace ui::qt {

Qt::Alignment ToQtAlignment(ui::Align align) {
  switch (align) {
    case ui::Align::kCentre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ui::Align::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case ui::Align::kLeft:
    case ui::Align::kDefault:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

GridTableModel::GridTableModel(const ui::Grid& grid, bool title_row_as_header, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), offset_(title_row_as_header ? 1 : 0) {}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return std::max(grid_.RowCount() - offset_, 0);
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return grid_.ColumnCount();
}

QVariant GridTableModel::CellData(int grid_row, int column, int role) const {
  if (!grid_.Valid(grid_row, column)) return {};
  const ui::Cell& cell = grid_.At(grid_row, column);
  switch (role) {
    case Qt::DisplayRole:
      if (cell.text.empty()) return {};
      return FromGbk(cell.text);
    case Qt::EditRole:
      return FromGbk(cell.text);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(ToQtAlignment(cell.Alignment()));
    case Qt::ForegroundRole:
      if (auto c = cell.TextColour()) return QBrush(ToQColor(*c));
      return {};
    case Qt::BackgroundRole:
      if (auto c = grid_.ShownBackground(grid_row, column)) return QBrush(ToQColor(*c));
      return {};
    case Qt::ToolTipRole: {
      const std::string& tip = grid_.ToolTip(grid_row, column);
      if (tip.empty()) return {};
      return FromGbk(tip);
    }
    default:
      return {};
  }
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  return CellData(GridRow(index.row()), index.column(), role);
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || offset_ == 0 || section < 0 ||
      section >= grid_.ColumnCount())
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::TextAlignmentRole) {
    const ui::Align align = grid_.At(0, section).Alignment();
    return QVariant::fromValue(
        ToQtAlignment(align == ui::Align::kDefault ? ui::Align::kCentre : align));
  }
  return CellData(0, section, role);
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (edit_target_ && grid_.ColumnEditable(index.column()) &&
      GridRow(index.row()) >= grid_.HeaderRowCount())
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !edit_target_ || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
      !(flags(index) & Qt::ItemIsEditable))
    return false;
  // The grid notifies the view of its own change.
  edit_target_->UserEditCell(GridRow(index.row()), index.column(), ToGbk(value.toString()));
  return true;
}

void GridTableModel::GridReset() {
  beginResetModel();
  endResetModel();
}

void GridTableModel::GridRowsChanged(int first_grid_row, int last_grid_row) {
  if (offset_ == 1 && first_grid_row == 0 && columnCount() > 0)
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
  const int first = std::max(ModelRow(first_grid_row), 0);
  const int last = std::min(ModelRow(last_grid_row), rowCount() - 1);
  if (first > last || columnCount() == 0) return;
  emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void GridTableModel::AllCellsChanged() {
  GridRowsChanged(0, grid_.RowCount() - 1);
}

}  // namespace ui::qt
