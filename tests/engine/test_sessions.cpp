// What belongs to one server stays with it, against test game servers on
// loopback: a kick is checked against a table polled after the click, an
// edit keeps what waits, each server has its own console, polls do not
// wait for each other, a late piece of output still joins its output, a
// limited server that answers is never taken for silent, and a deleted
// server's kick is told with its name.
#include <QTest>

#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <set>

#include "engine/clock.h"

#include "enginefixture.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;

namespace {

TestPlayer Player(int num, const std::string& name, const std::string& guid) {
  TestPlayer p;
  p.num = num;
  p.name = name;
  p.guid = guid;
  return p;
}

TestServerConfig Rconned(std::vector<TestPlayer> players = {}) {
  TestServerConfig c;
  c.rconPassword = "pw";
  c.players = std::move(players);
  return c;
}

bool Executed(const TestServer& s, const std::string& command) {
  const auto done = s.executedCommands();
  return std::find(done.begin(), done.end(), command) != done.end();
}

// Polls the server's table and waits for it.
void PollAndWait(Engine& e, int row) {
  QSignalSpy tables(&e.S(row), &ServerSession::TableChanged);
  e.S(row).RequestTable();
  QTRY_VERIFY_WITH_TIMEOUT(tables.count() >= 1, 5000);
}

}  // namespace

Q_DECLARE_METATYPE(zelmora::ActionOutcome)

class SessionsTest : public QObject {
  Q_OBJECT

 private slots:
  // The slot of the player clicked changed hands while a poll was on its
  // way: that poll's table still shows him, but it left before the click,
  // so it decides nothing. The next table shows the newcomer: nobody is
  // kicked, and the operator is told.
  void kickWaitsForATablePolledAfterTheClick() {
    TestServer a;
    QVERIFY(a.start(Rconned({Player(0, "Alpha", "111111"), Player(3, "Old", "333333")})));
    Engine e;
    e.Add(a.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    PollAndWait(e, 0);
    QTest::qWait(600);
    a.clearReceived();
    QSignalSpy outcomes(e.engine.get(), &QueryEngine::Outcome);
    e.S(0).RequestTable();  // a poll leaves ...
    QTRY_VERIFY_WITH_TIMEOUT(!a.received().empty(), 3000);
    // ... the slot changes hands ...
    a.setPlayers({Player(0, "Alpha", "111111"), Player(3, "Newcomer", "999999")});
    // ... and the operator clicks Old as the table on screen shows him.
    PendingPlayerAction kick;
    kick.kind = PendingPlayerAction::Kind::Kick;
    kick.client = "3";
    kick.guid = "333333";
    kick.name = "Old";
    e.S(0).Act(kick);
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.count(), 1, 6000);
    const auto outcome = outcomes[0][1].value<ActionOutcome>();
    QVERIFY(outcome.result == ActionOutcome::Result::Gone);
    QCOMPARE(outcome.player, std::string("Old"));
    QVERIFY(!Executed(a, "clientkick 3"));
    QCOMPARE(a.config().players.size(), size_t(2));
  }

  // A kick of the player who is still there leaves right after the table
  // it was checked against (the flood spacing after that poll, not a
  // pause), and the next table tells it worked, naming the server.
  void kickLeavesRightAfterItsTable() {
    TestServerConfig c = Rconned({Player(2, "Big Joe", "222222")});
    SetVar(c.vars, "sv_hostname", "^1Red ^7Base");
    TestServer a;
    QVERIFY(a.start(c));
    Engine e;
    e.Add(a.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QVERIFY(e.engine->SendGetStatus(0));
    QTRY_VERIFY(e.E(0).protocol != 0);
    PollAndWait(e, 0);
    QTest::qWait(600);
    a.clearReceived();
    QSignalSpy outcomes(e.engine.get(), &QueryEngine::Outcome);
    e.S(0).Act(
        PendingPlayerAction{PendingPlayerAction::Kind::Kick, "2", "222222", "Big Joe", {}, {}, {}});
    QTRY_VERIFY_WITH_TIMEOUT(Executed(a, "clientkick 2"), 5000);
    const auto got = a.received();
    QVERIFY(got.size() >= 2);
    QVERIFY(got[0].data.find("status") != std::string::npos);
    QVERIFY(got[1].data.find("clientkick 2") != std::string::npos);
    QVERIFY(got[1].at - got[0].at < 700ms);
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.count(), 1, 5000);
    const auto outcome = outcomes[0][1].value<ActionOutcome>();
    QVERIFY(outcome.result == ActionOutcome::Result::Done);
    QCOMPARE(outcome.server, std::string("Red Base"));
  }

  // Editing an entry keeps its session: what waits leaves with the new
  // password; a new address drops it, and the console says so.
  void editInPlaceKeepsTheLine() {
    TestServer a, b;
    QVERIFY(a.start(Rconned()));
    TestServerConfig other = Rconned();
    other.rconPassword = "new";
    QVERIFY(b.start(other));
    Engine e;
    e.Add(a.port(), "old");
    e.Select(0);
    QVERIFY(e.Start());
    e.engine->SetRconPause(300ms);
    ServerSession* session = &e.S(0);
    for (int i = 0; i < 3; ++i) e.engine->SendRcon("say " + std::to_string(i));
    a.update([](TestServerConfig& cc) { cc.rconPassword = "new"; });
    const std::uint64_t uid = e.E(0).uid;
    e.engine->List().Edit(uid, kHost, std::to_string(a.port()), "new", "?;?");
    QCOMPARE(e.engine->Session(uid), session);
    QTRY_VERIFY_WITH_TIMEOUT(Executed(a, "say 2"), 5000);
    QVERIFY(Executed(a, "say 0") && Executed(a, "say 1"));
    QCOMPARE(a.stats().rconBadPassword, 0u);

    e.engine->SendRcon("say moved");
    e.engine->List().Edit(uid, kHost, std::to_string(b.port()), "new", "?;?");
    QCOMPARE(e.engine->HeldRcon(), size_t(0));
    QVERIFY(e.ConsoleHas(0, "Adresse des Servers geändert: 1 wartender Befehl wurde verworfen."));
    QTest::qWait(500);
    QVERIFY(!Executed(a, "say moved") && !Executed(b, "say moved"));
  }

  // Each server's outputs stay in its own console, whatever is selected
  // when they come.
  void everyServerHasItsOwnConsole() {
    TestServer a, b;
    QVERIFY(a.start(Rconned({Player(0, "AlphaOnA", "111111")})));
    QVERIFY(b.start(Rconned({Player(0, "BetaOnB", "222222")})));
    Engine e;
    e.Add(a.port(), "pw");
    e.Add(b.port(), "pw");
    QVERIFY(e.Start());
    e.engine->SetRconPause(200ms);
    e.Select(0);
    e.engine->SendRcon("status");
    e.Select(1);  // A's answer comes while B is selected
    QTRY_VERIFY_WITH_TIMEOUT(e.Console(0).size() > 3, 5000);
    const auto hasLine = [](const std::vector<std::string>& lines, const std::string& part) {
      return std::any_of(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    QVERIFY(hasLine(e.Console(0), "AlphaOnA"));
    QVERIFY(e.Console(1).empty());
    e.engine->SendRcon("status");
    QTRY_VERIFY_WITH_TIMEOUT(hasLine(e.Console(1), "BetaOnB"), 5000);
    QVERIFY(!hasLine(e.Console(1), "AlphaOnA"));
    QVERIFY(!hasLine(e.Console(0), "BetaOnB"));
  }

  // Three silent servers with tables asked for cost the selected server
  // nothing: its table is there within a round trip and the quiet time.
  void pollsDoNotWaitForEachOther() {
    TestServerConfig silent = Rconned();
    silent.dropShare = 1.0;
    TestServer x, y, z, s;
    for (TestServer* t : {&x, &y, &z}) QVERIFY(t->start(silent));
    QVERIFY(s.start(Rconned({Player(0, "P", "111111")})));
    Engine e;
    for (TestServer* t : {&x, &y, &z, &s}) e.Add(t->port(), "pw");
    QVERIFY(e.Start());
    for (int row = 0; row < 3; ++row) e.S(row).RequestTable();
    QTRY_COMPARE(e.engine->StatusPollsInFlight(), size_t(3));
    QElapsedTimer clock;
    clock.start();
    PollAndWait(e, 3);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(e.engine->StatusPollsInFlight(), size_t(3));
  }

  // The pieces of an output that come more than the quiet time apart, before
  // the next command: one output in the console, a listing that grows.
  void lateDatagramsJoinTheirOutput() {
    TestServer a;
    QVERIFY(a.start(Rconned()));
    Engine e;
    e.Add(a.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QVERIFY(e.engine->SendGetStatus(0));
    QTRY_VERIFY(e.E(0).protocol != 0);
    const uint16_t port = e.engine->QueryLocalPort();
    QVERIFY(a.sendTo(kHost, port,
                     Oob("print\nDirectory of maps/mp .bsp\n----------\nmp_a.bsp\nmp_b.bsp\n")));
    QTRY_COMPARE_WITH_TIMEOUT(e.S(0).Maps().items.size(), size_t(2), 2000);
    QTest::qWait(250);
    QVERIFY(a.sendTo(kHost, port, Oob("print\nmp_c.bsp\nmp_d.bsp\n")));
    QTRY_COMPARE_WITH_TIMEOUT(e.S(0).Maps().items.size(), size_t(4), 2000);
    QCOMPARE(e.Console(0),
             (std::vector<std::string>{"Directory of maps/mp .bsp", "----------", "mp_a.bsp",
                                       "mp_b.bsp", "mp_c.bsp", "mp_d.bsp"}));
    // Once a command has left, what comes is the next output.
    e.engine->SendRcon("say x");
    QTRY_VERIFY_WITH_TIMEOUT(e.ConsoleHas(0, "> say x"), 2000);
  }

  // A batch of reads to a server that limits requests (before it is known
  // to): the reads it lost while answering others are sent again, so
  // every one is answered, and with its getstatus kept in the budget and
  // its answers counted the server is never taken for silent.
  void limitedServerAnswersEveryReadAndIsNeverSilent() {
    TestServerConfig c = Rconned();
    c.limiterBurst = 10;
    c.floodProtection = false;
    TestServer a;
    QVERIFY(a.start(c));
    Engine e;
    e.Add(a.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    e.engine->Timer1().SetInterval(1000);
    e.engine->Timer1().SetEnabled(true);
    QSignalSpy replies(e.engine.get(), &QueryEngine::VarReply);
    const std::vector<std::string> names = {
        "scr_dm_scorelimit",  "scr_dm_timelimit", "scr_tdm_scorelimit", "scr_tdm_timelimit",
        "scr_sd_scorelimit",  "scr_sd_timelimit", "scr_sd_roundlimit",  "scr_sd_roundlength",
        "scr_sd_graceperiod", "scr_sd_bombtimer", "scr_hq_scorelimit",  "scr_hq_timelimit"};
    std::uint32_t stalest = 0;
    for (const std::string& name : names) {
      RconOptions read;
      read.kind = RconKind::Read;
      QCOMPARE(e.S(0).Send(RconChannel::Var, name, std::move(read)), SendResult::Sent);
      for (int i = 0; i < 7; ++i) {  // the cvar queue's 700 ms
        QTest::qWait(100);
        stalest = std::max(stalest, TickCount32() - e.E(0).lastreply);
      }
    }
    QElapsedTimer clock;
    clock.start();
    std::set<std::string> answered;
    while (clock.elapsed() < 30000 && answered.size() < names.size()) {
      QTest::qWait(100);
      stalest = std::max(stalest, TickCount32() - e.E(0).lastreply);
      for (const QList<QVariant>& r : replies) {
        const std::string line = r[1].value<std::string>();
        for (const std::string& n : names)
          if (line.rfind("\"" + n + "\"", 0) == 0) answered.insert(n);
      }
    }
    QCOMPARE(answered.size(), names.size());
    QVERIFY(a.stats().limiterDropped > 0);     // the limiter did drop some
    QVERIFY(e.engine->counters().resent > 0);  // and they were asked again
    QVERIFY2(stalest < 8000, qPrintable(QString("no answer for %1 ms").arg(stalest)));
  }

  // Whoever gave a command hears its answer: the output credited to it, or
  // none when the server stayed silent (the wrong-password text is an
  // answer too).
  void answerReachesItsCommand() {
    TestServerConfig c = Rconned();
    c.script = [](std::string_view request, std::vector<std::string>&) {
      return request.find("say lost") != std::string_view::npos;
    };
    TestServer a;
    QVERIFY(a.start(c));
    Engine e;
    e.Add(a.port(), "pw");
    QVERIFY(e.Start());
    std::vector<std::optional<std::string>> answers(3);
    std::vector<bool> got(3, false);
    auto on = [&](int i) {
      RconOptions o;
      o.answer = [&, i](const std::optional<std::string>& out) {
        answers[static_cast<std::size_t>(i)] = out;
        got[static_cast<std::size_t>(i)] = true;
      };
      return o;
    };
    e.S(0).Send(RconChannel::Query, "say hallo", on(0));
    e.S(0).Send(RconChannel::Query, "say lost", on(1));
    a.update([](TestServerConfig& cc) { cc.rconPassword = "other"; });
    QTRY_VERIFY_WITH_TIMEOUT(got[0] && got[1], 6000);
    QVERIFY(answers[0].has_value());
    QVERIFY(!answers[1].has_value());
    e.S(0).Send(RconChannel::Query, "status", on(2));
    QTRY_VERIFY_WITH_TIMEOUT(got[2], 6000);
    QVERIFY(answers[2] && answers[2]->find("Bad rconpassword.") != std::string::npos);
  }

  // A command called off while it waits never leaves; its giver hears so.
  void calledOffCommandNeverLeaves() {
    TestServer a;
    QVERIFY(a.start(Rconned()));
    Engine e;
    e.Add(a.port(), "pw");
    QVERIFY(e.Start());
    e.engine->SetRconPause(300ms);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    int dropped = 0;
    RconOptions o;
    o.cancelled = cancel;
    o.done = [&](bool left) { dropped += left ? 0 : 1; };
    QCOMPARE(e.S(0).Send(RconChannel::Query, "say nie", std::move(o)), SendResult::Sent);
    cancel->store(true);
    QTRY_COMPARE(dropped, 1);
    QTest::qWait(400);
    QVERIFY(a.executedCommands().empty());
  }

  // A deleted server's waiting kick is told, with the server's name.
  void deletedServerTellsItsKick() {
    TestServerConfig c = Rconned({Player(2, "Big Joe", "222222")});
    SetVar(c.vars, "sv_hostname", "Gone Server");
    c.dropShare = 1.0;  // no table ever comes
    TestServer a;
    QVERIFY(a.start(c));
    Engine e;
    e.Add(a.port(), "pw");
    QVERIFY(e.Start());
    e.E(0).hostname.assign("Gone Server");
    e.S(0).TakeStatus({}, {});
    QSignalSpy outcomes(e.engine.get(), &QueryEngine::Outcome);
    e.S(0).Act(
        PendingPlayerAction{PendingPlayerAction::Kind::Kick, "2", "222222", "Big Joe", {}, {}, {}});
    e.engine->List().RemoveAt(0);
    QCOMPARE(outcomes.count(), 1);
    const auto outcome = outcomes[0][1].value<ActionOutcome>();
    QVERIFY(outcome.result == ActionOutcome::Result::Removed);
    QCOMPARE(outcome.server, std::string("Gone Server"));
    QCOMPARE(outcome.player, std::string("Big Joe"));
  }
};

QTEST_GUILESS_MAIN(SessionsTest)
#include "test_sessions.moc"
