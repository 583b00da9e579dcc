// The engine's players go to the player history, against test game servers
// on loopback: a watched player who joins a polled server is told once per
// appearance and marks the server while he is there, a name pattern finds
// players of any listed server's status reply, silence mutes without
// unwatching, tables and names are kept under "host:port", a kick is
// recorded when it leaves (with the operator's reason) and the next table
// confirms it, and hostile tables cost nothing but their rows.
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "engine/historyfeed.h"
#include "history/playerhistory.h"

#include "enginefixture.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;

Q_DECLARE_METATYPE(zelmora::WatchAlertInfo)
Q_DECLARE_METATYPE(zelmora::ActionOutcome)

namespace {

constexpr std::int64_t kNow = 1700000000;  // the feed's clock in these tests

TestPlayer Player(int num, const std::string& name, const std::string& guid,
                  const std::string& ping = "50") {
  TestPlayer p;
  p.num = num;
  p.name = name;
  p.guid = guid;
  p.ping = ping;
  p.ip = "127.0.0." + std::to_string(10 + num);
  return p;
}

TestServerConfig Config(std::vector<TestPlayer> players, const std::string& pass = "pw") {
  TestServerConfig c;
  c.rconPassword = pass;
  c.players = std::move(players);
  SetVar(c.vars, "sv_hostname", "^2Green ^7Camp");
  return c;
}

HistoryOptions Options() {
  HistoryOptions o;
  o.dailyPrune = false;
  return o;
}

// A history in a folder of its own, opened, fed by an engine.
struct Fed {
  QTemporaryDir dir;
  std::unique_ptr<PlayerHistory> history;
  Engine e;
  Fed() {
    history = std::make_unique<PlayerHistory>(dir.path().toStdString(), Options());
    history->Open();
    e.engine->SetHistory(history.get());
    e.engine->Feed()->SetClock([] { return kNow; });
  }
  HistoryFeed& F() { return *e.engine->Feed(); }
  void Poll(int row) {
    QSignalSpy tables(&e.S(row), &ServerSession::TableChanged);
    e.S(row).RequestTable();
    QTRY_VERIFY_WITH_TIMEOUT(tables.count() >= 1, 5000);
  }
  void Status(int row) {
    QSignalSpy status(&e.S(row), &ServerSession::StatusChanged);
    QVERIFY(e.engine->SendGetStatus(row));
    QTRY_VERIFY_WITH_TIMEOUT(status.count() >= 1, 5000);
  }
};

bool Executed(const TestServer& s, const std::string& command) {
  const auto done = s.executedCommands();
  return std::find(done.begin(), done.end(), command) != done.end();
}

}  // namespace

class HistoryFeedTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qRegisterMetaType<WatchAlertInfo>(); }

  // A player of the watch list joins the selected, polled server: one
  // alert for the appearance however many tables show him, the row marked
  // while he is there; after he left and came back, the next alert.
  void watchedGuidJoiningAPolledServer() {
    TestServer a;
    QVERIFY(a.start(Config({Player(0, "Alpha", "111111")})));
    Fed f;
    const std::int64_t id = f.history->AddWatch(WatchKind::kGuid, "424242", "Cheater", kNow);
    f.e.Add(a.port(), "pw");
    f.e.Select(0);
    QVERIFY(f.e.Start());
    f.Status(0);  // the server's name for the alert
    QSignalSpy alerts(&f.F(), &HistoryFeed::WatchAlert);
    f.Poll(0);
    QCOMPARE(alerts.count(), 0);
    const std::uint64_t uid = f.e.E(0).uid;
    QVERIFY(!f.e.engine->HasWatchedPlayer(uid));

    a.setPlayers({Player(0, "Alpha", "111111"), Player(5, "^1Mal^7lory", "424242")});
    QSignalSpy rows(&f.e.engine->List(), &ServerList::EntryChanged);
    f.Poll(0);
    QCOMPARE(alerts.count(), 1);
    const auto alert = alerts[0][0].value<WatchAlertInfo>();
    QCOMPARE(alert.player, std::string("^1Mal^7lory"));
    QCOMPARE(alert.guid, std::string("424242"));
    QCOMPARE(alert.serverName, std::string("Green Camp"));
    QCOMPARE(alert.server, uid);
    QCOMPARE(alert.entry.id, id);
    QCOMPARE(alert.since, kNow);
    QVERIFY(f.e.engine->HasWatchedPlayer(uid));
    QVERIFY(rows.count() >= 1);  // the row is drawn again with its mark

    f.Poll(0);
    f.Status(0);  // his name in the status reply: the same appearance
    QCOMPARE(alerts.count(), 1);
    QVERIFY(f.e.engine->HasWatchedPlayer(uid));

    a.setPlayers({Player(0, "Alpha", "111111")});
    f.Poll(0);
    QVERIFY(!f.e.engine->HasWatchedPlayer(uid));
    a.setPlayers({Player(0, "Alpha", "111111"), Player(7, "Mallory", "424242")});
    f.Poll(0);
    QCOMPARE(alerts.count(), 2);
    QCOMPARE(alerts[1][0].value<WatchAlertInfo>().player, std::string("Mallory"));
  }

  // A name pattern matches the players of any listed server's status
  // reply, no rcon needed. Silence mutes the alert but the server is still
  // marked; an entry switched off watches nobody.
  void namePatternInAStatusReply_data() {
    QTest::addColumn<int>("state");  // 0 on, 1 silenced, 2 switched off
    QTest::addColumn<int>("alerts");
    QTest::addColumn<bool>("marked");
    QTest::newRow("on") << 0 << 1 << true;
    QTest::newRow("silenced for an hour") << 1 << 0 << true;
    QTest::newRow("switched off") << 2 << 0 << false;
  }
  void namePatternInAStatusReply() {
    QFETCH(int, state);
    QFETCH(int, alerts);
    QFETCH(bool, marked);
    TestServer a;
    QVERIFY(a.start(Config({Player(0, "Plain", "0")}, "")));
    Fed f;
    const std::int64_t id = f.history->AddWatch(WatchKind::kNamePattern, "*sniper*", "", kNow);
    if (state == 1) QVERIFY(f.history->SilenceWatch(id, kNow + kWatchSilenceSeconds));
    if (state == 2) QVERIFY(f.history->SetWatchEnabled(id, false));
    f.e.Add(a.port());
    QVERIFY(f.e.Start());
    QSignalSpy spy(&f.F(), &HistoryFeed::WatchAlert);
    f.Status(0);
    QCOMPARE(spy.count(), 0);
    a.setPlayers({Player(0, "Plain", "0"), Player(1, "^3xX^7SNIPER^1Xx", "0")});
    f.Status(0);
    f.Status(0);
    QCOMPARE(spy.count(), alerts);
    QCOMPARE(f.e.engine->HasWatchedPlayer(f.e.E(0).uid), marked);
    if (marked)
      QCOMPARE(f.F().WatchedOn(f.e.E(0).uid).front().player, std::string("^3xX^7SNIPER^1Xx"));
  }

  // The table found him by GUID; after that only status replies come (the
  // operator turned to another server): the reply without his name ends
  // the appearance.
  void statusReplyEndsAnAppearanceATableFound() {
    TestServer a;
    QVERIFY(a.start(Config({Player(2, "Eve", "777777")})));
    Fed f;
    f.history->AddWatch(WatchKind::kGuid, "777777", "", kNow);
    f.e.Add(a.port(), "pw");
    QVERIFY(f.e.Start());
    f.Poll(0);
    const std::uint64_t uid = f.e.E(0).uid;
    QVERIFY(f.e.engine->HasWatchedPlayer(uid));
    f.Status(0);
    QVERIFY(f.e.engine->HasWatchedPlayer(uid));  // his name is there
    a.setPlayers({});
    f.Status(0);
    QVERIFY(!f.e.engine->HasWatchedPlayer(uid));
  }

  // What the engine saw is in the history under "host:port": the table's
  // players with GUID and address, the status reply's names of a server
  // without rcon.
  void tablesAndNamesAreKept() {
    TestServer a, b;
    QVERIFY(a.start(Config({Player(3, "^4Blue^7Fox", "123456")})));
    QVERIFY(b.start(Config({Player(0, "Wanderer", "0")}, "")));
    Fed f;
    f.e.Add(a.port(), "pw");
    f.e.Add(b.port());
    QVERIFY(f.e.Start());
    f.Status(0);
    f.Poll(0);
    f.Status(1);
    QVERIFY(f.history->Flush());
    const auto fox = f.history->Search("bluefox", 10);
    QCOMPARE(fox.size(), std::size_t(1));
    QCOMPARE(fox[0].guid, std::string("123456"));
    QCOMPARE(fox[0].lastAddress, std::string("127.0.0.13"));
    QCOMPARE(fox[0].name, std::string("^4Blue^7Fox"));
    QCOMPARE(fox[0].servers.front().key, "127.0.0.1:" + std::to_string(a.port()));
    QCOMPARE(fox[0].servers.front().name, std::string("^2Green ^7Camp"));
    const auto wanderer = f.history->Search("wander", 10);
    QCOMPARE(wanderer.size(), std::size_t(1));
    QCOMPARE(wanderer[0].playerId, std::int64_t(0));  // only a status reply named him
    QCOMPARE(wanderer[0].servers.front().key, "127.0.0.1:" + std::to_string(b.port()));
  }

  // A kick or ban is recorded when it leaves, with the player as the table
  // showed him and the operator's reason; the table after it confirms it.
  void penaltyRecordedAndConfirmed_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("recorded");
    QTest::newRow("kick") << int(PendingPlayerAction::Kind::Kick) << "clientkick 4"
                          << int(PenaltyKind::kKick);
    QTest::newRow("ban") << int(PendingPlayerAction::Kind::Ban) << "banclient 4"
                         << int(PenaltyKind::kBan);
    QTest::newRow("temporary ban") << int(PendingPlayerAction::Kind::TempBan) << "tempbanclient 4"
                                   << int(PenaltyKind::kTempBan);
    QTest::newRow("high pinger") << int(PendingPlayerAction::Kind::HighPing) << "clientkick 4"
                                 << int(PenaltyKind::kHighPingKick);
  }
  void penaltyRecordedAndConfirmed() {
    QFETCH(int, kind);
    QFETCH(QString, command);
    QFETCH(int, recorded);
    TestServer a;
    QVERIFY(
        a.start(Config({Player(1, "Calm", "100000", "40"), Player(4, "^5Lag", "400000", "380")})));
    Fed f;
    f.e.Add(a.port(), "pw");
    f.e.Select(0);
    QVERIFY(f.e.Start());
    f.Status(0);
    f.Poll(0);
    QSignalSpy outcomes(f.e.engine.get(), &QueryEngine::Outcome);
    PendingPlayerAction act;
    act.kind = static_cast<PendingPlayerAction::Kind>(kind);
    if (act.kind != PendingPlayerAction::Kind::HighPing) {
      act.client = "4";
      act.guid = "400000";
      act.name = "^5Lag";
      act.address = f.e.S(0).Table()[1][6];
    }
    act.reason = "Ping; \"zu hoch\"";
    f.e.S(0).Act(act);
    QTRY_VERIFY_WITH_TIMEOUT(Executed(a, command.toStdString()), 6000);
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.count(), 1, 6000);
    QVERIFY(outcomes[0][1].value<ActionOutcome>().result == ActionOutcome::Result::Done);
    QVERIFY(f.history->Flush());
    const auto rows = f.history->Penalties(0);
    QCOMPARE(rows.size(), std::size_t(1));
    const PenaltyRecord& r = rows[0].record;
    QCOMPARE(int(r.kind), recorded);
    QCOMPARE(r.time, kNow);
    QCOMPARE(r.serverKey, "127.0.0.1:" + std::to_string(a.port()));
    QCOMPARE(r.serverName, std::string("^2Green ^7Camp"));
    QCOMPARE(r.guid, std::string("400000"));
    QCOMPARE(r.name, std::string("^5Lag"));
    QCOMPARE(r.address, std::string("127.0.0.14"));
    QCOMPARE(r.reason, act.reason);
    QVERIFY(rows[0].outcome == PenaltyOutcome::kGone);
    QVERIFY(rows[0].playerId != 0);
  }

  // A kick that left but that no table confirmed before the server was
  // deleted stays unconfirmed; a kick that never left is not recorded.
  void deletedServerLeavesItsKickUnconfirmed() {
    TestServer a;
    QVERIFY(a.start(Config({Player(4, "Gone", "400000")})));
    Fed f;
    f.e.Add(a.port(), "pw");
    QVERIFY(f.e.Start());
    f.Poll(0);
    QSignalSpy sent(&f.e.S(0), &ServerSession::ActionSent);
    f.e.S(0).Act(PendingPlayerAction{
        PendingPlayerAction::Kind::Kick, "4", "400000", "Gone", "127.0.0.14:28960", {}, "", false});
    QTRY_COMPARE_WITH_TIMEOUT(sent.count(), 1, 5000);
    f.e.engine->List().RemoveAt(0);
    QTRY_VERIFY_WITH_TIMEOUT(f.history->Flush() && !f.history->Penalties(0).empty() &&
                                 f.history->Penalties(0)[0].outcome == PenaltyOutcome::kUnconfirmed,
                             5000);
    QCOMPARE(f.history->Penalties(0).size(), std::size_t(1));
  }

  // A hostile table: more rows than any server has, names of nothing but
  // colour codes or of hundreds of bytes, junk GUIDs that many players
  // share. The feed keeps going: a pattern that names them all marks the
  // server once per player of the first 256 rows (a GUID shared by many
  // does not make them one), each told once.
  void hostileTable() {
    std::vector<TestPlayer> players;
    for (int i = 0; i < 300; ++i) {
      std::string name = i % 3 == 0 ? std::string("^^^^") : "evil" + std::string(i % 7 * 40, 'x');
      players.push_back(Player(i, name + std::to_string(i), i % 2 ? "-1" : "0x41"));
    }
    TestServerConfig c = Config(players);
    c.splitBytes = 1000;
    TestServer a;
    QVERIFY(a.start(c));
    Fed f;
    f.history->AddWatch(WatchKind::kNamePattern, "evil*", "", kNow);
    f.e.Add(a.port(), "pw");
    QVERIFY(f.e.Start());
    QSignalSpy alerts(&f.F(), &HistoryFeed::WatchAlert);
    f.Poll(0);
    QCOMPARE(f.e.S(0).Table().size(), std::size_t(300));
    const auto watched = f.F().WatchedOn(f.e.E(0).uid);
    QCOMPARE(watched.size(), std::size_t(256 - 86));  // rows 0..255 but every third
    QCOMPARE(static_cast<std::size_t>(alerts.count()), watched.size());
    for (const WatchAlertInfo& w : watched) QVERIFY(w.player.rfind("evil", 0) == 0);
    f.Poll(0);
    QCOMPARE(static_cast<std::size_t>(alerts.count()), watched.size());
    QVERIFY(f.history->Flush());
  }
};

QTEST_GUILESS_MAIN(HistoryFeedTest)
#include "test_historyfeed.moc"
