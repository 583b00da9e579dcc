#include "ui/admin/playerstab.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/guidlist.h"
#include "core/textutil.h"
#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/protectedfiles.h"

namespace zelmora {

namespace {

constexpr std::int32_t kSilenceLimitMs = 40000;

// "0" is the server's text for a player without a GUID; a row whose GUID
// field is empty has none either.
bool HasGuid(const Tstatusrow& row) {
  return !row[3].empty() && row[3] != "0";
}

}  // namespace

HighPingChoice ChooseHighPinger(const Tstatusinfo& rows) {
  std::int32_t maxPing = 0;
  std::int32_t maxLast = 0;
  int pingRow = -1;
  int lastRow = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Tstatusrow& r = rows[i];
    if (!r[2].empty() && (r[2][0] == 'C' || r[2][0] == 'Z')) continue;
    const auto ping = ParseInt32(r[2]);
    const auto last = ParseInt32(r[5]);
    if (!ping || !last) return {false, -1};
    if (*ping > maxPing) {
      maxPing = *ping;
      pingRow = static_cast<int>(i);
    }
    if (*last > maxLast) {
      maxLast = *last;
      lastRow = static_cast<int>(i);
    }
  }
  if (maxLast < kSilenceLimitMs) return {true, pingRow};
  if (maxLast > kSilenceLimitMs) return {true, lastRow};
  return {true, -1};
}

PlayersTab::PlayersTab(AppState& state, QueryEngine& engine, const int& selectedplayer,
                       PlayersTabWidgets widgets)
    : state_(state), engine_(engine), selectedplayer_(selectedplayer), w_(widgets) {
  connect(w_.Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(w_.Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(w_.Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(w_.Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
  connect(w_.Button23, &QPushButton::clicked, this, [this] { Button23Click(); });
  connect(w_.Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(w_.Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(w_.Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(w_.Button49, &QPushButton::clicked, this, [this] { Button49Click(); });
  connect(w_.Edit3, &QLineEdit::returnPressed, this, [this] { Edit3Enter(); });
  PlayerSelected();
}

// --- selection and pages -------------------------------------------------------------

void PlayersTab::ServerSelected(const Tserverrec& e, bool shown) {
  if (!state_.OwnsPending(e)) state_.DropPending();
  const bool rcon = !e.rconpass.empty();
  if (shown && rcon) {
    state_.statusHost = e.host.str();
    state_.statusPort = e.port.str();
    // With the automatic refresh on, the periodic query asks for the table.
    if (!w_.CheckBox2->isChecked()) state_.statusPollRequested = true;
  }
  w_.DrawGrid2->setVisible(rcon);
}

void PlayersTab::PageShown(const Tserverrec& e) {
  w_.DrawGrid2->setVisible(!e.rconpass.empty());
}

// --- pending requests ------------------------------------------------------------------

const Tstatusrow* PlayersTab::SelectedRow() const {
  if (selectedplayer_ < 0 ||
      static_cast<std::size_t>(selectedplayer_) >= state_.statusRowsView.size())
    return nullptr;
  return &state_.statusRowsView[static_cast<std::size_t>(selectedplayer_)];
}

std::optional<std::int32_t> PlayersTab::PendingTarget() {
  const Tserverrec* e = UsableServer(state_);
  const Tstatusrow* row = SelectedRow();
  if (!e || !row) return std::nullopt;
  const auto number = ParseInt32((*row)[0]);
  if (!number || *number < 0) return std::nullopt;  // client numbers count from 0
  state_.OwnPending(*e);
  return number;
}

void PlayersTab::Send(const std::string& command) {
  engine_.SendRcon(command);
}

void PlayersTab::StatusTableReadyMore() {
  const bool pending = state_.highPingRequested || state_.pendingKick != -1 ||
                       state_.pendingBan != -1 || state_.pendingTempBan != -1;
  if (!pending) return;
  const Tserverrec* e = UsableServer(state_);
  if (!e || !state_.OwnsPending(*e)) {
    // Made for a server that is no longer the selected one.
    state_.DropPending();
    return;
  }
  if (state_.highPingRequested) {
    state_.highPingRequested = false;
    const HighPingChoice choice = ChooseHighPinger(state_.statusRows);
    if (choice.row >= 0)
      Send(CmdClientKick(state_.statusRows[static_cast<std::size_t>(choice.row)][0]));
  }
  if (state_.pendingKick != -1) Send(CmdClientKick(std::to_string(state_.pendingKick)));
  if (state_.pendingBan != -1) Send(CmdBanClient(std::to_string(state_.pendingBan)));
  if (state_.pendingTempBan != -1) Send(CmdTempBanClient(std::to_string(state_.pendingTempBan)));
  state_.pendingKick = -1;
  state_.pendingBan = -1;
  state_.pendingTempBan = -1;
}

// --- buttons -----------------------------------------------------------------------------

void PlayersTab::Record(std::int32_t AppState::*request) {
  const auto n = PendingTarget();
  if (!n) return;
  // The last of kick, ban and temporary ban clicked wins.
  state_.pendingKick = -1;
  state_.pendingBan = -1;
  state_.pendingTempBan = -1;
  state_.*request = *n;
}

void PlayersTab::Button1Click() {
  Record(&AppState::pendingKick);
  // Without the automatic refresh the console shows the table a little
  // later, with the kicked player gone.
  if (!w_.CheckBox2->isChecked()) engine_.Timer4().SetEnabled(true);
}

void PlayersTab::Button3Click() {
  Record(&AppState::pendingTempBan);
}

void PlayersTab::Button4Click() {
  Record(&AppState::pendingBan);
}

void PlayersTab::Button9Click() {
  const Tserverrec* e = UsableServer(state_);
  if (!e) return;
  state_.OwnPending(*e);
  state_.highPingRequested = true;
}

void PlayersTab::Button23Click() {
  if (!UsableServer(state_)) return;
  engine_.SendRconVar(CmdClearTempBans());
}

void PlayersTab::Button5Click() {
  engine_.RequestStatusPoll();
}

bool PlayersTab::Button7Click() {
  if (!UsableServer(state_)) return true;
  const std::string text = EditText(w_.Edit3);
  if (!CheckCommandText(w_.Edit3, text)) return false;
  Send(CmdSay(text));
  return true;
}

void PlayersTab::Button13Click() {
  const Tstatusrow* row = SelectedRow();
  if (!UsableServer(state_) || !row) return;
  const std::string command = CmdTell((*row)[0], EditText(w_.Edit3));
  SendOperatorCommand(w_.Edit3, engine_, command);
}

void PlayersTab::Edit3Enter() {
  // A refused text stays in the field to be mended.
  if (Button7Click()) w_.Edit3->clear();
}

// --- GUID ----------------------------------------------------------------------------------

void PlayersTab::PlayerSelected() {
  const Tstatusrow* row = SelectedRow();
  const bool remembered = row && !(*row)[9].empty();
  w_.Button49->setText(remembered ? QStringLiteral("GUID Vergessen")
                                  : QStringLiteral("GUID Merken"));
  w_.Button49->setEnabled(row && HasGuid(*row));
}

void PlayersTab::Button49Click() {
  const Tstatusrow* row = SelectedRow();
  if (!row || !HasGuid(*row)) return;
  RememberOrForgetGuid(state_.guidlist, (*row)[3], (*row)[1]);
  GuidsFileProtected(w_.Button49->window(), state_);
}

}  // namespace zelmora
