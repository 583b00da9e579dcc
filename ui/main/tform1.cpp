#include "ui/main/tform1.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCloseEvent>
#include <QGraphicsLayout>
#include <QGuiApplication>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "core/datafolder.h"
#include "core/guidlist.h"
#include "core/paths.h"
#include "core/serverfile.h"
#include "engine/clock.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "protocol/commands.h"
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
#include "ui/main/drawgrid.h"
#include "ui/main/gridmodels.h"
#include "ui/main/icons.h"
#include "ui/main/sorts.h"
#include "ui_tform1.h"

namespace zelmora {

namespace {

constexpr int kChartHeight = 89;
constexpr int kHeightWithChart = 655;
constexpr int kHeightWithoutChart = 572;
constexpr int kMinPanel1 = 30;
// The server list is repainted at most this often while replies stream in.
constexpr int kListRepaintMs = 40;
// Points drawn at most: about two per pixel of the widest chart.
constexpr int kMaxChartPoints = 2000;
const QColor kChartBack(212, 222, 242);
const QColor kChartPanel(213, 222, 242);
const QColor kSeriesColor(128, 128, 255);

enum Page {
  kPageServerinfo = 0,
  kPageSpieler = 1,
  kPageKarten = 2,
  kPageWaffen = 3,
  kPageSonstiges = 6,
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
      listPainter_(state_, [this]() -> const Settings& { return settings_.Get(); }),
      detailPainter_(state_, [this]() -> const Settings& { return settings_.Get(); }) {
  ui->setupUi(this);
  listPainter_.SetFlagImages(&flagImages_);
  detailPainter_.SetFlagImages(&flagImages_);
  engine_ = std::make_unique<QueryEngine>(state_, store_, *this, this);
  listRepaint_ = new QTimer(this);
  listRepaint_->setSingleShot(true);
  listRepaint_->setInterval(kListRepaintMs);
  connect(listRepaint_, &QTimer::timeout, this, [this] { ui->DrawGrid1->Repaint(); });

  SetUpGrids();
  SetUpMenus();
  SetUpCvarTabs();
  SetUpAdminTabs();
  ui->centralwidget->installEventFilter(this);
  ui->PageControl1->setCornerWidget(ui->Button6, Qt::TopRightCorner);
  ui->Button6->setVisible(false);
  connect(ui->Button6, &QPushButton::clicked, this, [this] { engine_->Button6Click(); });
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
          fitter_.InvalidateAll();
          RepaintGrids();
        },
        Qt::QueuedConnection);
  });

  PlaceOnScreen(true);
  FormCreate();
}

TForm1::~TForm1() {
  // A window that goes away without having been closed (the application
  // quit some other way) still shuts down and saves like a close.
  FormClose();
  // The tabs before the queue they use.
  adminTabs_.clear();
  customVarsTab_.reset();
  weaponsTab_.reset();
  gameSettingsTab_.reset();
  gameTypeTab_.reset();
  varQueue_.reset();
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
  GuidsFileProtected(this, state_);
  form18_->Open();
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
      return ChangeRconPassword(form17_, state_, password);
    };
  }
}

std::string TForm1::ServersPath() const {
  return DataPath("Servers.dat");
}

// --- set-up ------------------------------------------------------------------------

void TForm1::SetUpGrids() {
  DrawGrid* g1 = ui->DrawGrid1;
  auto settings = [this]() -> const Settings& { return settings_.Get(); };
  g1->SetDataModel(new ServerListModel(state_, settings, g1));
  g1->Setup(kServerColumns, true);
  QFont f = g1->font();
  f.setPixelSize(11);
  for (DrawGrid* g : {ui->DrawGrid1, ui->DrawGrid2, ui->DrawGrid3, ui->DrawGrid4}) g->setFont(f);
  g1->SetRowCount(7);
  g1->SetDrawCell([this, g1](QPainter& p, int c, int r, const QRect& rect) {
    listPainter_.DrawGrid1DrawCell(p, g1->palette(), c, r, rect);
  });
  g1->onMouseDown = [this](int c, int r, Qt::MouseButton) { DrawGrid1MouseDown(c, r); };
  g1->onMouseMove = [this](int c, int r, Qt::MouseButton) { DrawGrid1MouseMove(c, r); };
  g1->onMouseUp = [this](int c, int r, Qt::MouseButton) { DrawGrid1MouseUp(c, r); };
  g1->onClick = [this] { DrawGrid1Click(); };
  g1->onDoubleClick = [this] { DrawGrid1DblClick(); };
  g1->onRowMoved = [this](int from, int to) { DrawGrid1RowMoved(from, to); };
  g1->onPopup = [this](const QPoint& at, int) { popup1_->popup(at); };
  // Enter joins the server on the current row, as a double click does.
  g1->onActivate = [this] { DrawGrid1DblClick(); };
  g1->SetHeaderSorts([this](int col) { SortServerList(col); });

  auto detail = [](DrawGrid* g, DrawGridModel* model, int cols, const int* widths, bool range) {
    g->SetDataModel(model);
    g->Setup(cols, false);
    g->SetSortableInView(kSortRole);
    g->SetColumnsResizable(true);
    g->SetRowCount(7);
    for (int c = 0; c < cols; ++c) g->SetColWidth(c, widths[c]);
    g->setSelectionMode(range ? QAbstractItemView::ContiguousSelection
                              : QAbstractItemView::SingleSelection);
  };
  DrawGrid* g2 = ui->DrawGrid2;
  DrawGrid* g3 = ui->DrawGrid3;
  DrawGrid* g4 = ui->DrawGrid4;
  detail(g3, new ServerVarsModel(state_, g3), 2, kGrid3Widths, false);
  detail(g4, new PlayerRowsModel(state_, g4), 3, kGrid4Widths, true);
  detail(g2, new StatusRowsModel(state_, g2), 9, kGrid2Widths, true);
  g3->SetDrawCell([this, g3](QPainter& p, int c, int r, const QRect& rect) {
    detailPainter_.DrawGrid3DrawCell(p, g3->palette(), c, r, rect);
  });
  g4->SetDrawCell([this, g4](QPainter& p, int c, int r, const QRect& rect) {
    detailPainter_.DrawGrid4DrawCell(p, g4->palette(), c, r, rect);
  });
  g2->SetDrawCell([this, g2](QPainter& p, int c, int r, const QRect& rect) {
    detailPainter_.DrawGrid2DrawCell(p, g2->palette(), c, r, rect);
  });
  g2->onMouseUp = [this](int, int r, Qt::MouseButton) { DrawGrid2MouseUp(r); };
  g2->onClick = [this, g2] {
    detailPainter_.selectedplayer = g2->SelectionTop() - 1;
    playersTab_->PlayerSelected();
  };
  // The popup items act on the row the menu was opened for.
  g3->onPopup = [this](const QPoint& at, int row) {
    popupRow3_ = row;
    popup3_->popup(at);
  };
  g4->onPopup = [this](const QPoint& at, int row) {
    popupRow4_ = row;
    popup4_->popup(at);
  };
  g2->onPopup = [this](const QPoint& at, int row) {
    popupRow2_ = row;
    popup2_->popup(at);
  };
  // The ping chart is a picture: no stop for the keyboard.
  ui->Chart1->setFocusPolicy(Qt::NoFocus);
}

// A click on a column's header of the server list sorts the list by that
// column, the same column again the other way round. The list itself is
// reordered (as the ping sorts do), and the selection stays with its
// server: it moves to that server's new row.
void TForm1::SortServerList(int col) {
  const bool again = col == sortColumn_;
  sortAscending_ = again ? !sortAscending_ : true;
  sortColumn_ = col;
  const std::uint64_t keep = state_.SelectedUid();
  auto* model = ui->DrawGrid1->DataModel();
  std::vector<std::size_t> order(state_.serverlist.size());
  std::vector<QVariant> keys(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
    keys[i] = col == 0 ? model->headerData(static_cast<int>(i), Qt::Vertical, kSortRole)
                       : model->data(model->index(static_cast<int>(i), col - 1), kSortRole);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const QPartialOrdering c = QVariant::compare(keys[a], keys[b]);
    return sortAscending_ ? c == QPartialOrdering::Less : c == QPartialOrdering::Greater;
  });
  Tserverlist list;
  tpingarray histories;
  list.reserve(order.size());
  state_.pingHistory.resize(state_.serverlist.size());
  for (std::size_t i : order) {
    list.push_back(state_.serverlist[i]);
    histories.push_back(std::move(state_.pingHistory[i]));
  }
  state_.serverlist = std::move(list);
  state_.pingHistory = std::move(histories);
  state_.ServerListChanged();
  const int index = state_.IndexOf(keep);
  if (index >= 0) {
    state_.selected = index;
    ui->DrawGrid1->SelectRow(index + 1);
  }
  MarkSort(col, sortAscending_);
  fitter_.InvalidateAll();
  FitServerColumns();
  SelectionFollowsList();
}

void TForm1::SetUpMenus() {
  connect(ui->Einstellungen1, &QAction::triggered, this, &TForm1::Einstellungen1Click);
  connect(ui->Serverjoinen1, &QAction::triggered, this, &TForm1::Serverjoinen1Click);
  connect(ui->Serverhinzufgen1, &QAction::triggered, this, &TForm1::Serverhinzufgen1Click);
  connect(ui->Servereditieren1, &QAction::triggered, this, &TForm1::Servereditieren1Click);
  connect(ui->Serverlschen2, &QAction::triggered, this, &TForm1::Serverlschen2Click);
  connect(ui->Listeleeren1, &QAction::triggered, this, &TForm1::Listeleeren1Click);
  connect(ui->NachPingaufsteigend1, &QAction::triggered, this, &TForm1::NachPingaufsteigend1Click);
  connect(ui->NachPingabsteigend1, &QAction::triggered, this, &TForm1::NachPingabsteigend1Click);
  connect(ui->Serverpasswortndern1, &QAction::triggered, this, &TForm1::Serverpasswortndern1Click);
  connect(ui->rconPasswortndern1, &QAction::triggered, this, &TForm1::rconPasswortndern1Click);

  // Popup menu of the server list.
  // Keys: the action is the menu's, the key works where the list has the
  // focus (a line edit keeps its own Delete).
  ui->Serverhinzufgen1->setShortcut(QKeySequence::New);
  ui->Serverlschen2->setShortcut(QKeySequence::Delete);
  ui->Serverlschen2->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  ui->DrawGrid1->addAction(ui->Serverlschen2);
  ui->Abfragen1->setShortcut(QKeySequence::Refresh);
  connect(ui->Abfragen1, &QAction::triggered, this, &TForm1::Abfragen1Click);

  popup1_ = new QMenu(this);
  popup1_->setObjectName(QStringLiteral("PopupMenu1"));
  auto add = [](QMenu* menu, const char* name, const QString& text, bool enabled) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    return a;
  };
  // Joining comes with its window; until then its item is shown disabled.
  serverbetreten1_ = add(popup1_, "Serverbetreten1", QStringLiteral("Server &betreten"), false);
  connect(serverbetreten1_, &QAction::triggered, this, &TForm1::Serverbetreten1Click);
  connect(add(popup1_, "Serverhinzufgen2", QStringLiteral("Server &hinzufügen"), true),
          &QAction::triggered, this, &TForm1::Serverhinzufgen2Click);
  connect(add(popup1_, "Servereditieren2", QStringLiteral("Server &editieren"), true),
          &QAction::triggered, this, &TForm1::Servereditieren2Click);
  connect(add(popup1_, "Serverlschen1", QStringLiteral("Server &löschen"), true),
          &QAction::triggered, this, &TForm1::Serverlschen1Click);
  connect(add(popup1_, "IPPortindieZwischenablage1",
              QStringLiteral("&IP:Port in die Zwischenablage"), true),
          &QAction::triggered, this, &TForm1::IPPortindieZwischenablage1Click);
  connect(add(popup1_, "Serverpasswortndern2",
              QStringLiteral("Server&passwort ändern (auf dem Server)"), true),
          &QAction::triggered, this, &TForm1::Serverpasswortndern1Click);
  connect(add(popup1_, "rconPasswortndern2", QStringLiteral("r&con Passwort ändern (im Programm)"),
              true),
          &QAction::triggered, this, &TForm1::rconPasswortndern1Click);

  // Copying what is selected, in every grid's menu (Ctrl+C in the grid).
  auto addCopy = [this](QMenu* menu, DrawGrid* grid, const char* name) {
    QAction* copy = menu->addAction(QStringLiteral("Markierte Zeilen &kopieren"));
    copy->setObjectName(QString::fromLatin1(name));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, grid, &DrawGrid::CopySelection);
  };
  addCopy(popup1_, ui->DrawGrid1, "Kopieren1");

  popup3_ = new QMenu(this);
  popup3_->setObjectName(QStringLiteral("PopupMenu3"));
  connect(add(popup3_, "VariableninhaltZwischenablage1",
              QStringLiteral("&Variableninhalt in die Zwischenablage"), true),
          &QAction::triggered, this, &TForm1::VariableninhaltZwischenablage1Click);
  addCopy(popup3_, ui->DrawGrid3, "Kopieren3");
  popup4_ = new QMenu(this);
  popup4_->setObjectName(QStringLiteral("PopupMenu4"));
  connect(add(popup4_, "SpielernameindieZwischenablage1",
              QStringLiteral("&Spielername in die Zwischenablage"), true),
          &QAction::triggered, this, &TForm1::SpielernameindieZwischenablage1Click);
  addCopy(popup4_, ui->DrawGrid4, "Kopieren4");
  popup2_ = new QMenu(this);
  popup2_->setObjectName(QStringLiteral("PopupMenu2"));
  connect(add(popup2_, "SpielernameindieZwischenablage2",
              QStringLiteral("&Spielername in die Zwischenablage"), true),
          &QAction::triggered, this, &TForm1::SpielernameindieZwischenablage2Click);
  connect(add(popup2_, "IPindieZwischenablage1", QStringLiteral("&IP in die Zwischenablage"), true),
          &QAction::triggered, this, &TForm1::IPindieZwischenablage1Click);
  connect(
      add(popup2_, "guidindieZwischenablage1", QStringLiteral("&GUID in die Zwischenablage"), true),
      &QAction::triggered, this, &TForm1::guidindieZwischenablage1Click);
  addCopy(popup2_, ui->DrawGrid2, "Kopieren2");
}

void TForm1::SetUpAdminTabs() {
  Ui::TForm1& u = *ui;
  playersTab_ = std::make_unique<PlayersTab>(
      state_, *engine_, detailPainter_.selectedplayer,
      PlayersTabWidgets{u.DrawGrid2, u.Button1, u.Button3, u.Button4, u.Button9, u.Button23,
                        u.Button5, u.Button7, u.Button13, u.Button49, u.Edit3, u.CheckBox2,
                        u.PlayerNotice, u.TableAge});
  mapsTab_ = std::make_unique<MapsTab>(
      state_, *engine_,
      MapsTabWidgets{u.ListBox2, u.Image1, u.Button11, u.Button8, u.Button10, u.Button12});
  configTab_ =
      std::make_unique<ConfigTab>(state_, *engine_, ConfigTabWidgets{u.ListBox3, u.Button22});
  consoleTab_ = std::make_unique<ConsoleTab>(state_, *engine_,
                                             ConsoleTabWidgets{u.RichEdit1, u.Edit1, u.Button2});
  msgTimerTab_ = std::make_unique<MsgTimerTab>(
      state_, *engine_, MsgTimerTabWidgets{u.Edit8, u.Edit9, u.Button50, u.Button51, u.Label28});
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

void TForm1::SetUpChart() {
  // The view comes with its own chart; using it leaves nothing unowned.
  chart_ = ui->Chart1->chart();
  chart_->legend()->hide();
  chart_->setTitle(QString());
  chart_->setMargins(QMargins(0, 0, 0, 0));
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  chart_->setBackgroundRoundness(0);
  chart_->setBackgroundBrush(kChartPanel);
  chart_->setPlotAreaBackgroundBrush(kChartBack);
  chart_->setPlotAreaBackgroundVisible(true);
  chart_->setAnimationOptions(QChart::NoAnimation);
  axisY_ = new QValueAxis(chart_);
  // Whole milliseconds with thousands grouping ("1.500"): localised labels
  // need an explicit precision in the format, or Qt Charts draws none.
  chart_->setLocalizeNumbers(true);
  chart_->setLocale(QLocale(QLocale::German, QLocale::Germany));
  axisY_->setLabelFormat(QStringLiteral("%.0i"));
  QFont af = axisY_->labelsFont();
  af.setPixelSize(9);
  axisY_->setLabelsFont(af);
  axisY_->setTickCount(3);
  axisY_->setGridLineColor(QColor(180, 190, 215));
  axisY_->setRange(0, axisMax_);
  axisX_ = new QValueAxis(chart_);
  axisX_->setVisible(false);
  axisX_->setLabelsVisible(false);
  chart_->addAxis(axisY_, Qt::AlignLeft);
  chart_->addAxis(axisX_, Qt::AlignBottom);
  // No antialiasing: the filled area is drawn at every reply of the selected
  // server, and an antialiased fill of a long history costs the main thread
  // tens of milliseconds each time (a plain fill well under one).
  ui->Chart1->setRenderHint(QPainter::Antialiasing, false);
  ui->Chart1->setFrameShape(QFrame::NoFrame);
  ui->Chart1->setBackgroundBrush(kChartPanel);
  ui->Chart1->setInteractive(false);
}

// --- start-up and shut-down ---------------------------------------------------------

void TForm1::FormCreate() {
  // 1. Data files must be writable.
  for (const std::string& message : MakeDataFilesWritable(DataDir()))
    ShowMessage(this, FromMessageBytes(message));

  // 2. Fresh view state.
  state_.closing = false;
  state_.pendingActions.clear();

  // 3. Clock.
  InitHiResClock();

  // The provider resolver takes its own copies of the country ranges and the
  // flag codes when it starts, so both are read before the threads start
  // (the flag pictures and the address cache still follow in the last step).
  state_.flagCodes = LoadFlagCodes(ReadablePath("flags"));
  state_.ranges = LoadRanges(ReadablePath("Ranges.dat"));

  // 4. Worker threads.
  if (!engine_->Start())
    ShowMessage(this, QStringLiteral("Die Netzwerk-Sockets konnten nicht angelegt werden."));

  // 5. Chart with its (empty) area series.
  SetUpChart();
  ChartRebuild(0);

  // 6. Column widths of the detail grids were set with the grids.

  // 7. Server list, ping histories, remembered GUIDs.
  std::string error;
  const bool loaded = LoadServers(ServersPath(), state_.serverlist, &error);
  state_.ServerListChanged();
  if (!loaded) {
    state_.serversUnreadable = true;
    ShowMessage(this, FromMessageBytes(error));
  }
  state_.pingHistory.assign(state_.serverlist.size(), tpingit{});
  error.clear();
  if (!LoadGuids(DataPath("Guids.dat"), state_.guidlist, &error)) {
    state_.guidsUnreadable = true;
    ShowMessage(this, FromMessageBytes(error));
  }

  // 8. Start-up status reset.
  ApplyStartupReset(state_.serverlist);

  // 9. First server is target and selection.
  if (!state_.serverlist.empty()) {
    engine_->SetTarget(state_.serverlist[0].port.view(), state_.serverlist[0].host.view());
    state_.selected = 0;
    selectedUid_ = state_.serverlist[0].uid;
    ui->DrawGrid1->SelectRow(1);
  }

  // 10. Address cache and flag pictures.
  state_.addrcache.clear();
  flagImages_.clear();
  flagImages_.reserve(state_.flagCodes.size());
  for (const Tflag& f : state_.flagCodes) flagImages_.emplace_back(QString::fromStdString(f.file));
  FormResize();
}

void TForm1::FormClose() {
  if (closeDone_) return;
  closeDone_ = true;
  try {
    state_.closing = true;
    SetSkinning(false);
    engine_->Shutdown();
    std::string ignored;
    // A Servers.dat or Guids.dat that could not be read at start is left as
    // it is: the empty list in memory would replace the operator's data.
    if (!state_.serversUnreadable) SaveServers(ServersPath(), state_.serverlist, &ignored);
    if (!state_.guidsUnreadable) SaveGuids(DataPath("Guids.dat"), state_.guidlist, &ignored);
  } catch (...) {
    // Closing goes on whatever happens.
  }
}

// The window's frame around the client area: what the window system says
// once the window is shown, a usual title bar and border before.
QSize TForm1::FrameExtra() const {
  const QSize extra = frameGeometry().size() - geometry().size();
  if (isVisible() && extra.width() >= 0 && extra.height() > 0) return extra;
  return {16, 40};
}

// What the client area may take of the screen the window is on.
QSize TForm1::Room() const {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return {791, kHeightWithChart};
  return (s->availableGeometry().size() - FrameExtra()).expandedTo(QSize(320, 240));
}

// The designed size where the screen has room for it, smaller where it has
// not (a small screen, a large scale factor), and the whole window, frame
// included, inside the screen's available area: centred at the start, moved
// in when it sticks out later.
void TForm1::PlaceOnScreen(bool centre) {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  const QSize room = Room();
  const bool chart = store_.Get(&Settings::aktive);
  setMinimumSize(QSize(784, chart ? kHeightWithChart : kHeightWithoutChart).boundedTo(room));
  if (centre) resize(QSize(791, chart ? kHeightWithChart : kHeightWithoutChart).boundedTo(room));
  resize(size().boundedTo(room));
  QRect outer(centre ? QPoint(0, 0) : frameGeometry().topLeft(), size() + FrameExtra());
  if (centre) outer.moveCenter(area.center());
  if (outer.right() > area.right()) outer.moveRight(area.right());
  if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
  if (outer.left() < area.left()) outer.moveLeft(area.left());
  if (outer.top() < area.top()) outer.moveTop(area.top());
  move(outer.topLeft());
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Now the frame is known: the window is moved in if it sticks out.
  if (!placedOnce_) {
    placedOnce_ = true;
    PlaceOnScreen(false);
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
  const QSize client = ui->centralwidget->size();
  if (!state_.closing) {
    if (store_.Get(&Settings::aktive)) {
      ui->Chart1->setVisible(true);
      ui->Panel3->setGeometry(0, 0, client.width(), client.height() - kChartHeight);
      ui->Chart1->setGeometry(0, client.height() - kChartHeight, client.width(), kChartHeight);
    } else {
      ui->Chart1->setVisible(false);
      ui->Panel3->setGeometry(0, 0, client.width(), client.height());
    }
  }
  if (ui->Panel1->height() < kMinPanel1) {
    const QList<int> sizes = ui->Splitter1->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    ui->Splitter1->setSizes({kMinPanel1, std::max(0, total - kMinPanel1)});
  }
}

// --- server list -------------------------------------------------------------------

void TForm1::FitServerColumns(bool repaintNow) {
  DrawGrid* g = ui->DrawGrid1;
  fitter_.SetFont(g->font());
  const auto widths = fitter_.Fit(state_.serverlist, IconOptionsFrom(settings_.Get()));
  for (int c = 0; c < kServerColumns; ++c) g->SetColWidth(c, widths[static_cast<size_t>(c)]);
  g->SetRowCount(static_cast<int>(state_.serverlist.size()) + 1);
  if (repaintNow) {
    listRepaint_->stop();
    g->Repaint();
  } else if (!listRepaint_->isActive()) {
    // Replies of a sweep come by the thousand: the list is painted at most
    // every kListRepaintMs, with every reply that came meanwhile.
    listRepaint_->start();
  }
}

void TForm1::DrawGrid1Click() {
  state_.selected = -1;
  const int row = ui->DrawGrid1->SelectionTop();
  if (row > 0) state_.selected = row - 1;
  // A different server (not a different row: sorts and deletions move
  // servers under the selection) ends what belonged to the one before;
  // clicking the selected one again does not.
  if (state_.SelectedUid() != selectedUid_) AnotherServer();
  if (state_.selected != -1) {
    try {
      SelectionSteps();
    } catch (...) {
      // The remaining steps are skipped; the grid is repainted anyway.
    }
  }
  ui->DrawGrid1->Repaint();
}

void TForm1::SelectionSteps() {
  // A row without an entry selects nothing to act on.
  if (!state_.SelectedValid()) return;
  const auto index = static_cast<size_t>(state_.selected);
  const Settings& s = settings_.Get();
  {
    const Tserverrec& e = state_.serverlist[index];
    engine_->SetTarget(e.port.view(), e.host.view());
  }
  engine_->Timer1().SetEnabled(false);
  engine_->SendGetStatus(state_.selected);
  state_.serverlist[index].sendtime = HiResMs();

  const Tserverrec& e = state_.serverlist[index];
  const bool rcon = !e.rconpass.empty();
  if (!rcon) {
    ui->DrawGrid2->SetRowCount(1);
    state_.statusRows.clear();
    state_.statusRowsView.clear();
    if (!state_.HasPendingActions(e.uid)) state_.CancelStatusPolls(e.uid);
  }
  ui->DrawGrid4->SetRowCount(1);
  ui->DrawGrid3->SetRowCount(1);
  engine_->Timer1().SetEnabled(s.sq);

  // Each tab's own part: requests for the page in front, lists emptied.
  const int page = ui->PageControl1->currentIndex();
  for (const auto& [tabPage, tab] : adminTabs_)
    tab->ServerSelected(state_.serverlist[index], tabPage == page);
  ShowRconDependentViews(state_.serverlist[index]);
}

void TForm1::ShowRconDependentViews(const Tserverrec& e) {
  ui->Label3->setVisible(e.rconpass.empty());
}

void TForm1::DrawGrid1MouseDown(int, int) {
  // Take the picture first: while the flag is set the cells draw nothing.
  ui->DrawGrid1->Freeze();
  listPainter_.dragFlag = true;
}

void TForm1::DrawGrid1MouseMove(int col, int row) {
  ui->DrawGrid1->viewport()->setCursor(col == 0 ? Qt::SplitVCursor : Qt::ArrowCursor);
  if (row >= 1) hover1_ = row - 1;
}

void TForm1::DrawGrid1MouseUp(int col, int row) {
  listPainter_.dragFlag = false;
  ui->DrawGrid1->Thaw();
  if (col != 0 && row >= 1) {
    // Releasing over a data row selects the row last hovered. It is a full
    // selection (the highlighted row, the target, the rcon password and the
    // detail views move together), whichever button it was and wherever the
    // press was; releasing over the header or the fixed column selects
    // nothing new.
    if (hover1_ != state_.selected) {
      ui->DrawGrid1->SelectRow(hover1_ + 1);
      DrawGrid1Click();
    }
    ui->DrawGrid1->Repaint();
    QCoreApplication::processEvents();
  }
}

void TForm1::DrawGrid1RowMoved(int fromIndex, int toIndex) {
  TSortsArray(state_.serverlist, state_.pingHistory).Exchange(fromIndex - 1, toIndex - 1);
  MarkSort(-1, true);
  state_.ServerListChanged();
  fitter_.InvalidateEntry(fromIndex - 1);
  fitter_.InvalidateEntry(toIndex - 1);
  listPainter_.dragFlag = false;
  ui->DrawGrid1->Thaw();
  SelectionFollowsList();
}

void TForm1::DrawGrid1DblClick() {
  if (!form10_) return;
  // End the press here: a message box of the join would take the button's
  // release, and the list would stay frozen until the next one.
  listPainter_.dragFlag = false;
  ui->DrawGrid1->Thaw();
  form10_->JoinSelectedServer();
  form10_->ResetWaitCaption();
}

void TForm1::NachPingaufsteigend1Click() {
  SortServersByPing(state_.serverlist, state_.pingHistory, true);
  MarkSort(static_cast<int>(ServerColumn::Ping), true);
  state_.ServerListChanged();
  fitter_.InvalidateAll();
  ui->DrawGrid1->Repaint();
  SelectionFollowsList();
}

void TForm1::NachPingabsteigend1Click() {
  SortServersByPing(state_.serverlist, state_.pingHistory, false);
  MarkSort(static_cast<int>(ServerColumn::Ping), false);
  state_.ServerListChanged();
  fitter_.InvalidateAll();
  ui->DrawGrid1->Repaint();
  SelectionFollowsList();
}

// The selection stays on its row when the list changes under it (a sort, an
// exchange, a deletion, an edit that moves the entry to the end), so the row
// may now hold another server. Then that server is selected as a click on
// the row would select it: the highlighted row, the target, the password
// every rcon command carries and the detail views are one entry again, and
// nothing meant for the old server reaches the new one.
void TForm1::SelectionFollowsList() {
  if (!state_.SelectedValid()) {
    // No entry at the selected row any more: nothing is sent (the senders
    // need an entry), and the views of the server that is gone are emptied.
    if (selectedUid_ != 0) AnotherServer();
    ui->DrawGrid3->SetRowCount(1);
    ui->DrawGrid4->SetRowCount(1);
    ui->ListBox2->clear();
    ui->ListBox3->clear();
    return;
  }
  if (state_.SelectedUid() == selectedUid_) return;
  ui->DrawGrid1->SelectRow(state_.selected + 1);
  DrawGrid1Click();
}

// The entry on the selected row is another one than before. What the
// operator started for the one before stays with it (writes, kicks), but
// what only fed its views ends: its reads are dropped, the message timer
// stops, and the player grid is empty until the new server's own table is
// there, so no player button can act on the old table's numbers.
void TForm1::AnotherServer() {
  const std::uint64_t before = selectedUid_;
  selectedUid_ = state_.SelectedUid();
  msgTimerTab_->Button51Click();
  state_.statusRows.clear();
  state_.statusRowsView.clear();
  state_.statusRowsServer = 0;
  detailPainter_.selectedplayer = -1;
  ui->DrawGrid2->SetRowCount(1);
  ui->DrawGrid2->Repaint();
  playersTab_->PlayerSelected();
  if (before == 0) return;
  engine_->DropReadsOf(before);
  varQueue_->DropReadsOf(before);
  if (state_.deferredServer == before) {
    state_.deferredCommand.clear();
    state_.deferredServer = 0;
  }
  // Its table is still asked for while a kick of it waits.
  if (!state_.HasPendingActions(before)) state_.CancelStatusPolls(before);
}

// --- detail grids --------------------------------------------------------------------

void TForm1::DrawGrid2MouseUp(int row) {
  // The row under the pointer at the release becomes the selected player.
  if (row >= 1) detailPainter_.selectedplayer = row - 1;
  playersTab_->PlayerSelected();
  ui->DrawGrid2->Repaint();
  QCoreApplication::processEvents();
}

namespace {
// The grid row a popup item acts on: the one the menu was opened for, else
// the grid's current row.
int PopupElement(int popupRow, const DrawGrid* grid) {
  const int row = popupRow > 0 ? popupRow : grid->SelectionTop();
  return row - 1;
}
void ToClipboard(const std::string& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(FromCp1252(text));
}
}  // namespace

void TForm1::VariableninhaltZwischenablage1Click() {
  ToClipboard(VariableValueAt(state_, PopupElement(popupRow3_, ui->DrawGrid3)));
}
void TForm1::SpielernameindieZwischenablage1Click() {
  ToClipboard(PlayerNameAt(state_, PopupElement(popupRow4_, ui->DrawGrid4)));
}
void TForm1::SpielernameindieZwischenablage2Click() {
  ToClipboard(StatusNameAt(state_, PopupElement(popupRow2_, ui->DrawGrid2)));
}
void TForm1::IPindieZwischenablage1Click() {
  ToClipboard(StatusIpAt(state_, PopupElement(popupRow2_, ui->DrawGrid2)));
}
void TForm1::guidindieZwischenablage1Click() {
  ToClipboard(StatusGuidAt(state_, PopupElement(popupRow2_, ui->DrawGrid2)));
}

// --- tabs and list menu ------------------------------------------------------------------

void TForm1::PageControl1Change(int page) {
  if (!state_.SelectedValid()) return;
  const Tserverrec& e = state_.serverlist[static_cast<size_t>(state_.selected)];
  ShowRconDependentViews(e);
  for (const auto& [tabPage, tab] : adminTabs_)
    if (tabPage == page) tab->PageShown(e);
  engine_->OnPageChanged(page == kPageSpieler);
}

// The header's arrow says how the list is ordered, until an entry is added,
// removed or dragged elsewhere.
void TForm1::MarkSort(int col, bool ascending) {
  sortColumn_ = col;
  sortAscending_ = ascending;
  ui->DrawGrid1->ShowSortMark(col, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TForm1::AfterListChange() {
  MarkSort(-1, true);
  fitter_.InvalidateAll();
  FitServerColumns();
  SelectionFollowsList();
}

void TForm1::Serverhinzufgen1Click() {
  if (!form4_) return;
  form4_->AddServerClick();
  AfterListChange();
}

void TForm1::Servereditieren1Click() {
  if (!form4_) return;
  form4_->EditServerClick();
  AfterListChange();
}

void TForm1::Serverlschen1Click() {
  DeleteSelectedServer(this, state_, ServersPath());
  AfterListChange();
}

// The same commands from the other menu.
void TForm1::Serverhinzufgen2Click() {
  Serverhinzufgen1Click();
}
void TForm1::Servereditieren2Click() {
  Servereditieren1Click();
}
void TForm1::Serverlschen2Click() {
  Serverlschen1Click();
}

void TForm1::Listeleeren1Click() {
  ClearServerList(this, state_, ServersPath());
  AfterListChange();
}

void TForm1::IPPortindieZwischenablage1Click() {
  CopySelectedServerAddress(state_, nullptr);
}

void TForm1::Einstellungen1Click() {
  if (form3_) form3_->exec();
}

void TForm1::Serverjoinen1Click() {
  if (form10_) form10_->JoinSelectedServer();
}

void TForm1::Serverbetreten1Click() {
  Serverjoinen1Click();
}

void TForm1::Abfragen1Click() {
  // Every server now, the selected one too (and its player table on the
  // players page).
  engine_->Button6Click();
  engine_->Timer1Timer();
}

void TForm1::Serverpasswortndern1Click() {
  if (!form16_ || !state_.SelectedValid()) return;
  form16_->Open(state_.serverlist[static_cast<size_t>(state_.selected)]);
}

void TForm1::rconPasswortndern1Click() {
  if (!form17_ || !state_.SelectedValid()) return;
  const int index = state_.selected;
  const std::string before = state_.serverlist[static_cast<size_t>(index)].rconpass.str();
  if (!form17_->Open(state_.serverlist[static_cast<size_t>(index)])) return;
  if (!state_.SelectedValid() || state_.serverlist[static_cast<size_t>(index)].rconpass == before)
    return;
  // The views that depend on the password follow at once: rcon icon and
  // column width, player grid and notices. Nothing is sent: the next poll
  // or action of the operator uses the new password.
  fitter_.InvalidateEntry(index);
  FitServerColumns();
  const Tserverrec& e = state_.serverlist[static_cast<size_t>(index)];
  if (e.rconpass.empty()) {
    state_.statusRows.clear();
    state_.statusRowsView.clear();
    ui->DrawGrid2->SetRowCount(1);
    if (!state_.HasPendingActions(e.uid)) state_.CancelStatusPolls(e.uid);
  }
  ShowRconDependentViews(e);
  playersTab_->PageShown(e);
  ui->DrawGrid1->Repaint();
}

// --- EngineView ----------------------------------------------------------------------------

void TForm1::ConsoleShow(const std::vector<std::string>& lines) {
  consoleTab_->ConsoleShow(lines);
}

void TForm1::ConsoleNote(const std::string& line) {
  consoleTab_->ConsoleNote(line);
}

void TForm1::MapListShow(const std::vector<std::string>& maps, int chosen) {
  mapsTab_->MapListShow(maps, chosen);
}

void TForm1::MapPictureShow(const std::string& path) {
  mapsTab_->MapPictureShow(path);
}

void TForm1::ConfigListAppend(const std::vector<std::string>& files) {
  configTab_->ConfigListAppend(files);
}

int TForm1::ChartPointCount() {
  return chartPoints_;
}

// The series shows a history of up to kMaxChartPoints samples point for
// point; a longer one is drawn with one point per group of samples (the
// highest of the group, so no spike is lost), so that plotting the target's
// reply stays cheap whatever "Datenmenge" says.
void TForm1::ChartRebuild(int points) {
  if (!chart_) return;
  chartPoints_ = std::max(0, points);
  const int shown = std::min(chartPoints_, kMaxChartPoints);
  chart_->removeAllSeries();
  // The area series does not own its line; the chart owns the current one.
  delete upper_;
  upper_ = new QLineSeries(chart_);
  QList<QPointF> zeros;
  zeros.reserve(shown);
  for (int i = 0; i < shown; ++i) zeros.append(QPointF(i, 0));
  upper_->replace(zeros);
  series_ = new QAreaSeries(upper_);
  series_->setColor(kSeriesColor);
  series_->setBorderColor(kSeriesColor);
  series_->setPen(Qt::NoPen);
  series_->setBrush(kSeriesColor);
  chart_->addSeries(series_);
  series_->attachAxis(axisX_);
  series_->attachAxis(axisY_);
  axisX_->setRange(0, std::max(1, shown - 1));
  ApplyAxisRange();
}

void TForm1::ChartPlot(const std::vector<double>& values) {
  if (!upper_) return;
  const int shown = static_cast<int>(upper_->count());
  const int n = std::min(static_cast<int>(values.size()), chartPoints_);
  QList<QPointF> points;
  points.reserve(shown);
  for (int k = 0; k < shown; ++k) {
    const qint64 from = static_cast<qint64>(k) * chartPoints_ / shown;
    const qint64 to = std::max(from + 1, static_cast<qint64>(k + 1) * chartPoints_ / shown);
    double y = upper_->at(k).y();
    if (from < n) {
      y = values[static_cast<size_t>(from)];
      for (qint64 i = from + 1; i < std::min<qint64>(to, n); ++i)
        y = std::max(y, values[static_cast<size_t>(i)]);
    }
    points.append(QPointF(k, y));
  }
  upper_->replace(points);
  if (axisAuto_) ApplyAxisRange();
}

void TForm1::ApplyAxisRange() {
  if (!axisY_) return;
  if (!axisAuto_) {
    axisY_->setRange(0, std::max(1, axisMax_));
    return;
  }
  double top = 0;
  if (upper_)
    for (const QPointF& p : upper_->points()) top = std::max(top, p.y());
  axisY_->setRange(0, top > 0 ? top : 1);
  axisY_->applyNiceNumbers();
}

void TForm1::ServerVarsChanged() {
  ui->DrawGrid3->SetRowCount(static_cast<int>(state_.serverVarsView.size()) + 1);
  ui->DrawGrid3->Repaint();
}

void TForm1::PlayerRowsChanged() {
  ui->DrawGrid4->SetRowCount(static_cast<int>(state_.playerRowsView.size()) + 1);
  ui->DrawGrid4->Repaint();
}

void TForm1::StatusRowsChanged() {
  ui->DrawGrid2->SetRowCount(static_cast<int>(state_.statusRowsView.size()) + 1);
  ui->DrawGrid2->Repaint();
}

void TForm1::StatusTableReadyMore(const PolledTable& table) {
  playersTab_->StatusTableReadyMore(table);
}

void TForm1::ServerEntryChanged(int index) {
  fitter_.InvalidateEntry(index);
  FitServerColumns(false);
}

void TForm1::RefreshJoinDialog() {
  if (form10_) form10_->RefreshJoinDialog();
}

bool TForm1::PlayersTabShown() {
  return ui->PageControl1->currentIndex() == kPageSpieler;
}

void TForm1::SweepButtonShown(bool shown) {
  ui->Button6->setVisible(shown);
}

// --- MainWindowHooks -------------------------------------------------------------------------

void TForm1::SetChartAxis(bool automatic, int maximum) {
  axisAuto_ = automatic;
  axisMax_ = maximum;
  ApplyAxisRange();
}

void TForm1::SetChartVisible(bool visible) {
  const int h = std::min(visible ? kHeightWithChart : kHeightWithoutChart, Room().height());
  setMinimumHeight(h);
  resize(width(), h);
  const QSize client = ui->centralwidget->size();
  ui->Chart1->setVisible(visible);
  if (visible) {
    ui->Panel3->setGeometry(0, 0, client.width(), client.height() - kChartHeight);
    ui->Chart1->setGeometry(0, client.height() - kChartHeight, client.width(), kChartHeight);
  } else {
    ui->Panel3->setGeometry(0, 0, client.width(), client.height());
  }
  if (ui->Panel1->height() < kMinPanel1) {
    const QList<int> sizes = ui->Splitter1->sizes();
    ui->Splitter1->setSizes(
        {kMinPanel1, std::max(0, sizes.value(0) + sizes.value(1) - kMinPanel1)});
  }
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
  int index = -1;
  switch (which) {
    case InfoIcon::Version:
      index = kIconCod2;
      break;
    case InfoIcon::Password:
      index = kIconPassword;
      break;
    case InfoIcon::Rcon:
      index = kIconRcon;
      break;
    case InfoIcon::FriendlyFire:
      index = kIconFriendlyFire;
      break;
    case InfoIcon::Killcam:
      index = kIconKillcam;
      break;
    case InfoIcon::Anticheat:
      index = kIconAnticheat;
      break;
    case InfoIcon::Voice:
      index = kIconVoice;
      break;
    case InfoIcon::Flag:
      for (const QImage& f : flagImages_)
        if (!f.isNull()) return QIcon(QPixmap::fromImage(f));
      return {};
  }
  return ImageList1Icon(index);
}

void TForm1::RepaintGrids() {
  for (DrawGrid* g : {ui->DrawGrid1, ui->DrawGrid2, ui->DrawGrid3, ui->DrawGrid4}) g->Repaint();
}

}  // namespace zelmora
