#include "ui/main/drawgrid.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSortFilterProxyModel>

#include <algorithm>

namespace zelmora {

namespace {
// Lines between fixed cells, a little darker than the lines between data
// cells so the fixed row and column read as a frame.
const QColor kFixedLineColor(160, 164, 172);
}  // namespace

// --- model -------------------------------------------------------------------

DrawGridModel::DrawGridModel(int dataColumns, QObject* parent)
    : QAbstractTableModel(parent), columns_(dataColumns) {}

int DrawGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int DrawGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}
QVariant DrawGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  return CellData(index.column() + (fixedColumn_ ? 1 : 0), index.row() + 1, role);
}

QVariant DrawGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) return CellData(section + (fixedColumn_ ? 1 : 0), 0, role);
  if (fixedColumn_) return CellData(0, section + 1, role);
  return {};
}

QVariant DrawGridModel::CellData(int, int, int) const {
  return {};
}

void DrawGridModel::CellsChanged() {
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  if (fixedColumn_ && rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

void DrawGridModel::SetColumns(int columns) {
  beginResetModel();
  columns_ = std::max(0, columns);
  endResetModel();
}

void DrawGridModel::SetDataRows(int rows) {
  rows = std::max(0, rows);
  if (rows > rows_) {
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows(QModelIndex(), rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
}

// --- delegate ----------------------------------------------------------------

DrawGridDelegate::DrawGridDelegate(DrawGrid* grid) : QAbstractItemDelegate(grid), grid_(grid) {}

void DrawGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  // The painters address rows as the model has them, sorted view or not.
  const auto* proxy = qobject_cast<const QSortFilterProxyModel*>(index.model());
  const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
  const int col = source.column() + (grid_->HasFixedColumn() ? 1 : 0);
  grid_->DrawCell(*painter, col, source.row() + 1, option.rect);
}

QSize DrawGridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
  const int col = index.column() + (grid_->HasFixedColumn() ? 1 : 0);
  return {grid_->ColWidth(col), grid_->DefaultRowHeight()};
}

// --- headers -----------------------------------------------------------------

DrawGridHeader::DrawGridHeader(Qt::Orientation orientation, DrawGrid* grid)
    : QHeaderView(orientation, grid), grid_(grid) {
  setSectionResizeMode(QHeaderView::Fixed);
  setMinimumSectionSize(1);
  setHighlightSections(false);
  setSectionsClickable(false);
}

void DrawGridHeader::Freeze() {
  frozen_ = viewport()->grab();
}
void DrawGridHeader::Thaw() {
  frozen_ = QPixmap();
  viewport()->update();
}

void DrawGridHeader::paintEvent(QPaintEvent* event) {
  if (!frozen_.isNull()) {
    QPainter p(viewport());
    p.drawPixmap(0, 0, frozen_);
    return;
  }
  QHeaderView::paintEvent(event);
}

void DrawGridHeader::SetSortMark(int section, Qt::SortOrder order) {
  sortSection_ = section;
  sortOrder_ = order;
  viewport()->update();
}

void DrawGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  int col = 0;
  int row = 0;
  if (orientation() == Qt::Horizontal) {
    col = logicalIndex + (grid_->HasFixedColumn() ? 1 : 0);
  } else {
    row = logicalIndex + 1;
  }
  const QRect cell = rect.adjusted(0, 0, -1, -1);
  grid_->DrawCell(*painter, col, row, cell);
  painter->save();
  painter->setPen(kFixedLineColor);
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  if (orientation() == Qt::Horizontal && logicalIndex == sortSection_ && rect.width() > 16) {
    // A small triangle at the right end: up for ascending, down for descending.
    const int cx = rect.right() - 8;
    const int cy = rect.center().y();
    QPolygon arrow;
    if (sortOrder_ == Qt::AscendingOrder)
      arrow << QPoint(cx - 4, cy + 2) << QPoint(cx + 4, cy + 2) << QPoint(cx, cy - 2);
    else
      arrow << QPoint(cx - 4, cy - 2) << QPoint(cx + 4, cy - 2) << QPoint(cx, cy + 2);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(90, 96, 110));
    painter->drawPolygon(arrow);
  }
  painter->restore();
}

// --- grid --------------------------------------------------------------------

DrawGrid::DrawGrid(QWidget* parent) : DrawGrid(1, false, parent) {}

DrawGrid::DrawGrid(int colCount, bool fixedColumn, QWidget* parent) : QTableView(parent) {
  model_ = new DrawGridModel(1, this);
  colHeader_ = new DrawGridHeader(Qt::Horizontal, this);
  setHorizontalHeader(colHeader_);
  rowHeader_ = new DrawGridHeader(Qt::Vertical, this);
  setVerticalHeader(rowHeader_);
  setModel(model_);
  setItemDelegate(new DrawGridDelegate(this));
  connect(rowHeader_, &QHeaderView::sectionMoved, this, &DrawGrid::OnSectionMoved);
  // Clickable only where a click sorts (SetSortableInView, SetHeaderSorts).
  connect(colHeader_, &QHeaderView::sectionClicked, this, &DrawGrid::OnHeaderClicked);

  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setTabKeyNavigation(false);

  colHeader_->viewport()->installEventFilter(this);
  rowHeader_->viewport()->installEventFilter(this);
  colHeader_->viewport()->setMouseTracking(true);
  rowHeader_->viewport()->setMouseTracking(true);
  corner_ = findChild<QAbstractButton*>();
  if (corner_) corner_->installEventFilter(this);
  Setup(colCount, fixedColumn);
}

void DrawGrid::Setup(int colCount, bool fixedColumn) {
  colCount_ = std::max(1, colCount);
  fixedColumn_ = fixedColumn;
  SetRowCount(1);
  model_->SetFixedColumn(fixedColumn_);
  model_->SetColumns(colCount_ - (fixedColumn_ ? 1 : 0));
  colHeader_->setDefaultSectionSize(200 + 1);
  for (int i = 0; i < colHeader_->count(); ++i) colHeader_->resizeSection(i, 200 + 1);
  colHeader_->setFixedHeight(rowHeight_ + 1);
  rowHeader_->setDefaultSectionSize(rowHeight_ + 1);
  rowHeader_->setSectionsMovable(fixedColumn_);
  if (fixedColumn_) {
    rowHeader_->setCursor(Qt::SplitVCursor);
    col0Width_ = 200;
    rowHeader_->setFixedWidth(col0Width_ + 1);
    rowHeader_->show();
  } else {
    rowHeader_->hide();
  }
  updateGeometries();
}

void DrawGrid::SetColumnsResizable(bool on) {
  colHeader_->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void DrawGrid::SetDataModel(DrawGridModel* model) {
  if (!model || model == model_) return;
  model->setParent(this);
  model->SetFixedColumn(fixedColumn_);
  DrawGridModel* old = model_;
  model_ = model;
  if (proxy_)
    proxy_->setSourceModel(model_);
  else
    setModel(model_);
  delete old;
  Setup(colCount_, fixedColumn_);
}

void DrawGrid::SetSortableInView(int sortRole) {
  if (proxy_) return;
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSortRole(sortRole);
  proxy_->setDynamicSortFilter(true);
  proxy_->setSourceModel(model_);
  setModel(proxy_);
  colHeader_->setSectionsClickable(true);
  Setup(colCount_, fixedColumn_);
}

void DrawGrid::SetHeaderSorts(std::function<void(int col)> sort) {
  onHeaderClicked = std::move(sort);
  colHeader_->setSectionsClickable(true);
}

void DrawGrid::ShowSortMark(int col, Qt::SortOrder order) {
  colHeader_->SetSortMark(col < 0 ? -1 : col - (fixedColumn_ ? 1 : 0), order);
}

void DrawGrid::OnHeaderClicked(int section) {
  const int col = section + (fixedColumn_ ? 1 : 0);
  if (proxy_) {
    // The same column again turns the order round.
    const bool again = proxy_->sortColumn() == section;
    const Qt::SortOrder order = again && proxy_->sortOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    proxy_->sort(section, order);
    ShowSortMark(col, order);
    Repaint();
    return;
  }
  if (onHeaderClicked) onHeaderClicked(col);
}

int DrawGrid::ModelRow(int viewRow) const {
  if (!proxy_ || viewRow < 0) return viewRow;
  const QModelIndex source = proxy_->mapToSource(proxy_->index(viewRow, 0));
  return source.isValid() ? source.row() : -1;
}

int DrawGrid::ViewRow(int modelRow) const {
  if (!proxy_ || modelRow < 0) return modelRow;
  const QModelIndex view = proxy_->mapFromSource(model_->index(modelRow, 0));
  return view.isValid() ? view.row() : -1;
}

QModelIndex DrawGrid::ViewIndex(int modelRow, int modelCol) const {
  const QModelIndex source = model_->index(modelRow, modelCol);
  return proxy_ ? proxy_->mapFromSource(source) : source;
}

QString DrawGrid::SelectedText() const {
  QAbstractItemModel* m = model();
  if (!m || !selectionModel()) return {};
  std::vector<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  if (rows.empty() && currentIndex().isValid()) rows.push_back(currentIndex().row());
  std::sort(rows.begin(), rows.end());
  QStringList lines;
  for (int r : rows) {
    QStringList cells;
    for (int v = 0; v < m->columnCount(); ++v) {
      const int c = colHeader_->logicalIndex(v);
      cells << m->data(m->index(r, c), Qt::DisplayRole).toString();
    }
    lines << cells.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n'));
}

void DrawGrid::CopySelection() {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(SelectedText());
}

void DrawGrid::OpenPopupAtCurrent() {
  if (!onPopup) return;
  const QModelIndex current = currentIndex();
  QPoint at(viewport()->width() / 4, 0);
  if (current.isValid()) at = visualRect(current).bottomLeft();
  const int row = current.isValid() ? ModelRow(current.row()) + 1 : 0;
  onPopup(viewport()->mapToGlobal(at), row);
}

void DrawGrid::DrawCell(QPainter& painter, int col, int row, const QRect& rect) const {
  if (!drawCell_ || !rect.isValid()) return;
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  drawCell_(painter, col, row, rect);
  painter.restore();
}

void DrawGrid::SetRowCount(int rows) {
  rowCount_ = std::max(1, rows);
  model_->SetDataRows(rowCount_ - 1);
}

int DrawGrid::ColWidth(int col) const {
  if (col < 0 || col >= colCount_) return 0;
  if (fixedColumn_ && col == 0) return col0Width_;
  return colHeader_->sectionSize(col - (fixedColumn_ ? 1 : 0)) - 1;
}

void DrawGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= colCount_) return;
  width = std::max(0, width);
  if (fixedColumn_ && col == 0) {
    if (width == col0Width_) return;
    col0Width_ = width;
    rowHeader_->setFixedWidth(width + 1);
    updateGeometries();
    return;
  }
  const int section = col - (fixedColumn_ ? 1 : 0);
  if (colHeader_->sectionSize(section) != width + 1) colHeader_->resizeSection(section, width + 1);
}

void DrawGrid::SetDefaultRowHeight(int height) {
  rowHeight_ = std::max(1, height);
  rowHeader_->setDefaultSectionSize(rowHeight_ + 1);
  colHeader_->setFixedHeight(rowHeight_ + 1);
  updateGeometries();
}

void DrawGrid::CellAt(const QWidget* w, const QPoint& pos, int* col, int* row) const {
  const int off = fixedColumn_ ? 1 : 0;
  int c = -1;
  int r = -1;
  if (w == viewport()) {
    const int mc = columnAt(pos.x());
    const int mr = ModelRow(rowAt(pos.y()));
    c = mc < 0 ? -1 : mc + off;
    r = mr < 0 ? -1 : mr + 1;
  } else if (w == colHeader_->viewport()) {
    const int mc = colHeader_->logicalIndexAt(pos.x());
    c = mc < 0 ? -1 : mc + off;
    r = 0;
  } else if (fixedColumn_ && w == rowHeader_->viewport()) {
    const int mr = rowHeader_->logicalIndexAt(pos.y());
    c = 0;
    r = mr < 0 ? -1 : mr + 1;
  } else if (w == corner_) {
    c = 0;
    r = 0;
  }
  if (col) *col = c;
  if (row) *row = r;
}

QRect DrawGrid::CellRect(int col, int row) const {
  const int off = fixedColumn_ ? 1 : 0;
  if (row >= 1 && col >= off)
    return visualRect(ViewIndex(row - 1, col - off)).adjusted(0, 0, -1, -1);
  if (row == 0 && col >= off) {
    const int s = col - off;
    return QRect(colHeader_->sectionViewportPosition(s), 0, colHeader_->sectionSize(s) - 1,
                 rowHeight_);
  }
  if (col == 0 && row >= 1)
    return QRect(0, rowHeader_->sectionViewportPosition(row - 1), col0Width_, rowHeight_);
  return QRect(0, 0, col0Width_, rowHeight_);
}

int DrawGrid::SelectionTop() const {
  int top = -1;
  if (selectionModel()) {
    for (const QModelIndex& i : selectionModel()->selectedIndexes())
      if (top < 0 || i.row() < top) top = i.row();
  }
  if (top < 0 && currentIndex().isValid()) top = currentIndex().row();
  top = ModelRow(top);
  return top < 0 ? 0 : top + 1;
}

void DrawGrid::SelectRow(int row) {
  if (row < 1 || row > model_->rowCount()) return;
  const QSignalBlocker block(selectionModel());
  const QModelIndex idx = ViewIndex(row - 1, 0);
  selectionModel()->setCurrentIndex(
      idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int DrawGrid::CurrentRow() const {
  const int row = currentIndex().isValid() ? ModelRow(currentIndex().row()) : -1;
  return row < 0 ? 0 : row + 1;
}

std::vector<int> DrawGrid::SelectedRows() const {
  std::vector<int> rows;
  if (selectionModel())
    for (const QModelIndex& i : selectionModel()->selectedRows())
      if (const int r = ModelRow(i.row()); r >= 0) rows.push_back(r + 1);
  if (rows.empty() && CurrentRow() > 0) rows.push_back(CurrentRow());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void DrawGrid::AddToSelection(const std::vector<int>& rows) {
  if (!selectionModel()) return;
  const QSignalBlocker block(selectionModel());
  QItemSelection more;
  for (int row : rows) {
    if (row < 1 || row > model_->rowCount()) continue;
    const QModelIndex idx = ViewIndex(row - 1, 0);
    more.select(idx, idx);
  }
  selectionModel()->select(more, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  viewport()->update();
}

void DrawGrid::Freeze() {
  if (frozenOn_) return;
  frozen_ = viewport()->grab();
  colHeader_->Freeze();
  if (fixedColumn_) rowHeader_->Freeze();
  frozenOn_ = true;
}

void DrawGrid::Thaw() {
  if (!frozenOn_) return;
  frozenOn_ = false;
  frozen_ = QPixmap();
  colHeader_->Thaw();
  if (fixedColumn_) rowHeader_->Thaw();
  Repaint();
}

void DrawGrid::Repaint() {
  // The painters read the data as they paint; the model only says it
  // changed where somebody listens for that: a view that sorts, or a screen
  // reader (a large list repaints every 40 ms while replies come).
  if (proxy_ || QAccessible::isActive()) model_->CellsChanged();
  viewport()->update();
  colHeader_->viewport()->update();
  if (fixedColumn_) rowHeader_->viewport()->update();
  if (corner_) corner_->update();
}

void DrawGrid::paintEvent(QPaintEvent* event) {
  if (frozenOn_ && !frozen_.isNull()) {
    QPainter p(viewport());
    p.drawPixmap(0, 0, frozen_);
    return;
  }
  QTableView::paintEvent(event);
}

void DrawGrid::mousePressEvent(QMouseEvent* event) {
  int c = -1;
  int r = -1;
  CellAt(viewport(), event->position().toPoint(), &c, &r);
  if (onMouseDown) onMouseDown(c, r, event->button());
  // Only the left button moves the current cell, as in a classic grid.
  if (event->button() != Qt::LeftButton) return;
  QTableView::mousePressEvent(event);
  if (onClick && r >= 1 && c >= (fixedColumn_ ? 1 : 0)) onClick();
}

void DrawGrid::mouseMoveEvent(QMouseEvent* event) {
  int c = -1;
  int r = -1;
  CellAt(viewport(), event->position().toPoint(), &c, &r);
  if (onMouseMove) onMouseMove(c, r, Qt::NoButton);
  QTableView::mouseMoveEvent(event);
}

void DrawGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) QTableView::mouseReleaseEvent(event);
  int c = -1;
  int r = -1;
  CellAt(viewport(), event->position().toPoint(), &c, &r);
  if (onMouseUp) onMouseUp(c, r, event->button());
  if (event->button() == Qt::RightButton && onPopup)
    onPopup(event->globalPosition().toPoint(), std::max(r, 0));
}

void DrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click arrives as this event instead of a
  // press: the mouse-down handler still sees it, so down and up stay paired,
  // and the view handles it as a plain press (the base class would turn it
  // into a second call of our press handler, click included).
  int c = -1;
  int r = -1;
  CellAt(viewport(), event->position().toPoint(), &c, &r);
  if (onMouseDown) onMouseDown(c, r, event->button());
  if (event->button() != Qt::LeftButton) return;
  QTableView::mousePressEvent(event);
  if (onDoubleClick) onDoubleClick();
}

void DrawGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    return;
  }
  if (event->key() == Qt::Key_Menu ||
      (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
    OpenPopupAtCurrent();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onActivate) {
    if (currentIndex().isValid()) onActivate();
    return;
  }
  const QModelIndex before = currentIndex();
  QTableView::keyPressEvent(event);
  if (onClick && currentIndex().isValid() && currentIndex().row() != before.row()) onClick();
}

bool DrawGrid::eventFilter(QObject* watched, QEvent* event) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return QTableView::eventFilter(watched, event);
  if (w == corner_ && event->type() == QEvent::Paint) {
    QPainter p(corner_);
    const QRect cell(0, 0, corner_->width() - 1, corner_->height() - 1);
    DrawCell(p, 0, 0, cell);
    p.setPen(kFixedLineColor);
    p.drawLine(cell.topRight() + QPoint(1, 0), cell.bottomRight() + QPoint(1, 1));
    p.drawLine(cell.bottomLeft() + QPoint(0, 1), cell.bottomRight() + QPoint(1, 1));
    return true;
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      int c = -1;
      int r = -1;
      CellAt(w, me->position().toPoint(), &c, &r);
      if (event->type() == QEvent::MouseButtonPress) {
        if (onMouseDown) onMouseDown(c, r, me->button());
        if (me->button() != Qt::LeftButton) return true;
      } else if (event->type() == QEvent::MouseMove) {
        if (onMouseMove) onMouseMove(c, r, Qt::NoButton);
      } else {
        if (me->button() == Qt::LeftButton) {
          // Let the header finish a row drag first: the move comes before
          // the button-up handler, as in a classic grid.
          w->removeEventFilter(this);
          QCoreApplication::sendEvent(w, event);
          w->installEventFilter(this);
        }
        if (onMouseUp) onMouseUp(c, r, me->button());
        if (me->button() == Qt::RightButton && onPopup)
          onPopup(me->globalPosition().toPoint(), std::max(r, 0));
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QTableView::eventFilter(watched, event);
}

void DrawGrid::OnSectionMoved(int, int oldVisual, int newVisual) {
  if (restoringMove_) return;
  // Undo the header's own reordering: the rows are drawn from the list, and
  // the handler decides what the move means for it.
  restoringMove_ = true;
  rowHeader_->moveSection(newVisual, oldVisual);
  restoringMove_ = false;
  if (onRowMoved) onRowMoved(oldVisual + 1, newVisual + 1);
}

}  // namespace zelmora
