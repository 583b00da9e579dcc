#include "ui/admin/playerstab.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "core/guidlist.h"
#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/protectedfiles.h"

namespace zelmora {

namespace {

constexpr std::int32_t kSilenceLimitMs = 40000;

// "0" is the server's text for a player without a GUID; a row whose GUID
// field is empty has none either.
bool HasGuid(const Tstatusrow& row) {
  return !row[3].empty() && row[3] != "0";
}

using Kind = PendingPlayerAction::Kind;

QString PlayerName(const std::string& name) {
  return FromCp1252(StripColorCodes(name));
}

// "Kick", "Bann", ... as the subject of a sentence.
QString RequestName(Kind k) {
  switch (k) {
    case Kind::Kick:
      return QStringLiteral("Kick");
    case Kind::Ban:
      return QStringLiteral("Bann");
    case Kind::TempBan:
      return QStringLiteral("Temporärer Bann");
    case Kind::HighPing:
      break;
  }
  return QStringLiteral("Highpinger-Kick");
}

// "gekickt", "gebannt", ... after "wurde".
QString Done(Kind k) {
  switch (k) {
    case Kind::Ban:
      return QStringLiteral("gebannt");
    case Kind::TempBan:
      return QStringLiteral("temporär gebannt");
    default:
      break;
  }
  return QStringLiteral("gekickt");
}

std::string CommandFor(Kind k, const std::string& client) {
  switch (k) {
    case Kind::Ban:
      return CmdBanClient(client);
    case Kind::TempBan:
      return CmdTempBanClient(client);
    default:
      break;
  }
  return CmdClientKick(client);
}

// The same player in the same slot: number, GUID and name as the table the
// request was made from showed them.
bool SamePlayer(const Tstatusrow& row, const PendingPlayerAction& a) {
  return row[0] == a.client && row[3] == a.guid && row[1] == a.name;
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
  if (w_.PlayerNotice) w_.PlayerNotice->setContentsMargins(6, 0, 6, 3);
  pendingTimer_ = new QTimer(this);
  pendingTimer_->setObjectName(QStringLiteral("PendingTimer"));
  pendingTimer_->setInterval(1000);
  connect(pendingTimer_, &QTimer::timeout, this, [this] { CheckPending(); });
  pendingTimer_->start();
  PlayerSelected();
}

// --- selection and pages -------------------------------------------------------------

void PlayersTab::ServerSelected(const Tserverrec& e, bool shown) {
  const bool rcon = !e.rconpass.empty();
  // With the automatic refresh on, the periodic query asks for the table.
  if (shown && rcon && !w_.CheckBox2->isChecked()) state_.RequestStatusPoll(e.uid);
  w_.DrawGrid2->setVisible(rcon);
  ShowTableAge();
}

void PlayersTab::PageShown(const Tserverrec& e) {
  w_.DrawGrid2->setVisible(!e.rconpass.empty());
}

QString PlayersTab::Notice() const {
  return w_.PlayerNotice ? w_.PlayerNotice->text() : QString();
}

// --- pending requests ------------------------------------------------------------------

const Tstatusrow* PlayersTab::SelectedRow() const {
  // The table shown must be the selected server's (it is emptied when
  // another one is selected, until that server's own table is there).
  if (state_.statusRowsServer == 0 || state_.statusRowsServer != state_.SelectedUid())
    return nullptr;
  if (selectedplayer_ < 0 ||
      static_cast<std::size_t>(selectedplayer_) >= state_.statusRowsView.size())
    return nullptr;
  return &state_.statusRowsView[static_cast<std::size_t>(selectedplayer_)];
}

void PlayersTab::Record(Kind kind) {
  const Tserverrec* e = UsableServer(state_);
  const Tstatusrow* row = SelectedRow();
  if (!e || !row) return;
  const auto number = ParseInt32((*row)[0]);
  if (!number || *number < 0) return;  // client numbers count from 0
  PendingPlayerAction a;
  a.kind = kind;
  a.server = e->uid;
  a.client = std::to_string(*number);
  a.guid = (*row)[3];
  a.name = (*row)[1];
  a.address = (*row)[6];
  a.made = std::chrono::steady_clock::now();
  state_.AddPendingAction(std::move(a));
  // A table is asked for now, whatever page is shown.
  engine_.RequestStatusPoll(e->uid);
}

void PlayersTab::Carry(const PendingPlayerAction& a, const std::string& command) {
  Awaited w;
  w.id = nextAwaited_++;
  w.action = a;
  awaited_.push_back(w);
  QPointer<PlayersTab> self(this);
  RconOptions o;
  o.done = [self, id = w.id](bool left) {
    if (!self) return;
    for (auto it = self->awaited_.begin(); it != self->awaited_.end(); ++it) {
      if (it->id != id) continue;
      if (!left) {
        self->awaited_.erase(it);
      } else {
        it->left = true;
        it->leftAt = std::chrono::steady_clock::now();
        // The next table of that server tells whether the player is gone.
        self->engine_.RequestStatusPoll(it->action.server);
      }
      return;
    }
  };
  if (engine_.Rcon(a.server, RconChannel::Query, command, std::move(o)) !=
      QueryEngine::SendResult::Sent)
    std::erase_if(awaited_, [&](const Awaited& x) { return x.id == w.id; });
}

void PlayersTab::ShowTableAge() {
  if (!w_.TableAge) return;
  QString text;
  if (state_.statusRowsServer != 0 && state_.statusRowsServer == state_.SelectedUid()) {
    const auto age = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - state_.statusRowsAt);
    if (age > kTableFresh) text = QStringLiteral("Stand: vor %1 s").arg(age.count());
  }
  if (w_.TableAge->text() != text) w_.TableAge->setText(text);
}

void PlayersTab::StatusTableReadyMore(const PolledTable& table) {
  ShowTableAge();
  if (!table.rows) return;
  const Tstatusinfo& rows = *table.rows;
  const auto now = std::chrono::steady_clock::now();
  const QString where = table.shown ? QString() : ServerSuffix(state_, table.server);

  // Kicks and bans that left before this poll: is the player gone?
  for (auto it = awaited_.begin(); it != awaited_.end();) {
    const PendingPlayerAction& a = it->action;
    if (a.server != table.server || !it->left || it->leftAt > table.sent) {
      ++it;
      continue;
    }
    const bool still = std::any_of(rows.begin(), rows.end(),
                                   [&](const Tstatusrow& r) { return SamePlayer(r, a); });
    w_.PlayerNotice->setText(
        still
            ? QStringLiteral("Spieler %1 ist noch auf dem Server%2.").arg(PlayerName(a.name), where)
            : QStringLiteral("Spieler %1 wurde %2%3.")
                  .arg(PlayerName(a.name), Done(a.kind), where));
    it = awaited_.erase(it);
  }

  // This server's requests, the high-ping kick first.
  std::vector<PendingPlayerAction> mine;
  std::erase_if(state_.pendingActions, [&](const PendingPlayerAction& a) {
    if (a.server != table.server) return false;
    mine.push_back(a);
    return true;
  });
  std::stable_partition(mine.begin(), mine.end(),
                        [](const PendingPlayerAction& a) { return a.kind == Kind::HighPing; });
  for (const PendingPlayerAction& a : mine) {
    if (now - a.made > limit_) {
      w_.PlayerNotice->setText(
          QStringLiteral("%1 verworfen: keine Spielerliste vom Server innerhalb von 15 Sekunden%2.")
              .arg(RequestName(a.kind), where));
      continue;
    }
    if (a.kind == Kind::HighPing) {
      const HighPingChoice choice = ChooseHighPinger(rows);
      if (choice.row < 0) continue;  // nobody, or a ping that is no number
      const Tstatusrow& r = rows[static_cast<std::size_t>(choice.row)];
      PendingPlayerAction kick = a;
      kick.kind = Kind::Kick;
      kick.client = r[0];
      kick.guid = r[3];
      kick.name = r[1];
      kick.address = r[6];
      Carry(kick, CmdClientKick(r[0]));
      continue;
    }
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const Tstatusrow& r) { return r[0] == a.client; });
    if (row == rows.end() || !SamePlayer(*row, a)) {
      // The player left, and the slot may hold somebody else by now.
      w_.PlayerNotice->setText(
          QStringLiteral("%1 nicht ausgeführt: Spieler %2 ist nicht mehr auf dem Server%3.")
              .arg(RequestName(a.kind), PlayerName(a.name), where));
      continue;
    }
    Carry(a, CommandFor(a.kind, a.client));
  }
}

void PlayersTab::CheckPending() {
  const auto now = std::chrono::steady_clock::now();
  std::erase_if(state_.pendingActions, [&](const PendingPlayerAction& a) {
    if (now - a.made <= limit_) return false;
    const QString where =
        a.server == state_.SelectedUid() ? QString() : ServerSuffix(state_, a.server);
    const QString who = a.kind == Kind::HighPing
                            ? QString()
                            : QStringLiteral(" für Spieler %1").arg(PlayerName(a.name));
    w_.PlayerNotice->setText(
        QStringLiteral("%1%2 verworfen: keine Spielerliste vom Server innerhalb von 15 Sekunden%3.")
            .arg(RequestName(a.kind), who, where));
    return true;
  });
  std::erase_if(awaited_, [&](const Awaited& w) {
    if (now - w.action.made <= 2 * limit_) return false;
    if (w.left)
      w_.PlayerNotice->setText(
          QStringLiteral(
              "Ob Spieler %1 %2 wurde, ist unbekannt: keine neue Spielerliste vom Server.")
              .arg(PlayerName(w.action.name), Done(w.action.kind)));
    return true;
  });
  ShowTableAge();
  // Every server with a request gets its table, whatever page is shown.
  for (const PendingPlayerAction& a : state_.pendingActions) engine_.RequestStatusPoll(a.server);
  for (const Awaited& w : awaited_)
    if (w.left) engine_.RequestStatusPoll(w.action.server);
}

// --- buttons -----------------------------------------------------------------------------

void PlayersTab::Button1Click() {
  Record(Kind::Kick);
  // Without the automatic refresh the console shows the table a little
  // later, with the kicked player gone.
  if (!w_.CheckBox2->isChecked()) {
    state_.timer4Server = state_.SelectedUid();
    engine_.Timer4().SetEnabled(true);
  }
}

void PlayersTab::Button3Click() {
  Record(Kind::TempBan);
}

void PlayersTab::Button4Click() {
  Record(Kind::Ban);
}

void PlayersTab::Button9Click() {
  const Tserverrec* e = UsableServer(state_);
  if (!e) return;
  PendingPlayerAction a;
  a.kind = Kind::HighPing;
  a.server = e->uid;
  a.made = std::chrono::steady_clock::now();
  state_.AddPendingAction(std::move(a));
  engine_.RequestStatusPoll(e->uid);
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
  engine_.SendRcon(CmdSay(text));
  return true;
}

void PlayersTab::Button13Click() {
  const Tstatusrow* row = SelectedRow();
  if (!UsableServer(state_) || !row) return;
  // To the server whose table the row is from.
  const std::string command = CmdTell((*row)[0], EditText(w_.Edit3));
  if (!CheckCommandText(w_.Edit3, command)) return;
  engine_.Rcon(state_.statusRowsServer, RconChannel::Query, command);
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
