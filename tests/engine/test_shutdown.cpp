// Shutdown: never hangs, not even while workers wait in a hand-over and the
// main thread runs no events; nothing is handled afterwards.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <memory>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;

class ShutdownTest : public QObject {
  Q_OBJECT

 private slots:
  void shutdownWhileWorkersWaitInHandOvers() {
    TestServer server;
    TestServerConfig c;
    c.rconPassword = "pw";
    c.floodProtection = false;
    QVERIFY(server.start(c));
    SettingsStore settings;
    auto engine = std::make_unique<QueryEngine>(settings);
    engine->List().Append(Entry("127.0.0.1", std::to_string(server.port()), "pw"));
    engine->Selected().SelectRow(0);
    QVERIFY(engine->Start());
    engine->RequestStatusPoll();

    // Replies arrive on both channels while the main thread runs no events:
    // get and getb receive and then wait in their hand-overs.
    QVERIFY(engine->SendGetStatus(0));
    QCOMPARE(engine->SendRconVar("g_gametype"), QueryEngine::SendResult::Sent);
    QVERIFY(BusyWait([&] { return server.stats().repliesSent >= 2; }));
    QVERIFY(BusyWait([&] { return engine->PendingHandOvers() == 2; }));

    QElapsedTimer clock;
    clock.start();
    engine->Shutdown();  // deadline 3 s; the workers must end well before
    const qint64 took = clock.elapsed();
    QVERIFY2(took < 2000, qPrintable(QString("Shutdown took %1 ms").arg(took)));
    QVERIFY(!engine->Running());

    // Whatever was queued never runs, the poll's answer included.
    QCOMPARE(engine->PendingHandOvers(), size_t(0));
    QTest::qWait(100);
    QCOMPARE(engine->counters().datagrams, 0u);
    QCOMPARE(engine->counters().varReplies, 0u);
    QCOMPARE(engine->counters().statusTables, 0u);
    QCOMPARE(engine->StatusPollsInFlight(), size_t(0));
    QCOMPARE(engine->List().At(0).maxclients, 0);

    // Idempotent, and no restart after it; nothing is sent any more.
    engine->Shutdown();
    QVERIFY(!engine->Start());
    QCOMPARE(engine->SendRcon("status"), QueryEngine::SendResult::Failed);
    engine.reset();
    QTest::qWait(50);
  }

  void workersLeftBehindByTheDeadlineTouchNothingFreed() {
    TestServer server;
    QVERIFY(server.start());
    auto settings = std::make_unique<SettingsStore>();
    auto engine = std::make_unique<QueryEngine>(*settings);
    engine->List().Append(Entry("127.0.0.1", std::to_string(server.port()), "pw"));
    QVERIFY(engine->Start());
    engine->RequestStatusPoll(engine->List().At(0).uid);
    QVERIFY(engine->SendGetStatus(0));
    QVERIFY(BusyWait([&] { return server.stats().repliesSent >= 1; }));
    // No time at all to end: every worker still inside a receive or a
    // hand-over is left to finish on its own ...
    engine->Shutdown(std::chrono::milliseconds(0));
    // ... while everything it could have used is freed at once.
    engine.reset();
    settings.reset();
    // The workers end within their receive waits; sanitizers watch them.
    QTest::qWait(1000);
    QVERIFY(server.running());
  }

  void destroyingARunningEngineStopsIt() {
    TestServer server;
    QVERIFY(server.start());
    SettingsStore settings;
    {
      QueryEngine engine(settings);
      for (int i = 0; i < 20; ++i)
        engine.List().Append(Entry("127.0.0.1", std::to_string(server.port())));
      QVERIFY(engine.Start());
      engine.Timer5().SetInterval(5);
      engine.Timer5().SetEnabled(true);
      QTRY_VERIFY(engine.counters().statusResponses > 0);
    }                   // destroyed with replies still in flight
    QTest::qWait(100);  // nothing left behind touches what is gone
    QVERIFY(server.running());
  }
};

QTEST_GUILESS_MAIN(ShutdownTest)
#include "test_shutdown.moc"
