// A grid whose every cell the program draws, addressed like a classic draw
// grid: columns and rows counted from 0, row 0 the fixed header row, and
// optionally column 0 a fixed column. Built on QTableView: the horizontal
// header is row 0, the vertical header (when there is a fixed column) is
// column 0, so both stay in place while the rest scrolls. Widths and heights
// are those of the cells; the one-pixel grid line comes on top of them.
//
// The cells' data come from a DrawGridModel (texts, tooltips, sort values);
// the delegate hands the painting to the grid's drawing function. Ctrl+C
// copies the selected rows as text (tab between cells, a line per row); the
// menu key and Shift+F10 open the popup menu at the current row. A grid
// may sort its rows in the view by a header click: rows are then still
// addressed as the model has them (CellAt, CellRect, SelectRow and
// SelectionTop translate).
#pragma once

#include <QAbstractItemDelegate>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>

#include <functional>
#include <vector>

class QSortFilterProxyModel;

namespace zelmora {

class DrawGrid;

// Rows 1..RowCount-1 of the grid as model rows. The row count is the grid's
// (set by SetDataRows); what a cell holds comes from CellData, in grid
// coordinates (row 0 the header row, column 0 the fixed column when there
// is one). The base class holds no data.
class DrawGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  DrawGridModel(int dataColumns, QObject* parent);
  void SetColumns(int columns);
  // Column 0 is the fixed column: the vertical header, not a model column.
  void SetFixedColumn(bool fixed) { fixedColumn_ = fixed; }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void SetDataRows(int rows);
  // The data behind the cells changed (views, sorting, screen readers).
  void CellsChanged();
  // What cell (col, row) holds for role, in grid coordinates (the painters
  // draw from it).
  QVariant Cell(int col, int row, int role) const { return CellData(col, row, role); }

 protected:
  virtual QVariant CellData(int col, int row, int role) const;

 private:
  int rows_ = 0;
  int columns_;
  bool fixedColumn_ = false;
};

// Hands every cell to the grid's drawing function.
class DrawGridDelegate final : public QAbstractItemDelegate {
  Q_OBJECT
 public:
  explicit DrawGridDelegate(DrawGrid* grid);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  DrawGrid* grid_;
};

// Header sections are cells of row 0 (horizontal) or column 0 (vertical).
class DrawGridHeader final : public QHeaderView {
  Q_OBJECT
 public:
  DrawGridHeader(Qt::Orientation orientation, DrawGrid* grid);
  void Freeze();
  void Thaw();
  // Section drawn with a small arrow for the order of a sort (-1: none).
  void SetSortMark(int section, Qt::SortOrder order);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void paintEvent(QPaintEvent* event) override;

 private:
  DrawGrid* grid_;
  QPixmap frozen_;
  int sortSection_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

class DrawGrid : public QTableView {
  Q_OBJECT
 public:
  using DrawCellFn = std::function<void(QPainter& painter, int col, int row, const QRect& rect)>;
  using MouseFn = std::function<void(int col, int row, Qt::MouseButton button)>;

  explicit DrawGrid(QWidget* parent = nullptr);
  // colCount columns in all (fixed column included).
  DrawGrid(int colCount, bool fixedColumn, QWidget* parent = nullptr);
  // Shape of the grid; resets the row count to 1 and all widths to 200.
  void Setup(int colCount, bool fixedColumn);
  // Lets the operator resize the (non-fixed) columns.
  void SetColumnsResizable(bool on);
  // The model the cells' data come from (the grid keeps the row count in
  // it); the grid takes ownership. Call before anything else uses the grid.
  void SetDataModel(DrawGridModel* model);
  DrawGridModel* DataModel() const { return model_; }
  // A header click sorts the rows in the view by the model's sort role,
  // a second click on the same column the other way round.
  void SetSortableInView(int sortRole);
  // A header click on column col (grid column) calls sort: for a grid that
  // sorts its data itself (not in the view).
  void SetHeaderSorts(std::function<void(int col)> sort);
  // Shows the sort arrow on grid column col (-1: none).
  void ShowSortMark(int col, Qt::SortOrder order);
  // The selected rows as text: the cells' display texts, a tab between
  // them, one line per row, in the order they are shown.
  QString SelectedText() const;
  // Puts SelectedText on the clipboard (Ctrl+C).
  void CopySelection();

  void SetDrawCell(DrawCellFn fn) { drawCell_ = std::move(fn); }
  // Draws cell (col, row) into rect through the drawing function, clipped
  // to the cell.
  void DrawCell(QPainter& painter, int col, int row, const QRect& rect) const;

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  // At least 1 (the header row).
  void SetRowCount(int rows);
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);
  int DefaultRowHeight() const { return rowHeight_; }
  void SetDefaultRowHeight(int height);
  bool HasFixedColumn() const { return fixedColumn_; }

  // Cell under a point in viewport coordinates of the widget w (the grid's
  // viewport, a header's viewport or the corner); -1 where there is none.
  void CellAt(const QWidget* w, const QPoint& pos, int* col, int* row) const;
  // Rectangle of a cell in the coordinates of the part that shows it.
  QRect CellRect(int col, int row) const;

  // Top row of the selection (grid rows, so >= 1), or the current row, or 0.
  int SelectionTop() const;
  // Makes row (>= 1) current and selected without running any handler.
  void SelectRow(int row);
  // The current row (grid row), 0 for none.
  int CurrentRow() const;
  // The selected rows (grid rows, ascending); the current row alone when
  // nothing is selected.
  std::vector<int> SelectedRows() const;
  // Selects these rows as well, keeping the current row; no handler runs.
  void AddToSelection(const std::vector<int>& rows);

  // Mouse handlers in grid cells (col/row -1 outside any cell).
  MouseFn onMouseDown, onMouseMove, onMouseUp;
  // The operator pressed on a data cell or moved the current row with the
  // keyboard (the classic grid's click).
  std::function<void()> onClick;
  // Left double click on the cells (the first click has already run
  // onClick and moved the current row).
  std::function<void()> onDoubleClick;
  // A row was dragged by its fixed cell from row `from` onto row `to`
  // (grid rows). The visual order is left unchanged; the handler decides.
  std::function<void(int from, int to)> onRowMoved;
  // Right button released over the grid, or the menu key or Shift+F10:
  // show the popup menu here. row: the grid row it is for (the one under
  // the pointer, or the current one), 0 for none.
  std::function<void(const QPoint& globalPos, int row)> onPopup;
  // Enter or Return on a data row.
  std::function<void()> onActivate;

  // While frozen, the grid keeps showing what it showed when it froze
  // instead of drawing its cells.
  void Freeze();
  void Thaw();
  bool Frozen() const { return frozenOn_; }
  // Redraws every part (cells, header row, fixed column).
  void Repaint();

  DrawGridHeader* RowHeader() const { return rowHeader_; }
  DrawGridHeader* ColumnHeader() const { return colHeader_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateHeaderSizes();
  void OnSectionMoved(int logical, int oldVisual, int newVisual);
  void OnHeaderClicked(int section);
  // View row <-> model row (the same unless the view sorts).
  int ModelRow(int viewRow) const;
  int ViewRow(int modelRow) const;
  QModelIndex ViewIndex(int modelRow, int modelCol) const;
  void OpenPopupAtCurrent();

  std::function<void(int col)> onHeaderClicked;

  int colCount_ = 1;
  bool fixedColumn_ = false;
  int rowCount_ = 1;
  int rowHeight_ = 18;
  int col0Width_ = 64;
  DrawCellFn drawCell_;
  DrawGridModel* model_;
  QSortFilterProxyModel* proxy_ = nullptr;
  DrawGridHeader* colHeader_;
  DrawGridHeader* rowHeader_ = nullptr;
  QWidget* corner_ = nullptr;
  bool frozenOn_ = false;
  QPixmap frozen_;
  bool restoringMove_ = false;
};

}  // namespace zelmora
