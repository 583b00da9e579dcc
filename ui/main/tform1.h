// The main window: server list, detail tabs and ping chart.
//
// TForm1 owns the main-thread state (AppState) and the query engine, and is
// the engine's view: every reply the engine handles ends in one of the
// EngineView callbacks below, always on the main thread. The settings window
// drives it through MainWindowHooks.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "engine/appstate.h"
#include "engine/engineview.h"
#include "engine/queryengine.h"
#include "ui/dialogs/mainwindowhooks.h"
#include "ui/main/detailgrids.h"
#include "ui/main/serverlistview.h"
#include "ui/main/settingscache.h"

class QAreaSeries;
class QChart;
class QLineSeries;
class QMenu;
class QTimer;
class QValueAxis;

namespace Ui {
class TForm1;
}

namespace zelmora {

class AdminTab;
class ConfigTab;
class ConsoleTab;
class CustomVarsTab;
class DrawGrid;
class GameSettingsTab;
class GameTypeTab;
class MapsTab;
class MsgTimerTab;
class PlayersTab;
class VarQueue;
class WeaponsTab;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm9;
class TForm10;
class TForm12;
class TForm16;
class TForm17;
class TForm18;

class TForm1 : public QMainWindow, public EngineView, public MainWindowHooks {
  Q_OBJECT

 public:
  // Runs the start-up (FormCreate). The data folder (core/paths.h) must be
  // set before. settings must outlive the window.
  explicit TForm1(SettingsStore& settings, QWidget* parent = nullptr);
  ~TForm1() override;

  // The windows created after this one (settings window, server dialog).
  void SetDialogs(TForm3* settingsWindow, TForm4* serverDialog);
  // The about, version check and GUID list windows; wires and enables the
  // menu items that open them.
  void SetInfoWindows(TForm9* about, TForm12* versionCheck, TForm18* guidList);
  void ber1Click();                     // "?" -> "Über"
  void AufneueVersionberprfen1Click();  // "?" -> "Auf neue Version überprüfen"
  void Editieren1Click();               // "GUIDListe" -> "Editieren ..."
  // The join window; enables the two "Server betreten" items.
  void SetJoinWindow(TForm10* joinWindow);
  // The overlay notice and the expert settings window (its profile list
  // fills the "Sonstiges" profile box; its editors are the weapon and
  // vehicle lists).
  void SetCvarDialogs(TForm5* overlay, TForm6* expertSettings);

  // Administration of server variables: the cvar queue and its tabs.
  VarQueue& Vars() { return *varQueue_; }
  GameTypeTab& GameTypes() { return *gameTypeTab_; }
  GameSettingsTab& GameSettings() { return *gameSettingsTab_; }
  WeaponsTab& Weapons() { return *weaponsTab_; }
  CustomVarsTab& CustomVars() { return *customVarsTab_; }
  // The password dialogs (server password, rcon password), wired here.
  void SetPasswordDialogs(TForm16* serverPassword, TForm17* rconPassword);

  AppState& State() { return state_; }
  QueryEngine& Engine() { return *engine_; }
  ServerListPainter& ListPainter() { return listPainter_; }
  DetailGridsPainter& DetailPainter() { return detailPainter_; }
  const ServerColumnFitter& Fitter() const { return fitter_; }
  const std::vector<QImage>& FlagImages() const { return flagImages_; }

  // The administration tabs (they own the behaviour of their pages).
  PlayersTab& Players() { return *playersTab_; }
  MapsTab& Maps() { return *mapsTab_; }
  ConfigTab& Configs() { return *configTab_; }
  ConsoleTab& Console() { return *consoleTab_; }
  MsgTimerTab& MsgTimer() { return *msgTimerTab_; }

  // --- start-up and shut-down ----------------------------------------------------
  void FormCreate();
  // Closing flag, look off, engine shutdown, Servers.dat and Guids.dat saved
  // (errors swallowed). Runs once; closeEvent calls it.
  void FormClose();
  // Layout rule of the window (chart strip, list/tab panels).
  void FormResize();

  // --- server list (DrawGrid1) -------------------------------------------------------
  // repaintNow false: the repaint is coalesced with the next ones (replies).
  void FitServerColumns(bool repaintNow = true);
  void DrawGrid1Click();
  void DrawGrid1MouseDown(int col, int row);
  void DrawGrid1MouseMove(int col, int row);
  void DrawGrid1MouseUp(int col, int row);
  void DrawGrid1RowMoved(int fromIndex, int toIndex);
  // Joins the selected server; afterwards the join window's wait button
  // shows its plain caption again.
  void DrawGrid1DblClick();
  void NachPingaufsteigend1Click();
  void NachPingabsteigend1Click();
  int HoverIndex() const { return hover1_; }

  // --- detail grids ----------------------------------------------------------------
  // row: the grid row under the pointer at the release.
  void DrawGrid2MouseUp(int row);
  void VariableninhaltZwischenablage1Click();
  void SpielernameindieZwischenablage1Click();  // DrawGrid4
  void SpielernameindieZwischenablage2Click();  // DrawGrid2
  void IPindieZwischenablage1Click();
  void guidindieZwischenablage1Click();

  // --- tabs and list menu ------------------------------------------------------------
  void PageControl1Change(int page);
  void Serverhinzufgen1Click();  // main menu
  void Servereditieren1Click();  // main menu
  void Serverlschen1Click();     // popup
  void Serverhinzufgen2Click();  // popup
  void Servereditieren2Click();  // popup
  void Serverlschen2Click();     // main menu
  void Listeleeren1Click();
  void IPPortindieZwischenablage1Click();
  void Einstellungen1Click();
  void Serverjoinen1Click();    // main menu "Server betreten"
  void Serverbetreten1Click();  // popup "Server betreten"
  void Abfragen1Click();        // "Alle Server abfragen" (F5)
  // A click on column col's header: the list sorted by it.
  void SortServerList(int col);
  void MarkSort(int col, bool ascending);
  void rconExperteneinstellungen1Click();
  // "Serverpasswort ändern (auf dem Server)", both menus.
  void Serverpasswortndern1Click();
  // "rcon(-)Passwort ändern (im Programm)", both menus.
  void rconPasswortndern1Click();

  // --- chart ---------------------------------------------------------------------
  QChart* Chart() const { return chart_; }
  QAreaSeries* ChartSeries() const { return series_; }
  QValueAxis* ChartAxis() const { return axisY_; }

  // --- EngineView ------------------------------------------------------------------
  void ConsoleShow(const std::vector<std::string>& lines) override;
  void ConsoleNote(const std::string& line) override;
  void MapListShow(const std::vector<std::string>& maps, int chosen) override;
  void MapPictureShow(const std::string& path) override;
  void ConfigListAppend(const std::vector<std::string>& files) override;
  int ChartPointCount() override;
  void ChartRebuild(int points) override;
  void ChartPlot(const std::vector<double>& values) override;
  void ServerVarsChanged() override;
  void PlayerRowsChanged() override;
  void StatusRowsChanged() override;
  void StatusTableReadyMore(const PolledTable& table) override;
  void ServerEntryChanged(int index) override;
  void RefreshJoinDialog() override;
  bool PlayersTabShown() override;
  void SweepButtonShown(bool shown) override;
  void GameTypeControls(const std::string& protocolText) override;
  void GameTypeLabel(const std::string& text) override;
  void ApplyVarReply(const std::string& firstLine) override;
  void SelectedRefreshButtonShown(bool shown) override;

  // --- MainWindowHooks -----------------------------------------------------------
  void SetChartAxis(bool automatic, int maximum) override;
  void SetChartVisible(bool visible) override;
  void SetStartQuery(bool enabled) override;
  bool ApplyQuerySettings(QueryTimers which = QueryTimers::Both) override;
  void SkinningChanged(bool on) override;
  QIcon InfoIconFor(InfoIcon which) const override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpGrids();
  void SetUpMenus();
  void SetUpChart();
  void SetUpCvarTabs();
  void SetUpAdminTabs();
  void SelectionSteps();
  void AnotherServer();
  void ShowRconDependentViews(const Tserverrec& e);
  void AfterListChange();
  void SelectionFollowsList();
  void RepaintGrids();
  void ApplyTabLook(bool own);
  void ApplyAxisRange();
  QSize FrameExtra() const;
  QSize Room() const;
  void PlaceOnScreen(bool centre);
  std::string ServersPath() const;

  std::unique_ptr<Ui::TForm1> ui;
  SettingsStore& store_;
  SettingsCache settings_;
  AppState state_;
  ServerListPainter listPainter_;
  DetailGridsPainter detailPainter_;
  ServerColumnFitter fitter_;
  std::vector<QImage> flagImages_;
  std::unique_ptr<QueryEngine> engine_;
  TForm9* form9_ = nullptr;
  TForm12* form12_ = nullptr;
  TForm18* form18_ = nullptr;

  TForm3* form3_ = nullptr;
  TForm4* form4_ = nullptr;
  TForm10* form10_ = nullptr;
  QAction* serverbetreten1_ = nullptr;
  TForm6* form6_ = nullptr;

  std::unique_ptr<VarQueue> varQueue_;
  std::unique_ptr<GameTypeTab> gameTypeTab_;
  std::unique_ptr<GameSettingsTab> gameSettingsTab_;
  std::unique_ptr<WeaponsTab> weaponsTab_;
  std::unique_ptr<CustomVarsTab> customVarsTab_;
  TForm16* form16_ = nullptr;
  TForm17* form17_ = nullptr;

  // Declared after the engine: they go first.
  std::unique_ptr<PlayersTab> playersTab_;
  std::unique_ptr<MapsTab> mapsTab_;
  std::unique_ptr<ConfigTab> configTab_;
  std::unique_ptr<ConsoleTab> consoleTab_;
  std::unique_ptr<MsgTimerTab> msgTimerTab_;
  // Every administration tab with its page, in page order: each hears of
  // a server selection and of its page coming to the front.
  std::vector<std::pair<int, AdminTab*>> adminTabs_;

  // Hover index of the server list (the row a release selects).
  int hover1_ = 0;
  // The grid rows the popup menus of DrawGrid3, DrawGrid4 and DrawGrid2
  // were opened for (0: none).
  int popupRow3_ = 0;
  int popupRow4_ = 0;
  int popupRow2_ = 0;
  // The server list's header sort: column (-1: none) and direction.
  int sortColumn_ = -1;
  bool sortAscending_ = true;

  QTimer* listRepaint_ = nullptr;
  QMenu* popup1_ = nullptr;
  QMenu* popup2_ = nullptr;
  QMenu* popup3_ = nullptr;
  QMenu* popup4_ = nullptr;

  QChart* chart_ = nullptr;
  QAreaSeries* series_ = nullptr;
  QLineSeries* upper_ = nullptr;
  QValueAxis* axisY_ = nullptr;
  QValueAxis* axisX_ = nullptr;
  int chartPoints_ = 0;  // samples of the histories the chart stands for
  bool axisAuto_ = false;
  int axisMax_ = 200;

  // The entry the selection steps last ran for (0: none).
  std::uint64_t selectedUid_ = 0;
  bool minimized_ = false;
  bool placedOnce_ = false;
  bool closeDone_ = false;
};

}  // namespace zelmora
