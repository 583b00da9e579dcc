// "Spieler": kicks and bans of the selected player, the high-ping kick,
// messages to all or one player, clearing the temporary bans, a refresh of
// the rcon player table and remembering a player's GUID.
//
// A kick or ban is handed to the server's session with the player as the
// table on screen shows him; the session carries it out against the next
// table (see engine/playeractions.h). What became of it, on whatever
// server, is said in a line of the page (PlayerNotice) that names the
// player and the server. A table that has not been renewed for more than
// 3 s (a server that limits its requests, a slow one) says its age beside
// it.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <string>
#include <vector>

#include "core/savedfiles.h"
#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/admintab.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QPushButton;
class QWidget;

namespace zelmora {

// The controls of the page, named as on the main window.
struct PlayersTabWidgets {
  QWidget* DrawGrid2 = nullptr;     // rcon player table; the notice stands behind it
  QPushButton* Button1 = nullptr;   // "Kicken"
  QPushButton* Button3 = nullptr;   // "Temporär bannen"
  QPushButton* Button4 = nullptr;   // "Bannen"
  QPushButton* Button9 = nullptr;   // "Einen Highpinger kicken"
  QPushButton* Button23 = nullptr;  // "Tempbans löschen"
  QPushButton* Button5 = nullptr;   // "Aktualisieren"
  QPushButton* Button7 = nullptr;   // "An alle Spieler Senden"
  QPushButton* Button13 = nullptr;  // "Text an selektierten Spieler senden"
  QPushButton* Button49 = nullptr;  // "GUID Merken" / "GUID Vergessen"
  QLineEdit* Edit3 = nullptr;       // the message
  QCheckBox* CheckBox2 = nullptr;   // "Automatisch aktualisieren"
  QLabel* PlayerNotice = nullptr;   // what became of kicks and bans
  QLabel* TableAge = nullptr;       // "Stand: vor 12 s" when the table is old
  QComboBox* ReasonBox = nullptr;   // the reason a kick or ban is kept with, its last ones
};

// The last reasons of kicks and bans, one a line, in the data folder.
inline constexpr const char* kReasonsFile = "reasons.txt";

// The German sentence for an outcome of a kick or ban.
QString OutcomeText(const ActionOutcome& outcome);

class PlayersTab : public QObject, public AdminTab {
 public:
  // selectedplayer: the highlighted row of the player grid (element index,
  // -1 for none), kept by the grid. All references must outlive the tab.
  PlayersTab(QueryEngine& engine, SavedFiles& files, const int& selectedplayer,
             PlayersTabWidgets widgets);

  void ServerSelected(const Tserverrec& e, bool shown) override;
  void ServerGone() override;
  void PageShown(const Tserverrec& e) override;

  // The reasons' history: read from path (8-bit lines, CR LF) into the
  // field's list, newest first; a reason used is written back at once.
  void SetReasonFile(std::string path);
  static constexpr std::size_t kReasonHistory = 20;

  // A row of the player grid was selected: caption and state of Button49.
  void PlayerSelected();

  void Button1Click();   // kick (and the console's "status" later)
  void Button3Click();   // temporary ban
  void Button4Click();   // ban
  void Button9Click();   // high-ping kick
  void Button23Click();  // clears the temporary bans at once
  void Button5Click();   // one status poll
  // "say"; false when the text was refused (line break), else true.
  bool Button7Click();
  void Button13Click();  // "tell" to the selected player
  void Edit3Enter();     // "say", then the field is emptied
  void Button49Click();  // remember or forget the selected player's GUID

  QString Notice() const;
  // The age of the table shown once it is older than 3 s, else empty. Runs
  // every second and with every table.
  void ShowTableAge();
  static constexpr std::chrono::seconds kTableFresh{3};
  // Without the automatic refresh, a kick shows the table on the console
  // this long afterwards.
  static constexpr std::chrono::milliseconds kConsoleStatusAfterKick{4000};

 private:
  // The selected row of the table shown (the selected server's).
  const Tstatusrow* SelectedRow() const;
  void Record(PendingPlayerAction::Kind kind);
  // The reason field's text for an action about to be made: remembered in
  // the history, the field emptied for the next one.
  std::string TakeReason();
  void FillReasons();

  QueryEngine& engine_;
  SavedFiles& files_;
  const int& selectedplayer_;
  PlayersTabWidgets w_;
  FollowedSession session_;
  QTimer* ageTimer_ = nullptr;
  std::string reasonsPath_;
  bool reasonsReadable_ = false;
  std::vector<std::string> reasons_;  // oldest first, as the file holds them
};

}  // namespace zelmora
