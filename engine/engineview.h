// What the query engine shows: the callbacks into the main window.
//
// The main window implements this; tests and the benchmark use recording or
// headless implementations. Every call comes on the main thread. All
// defaults do nothing, so an implementation overrides what it shows.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/rconreply.h"

namespace zelmora {

// A status table a poll brought, handed to the view after it was taken over.
struct PolledTable {
  std::uint64_t server = 0;           // Tserverrec::uid of the polled entry
  const Tstatusinfo* rows = nullptr;  // all 14 fields filled in
  // When the poll's "status" left: a command that left before it is in the
  // table already (the server works them off in order).
  std::chrono::steady_clock::time_point sent{};
  bool shown = false;  // the selected server's table, now in statusRowsView
};

class EngineView {
 public:
  virtual ~EngineView() = default;

  // Console view: replaces all lines (each reply replaces the previous one).
  virtual void ConsoleShow(const std::vector<std::string>& lines) {}
  // A line about a command added below what the console shows (a command
  // that got no answer, one that could not be sent).
  virtual void ConsoleNote(const std::string& line) {}
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
  // bans, their outcome), for the selected server's tables and for those of
  // a server polled for its pending kick.
  virtual void StatusTableReadyMore(const PolledTable& table) {}

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
