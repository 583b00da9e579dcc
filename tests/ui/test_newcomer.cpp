// What a newcomer meets in the first hour: the delete question defaults to
// "Abbrechen", a game that did not start leaves the window as it was, the
// picked player is followed (and let go when he leaves), and a game Zelmora
// does not know is said so on its pages.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

#include "core/paths.h"
#include "core/serverfile.h"
#include "engine/queryengine.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform10.h"
#include "ui/main/detailviews.h"
#include "ui/main/drawgrid.h"
#include "ui/main/settingscache.h"
#include "ui/main/tform1.h"

using namespace zelmora;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(zelmora::LaunchStatus)

namespace {

testing::TestPlayer Player(int num, const std::string& name, const std::string& guid) {
  testing::TestPlayer p;
  p.num = num;
  p.name = name;
  p.guid = guid;
  return p;
}

Tserverrec Entry(std::uint16_t port, const std::string& rcon) {
  Tserverrec e;
  e.host.assign("127.0.0.1");
  e.port.assign(std::to_string(port));
  e.rconpass.assign(rcon);
  return e;
}

}  // namespace

class TestNewcomer : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });
  }

  void questionDefaultsToCancel() {
    const auto box = MakeQuestionBox(nullptr, QStringLiteral("Frage"),
                                     QStringLiteral("Server wirklich löschen?"));
    auto* cancel = qobject_cast<QPushButton*>(box->button(QMessageBox::Cancel));
    auto* ok = qobject_cast<QPushButton*>(box->button(QMessageBox::Ok));
    QVERIFY(cancel && ok);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    QCOMPARE(box->defaultButton(), cancel);
    QVERIFY(cancel->isDefault());
    QVERIFY(!ok->isDefault());
    QTest::keyClick(box.get(), Qt::Key_Return);
    QCOMPARE(box->clickedButton(), cancel);
  }

  // The after-join step (here: minimise) runs only when the game started.
  void failedStartKeepsTheWindow_data() {
    QTest::addColumn<LaunchStatus>("status");
    QTest::addColumn<bool>("exeThere");
    QTest::addColumn<int>("minimised");
    QTest::newRow("started") << LaunchStatus::kStarted << true << 1;
    QTest::newRow("refused") << LaunchStatus::kFailed << true << 0;
    QTest::newRow("no wine") << LaunchStatus::kWineMissing << true << 0;
    QTest::newRow("no executable") << LaunchStatus::kStarted << false << 0;
  }
  void failedStartKeepsTheWindow() {
    QFETCH(LaunchStatus, status);
    QFETCH(bool, exeThere);
    QFETCH(int, minimised);
    QTemporaryDir dir;
    const std::string exe = dir.path().toStdString() + "/CoDMP.exe";
    if (exeThere) std::ofstream(exe) << "MZ";
    SettingsStore settings;
    settings.Update([&](Settings& s) {
      s.paths[2] = exe;  // row "COD1(6)"
      s.join = JoinAfter::kMinimize;
    });
    QueryEngine engine(settings);
    Tserverrec e = Entry(28960, "");
    e.protocol = 6;
    e.maxclients = 20;
    engine.List().Append(e);
    engine.Selected().SelectRow(0);
    TForm10 form(engine, settings);
    form.SetLauncher([&](const std::string&, const std::string&, const std::string&) {
      return LaunchResult{status, "kein Zugriff"};
    });
    int minimizedCount = 0;
    TForm10::Hooks hooks;
    hooks.minimizeApplication = [&] { ++minimizedCount; };
    form.SetHooks(std::move(hooks));
    form.FormCreate(dir.path().toStdString() + "/names.txt",
                    dir.path().toStdString() + "/passes.txt");
    form.ComboBox1->setEditText(QStringLiteral("Neuling"));
    form.Button1Click();
    QCOMPARE(minimizedCount, minimised);
  }

  // The picked player is followed to his new row; when he leaves, the pick
  // is let go and no row stands highlighted for the next player.
  void pickedPlayerIsFollowed() {
    testing::TestServerConfig c;
    c.rconPassword = "pw";
    c.players = {Player(0, "A", "1"), Player(2, "B", "2"), Player(5, "C", "3")};
    testing::TestServer server;
    QVERIFY(server.start(c));
    SettingsStore store;
    SettingsCache settings(store);
    QueryEngine engine(store);
    engine.List().Append(Entry(server.port(), "pw"));
    engine.Selected().SelectRow(0);
    QVERIFY(engine.Start());
    QWidget window;
    DrawGrid g3(&window), g4(&window), g2(&window);
    DetailViews views(&g3, &g4, &g2, engine, settings, nullptr, &window);
    ServerSession* s = engine.SelectedSession();
    views.Follow(s);
    auto poll = [&] {
      QSignalSpy tables(s, &ServerSession::TableChanged);
      QTest::qWait(600);  // the server's flood spacing
      s->RequestTable();
      QTRY_VERIFY_WITH_TIMEOUT(tables.count() >= 1, 5000);
    };
    poll();
    QCOMPARE(g2.RowCount(), 4);
    views.PlayerRowReleased(3);  // C
    QCOMPARE(views.selectedplayer, 2);
    server.setPlayers({Player(2, "B", "2"), Player(5, "C", "3")});  // A left
    poll();
    QCOMPARE(views.selectedplayer, 1);                              // still C
    server.setPlayers({Player(2, "B", "2"), Player(5, "D", "4")});  // C gone, D in his slot
    poll();
    QCOMPARE(views.selectedplayer, -1);
    engine.Shutdown();
  }

  // An ioquake3 server names no protocol: the map page and the profile page
  // say that Zelmora does not know the game.
  void unknownGameIsTold() {
    testing::TestServerConfig c;
    c.rconPassword = "pw";
    std::erase_if(c.vars, [](const auto& v) { return v.first == "protocol"; });
    testing::SetVar(c.vars, "com_protocol", "71");
    testing::TestServer server;
    QVERIFY(server.start(c));
    QTemporaryDir dir;
    SetDataDir(dir.path().toStdString() + "/");
    std::string error;
    QVERIFY(SaveServers(dir.path().toStdString() + "/Servers.dat", {Entry(server.port(), "pw")},
                        &error));
    SettingsStore settings;
    settings.Set(&Settings::sq, false);
    settings.Set(&Settings::cq, false);
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.DrawGrid1Click();
    QTRY_COMPARE_WITH_TIMEOUT(int(form.Engine().List().At(0).protocol), 255, 5000);
    auto* maps = form.findChild<QListWidget*>(QStringLiteral("ListBox2"));
    auto* notice = form.findChild<QLabel*>(QStringLiteral("Label3"));
    QTRY_COMPARE(maps->count(), 1);
    QVERIFY(maps->item(0)->text().contains(QStringLiteral("kennt dieses Spiel nicht")));
    QCOMPARE(maps->item(0)->flags(), Qt::NoItemFlags);
    QVERIFY(notice->isVisibleTo(&form) || !notice->text().isEmpty());
    QVERIFY(notice->text().contains(QStringLiteral("kennt dieses Spiel nicht")));
    form.close();
  }
};

QTEST_MAIN(TestNewcomer)
#include "test_newcomer.moc"
