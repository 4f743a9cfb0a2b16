#include "ui/qt/grid_view.h"
#include "ui/qt/fonts.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "ui/export_action.h"
#include "ui/grid_export.h"

namespace ui::qt {
namespace {

class CellStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_FocusFrameHMargin) return 1;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

// An editable column whose cells are picked from a fixed list.
class ChoiceDelegate : public QStyledItemDelegate {
 public:
  ChoiceDelegate(const std::vector<std::string>& choices, QObject* parent)
      : QStyledItemDelegate(parent) {
    for (const std::string& choice : choices) choices_.append(FromGbk(choice));
  }
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* combo = new QComboBox(parent);
    combo->addItems(choices_);
    return combo;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* combo = static_cast<QComboBox*>(editor);
    const qsizetype at = choices_.indexOf(index.data(Qt::EditRole).toString());
    combo->setCurrentIndex(static_cast<int>(std::max<qsizetype>(at, 0)));
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
  }

 private:
  QStringList choices_;
};

}  // namespace

GridView::GridView(ui::Grid& grid, Style style, ui::Platform& platform, QWidget* parent)
    : QTableView(parent),
      cell_style_(std::make_unique<CellStyle>()),
      grid_(grid),
      platform_(platform),
      style_(style),
      model_(new GridTableModel(grid, style == Style::kListing, this)) {
  setModel(model_);
  setStyle(cell_style_.get());
  // A text wider than its cell is cut at the cell's edge.
  setTextElideMode(Qt::ElideNone);
  // A disabled grid is only closed to input: its cells keep their colours
  // and no cell is marked as chosen.
  QPalette shown = palette();
  for (QPalette::ColorRole role :
       {QPalette::Text, QPalette::WindowText, QPalette::Base, QPalette::AlternateBase,
        QPalette::Window, QPalette::ButtonText, QPalette::Button})
    shown.setColor(QPalette::Disabled, role, shown.color(QPalette::Active, role));
  shown.setColor(QPalette::Disabled, QPalette::Highlight,
                 shown.color(QPalette::Active, QPalette::Base));
  shown.setColor(QPalette::Disabled, QPalette::HighlightedText,
                 shown.color(QPalette::Active, QPalette::Text));
  setPalette(shown);
  if (grid.editable_columns.empty()) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
  } else {
    model_->SetEditTarget(&grid);
    for (const auto& [column, choices] : grid.column_choices)
      setItemDelegateForColumn(column, new ChoiceDelegate(choices, this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
  }
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSortingEnabled(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

  QHeaderView* vertical = verticalHeader();
  vertical->hide();
  vertical->setMinimumSectionSize(1);
  // Fixed heights: a view never measures a million rows.
  vertical->setSectionResizeMode(QHeaderView::Fixed);
  vertical->setDefaultSectionSize(ui::Grid::kDefaultRowHeight);

  QHeaderView* header = horizontalHeader();
  header->setMinimumSectionSize(1);
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  if (style_ == Style::kListing) {
    header->setSectionsClickable(true);
    // A head click sorts; it must not select the whole column (the grid
    // moves its current cell to row 1 instead).
    disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { grid_.UserHeaderClick(column); });
    header->viewport()->setMouseTracking(true);
    header->viewport()->installEventFilter(this);
  } else {
    header->hide();
  }
  setMouseTracking(true);
  viewport()->setMouseTracking(true);

  QPointer<GridView> self(this);
  // The grid notifies on the user-interface thread only (it checks that
  // itself), so the view follows at once.
  grid_.AddGridListener([self](const ui::GridChange& change) {
    if (self) self->OnGridChange(change);
  });
  OnGridChange(ui::GridChange{ui::GridChange::kReset});
}

GridView::~GridView() {
  setStyle(nullptr);
}

void GridView::OnGridChange(const ui::GridChange& change) {
  switch (change.kind) {
    case ui::GridChange::kReset:
      model_->GridReset();
      custom_height_rows_.clear();
      ApplyLayout();
      ApplyCurrentCell();
      break;
    case ui::GridChange::kRows:
      model_->GridRowsChanged(change.first_row, change.last_row);
      break;
    case ui::GridChange::kLayout:
      ApplyLayout();
      // Striping or the header rows may have changed how every cell shows.
      model_->AllCellsChanged();
      break;
    case ui::GridChange::kCurrentCell:
      ApplyCurrentCell();
      break;
    case ui::GridChange::kBusy:
      if (grid_.busy()) {
        viewport()->setCursor(Qt::WaitCursor);
      } else {
        viewport()->unsetCursor();
      }
      break;
  }
}

void GridView::ApplyLayout() {
  for (int c = 0; c < grid_.ColumnCount(); ++c) setColumnWidth(c, grid_.ColumnWidth(c));

  if (style_ == Style::kListing) {
    const int title_height =
        grid_.RowCount() > 0 ? grid_.RowHeight(0) : ui::Grid::kDefaultRowHeight;
    horizontalHeader()->setFixedHeight(title_height);
  }

  QHeaderView* vertical = verticalHeader();
  for (int row : custom_height_rows_)
    if (row < model_->rowCount()) vertical->resizeSection(row, ui::Grid::kDefaultRowHeight);
  custom_height_rows_.clear();
  for (const auto& [grid_row, height] : grid_.CustomRowHeights()) {
    const int row = model_->ModelRow(grid_row);
    if (row < 0 || row >= model_->rowCount()) continue;
    vertical->resizeSection(row, height);
    custom_height_rows_.push_back(row);
  }

  clearSpans();
  for (const ui::CellRange& m : grid_.Merges()) {
    const int first = std::max(model_->ModelRow(m.first_row), 0);
    const int last = std::min(model_->ModelRow(m.last_row), model_->rowCount() - 1);
    const int first_column = std::max(m.first_column, 0);
    const int last_column = std::min(m.last_column, grid_.ColumnCount() - 1);
    if (first > last || first_column > last_column) continue;
    if (first == last && first_column == last_column) continue;
    setSpan(first, first_column, last - first + 1, last_column - first_column + 1);
  }
}

void GridView::ApplyCurrentCell() {
  const int row = model_->ModelRow(grid_.CurrentRow());
  const QModelIndex index = model_->index(row, grid_.CurrentColumn());
  if (!index.isValid()) {
    selectionModel()->clearCurrentIndex();
    return;
  }
  // The user's own click already put it there; keep a dragged selection.
  if (currentIndex() == index) return;
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

std::optional<std::pair<int, int>> GridView::CellAt(const QPoint& viewport_point) const {
  const QModelIndex index = indexAt(viewport_point);
  if (!index.isValid()) return std::nullopt;
  return std::pair{model_->GridRow(index.row()), index.column()};
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (auto cell = CellAt(event->position().toPoint()))
    grid_.UserLeftButtonUp(cell->first, cell->second);
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (auto cell = CellAt(event->position().toPoint()))
    grid_.UserDoubleClick(cell->first, cell->second);
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  grid_.UserMouseMove();
}

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove && watched == horizontalHeader()->viewport())
    grid_.UserMouseMove();
  return QTableView::eventFilter(watched, event);
}

std::optional<ui::CellRange> GridView::SelectedRange() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return std::nullopt;
    const int row = model_->GridRow(current.row());
    return ui::CellRange{row, current.column(), row, current.column()};
  }
  ui::CellRange range{INT_MAX, INT_MAX, -1, -1};
  for (const QModelIndex& i : selected) {
    const int row = model_->GridRow(i.row());
    range.first_row = std::min(range.first_row, row);
    range.last_row = std::max(range.last_row, row);
    range.first_column = std::min(range.first_column, i.column());
    range.last_column = std::max(range.last_column, i.column());
  }
  return range;
}

void GridView::CopySelection() {
  const auto range = SelectedRange();
  if (!range) return;
  QApplication::clipboard()->setText(QString::fromStdString(ui::CellsAsTabText(grid_, *range)));
}

void GridView::Export(const ui::ExportFormat& format) {
  ui::ExportGrid(platform_, grid_, format);
}

void GridView::keyPressEvent(QKeyEvent* event) {
  if (style_ == Style::kListing && event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
  if (style_ != Style::kListing) return QTableView::contextMenuEvent(event);
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("复制"));
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, this, &GridView::CopySelection);
  // Each export is one format through the same action.
  std::vector<const ui::ExportFormat*> formats = platform_.export_formats();
  if (formats.empty()) formats.push_back(&ui::CsvExport());
  for (const ui::ExportFormat* format : formats) {
    connect(menu.addAction(FromGbk(format->menu_caption)), &QAction::triggered, this,
            [this, format] { Export(*format); });
  }
  // The grid's own entries act on the cell under the pointer.
  if (!grid_.context_entries.empty()) {
    menu.addSeparator();
    const auto cell = CellAt(viewport()->mapFromGlobal(event->globalPos()));
    const int row = cell ? cell->first : grid_.CurrentRow();
    const int column = cell ? cell->second : grid_.CurrentColumn();
    for (size_t i = 0; i < grid_.context_entries.size(); ++i) {
      connect(menu.addAction(FromGbk(grid_.context_entries[i])), &QAction::triggered, this,
              [this, row, column, i] {
                grid_.UserContextEntry(row, column, static_cast<int>(i));
              });
    }
  }
  menu.exec(event->globalPos());
}

}  // namespace ui::qt
