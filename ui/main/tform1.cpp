#include "ui/main/tform1.h"

#include <QCloseEvent>
#include <QMenu>
#include <QTabBar>

#include "core/datafolder.h"
#include "core/paths.h"
#include "core/serverfile.h"
#include "engine/clock.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "ui/admin/configtab.h"
#include "ui/admin/consoletab.h"
#include "ui/admin/customvarstab.h"
#include "ui/admin/gamesettingstab.h"
#include "ui/admin/gametypetab.h"
#include "ui/admin/mapstab.h"
#include "ui/admin/msgtimertab.h"
#include "ui/admin/passwords.h"
#include "ui/admin/playerstab.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/weaponstab.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/protectedfiles.h"
#include "ui/dialogs/serverlistops.h"
#include "ui/dialogs/skin.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform12.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
#include "ui/dialogs/tform18.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/dialogs/tform9.h"
#include "ui/main/detailviews.h"
#include "ui/main/drawgrid.h"
#include "ui/main/historylink.h"
#include "ui/main/icons.h"
#include "ui/main/multicommand.h"
#include "ui/main/pingchart.h"
#include "ui/main/serverlistpanel.h"
#include "ui/main/windowlayout.h"
#include "ui_tform1.h"

namespace zelmora {

namespace {

enum Page {
  kPageSpieler = 1,
  kPageKarten = 2,
  kPageKonfig = 7,
  kPageKonsole = 8,
  kPageMsgTimer = 9,
};

}  // namespace

TForm1::TForm1(SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::TForm1>()),
      store_(settings),
      settings_(settings),
      files_(DataDir()) {
  ui->setupUi(this);
  engine_ = std::make_unique<QueryEngine>(store_, this);
  engine_->SetGuidList(&files_.Guids());
  layout_ = std::make_unique<WindowLayout>(
      this,
      WindowLayout::Parts{ui->centralwidget, ui->Panel3, ui->Chart1, ui->Panel1, ui->Splitter1});
  QFont f = ui->DrawGrid1->font();
  f.setPixelSize(11);
  for (DrawGrid* g : {ui->DrawGrid1, ui->DrawGrid2, ui->DrawGrid3, ui->DrawGrid4}) g->setFont(f);
  SetUpList();
  details_ = new DetailViews(ui->DrawGrid3, ui->DrawGrid4, ui->DrawGrid2, *engine_, settings_,
                             &flagImages_, this);
  chart_ = new PingChart(ui->Chart1, this);
  SetUpMenus();
  SetUpCvarTabs();
  SetUpAdminTabs();
  SetUpHistory();
  ui->centralwidget->installEventFilter(this);
  ui->PageControl1->setCornerWidget(ui->Button6, Qt::TopRightCorner);
  ui->Button6->setVisible(false);
  connect(ui->Button6, &QPushButton::clicked, this, [this] { engine_->Button6Click(); });
  connect(engine_.get(), &QueryEngine::SweepButtonShown, ui->Button6, &QWidget::setVisible);
  connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);

  ui->Splitter1->setStretchFactor(0, 0);
  ui->Splitter1->setStretchFactor(1, 1);
  ui->Splitter1->setStyleSheet(
      QStringLiteral("QSplitter#Splitter1::handle { background-color: rgb(166, 202, 240); }"));
  ui->Panel1->setMinimumHeight(10);
  ui->Panel2->setMinimumHeight(10);
  // Lay the window out at its designed size now, so the panels have their
  // real heights before the first layout rule and the splitter positions.
  if (layout()) layout()->activate();
  FormResize();
  if (ui->Panel3->layout()) ui->Panel3->layout()->activate();
  {
    const int total = ui->Splitter1->height() - ui->Splitter1->handleWidth();
    ui->Splitter1->setSizes({177, std::max(10, total - 177)});
    ui->Splitter2->setSizes({369, std::max(10, ui->Splitter2->width() - 369)});
  }
  ui->PageControl1->setElideMode(Qt::ElideNone);
  ApplyTabLook(false);
  QPalette red = ui->Label3->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  ui->Label1->setPalette(red);
  ui->Label3->setPalette(red);
  ui->Label1->setContentsMargins(6, 6, 6, 6);

  // A settings change may come from any thread: only mark the fitted widths
  // stale there and let the main thread redraw.
  settings_.SetOnChange([this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          list_->AllChanged();
          RepaintGrids();
        },
        Qt::QueuedConnection);
  });
  layout_->PlaceOnScreen(true, store_.Get(&Settings::aktive));
  FormCreate();
}

TForm1::~TForm1() {
  // A window that goes away without having been closed (the application
  // quit some other way) still shuts down and saves like a close.
  FormClose();
  // Hidden while everything its grids read is still there: the base class
  // would close it after the engine has gone, and hiding asks the headers
  // for their texts once more.
  hide();
  // The window of several servers before the engine its batch uses.
  delete multi_;
  multi_ = nullptr;
  // The tabs before the queue and the engine they use.
  adminTabs_.clear();
  playersTab_.reset();
  mapsTab_.reset();
  configTab_.reset();
  consoleTab_.reset();
  msgTimerTab_.reset();
  customVarsTab_.reset();
  weaponsTab_.reset();
  gameSettingsTab_.reset();
  gameTypeTab_.reset();
  varQueue_.reset();
  shown_.Follow(nullptr);
}

void TForm1::SetDialogs(TForm3* settingsWindow, TForm4* serverDialog) {
  form3_ = settingsWindow;
  form4_ = serverDialog;
}

void TForm1::SetInfoWindows(TForm9* about, TForm12* versionCheck, TForm18* guidList) {
  form9_ = about;
  form12_ = versionCheck;
  form18_ = guidList;
  ui->ber1->setEnabled(form9_ != nullptr);
  ui->AufneueVersionberprfen1->setEnabled(form12_ != nullptr);
  ui->Editieren1->setEnabled(form18_ != nullptr);
  if (form18_) {
    TForm18::WatchHooks watch;
    watch.watched = [this](const std::string& guid) { return history_->GuidWatched(guid); };
    watch.set = [this](const std::string& guid, const std::string& name, bool on) {
      history_->WatchGuid(guid, name, on);
    };
    form18_->SetWatchHooks(std::move(watch));
  }
  connect(ui->ber1, &QAction::triggered, this, &TForm1::ber1Click, Qt::UniqueConnection);
  connect(ui->AufneueVersionberprfen1, &QAction::triggered, this,
          &TForm1::AufneueVersionberprfen1Click, Qt::UniqueConnection);
  connect(ui->Editieren1, &QAction::triggered, this, &TForm1::Editieren1Click,
          Qt::UniqueConnection);
}

void TForm1::ber1Click() {
  if (form9_) form9_->exec();
}

void TForm1::AufneueVersionberprfen1Click() {
  if (form12_) form12_->exec();
}

void TForm1::Editieren1Click() {
  if (!form18_) return;
  GuidsFileProtected(this, files_);
  form18_->Open();
}

void TForm1::Spielerverlauf1Click() {
  history_->OpenWindow();
}

void TForm1::SetUpHistory() {
  history_ = std::make_unique<HistoryLink>(
      *engine_, store_, files_.Guids(), [this]() -> const Settings& { return settings_.Get(); },
      &flagImages_, HistoryLink::Widgets{ui->WatchAlert, ui->WatchSilence, ui->WatchDismiss}, this);
  history_->showServer = [this](std::uint64_t uid) { ShowServer(uid); };
  history_->guidsChanged = [this] { GuidsFileProtected(this, files_); };
  connect(ui->Spielerverlauf1, &QAction::triggered, this, &TForm1::Spielerverlauf1Click);
}

void TForm1::ClearHistory() {
  history_->Clear();
}

void TForm1::SetJoinWindow(TForm10* joinWindow) {
  form10_ = joinWindow;
  ui->Serverjoinen1->setEnabled(form10_ != nullptr);
  serverbetreten1_->setEnabled(form10_ != nullptr);
}

void TForm1::SetPasswordDialogs(TForm16* serverPassword, TForm17* rconPassword) {
  form16_ = serverPassword;
  form17_ = rconPassword;
  if (form16_) {
    form16_->onSetPassword = [this](const std::string& password) {
      SetJoinPassword(form16_, *engine_, password);
    };
    form16_->onClearPassword = [this] { ClearJoinPassword(*engine_); };
  }
  if (form17_) {
    form17_->onAccept = [this](const std::string& password) {
      return ChangeRconPassword(form17_, *engine_, password);
    };
  }
}

// --- set-up ------------------------------------------------------------------------

void TForm1::SetUpList() {
  DrawGrid* g1 = ui->DrawGrid1;
  list_ = new ServerListPanel(g1, *engine_, settings_, &flagImages_, this);
  // Several servers can be marked (Ctrl and Shift clicks, Ctrl+A) for a
  // command to all of them; the current row stays the selected server.
  g1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  g1->onMouseDown = [this](int, int, Qt::MouseButton) { list_->MouseDown(); };
  g1->onMouseMove = [this](int c, int r, Qt::MouseButton) { list_->MouseMove(c, r); };
  g1->onMouseUp = [this](int c, int r, Qt::MouseButton) { DrawGrid1MouseUp(c, r); };
  g1->onClick = [this] { DrawGrid1Click(); };
  g1->onDoubleClick = [this] { DrawGrid1DblClick(); };
  g1->onRowMoved = [this](int from, int to) { list_->RowMoved(from, to); };
  // Enter joins the server on the current row, as a double click does.
  g1->onActivate = [this] { DrawGrid1DblClick(); };
  // The selected server's new values reach the join window.
  connect(&engine_->List(), &ServerList::EntryChanged, this, [this](int index) {
    if (form10_ && index == engine_->Selected().Index()) form10_->RefreshJoinDialog();
  });
}

void TForm1::SetUpAdminTabs() {
  Ui::TForm1& u = *ui;
  playersTab_ = std::make_unique<PlayersTab>(
      *engine_, files_, details_->selectedplayer,
      PlayersTabWidgets{u.DrawGrid2, u.Button1, u.Button3, u.Button4, u.Button9, u.Button23,
                        u.Button5, u.Button7, u.Button13, u.Button49, u.Edit3, u.CheckBox2,
                        u.PlayerNotice, u.TableAge, u.ReasonBox});
  playersTab_->SetReasonFile(DataPath(kReasonsFile));
  details_->onPlayerSelected = [this] { playersTab_->PlayerSelected(); };
  mapsTab_ = std::make_unique<MapsTab>(*engine_, MapsTabWidgets{u.ListBox2, u.Image1, u.Button11,
                                                                u.Button8, u.Button10, u.Button12});
  configTab_ = std::make_unique<ConfigTab>(*engine_, ConfigTabWidgets{u.ListBox3, u.Button22});
  consoleTab_ =
      std::make_unique<ConsoleTab>(*engine_, ConsoleTabWidgets{u.RichEdit1, u.Edit1, u.Button2});
  msgTimerTab_ = std::make_unique<MsgTimerTab>(
      *engine_, MsgTimerTabWidgets{u.Edit8, u.Edit9, u.Button50, u.Button51, u.Label28});
  adminTabs_.insert(adminTabs_.end(), {
                                          {kPageSpieler, playersTab_.get()},
                                          {kPageKarten, mapsTab_.get()},
                                          {kPageKonfig, configTab_.get()},
                                          {kPageKonsole, consoleTab_.get()},
                                          {kPageMsgTimer, msgTimerTab_.get()},
                                      });
  // Told in page order.
  std::stable_sort(adminTabs_.begin(), adminTabs_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

// --- start-up and shut-down ---------------------------------------------------------

void TForm1::FormCreate() {
  // 1. Data files must be writable.
  for (const std::string& message : MakeDataFilesWritable(DataDir()))
    ShowMessage(this, FromMessageBytes(message));
  // 2./3. Fresh view state, clock.
  layout_->closing = false;
  InitHiResClock();
  // The provider resolver takes its own copies of the country ranges and the
  // flag codes when it starts, so both are read before the threads start.
  engine_->SetCountryTables(LoadRanges(ReadablePath("Ranges.dat")),
                            LoadFlagCodes(ReadablePath("flags")));
  // The player history, opened off the main thread; what the servers send
  // before it is open waits for it.
  history_->Start(DataDir());
  // 4. Worker threads.
  if (!engine_->Start())
    ShowMessage(this, QStringLiteral("Die Netzwerk-Sockets konnten nicht angelegt werden."));
  // 5./6. The chart and the grids were set up with the window.
  LoadData();
  // 10. Address cache and flag pictures.
  engine_->Addresses().Clear();
  flagImages_.clear();
  flagImages_.reserve(engine_->FlagCodes().size());
  for (const Tflag& f : engine_->FlagCodes())
    flagImages_.emplace_back(QString::fromStdString(f.file));
  FormResize();
}

// 7.-9. Server list (with empty ping histories), remembered GUIDs, the
// start-up reset; the first server is selected. The list grid keeps its
// rows of creation until its first fit.
void TForm1::LoadData() {
  std::string error;
  Tserverlist list;
  if (!files_.LoadServers(list, &error)) ShowMessage(this, FromMessageBytes(error));
  list_->HoldFits(true);
  engine_->List().Replace(std::move(list));
  error.clear();
  if (!files_.LoadGuids(&error)) ShowMessage(this, FromMessageBytes(error));
  engine_->List().ApplyStartupReset();
  list_->HoldFits(false);
  TellUnusablePasswords();
  if (!engine_->List().Empty()) {
    engine_->Selected().SelectRow(0);
    FollowSelection(false);
  }
}

// Stored rcon passwords that break the rule are marked in the list and
// never sent; the operator is told once, at the start.
void TForm1::TellUnusablePasswords() {
  const std::vector<std::size_t> bad = EntriesWithUnusablePassword(engine_->List().Entries());
  if (bad.empty()) return;
  QString text = QStringLiteral(
      "Das gespeicherte rcon-Passwort dieser Server kann nicht benutzt werden; mit ihm wird "
      "nichts gesendet. Bitte unter \u201ercon Passwort ändern\u201c neu eingeben:");
  for (std::size_t i : bad) {
    const Tserverrec& e = engine_->List().At(i);
    text += QStringLiteral("\n%1:%2 – %3")
                .arg(FromCp1252(e.host.view()), FromCp1252(e.port.view()),
                     QString::fromStdString(StoredPasswordProblem(e)));
  }
  ShowMessage(this, text);
}

void TForm1::FormClose() {
  if (closeDone_) return;
  closeDone_ = true;
  try {
    layout_->closing = true;
    if (form10_) form10_->Closing();
    SetSkinning(false);
    engine_->Shutdown();
    std::string ignored;
    // A Servers.dat or Guids.dat that could not be read at start is left as
    // it is: the empty list in memory would replace the operator's data.
    files_.SaveServers(engine_->List().Entries(), &ignored);
    files_.SaveGuids(&ignored);
  } catch (...) {
    // Closing goes on whatever happens.
  }
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Now the frame is known: the window is moved in if it sticks out.
  if (!placedOnce_) {
    placedOnce_ = true;
    layout_->PlaceOnScreen(false, store_.Get(&Settings::aktive));
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) {
    if (isMinimized() && !minimized_) {
      minimized_ = true;
      engine_->Minimize();
    } else if (!isMinimized() && minimized_) {
      minimized_ = false;
      const std::string message = engine_->Restore();
      if (!message.empty()) ShowMessage(this, FromMessageBytes(message));
    }
  }
  QMainWindow::changeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->centralwidget && event->type() == QEvent::Resize) FormResize();
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize() {
  layout_->Apply(store_.Get(&Settings::aktive));
}

// --- server list and selection ------------------------------------------------------------

void TForm1::FitServerColumns(bool repaintNow) {
  list_->Fit(repaintNow);
}

int TForm1::HoverIndex() const {
  return list_->HoverIndex();
}

void TForm1::DrawGrid1Click() {
  engine_->Selected().SelectRow(ui->DrawGrid1->CurrentRow() - 1);
  FollowSelection(true);
}

void TForm1::DrawGrid1MouseUp(int col, int row) {
  list_->MouseUp();
  if (col == 0 || row < 1) return;
  // Releasing over a data row selects the row last hovered. It is a full
  // selection, whichever button it was and wherever the press was.
  if (list_->HoverIndex() != engine_->Selected().Index()) {
    ui->DrawGrid1->SelectRow(list_->HoverIndex() + 1);
    DrawGrid1Click();
  }
}

// The views follow the selected server's session: the detail grids, the
// chart and the game-type controls, the tabs (with the selection steps).
void TForm1::FollowSelection(bool steps) {
  ServerSession* session = engine_->SelectedSession();
  if (session != shown_.get() || !session) {
    shown_.Follow(session);
    shown_.Connect(&ServerSession::StatusChanged, this, [this] { ShowSelectedStatus(); });
    details_->Follow(session);
    ShowSelectedStatus();
    if (!session)
      for (const auto& [page, tab] : adminTabs_) tab->ServerGone();
  }
  if (session && steps) {
    try {
      SelectionSteps();
    } catch (...) {
      // The remaining steps are skipped; the grid is repainted anyway.
    }
  }
  list_->ShowSelection();
}

void TForm1::SelectionSteps() {
  const int index = engine_->Selected().Index();
  if (index < 0) return;
  const Settings& s = settings_.Get();
  engine_->Timer1().SetEnabled(false);
  engine_->SendGetStatus(index);
  engine_->List().MutableAt(static_cast<std::size_t>(index)).sendtime = HiResMs();
  engine_->Timer1().SetEnabled(s.sq);
  const Tserverrec& e = engine_->List().At(static_cast<std::size_t>(index));
  // Each tab's own part: requests for the page in front, its views.
  const int page = ui->PageControl1->currentIndex();
  for (const auto& [tabPage, tab] : adminTabs_) tab->ServerSelected(e, tabPage == page);
  ShowRconDependentViews(e);
}

// The selected server's last status: its chart and the game-type controls.
void TForm1::ShowSelectedStatus() {
  const ServerSession* s = shown_.get();
  const int index = engine_->Selected().Index();
  if (const Tserverrec* e = engine_->Selected().Entry()) ShowRconDependentViews(*e);
  if (index >= 0)
    chart_->Show(engine_->List().History(static_cast<std::size_t>(index)),
                 store_.Get(&Settings::aktive));
  if (!s || !s->HasStatus()) return;
  const std::string protocol = ServerVar(s->Vars(), "protocol");
  gameTypeTab_->GameTypeControls(protocol);
  gameSettingsTab_->GameTypeControls(protocol);
  gameTypeTab_->GameTypeLabel(ServerVar(s->Vars(), "g_gametype"));
}

// The notice of the profile page: no rcon password, or a game Zelmora does
// not know (its profiles are still offered).
void TForm1::ShowRconDependentViews(const Tserverrec& e) {
  const bool unknown = IsUnknownGame(e.protocol);
  if (e.rconpass.empty())
    ui->Label3->setText(
        QStringLiteral("Information: kein rcon Password für diesen Server angegeben!"));
  else if (unknown)
    ui->Label3->setText(QStringLiteral(
        "Information: Zelmora kennt dieses Spiel nicht; die Profile stehen trotzdem zur Wahl."));
  ui->Label3->setVisible(e.rconpass.empty() || unknown);
}

void TForm1::ShowServer(std::uint64_t uid) {
  if (!engine_->List().Find(uid)) return;
  engine_->Selected().Select(uid);
  FollowSelection(true);
}

void TForm1::DrawGrid1DblClick() {
  if (!form10_) return;
  // End the press here: a message box of the join would take the button's
  // release, and the list would stay frozen until the next one.
  list_->MouseUp();
  form10_->JoinSelectedServer();
  form10_->ResetWaitCaption();
}

void TForm1::NachPingaufsteigend1Click() {
  list_->SortByPing(true);
}

void TForm1::NachPingabsteigend1Click() {
  list_->SortByPing(false);
}

// After a list operation the selection may name another server (a deletion
// selects the one that followed) or none: the views follow it.
void TForm1::AfterListChange() {
  list_->MarkSort(-1, true);
  list_->AllChanged();
  FitServerColumns();
  const ServerSession* before = shown_.get();
  if (engine_->SelectedSession() != before || !before) FollowSelection(true);
}

// --- tabs ---------------------------------------------------------------------------------

void TForm1::PageControl1Change(int page) {
  const Tserverrec* e = engine_->Selected().Entry();
  engine_->OnPageChanged(page == kPageSpieler);
  if (!e) return;
  ShowRconDependentViews(*e);
  for (const auto& [tabPage, tab] : adminTabs_)
    if (tabPage == page) tab->PageShown(*e);
}

// --- MainWindowHooks -------------------------------------------------------------------------

void TForm1::SetChartAxis(bool automatic, int maximum) {
  chart_->SetAxis(automatic, maximum);
}

void TForm1::SetChartVisible(bool visible) {
  layout_->SetChartVisible(visible);
}

void TForm1::SetStartQuery(bool enabled) {
  engine_->Timer3().SetEnabled(enabled);
}

bool TForm1::ApplyQuerySettings(QueryTimers which) {
  QueryEngine::QueryTimers w = QueryEngine::QueryTimers::Both;
  if (which == QueryTimers::AllServers) w = QueryEngine::QueryTimers::AllServers;
  if (which == QueryTimers::Selected) w = QueryEngine::QueryTimers::Selected;
  const std::string message = engine_->ApplyQuerySettings(w);
  if (message.empty()) return true;
  ShowMessage(this, FromMessageBytes(message));
  return false;
}

void TForm1::SkinningChanged(bool on) {
  ApplyTabLook(on);
  RepaintGrids();
}

// The own look gives the tab bar compact tabs in a narrow face, so all ten
// fit the window's minimum width; without it the toolkit's standard look
// applies (it scrolls the tabs when they do not fit).
void TForm1::ApplyTabLook(bool own) {
  QTabBar* bar = ui->PageControl1->tabBar();
  if (!own) {
    ui->PageControl1->setStyleSheet(QString());
    bar->setFont(QFont());
    bar->setAttribute(Qt::WA_SetFont, false);
    return;
  }
  QFont tabFont = ui->PageControl1->font();
  tabFont.setPixelSize(11);
  tabFont.setStretch(QFont::Condensed);
  bar->setFont(tabFont);
  ui->PageControl1->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 4px; margin-right: 1px; border: 1px solid rgb(160, 170, 190);"
      " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
      " background: rgb(226, 232, 244); }"
      "QTabBar::tab:selected { background: rgb(255, 255, 255); }"
      "QTabBar::tab:hover:!selected { background: rgb(212, 222, 242); }"
      "QTabWidget::pane { border: 1px solid rgb(160, 170, 190); top: -1px; }"));
}

QIcon TForm1::InfoIconFor(InfoIcon which) const {
  static const int kIcons[] = {kIconCod2,    kIconPassword,  kIconRcon, kIconFriendlyFire,
                               kIconKillcam, kIconAnticheat, kIconVoice};
  if (which == InfoIcon::Flag) {
    for (const QImage& f : flagImages_)
      if (!f.isNull()) return QIcon(QPixmap::fromImage(f));
    return {};
  }
  return ImageList1Icon(kIcons[static_cast<int>(which)]);
}

void TForm1::RepaintGrids() {
  list_->Fit();
  details_->Repaint();
}

}  // namespace zelmora
