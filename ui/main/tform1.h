// The main window: server list, detail tabs and ping chart.
//
// TForm1 wires: it owns the query engine (and with it the server list, the
// selection and the sessions of the servers), the saved files, and the
// pieces that show them (ServerListPanel, DetailViews, PingChart, the
// administration tabs, WindowLayout), and connects them. The handlers keep
// the names the operator's actions have always had (DrawGrid1Click,
// Serverlschen1Click, ...). The settings window drives it through
// MainWindowHooks.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/savedfiles.h"
#include "core/settings.h"
#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/dialogs/mainwindowhooks.h"
#include "ui/main/settingscache.h"

class QMenu;

namespace Ui {
class TForm1;
}

namespace zelmora {

class AdminTab;
class ConfigTab;
class ConsoleTab;
class CustomVarsTab;
class DetailViews;
class HistoryLink;
class GameSettingsTab;
class GameTypeTab;
class MapsTab;
class MsgTimerTab;
class MultiCommand;
class PingChart;
class PlayersTab;
class ServerListPanel;
class VarQueue;
class WeaponsTab;
class WindowLayout;
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

class TForm1 : public QMainWindow, public MainWindowHooks {
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
  void Spielerverlauf1Click();          // "GUIDListe" -> "Spielerverlauf ..." (Ctrl+F)
  // The join window; enables the two "Server betreten" items.
  void SetJoinWindow(TForm10* joinWindow);
  // The overlay notice and the expert settings window.
  void SetCvarDialogs(TForm5* overlay, TForm6* expertSettings);
  // The password dialogs (server password, rcon password), wired here.
  void SetPasswordDialogs(TForm16* serverPassword, TForm17* rconPassword);

  QueryEngine& Engine() { return *engine_; }
  SavedFiles& Files() { return files_; }
  ServerListPanel& List() { return *list_; }
  DetailViews& Details() { return *details_; }
  PingChart& Chart() { return *chart_; }
  // The player history: its search window, the watched players' alerts.
  HistoryLink& History() { return *history_; }
  const std::vector<QImage>& FlagImages() const { return flagImages_; }

  // The administration tabs (they own the behaviour of their pages).
  VarQueue& Vars() { return *varQueue_; }
  GameTypeTab& GameTypes() { return *gameTypeTab_; }
  GameSettingsTab& GameSettings() { return *gameSettingsTab_; }
  WeaponsTab& Weapons() { return *weaponsTab_; }
  CustomVarsTab& CustomVars() { return *customVarsTab_; }
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
  void FitServerColumns(bool repaintNow = true);
  void DrawGrid1Click();
  void DrawGrid1MouseUp(int col, int row);
  // Selects the server with this uid, as a click on its row does.
  void ShowServer(std::uint64_t uid);
  // Joins the selected server; afterwards the join window's wait button
  // shows its plain caption again.
  void DrawGrid1DblClick();
  void NachPingaufsteigend1Click();
  void NachPingabsteigend1Click();
  int HoverIndex() const;

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
  void rconExperteneinstellungen1Click();
  // "Serverpasswort ändern (auf dem Server)", both menus.
  void Serverpasswortndern1Click();
  // "rcon(-)Passwort ändern (im Programm)", both menus.
  void rconPasswortndern1Click();
  // "Befehl an mehrere Server ...", both menus: the window with the servers
  // marked in the list checked.
  void MehrereServer1Click();
  MultiCommand* Multi() const { return multi_; }

  // --- MainWindowHooks -----------------------------------------------------------
  void SetChartAxis(bool automatic, int maximum) override;
  void SetChartVisible(bool visible) override;
  void SetStartQuery(bool enabled) override;
  bool ApplyQuerySettings(QueryTimers which = QueryTimers::Both) override;
  void SkinningChanged(bool on) override;
  QIcon InfoIconFor(InfoIcon which) const override;
  void ClearHistory() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpList();
  void SetUpMenus();
  QMenu* SetUpListMenu();
  void SetUpCvarTabs();
  void SetUpAdminTabs();
  void SetUpHistory();
  void LoadData();
  void TellUnusablePasswords();
  // The selection moved to another server (or to none): the views follow
  // it; steps: the selection steps run too (a click, a list operation).
  void FollowSelection(bool steps);
  void SelectionSteps();
  void ShowSelectedStatus();
  void ShowRconDependentViews(const Tserverrec& e);
  void AfterListChange();
  void RepaintGrids();
  void ApplyTabLook(bool own);

  std::unique_ptr<Ui::TForm1> ui;
  SettingsStore& store_;
  SettingsCache settings_;
  SavedFiles files_;
  std::vector<QImage> flagImages_;
  std::unique_ptr<QueryEngine> engine_;
  // After the engine: gone first, it takes the history from the engine.
  std::unique_ptr<HistoryLink> history_;
  std::unique_ptr<WindowLayout> layout_;
  ServerListPanel* list_ = nullptr;
  DetailViews* details_ = nullptr;
  PingChart* chart_ = nullptr;
  FollowedSession shown_;  // the selected server's session, as the views show it

  TForm3* form3_ = nullptr;
  TForm4* form4_ = nullptr;
  TForm6* form6_ = nullptr;
  TForm9* form9_ = nullptr;
  TForm10* form10_ = nullptr;
  TForm12* form12_ = nullptr;
  TForm16* form16_ = nullptr;
  TForm17* form17_ = nullptr;
  TForm18* form18_ = nullptr;
  QAction* serverbetreten1_ = nullptr;
  MultiCommand* multi_ = nullptr;

  std::unique_ptr<VarQueue> varQueue_;
  std::unique_ptr<GameTypeTab> gameTypeTab_;
  std::unique_ptr<GameSettingsTab> gameSettingsTab_;
  std::unique_ptr<WeaponsTab> weaponsTab_;
  std::unique_ptr<CustomVarsTab> customVarsTab_;
  std::unique_ptr<PlayersTab> playersTab_;
  std::unique_ptr<MapsTab> mapsTab_;
  std::unique_ptr<ConfigTab> configTab_;
  std::unique_ptr<ConsoleTab> consoleTab_;
  std::unique_ptr<MsgTimerTab> msgTimerTab_;
  // Every administration tab with its page, in page order: each hears of
  // a server selection and of its page coming to the front.
  std::vector<std::pair<int, AdminTab*>> adminTabs_;

  bool minimized_ = false;
  bool placedOnce_ = false;
  bool closeDone_ = false;
};

}  // namespace zelmora
