// Takes the picture of the main window shown in the README: the windows are
// created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and once its ping history has grown the main window is
// grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select]
// The small windows (about, colour codes, version check against a local
// version file, GUID list with a few remembered players):
//   zelmora-screenshot --windows <data folder> <out folder>
//   zelmora-screenshot --join <data folder> <out.png>   (the join window)
#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/guidlist.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform11.h"
#include "ui/dialogs/tform12.h"
#include "ui/dialogs/tform18.h"
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

  zelmora::Tguidlist& guids = windows.form1().State().guidlist;
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
  if (argc > 1 && std::strcmp(argv[1], "--windows") == 0) return WindowsMode(argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--join") {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    return JoinWindowShot(argv[2], argv[3]);
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::InstallGermanTranslations(app);
  zelmora::SetDataDir(std::string(argv[1]) + "/");
  const int row = argc > 3 ? std::atoi(argv[3]) : 1;

  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();

  Wait(2500);  // start-up sweep and first replies
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(row);
  form1.DrawGrid1Click();
  Wait(14000);  // the selected server is queried every second: the chart fills

  const QPixmap picture = form1.grab();
  if (!picture.save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  form1.close();
  return 0;
}
