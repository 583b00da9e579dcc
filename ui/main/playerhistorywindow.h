// The search window of the player history ("Spielerverlauf", the form
// PlayerHistory of playerhistory.ui; menu "GUIDListe", Ctrl+F).
//
// One field (SearchEdit): part of a name (case and colour codes ignored), a
// GUID, or an address or its start. The players found (ResultGrid): name in
// its colours, other names, GUID, last address with flag and country, first
// and last seen, servers, penalties; sortable by a header click and copied
// with Ctrl+C like the main window's grids. The search runs off the main
// thread while the operator types (historyreader.h).
//
// For the player picked: his penalties below the list, "Auf Server zeigen"
// (selects the listed server he is on now), "GUID merken" (the GUID list),
// "Beobachten" (the watch list: his GUID, or his name without one). The
// second page holds the watch list: name patterns are added there, an
// entry's alarm switched on or off, silenced for an hour or removed. All
// penalties are exported as CSV.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/guidlist.h"
#include "core/settings.h"
#include "history/historytypes.h"
#include "ui/main/detailgrids.h"

class QImage;
class QMenu;
class QTimer;

namespace Ui {
class PlayerHistory;
}

namespace zelmora {

class DrawGrid;
class HistoryReader;
class HistoryResultsModel;
class PenaltiesModel;
class PlayerHistory;
class QueryEngine;
class WatchListModel;

// The listed server the player is on now (by the GUID of a table, or by
// his name in a status reply or a table), 0 for none.
std::uint64_t ServerWithPlayerNow(QueryEngine& engine, const PlayerSummary& player);

class PlayerHistoryWindow : public QDialog {
  Q_OBJECT

 public:
  // Asks for a file to save to and answers later with it ("" for none):
  // the window waits for nothing.
  using SaveChooser =
      std::function<void(QWidget* parent, std::function<void(const QString& path)> chosen)>;

  // history, engine, guids and flags must outlive the window; settings
  // gives the options (colours) at each use.
  PlayerHistoryWindow(std::shared_ptr<PlayerHistory> history, QueryEngine& engine, Tguidlist& guids,
                      std::function<const Settings&()> settings, const std::vector<QImage>* flags,
                      QWidget* parent = nullptr);
  ~PlayerHistoryWindow() override;

  // Selects the server with this uid in the main window.
  std::function<void(std::uint64_t uid)> showServer;
  // The GUID list changed ("GUID merken").
  std::function<void()> guidsChanged;

  void SetSaveChooser(SaveChooser chooser) { saveChooser_ = std::move(chooser); }
  // Seconds since the epoch (silence and the watch list's times).
  void SetClock(std::function<std::int64_t()> now) { now_ = std::move(now); }

  // Opens the window (or brings it to the front) with the search field
  // ready; the list shows the search for what it holds.
  void Open();
  // Searches now for what the field holds.
  void SearchNow();
  bool Searching() const;

  // The player picked in the list (element index of the model, -1: none).
  void Pick(int index);
  const PlayerSummary* Picked() const;

  void ShowServerClick();    // "Auf Server zeigen"
  void RememberGuidClick();  // "GUID merken"
  void WatchClick();         // "Beobachten"
  void ExportClick();        // "Strafen als CSV exportieren ..."
  void AddPatternClick();    // "Muster beobachten"
  void AlarmClick();         // "Alarm an/aus" of the watch entry picked
  void SilenceClick();       // "Eine Stunde stumm" (again: no more silence)
  void RemoveWatchClick();   // "Entfernen"
  void PickWatch(int index);
  // Fills the watch page from the history's list.
  void RefreshWatch();

  QString Notice() const;
  HistoryResultsModel& Results() { return *results_; }
  PenaltiesModel& PenaltyRows() { return *penalties_; }
  WatchListModel& WatchRows() { return *watch_; }
  DrawGrid* ResultGrid() const;

 signals:
  // A search's players are shown (tests, the screenshot).
  void ResultsShown();
  void PenaltiesShown();
  void ExportDone(const QString& error);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SetUpGrid(DrawGrid* grid, DrawGridModel* model, int cols, const int* widths, int flagColumn);
  void SetUpMenu();
  void ShowFound(const QString& text, const std::vector<PlayerSummary>& rows, double ms);
  void ShowPenalties(qint64 playerId, const std::vector<PenaltyRow>& rows);
  void UpdateButtons();
  void Say(const QString& text);
  const WatchEntry* PickedWatch() const;
  std::int64_t Now() const;

  std::unique_ptr<Ui::PlayerHistory> ui_;
  std::shared_ptr<PlayerHistory> history_;
  QueryEngine& engine_;
  Tguidlist& guids_;
  std::function<const Settings&()> settings_;
  DetailGridsPainter painter_;
  HistoryReader* reader_ = nullptr;
  HistoryResultsModel* results_ = nullptr;
  PenaltiesModel* penalties_ = nullptr;
  WatchListModel* watch_ = nullptr;
  QTimer* typing_ = nullptr;
  QMenu* popup_ = nullptr;
  int popupRow_ = 0;
  SaveChooser saveChooser_;
  std::function<std::int64_t()> now_;
  std::int64_t penaltiesFor_ = 0;
};

}  // namespace zelmora
