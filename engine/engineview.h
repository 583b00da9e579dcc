// What the query engine shows: the callbacks into the main window.
//
// The main window implements this; tests and the benchmark use recording or
// headless implementations. Every call comes on the main thread. All
// defaults do nothing, so an implementation overrides what it shows.
#pragma once

#include <string>
#include <vector>

namespace zelmora {

class EngineView {
 public:
  virtual ~EngineView() = default;

  // Console view: replaces all lines (each reply replaces the previous one).
  virtual void ConsoleShow(const std::vector<std::string>& lines) {}
  // Map list: replaces the list and selects item chosen (-1: none).
  virtual void MapListShow(const std::vector<std::string>& maps, int chosen) {}
  // Map picture: show the picture file at this full path (it exists).
  virtual void MapPictureShow(const std::string& path) {}
  // Configuration-file list: append these lines.
  virtual void ConfigListAppend(const std::vector<std::string>& files) {}

  // Game-type tab: buttons and the bomb-timer row follow the target's
  // protocol variable (text as received); the label shows the game type as
  // received.
  virtual void GameTypeControls(const std::string& protocolText) {}
  virtual void GameTypeLabel(const std::string& text) {}

  // Ping chart: number of points of its series, replace the series by one of
  // points zeros, and plot values (point i := values[i]).
  virtual int ChartPointCount() { return 0; }
  virtual void ChartRebuild(int points) {}
  virtual void ChartPlot(const std::vector<double>& values) {}

  // The target's variables (serverVarsView), players (playerRowsView) or the
  // rcon player table (statusRowsView) changed: refit row counts and redraw.
  virtual void ServerVarsChanged() {}
  virtual void PlayerRowsChanged() {}
  virtual void StatusRowsChanged() {}
  // Called after a status poll's table has been taken over (pending kicks and
  // bans, automatic refresh).
  virtual void StatusTableReadyMore() {}

  // The entry at index got new status values: refit what changed in the
  // server list and repaint.
  virtual void ServerEntryChanged(int index) {}
  // The selected server's counts changed: refresh the join dialog.
  virtual void RefreshJoinDialog() {}
  // First output line of a variable command's reply from the target.
  virtual void ApplyVarReply(const std::string& firstLine) {}

  // Whether the players tab ("Spieler") is the page shown.
  virtual bool PlayersTabShown() { return false; }

  // Refresh buttons shown exactly while their periodic query is off:
  // Button6 (all servers) and Button20 (selected server).
  virtual void SweepButtonShown(bool shown) {}
  virtual void SelectedRefreshButtonShown(bool shown) {}
};

}  // namespace zelmora
