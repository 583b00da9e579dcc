// The server list on screen (DrawGrid1): its model and painter, the column
// widths that follow the contents, the repaint while replies stream in, the
// sorts (header clicks and the ping menu items), the row exchange by drag
// and the highlighted row, which always shows the selected server.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "ui/main/serverlistview.h"
#include "ui/main/settingscache.h"

class QImage;
class QTimer;

namespace zelmora {

class DrawGrid;
class ServerListModel;

class ServerListPanel : public QObject {
  Q_OBJECT

 public:
  // The server list is repainted at most this often while replies stream in.
  static constexpr int kRepaintMs = 40;

  ServerListPanel(DrawGrid* grid, QueryEngine& engine, SettingsCache& settings,
                  const std::vector<QImage>* flags, QObject* parent = nullptr);

  ServerListModel& Model() { return *model_; }
  ServerListPainter& Painter() { return painter_; }
  const ServerColumnFitter& Fitter() const { return fitter_; }

  // Widths and row count follow the contents; repaintNow false: the repaint
  // is coalesced with the next ones (replies).
  void Fit(bool repaintNow = true);
  // An entry's values changed (it is measured again), or everything.
  void EntryChanged(int index);
  void AllChanged();
  // While held (the start-up load), changes of the list only mark the
  // widths stale: the grid keeps the rows and widths it was created with
  // until the first fit after it.
  void HoldFits(bool hold) { holdFits_ = hold; }
  // The highlighted row moves to the selected server; rows marked besides
  // it stay marked while it is the current row.
  void ShowSelection();

  // The servers marked in the list (Ctrl and Shift clicks, Ctrl+A), in list
  // order; the selected server alone when nothing else is marked.
  std::vector<std::uint64_t> MarkedServers() const;
  // Marks these servers besides the selected one.
  void MarkServers(const std::vector<std::uint64_t>& uids);

  // A click on column col's header: sorted by it, the same column again the
  // other way round. The selection stays with its server.
  void SortBy(int col);
  // The ping menu items.
  void SortByPing(bool ascending);
  // Row from dragged onto row to (grid rows): the two entries change places.
  void RowMoved(int from, int to);
  // The header's arrow (-1: none).
  void MarkSort(int col, bool ascending);

  // Pointer over a cell (the row a release selects), press and release.
  void MouseMove(int col, int row);
  void MouseDown();
  void MouseUp();
  int HoverIndex() const { return hover_; }

 private:
  void Remark(const std::vector<std::uint64_t>& marked);

  DrawGrid* grid_;
  QueryEngine& engine_;
  SettingsCache& settings_;
  ServerListModel* model_;
  ServerListPainter painter_;
  ServerColumnFitter fitter_;
  QTimer* repaint_ = nullptr;
  int hover_ = 0;
  bool holdFits_ = false;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
};

}  // namespace zelmora
