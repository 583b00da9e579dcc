// A grid whose every cell the program draws, addressed like a classic draw
// grid: columns and rows counted from 0, row 0 the fixed header row, and
// optionally column 0 a fixed column. Built on QTableView: the horizontal
// header is row 0, the vertical header (when there is a fixed column) is
// column 0, so both stay in place while the rest scrolls. Widths and heights
// are those of the cells; the one-pixel grid line comes on top of them.
#pragma once

#include <QAbstractItemDelegate>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>

#include <functional>

namespace zelmora {

class DrawGrid;

// Rows 1..RowCount-1 as model rows; the model holds no data of its own.
class DrawGridModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  DrawGridModel(int dataColumns, QObject* parent);
  void SetColumns(int columns);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void SetDataRows(int rows);

 private:
  int rows_ = 0;
  int columns_;
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

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void paintEvent(QPaintEvent* event) override;

 private:
  DrawGrid* grid_;
  QPixmap frozen_;
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
  // Right button released over the grid: show the popup menu here.
  std::function<void(const QPoint& globalPos)> onPopup;

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

  int colCount_ = 1;
  bool fixedColumn_ = false;
  int rowCount_ = 1;
  int rowHeight_ = 18;
  int col0Width_ = 64;
  DrawCellFn drawCell_;
  DrawGridModel* model_;
  DrawGridHeader* colHeader_;
  DrawGridHeader* rowHeader_ = nullptr;
  QWidget* corner_ = nullptr;
  bool frozenOn_ = false;
  QPixmap frozen_;
  bool restoringMove_ = false;
};

}  // namespace zelmora
