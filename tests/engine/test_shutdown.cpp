// Shutdown: never hangs, not even while workers wait in a hand-over and the
// main thread runs no events; nothing is handled afterwards.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <memory>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"
#include "recordingview.h"
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
    AppState state;
    state.serverlist.push_back(Entry("127.0.0.1", std::to_string(server.port()), "pw"));
    state.pingHistory.resize(1);
    state.selected = 0;
    SettingsStore settings;
    RecordingView view;
    auto engine = std::make_unique<QueryEngine>(state, settings, view);
    QVERIFY(engine->Start());
    engine->SetTarget(std::to_string(server.port()), "127.0.0.1");
    engine->RequestStatusPoll();

    // Replies arrive on both channels while the main thread runs no events:
    // get and getb receive and then wait in their hand-overs, status waits
    // in its request hand-over.
    QVERIFY(engine->SendGetStatus(0));
    QCOMPARE(engine->SendRconVar("g_gametype"), QueryEngine::SendResult::Sent);
    QVERIFY(BusyWait([&] { return server.stats().repliesSent >= 2; }));
    // Three workers wait in their hand-overs: get's with the statusResponse,
    // getb's with the variable reply, status's with its request.
    QVERIFY(BusyWait([&] { return engine->PendingHandOvers() == 3; }));

    QElapsedTimer clock;
    clock.start();
    engine->Shutdown();  // deadline 3 s; the workers must end well before
    const qint64 took = clock.elapsed();
    QVERIFY2(took < 2000, qPrintable(QString("Shutdown took %1 ms").arg(took)));
    QVERIFY(!engine->Running());

    // Whatever was queued never runs.
    QCOMPARE(engine->PendingHandOvers(), size_t(0));
    QTest::qWait(100);
    QCOMPARE(engine->counters().datagrams, 0u);
    QCOMPARE(engine->counters().varReplies, 0u);
    QVERIFY(view.calls.empty());
    QCOMPARE(state.serverlist[0].maxclients, 0);
    QVERIFY(!state.statusPolls.empty());  // the poll was never taken

    // Idempotent, and no restart after it.
    engine->Shutdown();
    QVERIFY(!engine->Start());
    engine.reset();
    QTest::qWait(50);
  }

  void workersLeftBehindByTheDeadlineTouchNothingFreed() {
    TestServer server;
    QVERIFY(server.start());
    auto state = std::make_unique<AppState>();
    state->serverlist.push_back(Entry("127.0.0.1", std::to_string(server.port()), "pw"));
    state->pingHistory.resize(1);
    auto settings = std::make_unique<SettingsStore>();
    auto view = std::make_unique<RecordingView>();
    auto engine = std::make_unique<QueryEngine>(*state, *settings, *view);
    QVERIFY(engine->Start());
    engine->RequestStatusPoll();
    QVERIFY(engine->SendGetStatus(0));
    QVERIFY(BusyWait([&] { return server.stats().repliesSent >= 1; }));
    // No time at all to end: every worker still inside a receive or a
    // hand-over is left to finish on its own ...
    engine->Shutdown(std::chrono::milliseconds(0));
    // ... while everything it could have used is freed at once.
    engine.reset();
    view.reset();
    settings.reset();
    state.reset();
    // The workers end within their receive waits; sanitizers watch them.
    QTest::qWait(1000);
    QVERIFY(server.running());
  }

  void destroyingARunningEngineStopsIt() {
    TestServer server;
    QVERIFY(server.start());
    AppState state;
    for (int i = 0; i < 20; ++i)
      state.serverlist.push_back(Entry("127.0.0.1", std::to_string(server.port())));
    state.pingHistory.resize(state.serverlist.size());
    SettingsStore settings;
    RecordingView view;
    {
      QueryEngine engine(state, settings, view);
      QVERIFY(engine.Start());
      engine.Timer5().SetInterval(5);
      engine.Timer5().SetEnabled(true);
      QTRY_VERIFY(engine.counters().statusResponses > 0);
    }  // destroyed with replies still in flight
    const Tserverrec before = state.serverlist[0];
    QTest::qWait(100);
    QCOMPARE(state.serverlist[0].lastreply, before.lastreply);
  }
};

QTEST_GUILESS_MAIN(ShutdownTest)
#include "test_shutdown.moc"
