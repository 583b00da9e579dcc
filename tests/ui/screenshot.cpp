// Takes the pictures of the windows shown in the documentation: the windows
// are created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and the window is grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select] [mode]
// Administration pages and the password dialogs, the window at its minimum
// size: modes players, maps, configs, console, msgtimer, form16, form17.
//   zelmora-screenshot --windows <data folder> <out folder>   (about, colour
//       codes, version check against a local version file, GUID list)
//   zelmora-screenshot --join <data folder> <out.png>         (the join window)
//   zelmora-screenshot --countries <data folder> <out.png>    (the players tab
//       of the first listed server, whose players have public addresses, once
//       every row shows a country and a flag from the real country data; its
//       provider lookups go to the system's resolver, so scripts/screenshot.sh
//       runs it in a network namespace of its own)
// Modes (default "main"):
//   main                      the main window once the ping chart has grown
//   spielmodus                the "Spielmodus" tab
//   spielmodus-einstellungen  the SD settings, read from the server
//   waffen                    weapons and vehicles, read from the server
//   sonstiges                 the custom variables of the server's profile
//   tform6                    the expert settings window with a profile
//   tform8                    the new-profile dialog
//   overlay                   the "Bitte warten" notice over the main window
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "core/guidlist.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/admin/customvarstab.h"
#include "ui/admin/varqueue.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform11.h"
#include "ui/dialogs/tform12.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
#include "ui/dialogs/tform18.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
#include "ui/dialogs/tform8.h"
#include "ui/dialogs/tform9.h"
#include "ui/dialogs/translations.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

namespace {
void Wait(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

bool Save(const QPixmap& picture, const char* out) {
  if (picture.save(QString::fromLocal8Bit(out))) return true;
  std::fprintf(stderr, "cannot write %s\n", out);
  return false;
}

void SelectRow(zelmora::TForm1& form1, int row) {
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(row);
  form1.DrawGrid1Click();
}

void ShowPage(zelmora::TForm1& form1, const char* title) {
  auto* tabs = form1.findChild<QTabWidget*>("PageControl1");
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabText(i) == QString::fromUtf8(title)) tabs->setCurrentIndex(i);
}

void Click(QWidget* root, const char* name) {
  if (auto* b = root->findChild<QPushButton*>(QString::fromLatin1(name))) b->click();
}

// Waits until the cvar queue has sent its batch and the replies are in.
void WaitForQueue(zelmora::TForm1& form1) {
  QElapsedTimer t;
  t.start();
  while (form1.Vars().Timer6()->isActive() && t.elapsed() < 30000) Wait(50);
  Wait(600);
}

int Main(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = windows.form1();
  SelectRow(form1, row);
  Wait(14000);  // the selected server is queried every second: the chart fills
  return Save(form1.grab(), out) ? 0 : 1;
}

// The tabs are shown at the window's minimum size.
zelmora::TForm1& Smallest(zelmora::AppWindows& windows) {
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(form1.minimumSize());
  Wait(300);
  return form1;
}

int Spielmodus(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus");
  SelectRow(form1, row);
  Wait(2500);
  return Save(form1.grab(), out) ? 0 : 1;
}

int SpielmodusEinstellungen(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus-Einstellungen");
  SelectRow(form1, row);
  Wait(2000);
  auto* pages = form1.findChild<QTabWidget*>("PageControl2");
  pages->setCurrentIndex(2);  // SD
  Click(&form1, "Button33");
  WaitForQueue(form1);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Waffen(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  SelectRow(form1, row);
  Wait(2000);
  ShowPage(form1, "Waffen/Fahrzeuge");
  Click(&form1, "Button14");
  WaitForQueue(form1);
  Click(&form1, "Button47");
  WaitForQueue(form1);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Sonstiges(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  SelectRow(form1, row);
  Wait(2000);
  ShowPage(form1, "Sonstiges");
  Click(&form1, "Button21");
  WaitForQueue(form1);
  // The operator picked a variable to change.
  QTableView* grid = form1.CustomVars().Grid();
  grid->setCurrentIndex(grid->model()->index(0, 2));
  Wait(300);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Form6(zelmora::AppWindows& windows, const char* out, int) {
  zelmora::TForm6& form6 = windows.form6();
  form6.show();
  QComboBox* box = form6.ComboBox1();
  if (box->count() > 0) {
    box->setCurrentIndex(box->count() - 1);
    form6.ComboBox1Change(box->currentIndex());
  }
  Wait(800);
  const int rc = Save(form6.grab(), out) ? 0 : 1;
  form6.hide();
  return rc;
}

int Form8(zelmora::AppWindows& windows, const char* out, int) {
  zelmora::TForm8& form8 = windows.form8();
  if (auto* name = form8.findChild<QLineEdit*>(QStringLiteral("Edit1")))
    name->setText(QStringLiteral("clanwar_118"));
  form8.show();
  Wait(500);
  const int rc = Save(form8.grab(), out) ? 0 : 1;
  form8.hide();
  return rc;
}

int Overlay(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus-Einstellungen");
  SelectRow(form1, row);
  Wait(2000);
  zelmora::TForm5& overlay = windows.form5();
  overlay.ShowOverlayMessage(QStringLiteral("Bitte warten"), -1);
  Wait(500);
  // The notice is a window of its own with a transparent background: put
  // its picture where it floats over the main window.
  QPixmap picture = form1.grab();
  {
    QPainter p(&picture);
    const QPoint at = overlay.geometry().topLeft() - form1.geometry().topLeft();
    p.drawPixmap(at, overlay.grab());
  }
  overlay.HideOverlay();
  return Save(picture, out) ? 0 : 1;
}

template <typename T>
T* Child(QWidget& w, const char* name) {
  return w.findChild<T*>(QString::fromLatin1(name));
}

// The main window at its minimum size with the server of row selected and
// page in front; prepare fills the page before the grab.
bool AdminPage(zelmora::AppWindows& windows, int row, int page, const char* out,
               const std::function<void(zelmora::TForm1&)>& prepare) {
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(form1.minimumSize());
  Wait(2500);
  Child<QTabWidget>(form1, "PageControl1")->setCurrentIndex(page);
  Child<zelmora::DrawGrid>(form1, "DrawGrid1")->SelectRow(row);
  form1.DrawGrid1Click();
  Wait(3000);  // replies, player table, listings
  prepare(form1);
  Wait(1500);
  return Save(form1.grab(), out);
}

int AdminShot(zelmora::AppWindows& windows, int row, const char* mode, const char* out) {
  using zelmora::TForm1;
  auto click = [](TForm1& f, const char* name) { Child<QPushButton>(f, name)->click(); };
  if (!std::strcmp(mode, "players")) {
    return AdminPage(windows, row, 1, out,
                     [&](TForm1& f) {
                       // A kick first: the line below the buttons tells its outcome.
                       auto* g2 = Child<zelmora::DrawGrid>(f, "DrawGrid2");
                       g2->SelectRow(g2->RowCount() - 1);
                       g2->onClick();
                       click(f, "Button1");
                       Wait(3000);
                       g2->SelectRow(3);
                       g2->onClick();
                       Child<QLineEdit>(f, "Edit3")
                           ->setText(QStringLiteral("Willkommen auf dem Server!"));
                     })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "limited")) {
    return AdminPage(windows, row, 1, out,
                     [&](TForm1& f) {
                       // Until the server's limiter has been found out, and a
                       // few tables after.
                       const std::uint64_t uid =
                           f.Engine().List().At(static_cast<size_t>(row - 1)).uid;
                       for (int i = 0; i < 60 && !f.Engine().IsLimited(uid); ++i) Wait(500);
                       Wait(4000);
                       auto* g2 = Child<zelmora::DrawGrid>(f, "DrawGrid2");
                       g2->SelectRow(2);
                       g2->onClick();
                     })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "maps")) return AdminPage(windows, row, 2, out, [](TForm1&) {}) ? 0 : 1;
  if (!std::strcmp(mode, "configs")) {
    return AdminPage(windows, row, 7, out,
                     [](TForm1& f) { Child<QListWidget>(f, "ListBox3")->setCurrentRow(0); })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "console")) {
    return AdminPage(windows, row, 8, out,
                     [&](TForm1& f) {
                       Child<QLineEdit>(f, "Edit1")->setText(QStringLiteral("dir maps/mp d3dbsp"));
                       click(f, "Button2");
                       Wait(1000);
                       Child<QLineEdit>(f, "Edit1")->setText(QStringLiteral("g_gametype"));
                     })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "msgtimer")) {
    return AdminPage(
               windows, row, 9, out,
               [&](TForm1& f) {
                 Child<QLineEdit>(f, "Edit8")->setText(QStringLiteral("^3Besucht uns im Forum!"));
                 Child<QLineEdit>(f, "Edit9")->setText(QStringLiteral("2"));
                 click(f, "Button50");
                 Wait(5000);
               })
               ? 0
               : 1;
  }
  const bool f16 = !std::strcmp(mode, "form16");
  if (f16 || !std::strcmp(mode, "form17")) {
    TForm1& form1 = windows.form1();
    Wait(2500);
    Child<zelmora::DrawGrid>(form1, "DrawGrid1")->SelectRow(row);
    form1.DrawGrid1Click();
    Wait(1500);
    const zelmora::Tserverrec* e = form1.Engine().Selected().Entry();
    if (!e) {
      std::fprintf(stderr, "no server on row %d\n", row);
      return 1;
    }
    QDialog* dialog = nullptr;
    if (f16) {
      windows.form16().Prepare(*e);
      Child<QLineEdit>(windows.form16(), "Edit1")->setText(QStringLiteral("clanwar"));
      dialog = &windows.form16();
    } else {
      windows.form17().Prepare(*e);
      dialog = &windows.form17();
    }
    dialog->show();
    Wait(800);
    const bool ok = Save(dialog->grab(), out);
    dialog->hide();
    return ok ? 0 : 1;
  }
  std::fprintf(stderr, "unknown mode %s\n", mode);
  return 2;
}

// --- the small windows ----------------------------------------------------------------

bool SaveGrab(QWidget& w, const QString& folder, const char* name) {
  const QString path = folder + QLatin1Char('/') + QLatin1String(name);
  if (w.grab().save(path)) return true;
  std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

// Answers every connection with the version file "1.05".
void ServeVersionFile(QTcpServer& server) {
  QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
    while (QTcpSocket* s = server.nextPendingConnection()) {
      QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
        if (!s->readAll().contains("\r\n\r\n")) return;
        s->write(
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n"
            "Connection: close\r\n\r\n1.05");
        s->disconnectFromHost();
      });
      QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
  });
}

void RememberPlayers(zelmora::Tguidlist& list) {
  const char* players[][2] = {
      {"1204357", "^1Sgt.^7Kowalski"},    {"88341290", "^4[TFM]^7Hawkeye"},
      {"43110987", "Oberst Klink"},       {"605411", "^2Gr\xFCn^7Feuer"},
      {"1999873452", "^3Lucky^0Luke"},    {"77240981", "[SAS] Brennan"},
      {"310446", "^6Nachtfalke"},         {"9182733", "Dr. ^1Rauch"},
      {"2061552", "^5Eisvogel^7 (Clan)"}, {"5574410", "Sniper_Wolf"},
  };
  for (const auto& p : players) zelmora::AddGuidByHand(list, p[0], p[1]);
  // One remembered from a status table, with its text as the server sent it.
  zelmora::Tguidrec rec;
  rec.guid.assign("0031337");
  rec.name.assign("^7Mister^1X");
  list.push_back(rec);
}

int WindowsMode(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s --windows <data folder> <out folder>\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::InstallGermanTranslations(app);
  zelmora::SetDataDir(std::string(argv[2]) + "/");
  const QString out = QString::fromLocal8Bit(argv[3]);
  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  windows.form1().show();
  Wait(300);

  bool ok = true;
  zelmora::TForm9& about = windows.form9();
  about.show();
  Wait(300);
  ok &= SaveGrab(about, out, "about.png");
  about.hide();

  zelmora::TForm11& colors = windows.form11();
  colors.ShowColorCodes();
  Wait(300);
  ok &= SaveGrab(colors, out, "colorcodes.png");
  colors.hide();

  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost)) return 1;
  ServeVersionFile(server);
  zelmora::TForm12& version = windows.form12();
  version.SetVersionUrl(
      QUrl(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(server.serverPort())));
  version.show();
  version.Button1Click();
  QElapsedTimer t;
  t.start();
  while (version.QueryRunning() && t.elapsed() < 10000) Wait(50);
  Wait(200);
  ok &= SaveGrab(version, out, "versioncheck.png");
  version.hide();

  zelmora::Tguidlist& guids = windows.form1().Files().Guids();
  RememberPlayers(guids);
  zelmora::TForm18& guidWindow = windows.form18();
  guidWindow.RefillList();
  guidWindow.show();
  Wait(300);
  ok &= SaveGrab(guidWindow, out, "guidlist.png");
  guidWindow.hide();
  // The sample players are not the operator's: the list is not saved.
  guids.clear();

  windows.form1().close();
  return ok ? 0 : 1;
}

int Countries(const char* dataDir, const char* out) {
  zelmora::SetDataDir(std::string(dataDir) + "/");
  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(1000, 720);
  form1.show();
  Wait(1500);
  form1.findChild<zelmora::DrawGrid*>("DrawGrid1")->SelectRow(1);
  form1.DrawGrid1Click();
  form1.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);  // "Spieler"

  // The status poll fills the rows; the provider resolver's next pass (every
  // 5 s) finds their addresses, and the poll after it copies the countries.
  auto resolved = [&form1] {
    const zelmora::ServerSession* session = form1.Engine().SelectedSession();
    if (!session || session->Table().empty()) return false;
    const auto& rows = session->Table();
    for (const auto& e : rows)
      if (e[12].empty() || e[12] == "?" || e[13].empty() || e[13] == "-1") return false;
    return true;
  };
  QElapsedTimer t;
  t.start();
  while (!resolved() && t.elapsed() < 60000) Wait(200);
  const bool ok = resolved();
  Wait(1500);  // one more poll and repaint
  if (!form1.grab().save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  form1.close();
  if (!ok) std::fprintf(stderr, "not every player row got a country and a flag\n");
  return ok ? 0 : 1;
}

}  // namespace

// The join window over a full server: zelmora-screenshot --join <data
// folder> <out.png>. The data folder lists one full server (with an rcon
// password) first and holds names.txt and passes.txt.
int JoinWindowShot(const char* dataDir, const char* out) {
  zelmora::SetDataDir(std::string(dataDir) + "/");
  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();
  Wait(2500);  // start-up sweep and first replies
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(1);
  form1.DrawGrid1Click();
  form1.DrawGrid1DblClick();
  Wait(2500);  // the selected server answers: the player count
  zelmora::TForm10& join = windows.form10();
  join.Button6Click();  // the server is full: the wait starts
  Wait(300);
  const QPixmap picture = join.grab();
  join.Button2Click();
  if (!picture.save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  form1.close();
  return 0;
}

int main(int argc, char* argv[]) {
  if (argc == 4 && std::strcmp(argv[1], "--countries") == 0) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    zelmora::InstallGermanTranslations(app);
    return Countries(argv[2], argv[3]);
  }
  if (argc > 1 && std::strcmp(argv[1], "--windows") == 0) return WindowsMode(argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--join") {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    zelmora::InstallGermanTranslations(app);
    return JoinWindowShot(argv[2], argv[3]);
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row] [mode]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::InstallGermanTranslations(app);
  zelmora::SetDataDir(std::string(argv[1]) + "/");
  const int row = argc > 3 ? std::atoi(argv[3]) : 1;
  const char* mode = argc > 4 ? argv[4] : "main";

  struct Mode {
    const char* name;
    int (*run)(zelmora::AppWindows&, const char*, int);
  };
  const Mode modes[] = {{"main", Main},
                        {"spielmodus", Spielmodus},
                        {"spielmodus-einstellungen", SpielmodusEinstellungen},
                        {"waffen", Waffen},
                        {"sonstiges", Sonstiges},
                        {"tform6", Form6},
                        {"tform8", Form8},
                        {"overlay", Overlay}};
  for (const char* admin :
       {"players", "limited", "maps", "configs", "console", "msgtimer", "form16", "form17"})
    if (std::strcmp(admin, mode) == 0) {
      zelmora::SettingsStore settings;
      zelmora::AppWindows windows(settings);
      windows.form1().show();
      const int rc = AdminShot(windows, row, mode, argv[2]);
      windows.form1().close();
      return rc;
    }
  const Mode* chosen = nullptr;
  for (const Mode& m : modes)
    if (std::strcmp(m.name, mode) == 0) chosen = &m;
  if (!chosen) {
    std::fprintf(stderr, "unknown mode %s\n", mode);
    return 2;
  }

  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();
  Wait(2500);  // start-up sweep and first replies
  const int rc = chosen->run(windows, argv[2], row);
  form1.close();
  return rc;
}
