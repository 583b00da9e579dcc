// One command to several servers, against test game servers on loopback:
// right, wrong and missing passwords, a silent server and one that limits
// requests each get their own outcome, and none of them holds up the
// others; "Abbrechen" drops only what has not left.
#include <QTest>

#include <QElapsedTimer>

#include <algorithm>
#include <map>

#include "engine/rconbatch.h"

#include "enginefixture.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;
using State = RconBatch::State;

Q_DECLARE_METATYPE(zelmora::RconBatch::State)

namespace {

TestServerConfig WithPassword(const std::string& pw) {
  TestServerConfig c;
  c.rconPassword = pw;
  return c;
}

std::vector<RconBatch::Item> ToAll(Engine& e, const std::string& command) {
  std::vector<RconBatch::Item> items;
  for (std::size_t i = 0; i < e.engine->List().Size(); ++i)
    items.push_back({e.engine->List().At(i).uid, command});
  return items;
}

bool Executed(const TestServer& s, const std::string& command) {
  const auto done = s.executedCommands();
  return std::find(done.begin(), done.end(), command) != done.end();
}

// The states each row went through, in order.
struct History {
  std::map<int, std::vector<State>> states;
  std::map<int, qint64> finalAt;  // ms after the start
  QElapsedTimer clock;
  void Watch(RconBatch& batch) {
    clock.start();
    QObject::connect(&batch, &RconBatch::RowChanged, [this, &batch](int row) {
      const State s = batch.Rows()[static_cast<std::size_t>(row)].state;
      auto& list = states[row];
      if (list.empty() || list.back() != s) list.push_back(s);
      if (RconBatch::Final(s) && !finalAt.count(row)) finalAt[row] = clock.elapsed();
    });
  }
  bool Saw(int row, State s) const {
    const auto it = states.find(row);
    return it != states.end() && std::count(it->second.begin(), it->second.end(), s) > 0;
  }
};

}  // namespace

class RconBatchTest : public QObject {
  Q_OBJECT

 private slots:
  void classify_data() {
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<State>("state");
    const QByteArray head("\xff\xff\xff\xffprint\n");
    QTest::newRow("none in time") << false << QByteArray() << State::NoAnswer;
    QTest::newRow("console") << true << head + "console: hallo\n" << State::Done;
    QTest::newRow("empty output") << true << head << State::Done;
    QTest::newRow("call of duty refusal") << true << head + "Bad rconpassword.\n"
                                          << State::WrongPassword;
    QTest::newRow("ioquake3 refusal") << true << head + "Invalid password.\n"
                                      << State::WrongPassword;
    QTest::newRow("none set on the server") << true << head + "No rconpassword set.\n"
                                            << State::NoPassword;
    QTest::newRow("refusal text inside a longer output")
        << true << head + "map: mp_harbor\nBad rconpassword.\n"
        << State::WrongPassword;
    QTest::newRow("a similar text is no refusal") << true << head + "Bad rconpassword\n"
                                                  << State::Done;
  }
  void classify() {
    QFETCH(bool, answered);
    QFETCH(QByteArray, output);
    QFETCH(State, state);
    const std::optional<std::string> o =
        answered ? std::optional<std::string>(output.toStdString()) : std::nullopt;
    QCOMPARE(RconBatch::Classify(o), state);
  }

  // Right, wrong, missing on our side, missing on the server's side, and a
  // server that never answers: every row gets its own outcome, the ones
  // that answer long before the silent one is given up.
  void mixedPasswordsAndASilentServer() {
    TestServer right, wrong, none, unset, silent;
    QVERIFY(right.start(WithPassword("pw")));
    QVERIFY(wrong.start(WithPassword("other")));
    QVERIFY(none.start(WithPassword("pw")));
    QVERIFY(unset.start(WithPassword("")));
    TestServerConfig quiet = WithPassword("pw");
    quiet.dropShare = 1.0;
    QVERIFY(silent.start(quiet));
    Engine e;
    e.Add(right.port(), "pw");
    e.Add(wrong.port(), "pw");
    e.Add(none.port(), "");
    e.Add(unset.port(), "pw");
    e.Add(silent.port(), "pw");
    QVERIFY(e.Start());
    RconBatch batch(*e.engine);
    History h;
    h.Watch(batch);
    QSignalSpy done(&batch, &RconBatch::AllDone);
    batch.Start(ToAll(e, "say \"Server startet neu\""));
    QCOMPARE(batch.Rows()[2].state, State::NoPassword);  // at once, nothing sent
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 8000);
    const auto& rows = batch.Rows();
    QCOMPARE(rows[0].state, State::Done);
    QCOMPARE(rows[0].FirstLine(), std::string("console: Server startet neu"));
    QVERIFY(rows[0].sent.isValid() && rows[0].answered.isValid());
    QVERIFY(rows[0].sent <= rows[0].answered);
    QCOMPARE(rows[1].state, State::WrongPassword);
    QCOMPARE(rows[1].FirstLine(), std::string("Bad rconpassword."));
    QCOMPARE(rows[3].state, State::NoPassword);
    QCOMPARE(rows[3].FirstLine(), std::string("No rconpassword set."));
    QCOMPARE(rows[4].state, State::NoAnswer);
    QVERIFY(rows[4].sent.isValid() && !rows[4].answered.isValid() && !rows[4].output);
    QVERIFY(h.Saw(4, State::Sent));
    QCOMPARE(none.receivedCount(), uint64_t(0));
    QVERIFY(Executed(right, "say \"Server startet neu\""));
    QVERIFY(!Executed(wrong, "say \"Server startet neu\""));
    // The silent server held up nobody: the others were through long
    // before it was given up (2 s without an answer).
    for (int row : {0, 1, 3}) QVERIFY(h.finalAt[row] + 1500 < h.finalAt[4]);
    QCOMPARE(batch.Failures(), 4);
  }

  // A server found limiting its requests: its row says it waits for its
  // budget; the others are not held up by it.
  void limitedServerWaitsAloneAndSaysSo() {
    TestServerConfig limited = WithPassword("pw");
    limited.limiterBurst = 1;
    limited.limiterPeriodMs = 1000;
    limited.floodProtection = false;
    TestServer slow, a, b;
    QVERIFY(slow.start(limited));
    QVERIFY(a.start(WithPassword("pw")));
    QVERIFY(b.start(WithPassword("pw")));
    Engine e;
    e.Add(slow.port(), "pw");
    e.Add(a.port(), "pw");
    e.Add(b.port(), "pw");
    QVERIFY(e.Start());
    // Reads faster than its limiter lets through: lost ones while others
    // are answered are the signs of a limiter.
    for (int i = 0; i < 8; ++i) {
      RconOptions read;
      read.kind = RconKind::Read;
      e.S(0).Send(RconChannel::Var, "sv_hostname", std::move(read));
    }
    QTRY_VERIFY_WITH_TIMEOUT(e.engine->IsLimited(e.E(0).uid), 15000);
    RconBatch batch(*e.engine);
    History h;
    h.Watch(batch);
    QSignalSpy done(&batch, &RconBatch::AllDone);
    batch.Start(ToAll(e, "say limited"));
    QCOMPARE(batch.Rows()[0].state, State::Throttled);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 15000);
    QVERIFY(h.Saw(0, State::Throttled));
    QCOMPARE(batch.Rows()[1].state, State::Done);
    QCOMPARE(batch.Rows()[2].state, State::Done);
    QVERIFY(h.finalAt[1] < 1000 && h.finalAt[2] < 1000);
    // Its own outcome, whichever the limiter allowed.
    const State s = batch.Rows()[0].state;
    QVERIFY(s == State::Done || s == State::NoAnswer);
    QCOMPARE(Executed(slow, "say limited"), s == State::Done);
  }

  // "Abbrechen": what left is carried out and answered, what still waits
  // never leaves.
  void cancelDropsOnlyWhatWaits() {
    TestServer a, b;
    QVERIFY(a.start(WithPassword("pw")));
    QVERIFY(b.start(WithPassword("pw")));
    Engine e;
    e.Add(a.port(), "pw");
    e.Add(b.port(), "pw");
    QVERIFY(e.Start());
    e.engine->SetRconPause(300ms);
    // B is busy: the batch's command waits behind two of its own.
    e.S(1).Send(RconChannel::Query, "say eins");
    e.S(1).Send(RconChannel::Query, "say zwei");
    RconBatch batch(*e.engine);
    QSignalSpy done(&batch, &RconBatch::AllDone);
    batch.Start(ToAll(e, "say batch"));
    QTRY_COMPARE_WITH_TIMEOUT(batch.Rows()[0].state, State::Sent, 3000);
    QVERIFY(!RconBatch::Final(batch.Rows()[1].state));
    batch.Cancel();
    QCOMPARE(batch.Rows()[1].state, State::Dropped);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    QCOMPARE(batch.Rows()[0].state, State::Done);
    QTRY_VERIFY_WITH_TIMEOUT(Executed(b, "say zwei"), 3000);
    QTest::qWait(700);
    QVERIFY(Executed(a, "say batch"));
    QVERIFY(!Executed(b, "say batch"));
  }

  // A server taken off the list while its command waits: dropped; a batch
  // that goes away drops what still waits.
  void removedServerAndClosedBatch() {
    TestServer a, b;
    QVERIFY(a.start(WithPassword("pw")));
    QVERIFY(b.start(WithPassword("pw")));
    Engine e;
    e.Add(a.port(), "pw");
    e.Add(b.port(), "pw");
    QVERIFY(e.Start());
    e.engine->SetRconPause(300ms);
    auto batch = std::make_unique<RconBatch>(*e.engine);
    batch->Start(ToAll(e, "say weg"));
    e.engine->List().RemoveAt(0);
    QTRY_COMPARE_WITH_TIMEOUT(batch->Rows()[0].state, State::Dropped, 2000);
    batch.reset();
    QTest::qWait(700);
    QVERIFY(!Executed(a, "say weg"));
    QVERIFY(!Executed(b, "say weg"));
  }
};

QTEST_GUILESS_MAIN(RconBatchTest)
#include "test_rconbatch.moc"
