// The detail grids of the selected server: its variables (DrawGrid3) and
// players (DrawGrid4) from its last status reply, and its rcon player table
// (DrawGrid2), each with its popup menu and clipboard items. They show the
// selected server's session and follow it as its replies come.
#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/main/detailgrids.h"
#include "ui/main/settingscache.h"

class QImage;
class QMenu;
class QPoint;
class QWidget;

namespace zelmora {

class DrawGrid;
class ServerVarsModel;
class PlayerRowsModel;
class StatusRowsModel;

class DetailViews : public QObject {
  Q_OBJECT

 public:
  DetailViews(DrawGrid* vars, DrawGrid* players, DrawGrid* table, QueryEngine& engine,
              SettingsCache& settings, const std::vector<QImage>* flags, QWidget* menuParent);

  // The grids show this session (nullptr: none) from now on.
  void Follow(ServerSession* session);
  const ServerSession* Shown() const { return session_.get(); }

  // Highlighted row of DrawGrid2 (element index, -1 for none). Once the
  // operator has picked a player it follows him through the tables: to his
  // new row, or to none when he has left (the kick buttons then wait for a
  // new choice).
  int selectedplayer = 0;
  // The operator picked a player row (a click or a release over a row).
  std::function<void()> onPlayerSelected;
  void PlayerRowReleased(int row);

  // What the clipboard items copy for an element of the session shown
  // (empty when it does not exist).
  std::string VariableValueAt(int index) const;  // DrawGrid3
  std::string PlayerNameAt(int index) const;     // DrawGrid4
  std::string StatusNameAt(int index) const;     // DrawGrid2, the name as the server sent it
  std::string StatusIpAt(int index) const;       // its address before the port
  std::string StatusGuidAt(int index) const;

  // The clipboard items of the three popup menus.
  void VariableninhaltZwischenablage1Click();
  void SpielernameindieZwischenablage1Click();
  void SpielernameindieZwischenablage2Click();
  void IPindieZwischenablage1Click();
  void guidindieZwischenablage1Click();

  void Repaint();
  DetailGridsPainter& Painter() { return painter_; }

 private:
  void SetUpGrid(DrawGrid* g, DrawGridModel* model, int cols, const int* widths, bool range);
  void AddMenus(QWidget* menuParent);
  void ShowStatus();
  void ShowTable();
  const Tstatusrow* TableRow(int index) const;
  void Pick(int index);

  // The player picked: slot, GUID and name as his row showed them.
  struct Picked {
    bool set = false;
    std::string client, guid, name;
  } picked_;

  DrawGrid* g3_;
  DrawGrid* g4_;
  DrawGrid* g2_;
  QueryEngine& engine_;
  SettingsCache& settings_;
  DetailGridsPainter painter_;
  FollowedSession session_;
  ServerVarsModel* varsModel_;
  PlayerRowsModel* playersModel_;
  StatusRowsModel* tableModel_;
  QMenu* popup2_ = nullptr;
  QMenu* popup3_ = nullptr;
  QMenu* popup4_ = nullptr;
  // The grid rows the popup menus were opened for (0: none).
  int popupRow2_ = 0, popupRow3_ = 0, popupRow4_ = 0;
};

}  // namespace zelmora
