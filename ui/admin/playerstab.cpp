#include "ui/admin/playerstab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "core/guidlist.h"
#include "core/join.h"
#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/commands.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/protectedfiles.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

namespace {

using Kind = PendingPlayerAction::Kind;
using Result = ActionOutcome::Result;

// "0" is the server's text for a player without a GUID; a row whose GUID
// field is empty has none either.
bool HasGuid(const Tstatusrow& row) {
  return !row[3].empty() && row[3] != "0";
}

// A name as its server sent it. An outcome names no encoding: the
// automatic reading serves.
QString PlayerName(const std::string& name, TextEncoding encoding = TextEncoding::Automatic) {
  return WithoutColorCodes(DecodeGameText(name, encoding));
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

}  // namespace

QString OutcomeText(const ActionOutcome& o) {
  const QString player = PlayerName(o.player);
  const QString server = WithoutColorCodes(DecodeGameText(o.server, TextEncoding::Automatic));
  const QString what = o.player.empty()
                           ? RequestName(o.kind)
                           : QStringLiteral("%1 für Spieler %2").arg(RequestName(o.kind), player);
  switch (o.result) {
    case Result::Done:
      return QStringLiteral("Spieler %1 wurde auf Server %2 %3.").arg(player, server, Done(o.kind));
    case Result::StillThere:
      return QStringLiteral("Spieler %1 ist noch auf Server %2.").arg(player, server);
    case Result::Gone:
      return QStringLiteral("%1 nicht ausgeführt: Spieler %2 ist nicht mehr auf Server %3.")
          .arg(RequestName(o.kind), player, server);
    case Result::Expired:
      return QStringLiteral(
                 "%1 auf Server %2 verworfen: keine Spielerliste vom Server innerhalb von 15 "
                 "Sekunden.")
          .arg(what, server);
    case Result::Unknown:
      return QStringLiteral(
                 "Ob Spieler %1 auf Server %2 %3 wurde, ist unbekannt: keine neue Spielerliste "
                 "vom Server.")
          .arg(player, server, Done(o.kind));
    case Result::Removed:
      return QStringLiteral("%1 verworfen: Server %2 wurde aus der Liste gelöscht.")
          .arg(what, server);
  }
  return {};
}

PlayersTab::PlayersTab(QueryEngine& engine, SavedFiles& files, const int& selectedplayer,
                       PlayersTabWidgets widgets)
    : engine_(engine), files_(files), selectedplayer_(selectedplayer), w_(widgets) {
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
  // Whatever server a kick or ban was for, the page tells what became of it.
  connect(&engine_, &QueryEngine::Outcome, this, [this](std::uint64_t, const ActionOutcome& o) {
    if (w_.PlayerNotice) w_.PlayerNotice->setText(OutcomeText(o));
  });
  if (w_.PlayerNotice) w_.PlayerNotice->setContentsMargins(6, 0, 6, 3);
  ageTimer_ = new QTimer(this);
  ageTimer_->setInterval(1000);
  connect(ageTimer_, &QTimer::timeout, this, [this] { ShowTableAge(); });
  ageTimer_->start();
  PlayerSelected();
}

// --- selection and pages -------------------------------------------------------------

void PlayersTab::ServerSelected(const Tserverrec& e, bool shown) {
  session_.Follow(engine_.Session(e.uid));
  session_.Connect(&ServerSession::TableChanged, this, [this] {
    ShowTableAge();
    PlayerSelected();
  });
  const bool rcon = !e.rconpass.empty();
  // With the automatic refresh on, the periodic query asks for the table.
  if (shown && rcon && !w_.CheckBox2->isChecked() && session_) session_->RequestTable();
  w_.DrawGrid2->setVisible(rcon);
  ShowTableAge();
  PlayerSelected();
}

void PlayersTab::PageShown(const Tserverrec& e) {
  w_.DrawGrid2->setVisible(!e.rconpass.empty());
}

QString PlayersTab::Notice() const {
  return w_.PlayerNotice ? w_.PlayerNotice->text() : QString();
}

void PlayersTab::ShowTableAge() {
  if (!w_.TableAge) return;
  QString text;
  if (session_ && session_->HasTable() && engine_.Selected().Is(session_->Id())) {
    const auto age = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - session_->TableAt());
    if (age > kTableFresh) text = QStringLiteral("Stand: vor %1 s").arg(age.count());
  }
  if (w_.TableAge->text() != text) w_.TableAge->setText(text);
}

// --- kicks and bans ----------------------------------------------------------------------

const Tstatusrow* PlayersTab::SelectedRow() const {
  if (!session_ || !engine_.Selected().Is(session_->Id())) return nullptr;
  const Tstatusinfo& rows = session_->Table();
  if (selectedplayer_ < 0 || static_cast<std::size_t>(selectedplayer_) >= rows.size())
    return nullptr;
  return &rows[static_cast<std::size_t>(selectedplayer_)];
}

void PlayersTab::Record(Kind kind) {
  const Tstatusrow* row = SelectedRow();
  if (!UsableServer(engine_) || !row) return;
  const auto number = ParseInt32((*row)[0]);
  if (!number || *number < 0) return;  // client numbers count from 0
  PendingPlayerAction a;
  a.kind = kind;
  a.client = std::to_string(*number);
  a.guid = (*row)[3];
  a.name = (*row)[1];
  a.address = (*row)[6];
  a.made = std::chrono::steady_clock::now();
  a.reason = TakeReason();
  session_->Act(std::move(a));
}

// --- reasons --------------------------------------------------------------------------------

void PlayersTab::SetReasonFile(std::string path) {
  reasonsPath_ = std::move(path);
  HistoryFile file = LoadHistory(reasonsPath_);
  // A file that cannot be read is not replaced: the operator's list stays.
  reasonsReadable_ = file.readable;
  reasons_ = std::move(file.items);
  std::erase_if(reasons_, [](const std::string& r) { return TrimCtl(r).empty(); });
  if (reasons_.size() > kReasonHistory)
    reasons_.erase(reasons_.begin(), reasons_.end() - static_cast<std::ptrdiff_t>(kReasonHistory));
  FillReasons();
}

void PlayersTab::FillReasons() {
  if (!w_.ReasonBox) return;
  const QString typed = w_.ReasonBox->currentText();
  w_.ReasonBox->clear();
  for (auto it = reasons_.rbegin(); it != reasons_.rend(); ++it)
    w_.ReasonBox->addItem(FromCp1252(*it));
  w_.ReasonBox->setEditText(typed);
}

std::string PlayersTab::TakeReason() {
  if (!w_.ReasonBox) return {};
  const std::string reason = TrimCtl(ToCp1252(w_.ReasonBox->currentText()));
  w_.ReasonBox->setEditText(QString());
  if (reason.empty()) return reason;
  UseHistoryEntry(reasons_, reason);
  if (reasons_.size() > kReasonHistory) reasons_.erase(reasons_.begin());
  std::string ignored;  // a history of convenience: not kept is no error to tell
  if (reasonsReadable_ && !reasonsPath_.empty()) SaveHistory(reasonsPath_, reasons_, &ignored);
  FillReasons();
  w_.ReasonBox->setEditText(QString());
  return reason;
}

void PlayersTab::Button1Click() {
  Record(Kind::Kick);
  // Without the automatic refresh the console shows the table a little
  // later, with the kicked player gone.
  if (!w_.CheckBox2->isChecked() && UsableServer(engine_)) {
    RconOptions later;
    later.kind = RconKind::Read;
    later.afterIssue = kConsoleStatusAfterKick;
    engine_.SendRcon(CmdStatus(), std::move(later));
  }
}

void PlayersTab::Button3Click() {
  Record(Kind::TempBan);
}

void PlayersTab::Button4Click() {
  Record(Kind::Ban);
}

void PlayersTab::Button9Click() {
  if (!UsableServer(engine_) || !session_) return;
  PendingPlayerAction a;
  a.kind = Kind::HighPing;
  a.made = std::chrono::steady_clock::now();
  a.reason = TakeReason();
  session_->Act(std::move(a));
}

void PlayersTab::Button23Click() {
  if (!UsableServer(engine_)) return;
  engine_.SendRconVar(CmdClearTempBans());
}

void PlayersTab::Button5Click() {
  engine_.RequestStatusPoll();
}

bool PlayersTab::Button7Click() {
  if (!UsableServer(engine_)) return true;
  const BuiltCommand say = BuildSay(EditText(w_.Edit3, engine_.SelectedSession()));
  if (Refused(w_.Edit3, say)) return false;
  engine_.SendRcon(say.line);
  return true;
}

void PlayersTab::Button13Click() {
  const Tstatusrow* row = SelectedRow();
  if (!UsableServer(engine_) || !row) return;
  // To the server whose table the row is from.
  const BuiltCommand tell = BuildTell((*row)[0], EditText(w_.Edit3, session_.get()));
  if (Refused(w_.Edit3, tell)) return;
  session_->Send(RconChannel::Query, tell.line);
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
  RememberOrForgetGuid(files_.Guids(), (*row)[3], (*row)[1]);
  GuidsFileProtected(w_.Button49->window(), files_);
}

void PlayersTab::ServerGone() {
  session_.Follow(nullptr);
  ShowTableAge();
  PlayerSelected();
}

}  // namespace zelmora
