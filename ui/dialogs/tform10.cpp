#include "ui/dialogs/tform10.h"

#include "core/commandrules.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "core/join.h"
#include "core/paths.h"
#include "engine/queryengine.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui_tform10.h"

namespace zelmora {

namespace {

const QString kWaitCaption = QStringLiteral("Warten bis Slot frei wird");
const QString kWaitingCaption = QStringLiteral("warte...");
constexpr int kWaitIntervalMs = 1000;

// A typed text as the histories and the command line take it. A line break
// would split a history entry into two lines of its file, and a NUL byte
// would cut the command line: both become blanks (pasted text may hold
// them).
std::string TypedText(const QString& text) {
  std::string bytes = ToCp1252(text);
  for (char& c : bytes)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return bytes;
}

std::vector<std::string> Items(const QComboBox* box) {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(box->count()));
  for (int i = 0; i < box->count(); ++i) items.push_back(ToCp1252(box->itemText(i)));
  return items;
}

// The list as the box's items with the newest (last) one selected, so the
// edit shows it.
void SetItems(QComboBox* box, const std::vector<std::string>& items) {
  box->clear();
  for (const std::string& item : items) box->addItem(FromCp1252(item));
  box->setCurrentIndex(box->count() - 1);
}

void EmptyBox(QComboBox* box) {
  box->clear();
  box->clearEditText();
}

void RetainSizeWhenHidden(QWidget* w) {
  QSizePolicy p = w->sizePolicy();
  p.setRetainSizeWhenHidden(true);
  w->setSizePolicy(p);
}

}  // namespace

TForm10::TForm10(QueryEngine& engine, const SettingsStore& settings, QWidget* parent)
    : QDialog(parent),
      engine_(engine),
      settings_(settings),
      ui_(std::make_unique<Ui::TForm10>()),
      launcher_(&StartDetached) {
  ui_->setupUi(this);
  ComboBox1 = ui_->ComboBox1;
  ComboBox2 = ui_->ComboBox2;
  Label4 = ui_->Label4;
  Button1 = ui_->Button1;
  Button2 = ui_->Button2;
  Button3 = ui_->Button3;
  Button4 = ui_->Button4;
  Button5 = ui_->Button5;
  Button6 = ui_->Button6;
  Button7 = ui_->Button7;

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kWaitIntervalMs);

  // The window keeps its size while the wait and kick buttons come and go.
  RetainSizeWhenHidden(Button6);
  RetainSizeWhenHidden(Button7);
  QFont count = Label4->font();
  count.setBold(true);
  Label4->setFont(count);

  connect(Button1, &QPushButton::clicked, this, &TForm10::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm10::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm10::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm10::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm10::Button5Click);
  connect(Button6, &QPushButton::clicked, this, &TForm10::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &TForm10::Button7Click);
  connect(Timer1, &QTimer::timeout, this, &TForm10::Timer1Timer);
}

TForm10::~TForm10() = default;

void TForm10::FormCreate() {
  FormCreate(DataPath(kNamesFile), DataPath(kPassesFile));
}

void TForm10::FormCreate(const std::string& namesPath, const std::string& passesPath) {
  namesPath_ = namesPath;
  passesPath_ = passesPath;
  const HistoryFile names = LoadHistory(namesPath_);
  const HistoryFile passes = LoadHistory(passesPath_);
  namesReadable_ = names.readable;
  passesReadable_ = passes.readable;
  SetItems(ComboBox1, names.items);
  SetItems(ComboBox2, passes.items);

  QString problems;
  for (const HistoryFile* f : {&names, &passes})
    if (!f->readable) problems += FromMessageBytes(f->error) + QLatin1Char('\n');
  if (!problems.isEmpty()) {
    ShowMessage(parentWidget(),
                QStringLiteral("Fehler beim Lesen: ") + problems +
                    QStringLiteral("Diese Liste bleibt bis zum nächsten Programmstart leer und "
                                   "wird nicht gespeichert, damit ihr Inhalt nicht verloren "
                                   "geht."));
  }
}

const Tserverrec* TForm10::Selected() const {
  return engine_.Selected().Entry();
}

QWidget* TForm10::MessageParent() {
  return isVisible() ? this : parentWidget();
}

bool TForm10::Waiting() const {
  return Timer1->isActive();
}

void TForm10::JoinSelectedServer() {
  if (settings_.Get(&Settings::ask)) {
    // Show the counts of the server selected now, not of the one before.
    RefreshJoinDialog();
    show();
    raise();
    activateWindow();
  } else {
    Button1Click();
  }
}

void TForm10::Button1Click() {
  Timer1->stop();
  const std::string name = TypedText(ComboBox1->currentText());
  if (name.empty()) {
    ShowMessage(MessageParent(), QStringLiteral("Bitte einen Spielernamen angeben!"));
    return;
  }
  const std::string password = TypedText(ComboBox2->currentText());
  // A blank or a quote would end the password on the game's command line
  // and the rest would be taken for further arguments.
  if (const std::string why = PasswordProblem(password); !why.empty()) {
    ShowMessage(MessageParent(), QString::fromStdString(why));
    return;
  }
  const bool started = StartGame(name, password);

  // The histories are updated even when no game could be started.
  std::vector<std::string> names = Items(ComboBox1);
  std::vector<std::string> passes = Items(ComboBox2);
  UseHistoryEntry(names, name);
  UseHistoryEntry(passes, password);
  SetItems(ComboBox1, names);
  SetItems(ComboBox2, passes);

  QString failures;
  std::string error;
  if (namesReadable_ && !SaveHistory(namesPath_, names, &error))
    failures += FromMessageBytes(error) + QLatin1Char('\n');
  error.clear();
  if (passesReadable_ && !SaveHistory(passesPath_, passes, &error, NewFileMode::kPrivate))
    failures += FromMessageBytes(error) + QLatin1Char('\n');
  if (!failures.isEmpty())
    ShowMessage(MessageParent(), QStringLiteral("Fehler beim Speichern: ") + failures.trimmed());

  hide();
  // Without a game running the program stays as it is: minimised or ended
  // it would leave the operator with nothing (and the list stops querying).
  if (!started) return;
  switch (settings_.Get(&Settings::join)) {
    case JoinAfter::kMinimize:
      if (hooks_.minimizeApplication) hooks_.minimizeApplication();
      break;
    case JoinAfter::kQuit:
      if (hooks_.closeMainWindow) hooks_.closeMainWindow();
      break;
    case JoinAfter::kNone:
    case JoinAfter::kStayOpen:
      break;
  }
}

bool TForm10::StartGame(const std::string& name, const std::string& password) {
  const Tserverrec* e = Selected();
  if (!e) return false;
  const Settings s = settings_.Snapshot();
  const JoinExecutable exe = JoinExecutableFor(s, e->protocol);
  if (!exe.known) return false;  // no answer yet, or a game this program does not start
  if (!IsExistingFile(exe.path)) {
    ShowMessage(MessageParent(), FromCp1252(MissingExecutableMessage(exe.version)));
    return false;
  }
  const std::string line =
      BuildJoinCommandLine(e->host.view(), e->port.view(), password, name, s.param);
  const LaunchResult result = launcher_(exe.path, line, FolderOf(exe.path));
  // A missing Wine is something the operator can and must fix; a start the
  // system refused is told with its reason, not passed over as a start.
  if (result.status == LaunchStatus::kWineMissing)
    ShowMessage(MessageParent(), QString::fromUtf8(WineMissingMessage().c_str()));
  if (result.status == LaunchStatus::kFailed)
    ShowMessage(MessageParent(), QStringLiteral("Das Spiel konnte nicht gestartet werden: %1")
                                     .arg(FromMessageBytes(result.error)));
  return result.status == LaunchStatus::kStarted;
}

void TForm10::Button2Click() {
  Timer1->stop();
  close();
}

void TForm10::Button3Click() {
  if (hooks_.showColorCodes) hooks_.showColorCodes();
}

void TForm10::Button4Click() {
  EmptyBox(ComboBox1);
}

void TForm10::Button5Click() {
  EmptyBox(ComboBox2);
}

void TForm10::Button6Click() {
  const Tserverrec* e = Selected();
  if (!e) {
    // Nothing to wait for: the wait ends before it begins.
    Timer1->stop();
    return;
  }
  if (HasFreeSlot(*e)) {
    Button1Click();
    Timer1->stop();
    return;
  }
  Timer1->start();
  Button6->setText(kWaitingCaption);
}

void TForm10::Timer1Timer() {
  // Also queued by RefreshJoinDialog: a wait ended meanwhile stays ended.
  if (!Timer1->isActive()) return;
  if (closing_) {
    // The program is ending: no game start from a tick that slipped in.
    Timer1->stop();
    return;
  }
  const Tserverrec* e = Selected();
  if (!e) {
    // The selection went away while waiting: stop instead of waiting for a
    // server that is no longer chosen.
    Timer1->stop();
    ResetWaitCaption();
    return;
  }
  if (!HasFreeSlot(*e)) return;
  Timer1->stop();
  Button1Click();
}

void TForm10::RefreshJoinDialog() {
  const Tserverrec* e = Selected();
  if (!e) return;
  const bool free = HasFreeSlot(*e);
  if (free) {
    Button6->setVisible(false);
    Button7->setVisible(false);
  } else {
    Button6->setVisible(true);
    if (!e->rconpass.empty()) Button7->setVisible(true);
  }
  QPalette p = Label4->palette();
  p.setColor(QPalette::WindowText, free ? QColor(0, 0, 0) : QColor(255, 0, 0));
  Label4->setPalette(p);
  Label4->setText(QString::fromStdString(PlayerCountText(*e)));

  // This reply is what freed the slot: start now rather than at the next
  // tick. Not from here, though: this runs inside a worker's hand-over, and
  // a start shows message boxes and may end the program. Queued, it runs
  // as soon as the hand-over has returned.
  if (free && Waiting()) QTimer::singleShot(0, this, &TForm10::Timer1Timer);
}

void TForm10::ResetWaitCaption() {
  Button6->setText(kWaitCaption);
}

void TForm10::Button7Click() {
  const Tserverrec* e = Selected();
  if (!e || e->rconpass.empty()) return;
  // The request the players page's "Einen Highpinger kicken" makes, for
  // this server; the kick goes out with its next status table, asked for now.
  PendingPlayerAction a;
  a.kind = PendingPlayerAction::Kind::HighPing;
  a.made = std::chrono::steady_clock::now();
  if (ServerSession* s = engine_.Session(e->uid)) s->Act(std::move(a));
}

}  // namespace zelmora
