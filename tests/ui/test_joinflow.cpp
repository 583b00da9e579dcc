// A join through the whole application: the windows as the program creates
// them, a scripted game server on loopback that is full, the menu entries
// and the server list's double click, the wait for a free slot, the start
// through a fake "wine" first on PATH (it only records what it was given)
// and "Programm beenden" after the join. The close comes from a join that a
// status reply triggered while the receiving worker waited in its
// hand-over: the program must end promptly, not after the shutdown
// deadline, and nothing may touch the windows once they are gone.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <filesystem>

#include "core/launcher.h"
#include "core/paths.h"
#include "core/serverfile.h"
#include "tests/core/testfiles.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform10.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

void WriteExecutable(const std::string& path, const std::string& text) {
  testing::WriteBytes(path, text);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read);
}

std::vector<std::string> SplitNul(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\0') {
      out.push_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  return out;
}

}  // namespace

class TestJoinFlow : public QObject {
  Q_OBJECT

  QStringList messages_;

 private slots:
  void initTestCase() {
    SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& text) {
      messages_ << text;
      return true;
    });
  }
  void init() { messages_.clear(); }

  void waitJoinAndQuit() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString() + "/";
    SetDataDir(dir);

    // A full server: 4 players on 6 slots, 2 of them private.
    testing::TestServer server;
    testing::TestServerConfig config;
    config.rconPassword = "pw";
    testing::SetVar(config.vars, "sv_maxclients", "6");
    testing::SetVar(config.vars, "sv_privateClients", "2");
    config.players = testing::InventPlayers(4);
    QVERIFY(server.start(config));
    const std::string port = std::to_string(server.port());
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign(port);
    e.rconpass.assign("pw");
    std::string error;
    QVERIFY2(SaveServers(dir + "Servers.dat", {e}, &error), error.c_str());

    // The game (a dummy) and a fake wine that records its run.
    fs::create_directories(dir + "game");
    fs::create_directories(dir + "bin");
    WriteBytes(dir + "game/CoDMP.exe", "MZ");
    const std::string wine =
        "#!/bin/sh\n"
        "printf '%s\\0' \"$@\" > '" +
        dir +
        "args'\n"
        "pwd > '" +
        dir +
        "cwd.tmp'\n"
        "mv '" +
        dir + "cwd.tmp' '" + dir + "cwd'\n";
    WriteExecutable(dir + "bin/wine", wine);
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ::setenv("PATH", (dir + "bin:/usr/bin:/bin").c_str(), 1);

    // Protocol 6 is joined with the row stored under key "21".
    WriteBytes(dir + "config.ini", "[Serverlist]\r\nsq=1\r\nsqt=1\r\n[CodExePath]\r\n21=" + dir +
                                       "game/CoDMP.exe\r\n[Join]\r\nask=1\r\nnoop=0\r\nmin=0\r\n"
                                       "quit=1\r\n");

    QElapsedTimer sinceStart;
    {
      SettingsStore settings;
      auto windows = std::make_unique<AppWindows>(settings);
      TForm1& form1 = windows->form1();
      TForm10& join = windows->form10();
      join.SetLauncher(
          [&](const std::string& exe, const std::string& line, const std::string& folder) {
            sinceStart.start();
            return StartDetached(exe, line, folder);
          });
      form1.show();
      const ServerList& list = form1.Engine().List();
      QTRY_VERIFY_WITH_TIMEOUT(!list.Empty() && list.At(0).players == 4, 10000);
      QCOMPARE(int(list.At(0).protocol), 6);

      // Both "Server betreten" entries open the window ("ask" is on).
      auto* menuItem = form1.findChild<QAction*>("Serverjoinen1");
      auto* popupItem = form1.findChild<QAction*>("Serverbetreten1");
      QVERIFY(menuItem && popupItem);
      QVERIFY(menuItem->isEnabled() && popupItem->isEnabled());
      menuItem->trigger();
      QVERIFY(join.isVisible());
      join.Button2Click();
      QVERIFY(!join.isVisible());
      popupItem->trigger();
      QVERIFY(join.isVisible());
      join.Button2Click();

      // The double click opens it too and resets the wait caption.
      join.Button6->setText(QStringLiteral("warte..."));
      auto* grid = form1.findChild<DrawGrid*>("DrawGrid1");
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(1, 1).center());
      QVERIFY(join.isVisible());
      QCOMPARE(join.Button6->text(), QStringLiteral("Warten bis Slot frei wird"));
      QTRY_COMPARE_WITH_TIMEOUT(join.Label4->text(), QStringLiteral("4/6(2)"), 5000);
      QVERIFY(!join.Button6->isHidden());
      QVERIFY(!join.Button7->isHidden());

      join.ComboBox1->setEditText(QStringLiteral("Big Bob"));
      join.Button6Click();
      QVERIFY(join.Waiting());
      QCOMPARE(join.Button6->text(), QStringLiteral("warte..."));

      // A player leaves; the next query of the selected server sees it.
      server.setPlayers(testing::InventPlayers(3));
      QTRY_VERIFY_WITH_TIMEOUT(sinceStart.isValid(), 10000);
      // The main window closes (shut-down done, files saved) well within
      // the shutdown deadline of 3 s that a close from inside the hand-over
      // would wait out.
      QTRY_VERIFY_WITH_TIMEOUT(!form1.isVisible(), 10000);
      QVERIFY2(sinceStart.elapsed() < 2500, qPrintable(QString::number(sinceStart.elapsed())));
      QVERIFY(!form1.Engine().Running());
      QVERIFY(!join.isVisible());
      QCOMPARE(join.Label4->text(), QStringLiteral("3/6(2)"));

      // Gone: anything still queued for the windows must be dropped.
      windows.reset();
      QTest::qWait(300);
    }
    ::setenv("PATH", savedPath.c_str(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(dir + "cwd"), 10000);
    QCOMPARE(SplitNul(ReadBytes(dir + "args")),
             (std::vector<std::string>{dir + "game/CoDMP.exe", "+connect", "127.0.0.1:" + port,
                                       "+password", "", "+name", "Big Bob"}));
    QCOMPARE(ReadBytes(dir + "cwd"), dir + "game\n");
    QCOMPARE(ReadBytes(dir + "names.txt"), std::string("Big Bob\r\n"));
    QCOMPARE(ReadBytes(dir + "passes.txt"), std::string("\r\n"));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('|')));
  }

  void nothingStartedNothingEnds() {
    // "Programm beenden" without asking, but the server never answered, so
    // no game can be started: the program does not end, it goes on asking
    // its servers. (The posted close after a real start: waitJoinAndQuit.)
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString() + "/";
    SetDataDir(dir);
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign("9");
    std::string error;
    QVERIFY2(SaveServers(dir + "Servers.dat", {e}, &error), error.c_str());
    WriteBytes(dir + "names.txt", "Al\r\n");
    WriteBytes(dir + "config.ini", "[Join]\r\nask=0\r\nnoop=0\r\nmin=0\r\nquit=1\r\n");
    SettingsStore settings;
    AppWindows windows(settings);
    TForm1& form1 = windows.form1();
    form1.show();
    form1.Serverjoinen1Click();
    QTest::qWait(500);
    QVERIFY(form1.isVisible());
    QVERIFY(form1.Engine().Running());
    QCOMPARE(ReadBytes(dir + "names.txt"), std::string("Al\r\n"));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('|')));
  }
};

QTEST_MAIN(TestJoinFlow)
#include "test_joinflow.moc"
