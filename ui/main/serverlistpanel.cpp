#include "ui/main/serverlistpanel.h"

#include <QItemSelectionModel>
#include <QTimer>

#include <algorithm>

#include "ui/main/drawgrid.h"
#include "ui/main/gridmodels.h"

namespace zelmora {

ServerListPanel::ServerListPanel(DrawGrid* grid, QueryEngine& engine, SettingsCache& settings,
                                 const std::vector<QImage>* flags, QObject* parent)
    : QObject(parent),
      grid_(grid),
      engine_(engine),
      settings_(settings),
      model_(new ServerListModel(
          engine, [this]() -> const Settings& { return settings_.Get(); }, grid)),
      painter_(*model_, [this]() -> const Settings& { return settings_.Get(); }) {
  painter_.SetFlagImages(flags);
  painter_.marked = [this](int row) {
    const QItemSelectionModel* m = grid_->selectionModel();
    return m && m->isRowSelected(row - 1, QModelIndex());
  };
  grid_->SetDataModel(model_);
  grid_->Setup(kServerColumns, true);
  grid_->SetRowCount(7);
  grid_->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawGrid1DrawCell(p, grid_->palette(), c, r, rect);
  });
  grid_->SetHeaderSorts([this](int col) { SortBy(col); });
  repaint_ = new QTimer(this);
  repaint_->setSingleShot(true);
  repaint_->setInterval(kRepaintMs);
  connect(repaint_, &QTimer::timeout, this, [this] { grid_->Repaint(); });

  const ServerList& list = engine_.List();
  connect(&list, &ServerList::EntryChanged, this, [this](int index) { EntryChanged(index); });
  connect(&list, &ServerList::RowsChanged, this, [this] { AllChanged(); });
}

void ServerListPanel::Fit(bool repaintNow) {
  fitter_.SetFont(grid_->font());
  const auto widths = fitter_.Fit(engine_.List().Entries(), IconOptionsFrom(settings_.Get()));
  for (int c = 0; c < kServerColumns; ++c) grid_->SetColWidth(c, widths[static_cast<size_t>(c)]);
  grid_->SetRowCount(static_cast<int>(engine_.List().Size()) + 1);
  if (repaintNow) {
    repaint_->stop();
    grid_->Repaint();
  } else if (!repaint_->isActive()) {
    // Replies of a sweep come by the thousand: the list is painted at most
    // every kRepaintMs, with every reply that came meanwhile.
    repaint_->start();
  }
}

void ServerListPanel::EntryChanged(int index) {
  fitter_.InvalidateEntry(index);
  if (!holdFits_) Fit(false);
}

void ServerListPanel::AllChanged() {
  fitter_.InvalidateAll();
  if (!holdFits_) Fit(false);
}

void ServerListPanel::ShowSelection() {
  const int index = engine_.Selected().Index();
  if (index >= 0 && grid_->CurrentRow() != index + 1) grid_->SelectRow(index + 1);
  grid_->Repaint();
}

std::vector<std::uint64_t> ServerListPanel::MarkedServers() const {
  const ServerList& list = engine_.List();
  std::vector<std::uint64_t> uids;
  for (int row : grid_->SelectedRows())
    if (row >= 1 && static_cast<std::size_t>(row - 1) < list.Size())
      uids.push_back(list.At(static_cast<std::size_t>(row - 1)).uid);
  if (uids.empty() && engine_.Selected().Valid()) uids.push_back(engine_.Selected().SelectedUid());
  return uids;
}

void ServerListPanel::MarkServers(const std::vector<std::uint64_t>& uids) {
  std::vector<int> rows;
  for (std::uint64_t uid : uids)
    if (const int i = engine_.List().IndexOf(uid); i >= 0) rows.push_back(i + 1);
  grid_->AddToSelection(rows);
}

void ServerListPanel::SortBy(int col) {
  const bool again = col == sortColumn_;
  const bool ascending = again ? !sortAscending_ : true;
  ServerList& list = engine_.List();
  std::vector<std::size_t> order(list.Size());
  std::vector<QVariant> keys(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
    keys[i] = model_->Cell(col, static_cast<int>(i) + 1, kSortRole);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const QPartialOrdering c = QVariant::compare(keys[a], keys[b]);
    return ascending ? c == QPartialOrdering::Less : c == QPartialOrdering::Greater;
  });
  const std::vector<std::uint64_t> marked = MarkedServers();
  list.Reorder(order);
  MarkSort(col, ascending);
  Fit();
  Remark(marked);
}

void ServerListPanel::SortByPing(bool ascending) {
  const std::vector<std::uint64_t> marked = MarkedServers();
  engine_.List().SortByPing(ascending);
  MarkSort(static_cast<int>(ServerColumn::Ping), ascending);
  Fit();
  Remark(marked);
}

void ServerListPanel::RowMoved(int from, int to) {
  const std::vector<std::uint64_t> marked = MarkedServers();
  engine_.List().Exchange(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - 1));
  MarkSort(-1, true);
  painter_.dragFlag = false;
  grid_->Thaw();
  Remark(marked);
}

// After the rows moved: the selected server's row is the current one
// again, and the marks go with their servers.
void ServerListPanel::Remark(const std::vector<std::uint64_t>& marked) {
  const int index = engine_.Selected().Index();
  if (index >= 0) grid_->SelectRow(index + 1);
  MarkServers(marked);
  grid_->Repaint();
}

void ServerListPanel::MarkSort(int col, bool ascending) {
  sortColumn_ = col;
  sortAscending_ = ascending;
  grid_->ShowSortMark(col, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ServerListPanel::MouseMove(int col, int row) {
  grid_->viewport()->setCursor(col == 0 ? Qt::SplitVCursor : Qt::ArrowCursor);
  if (row >= 1) hover_ = row - 1;
}

void ServerListPanel::MouseDown() {
  // Take the picture first: while the flag is set the cells draw nothing.
  grid_->Freeze();
  painter_.dragFlag = true;
}

void ServerListPanel::MouseUp() {
  painter_.dragFlag = false;
  grid_->Thaw();
}

}  // namespace zelmora
