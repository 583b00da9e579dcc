#include "ui/main/playerhistorywindow.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <ctime>

#include "core/textutil.h"
#include "engine/queryengine.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "history/normalize.h"
#include "history/playerhistory.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "ui/dialogs/cp1252.h"
#include "ui/main/drawgrid.h"
#include "ui/main/gridmodels.h"
#include "ui/main/historymodels.h"
#include "ui/main/historyreader.h"
#include "ui_playerhistory.h"

namespace zelmora {

namespace {

// Typing: the search runs once the operator paused this long.
constexpr int kTypingPauseMs = 150;

QString PlainName(const std::string& raw) {
  return FromCp1252(StripColorCodes(raw));
}

void DefaultSaveChooser(QWidget* parent, std::function<void(const QString&)> chosen) {
  auto* dialog = new QFileDialog(parent, QStringLiteral("Strafen exportieren"));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilter(QStringLiteral("CSV-Dateien (*.csv)"));
  dialog->setDefaultSuffix(QStringLiteral("csv"));
  dialog->selectFile(QStringLiteral("Strafen.csv"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // Not exec(): the window answers when the operator has chosen.
  QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                   [chosen](const QString& file) { chosen(file); });
  dialog->open();
}

AddressCountry CountryOf(const QueryEngine& engine, const std::string& ip) {
  const std::string text = CountryText(engine.Ranges(), ip);
  if (text == "?") return {};
  AddressCountry c;
  c.country = FieldOf(text, ";", 1);
  c.flag = FindFlag(engine.FlagCodes(), LowerAscii(FieldOf(text, ";", 0)));
  return c;
}

bool HasName(const std::string& norm, const std::string& raw) {
  return !norm.empty() && NormalizeName(raw) == norm;
}

}  // namespace

std::uint64_t ServerWithPlayerNow(QueryEngine& engine, const PlayerSummary& player) {
  const std::string norm = NormalizeName(player.name);
  const bool guid = IsPlayerGuid(player.guid);
  const ServerList& list = engine.List();
  for (std::size_t i = 0; i < list.Size(); ++i) {
    ServerSession* s = engine.Session(list.At(i).uid);
    if (!s) continue;
    if (s->HasTable())
      for (const Tstatusrow& r : s->Table())
        if ((guid && TrimCtl(r[3]) == player.guid) || HasName(norm, r[1])) return s->Id();
    if (s->HasStatus())
      for (const auto& p : s->Players())
        if (HasName(norm, p[2])) return s->Id();
  }
  return 0;
}

PlayerHistoryWindow::PlayerHistoryWindow(std::shared_ptr<PlayerHistory> history,
                                         QueryEngine& engine, Tguidlist& guids,
                                         std::function<const Settings&()> settings,
                                         const std::vector<QImage>* flags, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::PlayerHistory>()),
      history_(std::move(history)),
      engine_(engine),
      guids_(guids),
      settings_(std::move(settings)),
      painter_(settings_),
      saveChooser_(DefaultSaveChooser),
      now_([] { return static_cast<std::int64_t>(std::time(nullptr)); }) {
  ui_->setupUi(this);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  painter_.SetFlagImages(flags);
  reader_ = new HistoryReader(history_, this);
  const QueryEngine* e = &engine_;
  results_ = new HistoryResultsModel([e](const std::string& ip) { return CountryOf(*e, ip); },
                                     ui_->ResultGrid);
  penalties_ = new PenaltiesModel(ui_->PenaltyGrid);
  watch_ = new WatchListModel([this] { return Now(); }, ui_->WatchGrid);
  SetUpGrid(ui_->ResultGrid, results_, kHistoryColumns, kHistoryWidths,
            static_cast<int>(HistoryColumn::Address));
  SetUpGrid(ui_->PenaltyGrid, penalties_, kPenaltyColumns, kPenaltyWidths, -1);
  SetUpGrid(ui_->WatchGrid, watch_, kWatchColumns, kWatchWidths, -1);
  ui_->Splitter->setSizes({330, 150});
  SetUpMenu();

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  connect(typing_, &QTimer::timeout, this, &PlayerHistoryWindow::SearchNow);
  connect(ui_->SearchEdit, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
  connect(ui_->SearchEdit, &QLineEdit::returnPressed, this, &PlayerHistoryWindow::SearchNow);
  connect(reader_, &HistoryReader::Found, this, &PlayerHistoryWindow::ShowFound);
  connect(reader_, &HistoryReader::PenaltiesRead, this, &PlayerHistoryWindow::ShowPenalties);
  connect(reader_, &HistoryReader::Exported, this, [this](const QString& path, const QString& e) {
    Say(e.isEmpty() ? QStringLiteral("Strafen exportiert nach %1.").arg(path)
                    : QStringLiteral("Export fehlgeschlagen: %1").arg(e));
    emit ExportDone(e);
  });

  ui_->ResultGrid->onClick = [this] { Pick(ui_->ResultGrid->SelectionTop() - 1); };
  ui_->ResultGrid->onActivate = [this] { ShowServerClick(); };
  ui_->WatchGrid->onClick = [this] { PickWatch(ui_->WatchGrid->SelectionTop() - 1); };
  connect(ui_->ShowServerButton, &QPushButton::clicked, this,
          &PlayerHistoryWindow::ShowServerClick);
  connect(ui_->RememberGuidButton, &QPushButton::clicked, this,
          &PlayerHistoryWindow::RememberGuidClick);
  connect(ui_->WatchButton, &QPushButton::clicked, this, &PlayerHistoryWindow::WatchClick);
  connect(ui_->ExportButton, &QPushButton::clicked, this, &PlayerHistoryWindow::ExportClick);
  connect(ui_->AddPatternButton, &QPushButton::clicked, this,
          &PlayerHistoryWindow::AddPatternClick);
  connect(ui_->PatternEdit, &QLineEdit::returnPressed, this, &PlayerHistoryWindow::AddPatternClick);
  connect(ui_->AlarmButton, &QPushButton::clicked, this, &PlayerHistoryWindow::AlarmClick);
  connect(ui_->SilenceButton, &QPushButton::clicked, this, &PlayerHistoryWindow::SilenceClick);
  connect(ui_->RemoveWatchButton, &QPushButton::clicked, this,
          &PlayerHistoryWindow::RemoveWatchClick);
  connect(ui_->CloseButton, &QPushButton::clicked, this, &QDialog::close);
  UpdateButtons();
}

PlayerHistoryWindow::~PlayerHistoryWindow() = default;

void PlayerHistoryWindow::SetUpGrid(DrawGrid* g, DrawGridModel* model, int cols, const int* widths,
                                    int flagColumn) {
  g->SetDataModel(model);
  g->Setup(cols, false);
  g->SetSortableInView(kSortRole);
  g->SetColumnsResizable(true);
  g->SetRowCount(1);
  for (int c = 0; c < cols; ++c) g->SetColWidth(c, widths[c]);
  g->setSelectionMode(QAbstractItemView::ContiguousSelection);
  g->SetDrawCell([this, g, model, flagColumn](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawCell(*model, p, g->palette(), c, r, rect, c == flagColumn);
  });
}

void PlayerHistoryWindow::SetUpMenu() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenuHistory"));
  const auto item = [this](const char* name, const QString& text,
                           void (PlayerHistoryWindow::*fn)()) {
    QAction* a = popup_->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, fn);
    return a;
  };
  item("AufServerzeigen1", QStringLiteral("Auf Server &zeigen"),
       &PlayerHistoryWindow::ShowServerClick);
  item("GUIDmerken1", QStringLiteral("GUID &merken"), &PlayerHistoryWindow::RememberGuidClick);
  item("Beobachten1", QStringLiteral("&Beobachten"), &PlayerHistoryWindow::WatchClick);
  popup_->addSeparator();
  QAction* copy = popup_->addAction(QStringLiteral("Markierte Zeilen &kopieren"));
  copy->setObjectName(QStringLiteral("KopierenHistory"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, ui_->ResultGrid, &DrawGrid::CopySelection);
  ui_->ResultGrid->onPopup = [this](const QPoint& at, int row) {
    // The menu acts on the row it was opened for.
    if (row > 0) {
      ui_->ResultGrid->SelectRow(row);
      Pick(row - 1);
    }
    popup_->popup(at);
  };
}

DrawGrid* PlayerHistoryWindow::ResultGrid() const {
  return ui_->ResultGrid;
}

std::int64_t PlayerHistoryWindow::Now() const {
  return now_ ? now_() : 0;
}

QString PlayerHistoryWindow::Notice() const {
  return ui_->Notice->text();
}

void PlayerHistoryWindow::Say(const QString& text) {
  ui_->Notice->setText(text);
}

// --- searching ------------------------------------------------------------------------

void PlayerHistoryWindow::Open() {
  show();
  raise();
  activateWindow();
  ui_->Tabs->setCurrentWidget(ui_->TabPlayers);
  ui_->SearchEdit->setFocus();
  ui_->SearchEdit->selectAll();
}

void PlayerHistoryWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  RefreshWatch();
  SearchNow();
}

void PlayerHistoryWindow::SearchNow() {
  typing_->stop();
  ui_->ResultInfo->setText(QStringLiteral("Suche läuft ..."));
  reader_->Search(ToCp1252(ui_->SearchEdit->text()));
}

bool PlayerHistoryWindow::Searching() const {
  return reader_->Searching() || typing_->isActive();
}

void PlayerHistoryWindow::ShowFound(const QString& text, const std::vector<PlayerSummary>& rows,
                                    double ms) {
  // An answer to a text the field no longer holds: the newer one follows.
  if (text != ui_->SearchEdit->text() && reader_->Searching()) return;
  results_->SetRows(rows);
  ui_->ResultGrid->SetRowCount(static_cast<int>(rows.size()) + 1);
  ui_->ResultGrid->Repaint();
  QString info = rows.size() == 1 ? QStringLiteral("1 Spieler")
                                  : QStringLiteral("%1 Spieler").arg(rows.size());
  if (rows.size() >= HistoryReader::kSearchLimit) info += QStringLiteral(" (die ersten)");
  ui_->ResultInfo->setText(info + QStringLiteral(" in %1 ms").arg(ms, 0, 'f', 0));
  if (history_->Status().fault != HistoryFaultKind::kNone)
    Say(QString::fromStdString(history_->Status().message));
  Pick(-1);
  emit ResultsShown();
}

void PlayerHistoryWindow::Pick(int index) {
  results_->SetPicked(index);
  ui_->ResultGrid->Repaint();
  const PlayerSummary* p = Picked();
  penaltiesFor_ = p ? p->playerId : 0;
  penalties_->SetRows({});
  ui_->PenaltyGrid->SetRowCount(1);
  ui_->PenaltyGrid->Repaint();
  if (p && p->playerId != 0 && p->penalties > 0) reader_->ReadPenalties(p->playerId);
  ui_->PenaltyTitle->setText(p ? QStringLiteral("Strafen von %1").arg(PlainName(p->name))
                               : QStringLiteral("Strafen des gewählten Spielers"));
  UpdateButtons();
}

const PlayerSummary* PlayerHistoryWindow::Picked() const {
  return results_->PickedRow();
}

void PlayerHistoryWindow::ShowPenalties(qint64 playerId, const std::vector<PenaltyRow>& rows) {
  if (playerId != penaltiesFor_) return;  // another player was picked meanwhile
  penalties_->SetRows(rows);
  ui_->PenaltyGrid->SetRowCount(static_cast<int>(rows.size()) + 1);
  ui_->PenaltyGrid->Repaint();
  emit PenaltiesShown();
}

void PlayerHistoryWindow::UpdateButtons() {
  const PlayerSummary* p = Picked();
  ui_->ShowServerButton->setEnabled(p != nullptr);
  ui_->RememberGuidButton->setEnabled(p && IsPlayerGuid(p->guid));
  ui_->WatchButton->setEnabled(p != nullptr);
  const WatchEntry* w = PickedWatch();
  ui_->AlarmButton->setEnabled(w != nullptr);
  ui_->SilenceButton->setEnabled(w != nullptr);
  ui_->RemoveWatchButton->setEnabled(w != nullptr);
  ui_->SilenceButton->setText(w && w->silencedUntil > Now() ? QStringLiteral("&Stumm aufheben")
                                                            : QStringLiteral("Eine &Stunde stumm"));
}

// --- the player picked -------------------------------------------------------------------

void PlayerHistoryWindow::ShowServerClick() {
  const PlayerSummary* p = Picked();
  if (!p) return;
  const std::uint64_t uid = ServerWithPlayerNow(engine_, *p);
  if (uid == 0) {
    Say(QStringLiteral("%1 ist gerade auf keinem Server der Liste.").arg(PlainName(p->name)));
    return;
  }
  const Tserverrec* e = engine_.List().Find(uid);
  Say(QStringLiteral("%1 ist auf %2.")
          .arg(PlainName(p->name), e ? PlainName(e->hostname.str()) : QString()));
  if (showServer) showServer(uid);
}

void PlayerHistoryWindow::RememberGuidClick() {
  const PlayerSummary* p = Picked();
  if (!p || !IsPlayerGuid(p->guid)) return;
  const bool known = std::any_of(guids_.begin(), guids_.end(),
                                 [&](const Tguidrec& g) { return g.guid.view() == p->guid; });
  if (known) {
    Say(QStringLiteral("Die GUID %1 ist schon gemerkt.").arg(FromCp1252(p->guid)));
    return;
  }
  RememberOrForgetGuid(guids_, p->guid, p->name);
  Say(QStringLiteral("GUID %1 gemerkt (%2).").arg(FromCp1252(p->guid), PlainName(p->name)));
  if (guidsChanged) guidsChanged();
}

void PlayerHistoryWindow::WatchClick() {
  const PlayerSummary* p = Picked();
  if (!p) return;
  const bool byGuid = IsPlayerGuid(p->guid);
  const WatchKind kind = byGuid ? WatchKind::kGuid : WatchKind::kNamePattern;
  const std::string value = byGuid ? p->guid : p->name;
  const std::vector<WatchEntry> list = history_->WatchList();
  const bool watched = std::any_of(list.begin(), list.end(), [&](const WatchEntry& w) {
    return w.kind == kind &&
           (byGuid ? w.value == value : NormalizeName(w.value) == NormalizeName(value));
  });
  if (watched) {
    Say(QStringLiteral("%1 wird schon beobachtet.").arg(PlainName(p->name)));
    return;
  }
  history_->AddWatch(kind, value, StripColorCodes(p->name), Now());
  RefreshWatch();
  Say(QStringLiteral("%1 wird beobachtet (%2).")
          .arg(PlainName(p->name), byGuid ? QStringLiteral("GUID %1").arg(FromCp1252(p->guid))
                                          : QStringLiteral("nach dem Namen")));
}

void PlayerHistoryWindow::ExportClick() {
  QPointer<PlayerHistoryWindow> self(this);
  saveChooser_(this, [self](const QString& path) {
    if (!self || path.isEmpty()) return;
    self->Say(QStringLiteral("Strafen werden exportiert ..."));
    self->reader_->ExportPenalties(path.toStdString());
  });
}

// --- the watch list --------------------------------------------------------------------------

void PlayerHistoryWindow::RefreshWatch() {
  watch_->SetRows(history_->WatchList());
  ui_->WatchGrid->SetRowCount(static_cast<int>(watch_->Rows().size()) + 1);
  ui_->WatchGrid->Repaint();
  UpdateButtons();
}

void PlayerHistoryWindow::PickWatch(int index) {
  watch_->SetPicked(index);
  ui_->WatchGrid->Repaint();
  UpdateButtons();
}

const WatchEntry* PlayerHistoryWindow::PickedWatch() const {
  const int i = watch_->Picked();
  return i >= 0 && static_cast<std::size_t>(i) < watch_->Rows().size()
             ? &watch_->Rows()[static_cast<std::size_t>(i)]
             : nullptr;
}

void PlayerHistoryWindow::AddPatternClick() {
  const std::string pattern = TrimCtl(ToCp1252(ui_->PatternEdit->text()));
  if (NormalizeName(pattern).empty()) {
    Say(QStringLiteral("Bitte ein Namensmuster eingeben, z. B. *sniper*."));
    return;
  }
  history_->AddWatch(WatchKind::kNamePattern, pattern, "", Now());
  ui_->PatternEdit->clear();
  RefreshWatch();
  Say(QStringLiteral("Namen wie %1 werden beobachtet.").arg(FromCp1252(pattern)));
}

void PlayerHistoryWindow::AlarmClick() {
  const WatchEntry* w = PickedWatch();
  if (!w) return;
  history_->SetWatchEnabled(w->id, !w->enabled);
  RefreshWatch();
}

void PlayerHistoryWindow::SilenceClick() {
  const WatchEntry* w = PickedWatch();
  if (!w) return;
  const bool silent = w->silencedUntil > Now();
  history_->SilenceWatch(w->id, silent ? 0 : Now() + kWatchSilenceSeconds);
  RefreshWatch();
}

void PlayerHistoryWindow::RemoveWatchClick() {
  const WatchEntry* w = PickedWatch();
  if (!w) return;
  history_->RemoveWatch(w->id);
  watch_->SetPicked(-1);
  RefreshWatch();
}

}  // namespace zelmora
