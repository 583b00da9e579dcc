// The player history in the main window, against a test game server on
// loopback: a player of the GUID list, marked "Beobachten" there, joins the
// server and the window says so once (WatchAlert), marks the server's row
// and offers an hour of silence; "Spielerverlauf" (Ctrl+F) opens the search
// window, whose "Auf Server zeigen" selects the server; a history that
// cannot be kept is told once and the program goes on; "Verlauf löschen"
// empties it.
#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "core/guidlist.h"
#include "core/paths.h"
#include "core/serverfile.h"
#include "history/playerhistory.h"
#include "history/sqlitedb.h"
#include "protocol/colorcodes.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform18.h"
#include "ui/main/detailviews.h"
#include "ui/main/gridmodels.h"
#include "ui/main/historylink.h"
#include "ui/main/historymodels.h"
#include "ui/main/playerhistorywindow.h"
#include "ui/main/serverlistpanel.h"
#include "ui/main/tform1.h"

using namespace zelmora;
using zelmora::testing::TestPlayer;
using zelmora::testing::TestServer;
using zelmora::testing::TestServerConfig;

namespace {

constexpr std::int64_t kNow = 1700000000;

TestPlayer Player(int num, const std::string& name, const std::string& guid) {
  TestPlayer p;
  p.num = num;
  p.name = name;
  p.guid = guid;
  p.ip = "127.0.0." + std::to_string(20 + num);
  return p;
}

template <class T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  if (!c) qFatal("control %s missing", name);
  return c;
}

}  // namespace

class TestWatchAlert : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> dir_;
  QStringList boxes_;    // modal boxes (there should be none)
  QStringList notices_;  // the history's notices

  std::string Dir() const { return dir_->path().toStdString() + "/"; }

  void WriteFiles(std::uint16_t port) {
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign(std::to_string(port));
    e.rconpass.assign("pw");
    std::string error;
    QVERIFY2(SaveServers(Dir() + "Servers.dat", {e}, &error), error.c_str());
    Tguidrec g;
    g.guid.assign("424242");
    g.name.assign("^1Mal^7lory");
    QVERIFY2(SaveGuids(Dir() + "Guids.dat", {g}, &error), error.c_str());
  }

  // The selected server's table, polled and waited for.
  static void Poll(TForm1& f) {
    ServerSession* s = f.Engine().SelectedSession();
    QSignalSpy tables(s, &ServerSession::TableChanged);
    s->RequestTable();
    QTRY_VERIFY_WITH_TIMEOUT(tables.count() >= 1, 5000);
  }
  static void Status(TForm1& f) {
    ServerSession* s = f.Engine().SelectedSession();
    QSignalSpy status(s, &ServerSession::StatusChanged);
    QVERIFY(f.Engine().SendGetStatus(0));
    QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 1, 5000);
  }
  void Quiet(TForm1& f) {
    f.History().SetNoticeFunction([this](const QString& t) { notices_ << t; });
  }

 private slots:
  void initTestCase() {
    SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& text) {
      boxes_ << text;
      return true;
    });
  }

  void init() {
    boxes_.clear();
    notices_.clear();
    dir_ = std::make_unique<QTemporaryDir>();
    SetDataDir(Dir());
  }

  void guidListPlayerJoins() {
    TestServerConfig c;
    c.rconPassword = "pw";
    c.players = {Player(0, "Alpha", "111111")};
    testing::SetVar(c.vars, "sv_hostname", "^2Green ^7Camp");
    TestServer a;
    QVERIFY(a.start(c));
    WriteFiles(a.port());
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    f.Engine().SetRconPause(std::chrono::milliseconds(5));
    f.Engine().Feed()->SetClock([] { return kNow; });
    f.History().SetClock([] { return kNow; });
    QTRY_VERIFY_WITH_TIMEOUT(f.History().History()->Status().keeping, 5000);
    // The history lives in the data folder.
    QCOMPARE(f.History().History()->Path(), Dir() + "Spieler.sqlite");

    // "Beobachten" on the GUID list's entry.
    TForm18 guids(f.Files().Guids(), &f);
    f.SetInfoWindows(nullptr, nullptr, &guids);
    guids.RefillList();
    auto* watch = Child<QPushButton>(guids, "Button7");
    QVERIFY(!watch->isEnabled());
    Child<QListWidget>(guids, "ListBox1")->setCurrentRow(0);
    QVERIFY(watch->isEnabled());
    QCOMPARE(watch->text(), QStringLiteral("Beobachten"));
    watch->click();
    QCOMPARE(watch->text(), QStringLiteral("Nicht mehr beobachten"));
    const auto entries = f.History().History()->WatchList();
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries[0].value, std::string("424242"));
    QCOMPARE(entries[0].note, std::string("Mallory"));

    auto* label = Child<QLabel>(f, "WatchAlert");
    auto* silence = Child<QToolButton>(f, "WatchSilence");
    Status(f);
    Poll(f);
    QVERIFY(label->isHidden());

    a.setPlayers({Player(0, "Alpha", "111111"), Player(6, "^1Mal^7lory", "424242")});
    Poll(f);
    const QString line = QStringLiteral("Beobachteter Spieler Mallory auf Green Camp seit %1")
                             .arg(QDateTime::fromSecsSinceEpoch(kNow).toString("HH:mm"));
    QCOMPARE(label->text(), line);
    QVERIFY(!label->isHidden() && !silence->isHidden());
    const DrawGridModel& model = f.List().Model();
    QVERIFY(model.Cell(1, 1, kWatchRole).toBool());
    QVERIFY(model.Cell(1, 1, Qt::ToolTipRole).toString().contains("Beobachteter Spieler: Mallory"));
    QVERIFY(!f.History().TrayShown());  // the offscreen desktop has no tray
    Poll(f);
    Status(f);
    QCOMPARE(f.History().Alerts().size(), std::size_t(1));

    // An hour of silence: the next appearance is not told, the row is
    // still marked.
    silence->click();
    QVERIFY(label->isHidden());
    QCOMPARE(f.History().History()->WatchList()[0].silencedUntil, kNow + kWatchSilenceSeconds);
    a.setPlayers({Player(0, "Alpha", "111111")});
    Poll(f);
    QVERIFY(!model.Cell(1, 1, kWatchRole).toBool());
    a.setPlayers({Player(0, "Alpha", "111111"), Player(6, "Mallory", "424242")});
    Poll(f);
    QVERIFY(model.Cell(1, 1, kWatchRole).toBool());
    QVERIFY(label->isHidden());
    QVERIFY(f.History().Alerts().empty());
    QVERIFY(boxes_.isEmpty());
    QVERIFY(notices_.isEmpty());
  }

  // Ctrl+F opens the search window; the player found is on the listed
  // server, and "Auf Server zeigen" selects it.
  void searchWindowShowsTheServer() {
    TestServerConfig c;
    c.players = {Player(3, "^3Nomad", "0")};
    TestServer a, b;
    QVERIFY(a.start(TestServerConfig()));
    QVERIFY(b.start(c));
    Tserverrec ea, eb;
    ea.host.assign("127.0.0.1");
    ea.port.assign(std::to_string(a.port()));
    eb.host.assign("127.0.0.1");
    eb.port.assign(std::to_string(b.port()));
    std::string error;
    QVERIFY(SaveServers(Dir() + "Servers.dat", {ea, eb}, &error));
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    QTRY_VERIFY_WITH_TIMEOUT(f.History().History()->Status().keeping, 5000);
    QSignalSpy status(f.Engine().Session(f.Engine().List().At(1).uid),
                      &ServerSession::StatusChanged);
    QVERIFY(f.Engine().SendGetStatus(1));
    QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 1, 5000);
    QVERIFY(f.History().History()->Flush());
    QCOMPARE(f.Engine().Selected().Index(), 0);

    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QAction* open = f.findChild<QAction*>("Spielerverlauf1");
    QVERIFY(open);
    QCOMPARE(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    open->trigger();
    PlayerHistoryWindow* w = f.History().Window();
    QVERIFY(w && w->isVisible());
    auto* edit = Child<QLineEdit>(*w, "SearchEdit");
    QSignalSpy shown(w, &PlayerHistoryWindow::ResultsShown);
    QTest::keyClicks(edit, "noma");
    QTRY_VERIFY_WITH_TIMEOUT(!w->Searching() && w->Results().Rows().size() == 1, 5000);
    w->Pick(0);
    w->ShowServerClick();
    QCOMPARE(f.Engine().Selected().Index(), 1);
    const std::string server = StripColorCodes(f.Engine().List().At(1).hostname.view());
    QCOMPARE(w->Notice(), QStringLiteral("Nomad ist auf %1.").arg(QString::fromStdString(server)));
    w->close();
  }

  // A history that cannot be kept this run is told once, in German; the
  // program goes on and the search window opens on an empty list.
  void historyNotKeptIsToldOnce_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("words");
    QTest::newRow("locked by another Zelmora") << "locked"
                                               << "gesperrt";
    QTest::newRow("damaged") << "damaged"
                             << "beschädigt";
  }
  void historyNotKeptIsToldOnce() {
    QFETCH(QString, fault);
    QFETCH(QString, words);
    const std::string path = Dir() + "Spieler.sqlite";
    SqliteDb other;
    if (fault == "locked") {
      {
        PlayerHistory made(Dir());
        QVERIFY(made.Open().keeping);
      }
      other.Open(path, false);
      other.SetBusyTimeout(5000);
      other.Exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE servers SET name = name;");
    } else {
      QFile garbage(QString::fromStdString(path));
      QVERIFY(garbage.open(QIODevice::WriteOnly));
      garbage.write(QByteArray(70000, 'x'));
    }
    TestServer a;
    QVERIFY(a.start(TestServerConfig()));
    WriteFiles(a.port());
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    QSignalSpy told(&f.History(), &HistoryLink::FaultTold);
    QTRY_COMPARE_WITH_TIMEOUT(told.count(), 1, 10000);
    QCOMPARE(notices_.size(), 1);
    QVERIFY2(notices_[0].contains(words), qPrintable(notices_[0]));
    // The program goes on: a server's reply is shown, the history window
    // opens and finds what it can.
    QVERIFY(f.Engine().SendGetStatus(0));
    QTRY_VERIFY_WITH_TIMEOUT(f.Engine().List().At(0).protocol != 0, 5000);
    f.History().OpenWindow();
    QTRY_VERIFY_WITH_TIMEOUT(!f.History().Window()->Searching(), 5000);
    QTest::qWait(300);
    QCOMPARE(notices_.size(), 1);
    QVERIFY(boxes_.isEmpty());
    f.History().Window()->close();
    if (fault == "locked") {
      other.Exec("ROLLBACK");
      other.Close();
    }
  }

  // A kick with a reason from the players page: the reason is kept with
  // the penalty and heads the field's list (reasons.txt, 20 at most).
  void kickWithAReason() {
    TestServerConfig c;
    c.rconPassword = "pw";
    c.players = {Player(4, "^5Lag", "400000")};
    TestServer a;
    QVERIFY(a.start(c));
    WriteFiles(a.port());
    {
      QFile old(QString::fromStdString(Dir() + "reasons.txt"));
      QVERIFY(old.open(QIODevice::WriteOnly));
      for (int i = 1; i <= 25; ++i)
        old.write(QByteArray("Grund ") + QByteArray::number(i) + "\r\n");
    }
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    f.Engine().SetRconPause(std::chrono::milliseconds(5));
    QTRY_VERIFY_WITH_TIMEOUT(f.History().History()->Status().keeping, 5000);
    auto* reason = Child<QComboBox>(f, "ReasonBox");
    QCOMPARE(reason->count(), 20);
    QCOMPARE(reason->itemText(0), QStringLiteral("Grund 25"));
    QCOMPARE(reason->itemText(19), QStringLiteral("Grund 6"));
    f.ShowServer(f.Engine().List().At(0).uid);  // as a click on its row
    Poll(f);
    f.Details().selectedplayer = 0;
    reason->setEditText(QStringLiteral("Wallhack, Größe egal"));
    Child<QPushButton>(f, "Button1")->click();
    QVERIFY(reason->currentText().isEmpty());
    QCOMPARE(reason->itemText(0), QStringLiteral("Wallhack, Größe egal"));
    QCOMPARE(reason->count(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(a.config().players.empty(), 6000);
    QTRY_VERIFY_WITH_TIMEOUT(
        f.History().History()->Flush() && !f.History().History()->Penalties(0).empty(), 5000);
    const PenaltyRow row = f.History().History()->Penalties(0)[0];
    QCOMPARE(row.record.reason, std::string("Wallhack, Gr\xf6\xdf"
                                            "e egal"));
    QCOMPARE(row.record.name, std::string("^5Lag"));
    QFile saved(QString::fromStdString(Dir() + "reasons.txt"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QVERIFY(
        bytes.endsWith("Grund 25\r\nWallhack, Gr\xf6\xdf"
                       "e egal\r\n"));
    QCOMPARE(bytes.count("\r\n"), 20);
  }

  // "Verlauf löschen": the players are gone, the watch list stays, the
  // operator is told when it is done.
  void clearingTheHistory() {
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    PlayerHistory* h = f.History().History();
    QTRY_VERIFY_WITH_TIMEOUT(h->Status().keeping, 5000);
    h->RecordNames("127.0.0.1:1", "S", std::vector<std::string>{"Somebody"}, kNow);
    h->AddWatch(WatchKind::kNamePattern, "*body", "", kNow);
    QVERIFY(h->Flush());
    QCOMPARE(h->Search("somebody", 5).size(), std::size_t(1));
    QSignalSpy cleared(&f.History(), &HistoryLink::Cleared);
    f.ClearHistory();
    QTRY_COMPARE_WITH_TIMEOUT(cleared.count(), 1, 5000);
    QCOMPARE(notices_, QStringList{QStringLiteral("Der Spielerverlauf wurde gelöscht.")});
    QVERIFY(h->Search("somebody", 5).empty());
    QCOMPARE(h->WatchList().size(), std::size_t(1));
  }

  // "Verlauf führen" off: nothing more is kept; the days reach the history.
  void settingsReachTheHistory() {
    SettingsStore store;
    TForm1 f(store);
    Quiet(f);
    PlayerHistory* h = f.History().History();
    QTRY_VERIFY_WITH_TIMEOUT(h->Status().keeping, 5000);
    store.Update([](Settings& s) {
      s.historyOn = false;
      s.historyDays = 30;
    });
    QCOMPARE(h->Settings().enabled, false);
    QCOMPARE(h->Settings().keepDays, 30);
    h->RecordNames("127.0.0.1:1", "S", std::vector<std::string>{"Ghost"}, kNow);
    QVERIFY(h->Flush());
    QVERIFY(h->Search("ghost", 5).empty());
  }
};

QTEST_MAIN(TestWatchAlert)
#include "test_watchalert.moc"
