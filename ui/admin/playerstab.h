// "Spieler": kicks and bans of the selected player, the high-ping kick,
// messages to all or one player, clearing the temporary bans, a refresh of
// the rcon player table and remembering a player's GUID.
//
// Kicks and bans are not sent when clicked: the click records a pending
// request for the player the operator picked (client number, GUID, name and
// address from the table shown), and the next status table of that server
// carries it out, only while the slot still holds that player. A request
// belongs to the server it was made for, whatever the operator selects
// meanwhile; one that no table has served within 15 s is dropped. The table
// after a kick tells whether the player left. What became of a request is
// said in a line of the page (PlayerNotice), not in a message box. A table
// that has not been renewed for more than 3 s (a server that limits its
// requests, a slow one) says its age beside it.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "engine/appstate.h"
#include "engine/queryengine.h"
#include "ui/admin/admintab.h"

class QCheckBox;
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
};

// The row the high-ping rule picks from a table: over the rows in order,
// skipping those whose ping text begins with "C" or "Z" (connecting,
// zombie), the highest ping and the highest last-message time (each
// strictly greater than the kept one, starting at 0, so ties keep the
// earlier row). Below 40000 ms of silence the worst pinger goes, above it
// the longest silent player, at exactly 40000 nobody.
struct HighPingChoice {
  bool numbers = true;  // false: a considered ping or last-message text is no whole number
  int row = -1;         // index into the table, -1 for none (always -1 without numbers)
};
HighPingChoice ChooseHighPinger(const Tstatusinfo& rows);

class PlayersTab : public QObject, public AdminTab {
 public:
  // A request not served by a table this long after the click is dropped.
  static constexpr std::chrono::seconds kPendingLimit{15};
  // Tests shorten it (the notice still says 15 seconds).
  void SetPendingLimit(std::chrono::milliseconds limit) { limit_ = limit; }

  // selectedplayer: the highlighted row of the player grid (element index,
  // -1 for none), kept by the main window. All references must outlive the
  // tab.
  PlayersTab(AppState& state, QueryEngine& engine, const int& selectedplayer,
             PlayersTabWidgets widgets);

  void ServerSelected(const Tserverrec& e, bool shown) override;
  void PageShown(const Tserverrec& e) override;

  // After a status poll's table has been taken over: first the outcome of
  // kicks and bans that left before the poll, then for that server the
  // high-ping kick and the pending kick, ban or temporary ban.
  void StatusTableReadyMore(const PolledTable& table);
  // A row of the player grid was selected: caption and state of Button49.
  void PlayerSelected();
  // Drops requests older than the limit (telling the operator), and asks
  // for a table of every server that still has one. Runs every second.
  void CheckPending();

  void Button1Click();   // pending kick (and the console's "status" later)
  void Button3Click();   // pending temporary ban
  void Button4Click();   // pending ban
  void Button9Click();   // high-ping request
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

 private:
  // A kick or ban that was sent: the next table polled after it left tells
  // whether the player is gone.
  struct Awaited {
    std::uint64_t id = 0;
    PendingPlayerAction action;
    bool left = false;
    std::chrono::steady_clock::time_point leftAt{};
  };

  // The selected row of the table shown, when it is the selected server's.
  const Tstatusrow* SelectedRow() const;
  // Records the selected player for this request.
  void Record(PendingPlayerAction::Kind kind);
  void Carry(const PendingPlayerAction& a, const std::string& command);

  AppState& state_;
  QueryEngine& engine_;
  const int& selectedplayer_;
  PlayersTabWidgets w_;
  std::vector<Awaited> awaited_;
  std::uint64_t nextAwaited_ = 1;
  QTimer* pendingTimer_ = nullptr;
  std::chrono::milliseconds limit_ = kPendingLimit;
};

}  // namespace zelmora
