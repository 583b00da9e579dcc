// "Spieler": kicks and bans of the selected player, the high-ping kick,
// messages to all or one player, clearing the temporary bans, a refresh of
// the rcon player table and remembering a player's GUID.
//
// Kicks and bans are not sent when clicked: the click records a pending
// request, and StatusTableReadyMore (the status poll's hand-over, right after
// the player table was refreshed) sends it, so a kick always goes out after
// a fresh player list. A request belongs to the server it was made for: it is
// dropped when another server is selected and never sent to another one.
#pragma once

#include <QObject>

#include <optional>
#include <string>

#include "engine/appstate.h"
#include "engine/queryengine.h"
#include "ui/admin/admintab.h"

class QCheckBox;
class QLineEdit;
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
  // selectedplayer: the highlighted row of the player grid (element index),
  // kept by the main window. All references must outlive the tab.
  PlayersTab(AppState& state, QueryEngine& engine, const int& selectedplayer,
             PlayersTabWidgets widgets);

  void ServerSelected(const Tserverrec& e, bool shown) override;
  void PageShown(const Tserverrec& e) override;

  // After a status poll's table has been taken over: the high-ping kick,
  // then the pending kick, ban and temporary ban, in this order.
  void StatusTableReadyMore();
  // A row of the player grid was selected: caption and state of Button49.
  void PlayerSelected();

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

 private:
  const Tstatusrow* SelectedRow() const;
  // The selected player's client number for a pending request, when a
  // usable server is selected and the row holds a number.
  std::optional<std::int32_t> PendingTarget();
  // Records the selected player's number as this request.
  void Record(std::int32_t AppState::*request);
  void Send(const std::string& command);

  AppState& state_;
  QueryEngine& engine_;
  const int& selectedplayer_;
  PlayersTabWidgets w_;
  // The server the pending requests were made for (host and port texts).
};

}  // namespace zelmora
