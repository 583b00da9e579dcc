// Clock, time-out rule, ping history rules, engine timers and the
// main-thread invoker.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "engine/clock.h"
#include "engine/enginetimer.h"
#include "engine/pinghistory.h"
#include "engine/qtinvoker.h"
#include "enginetestutil.h"

using namespace zelmora;
using namespace std::chrono_literals;

using zelmora::testing::BusyWait;

class BasicsTest : public QObject {
  Q_OBJECT

 private slots:
  void clocksAdvanceMonotonically() {
    InitHiResClock();
    const double h0 = HiResMs();
    const std::uint32_t t0 = TickCount32();
    std::this_thread::sleep_for(25ms);
    const double h1 = HiResMs();
    const std::uint32_t t1 = TickCount32();
    QVERIFY(h1 - h0 >= 24.0);
    QVERIFY(static_cast<std::uint32_t>(t1 - t0) >= 24u);
    // Sub-millisecond resolution: two stamps in a row differ by far less
    // than a millisecond but the clock is not stuck at whole milliseconds.
    double a = HiResMs(), b = a;
    for (int i = 0; i < 1000000 && b == a; ++i) b = HiResMs();
    QVERIFY(b > a);
    QVERIFY(b - a < 1.0);
  }

  void timeOutRule_data() {
    QTest::addColumn<quint32>("lastreply");
    QTest::addColumn<quint32>("now");
    QTest::addColumn<qint64>("cqt");
    QTest::addColumn<bool>("timedOut");
    QTest::newRow("just within 8 s") << 92000u << 100000u << qint64(5) << false;
    QTest::newRow("one ms older") << 91999u << 100000u << qint64(5) << true;
    QTest::newRow("now below threshold") << 0u << 7999u << qint64(5) << false;
    QTest::newRow("reply newer than now (wrapped tick)")
        << 0xFFFFFFF0u << 10u << qint64(5) << false;
    QTest::newRow("cqt 0 keeps 3 s") << 96999u << 100000u << qint64(0) << true;
    QTest::newRow("cqt 0 within 3 s") << 97000u << 100000u << qint64(0) << false;
    QTest::newRow("huge cqt never times out")
        << 0u << 0xFFFFFFFFu << qint64(4'000'000'000LL) << false;
    QTest::newRow("negative cqt") << 99999u << 100000u << qint64(-3) << true;
  }
  void timeOutRule() {
    QFETCH(quint32, lastreply);
    QFETCH(quint32, now);
    QFETCH(qint64, cqt);
    QFETCH(bool, timedOut);
    QCOMPARE(IsTimedOut(lastreply, now, cqt), timedOut);
  }

  void historyShrinkKeepsOldest() {
    std::vector<double> h;
    for (int i = 0; i < 200; ++i) h.push_back(i);
    SizeHistory(h, 100);
    QCOMPARE(h.size(), size_t(100));
    QCOMPARE(h.front(), 0.0);
    QCOMPARE(h.back(), 99.0);
    SizeHistory(h, 102);
    QCOMPARE(h.size(), size_t(102));
    QCOMPARE(h[99], 99.0);
    QCOMPARE(h[100], 0.0);
    QCOMPARE(h[101], 0.0);
  }

  void historyPushDropsOldest() {
    std::vector<double> h{1, 2, 3};
    PushSample(h, 4.5);
    QCOMPARE(h, (std::vector<double>{2, 3, 4.5}));
    std::vector<double> empty;
    PushSample(empty, 1);
    QVERIFY(empty.empty());
  }

  void historyLengthIsClamped() {
    std::vector<double> h{1, 2};
    SizeHistory(h, -5);
    QVERIFY(h.empty());
    QCOMPARE(ClampHistoryLength(2'000'000'000), kMaxHistoryLength);
    QCOMPARE(ClampHistoryLength(200), 200);
    // The longest history of 5000 servers stays within the common budget;
    // short lists keep what the setting asks for.
    QCOMPARE(HistoryLengthFor(10000, 5000), 1600);
    QCOMPARE(HistoryLengthFor(200, 5000), 200);
    QCOMPARE(HistoryLengthFor(10000, 800), 10000);
    QCOMPARE(HistoryLengthFor(100000, 0), kMaxHistoryLength);
    QVERIFY(std::int64_t(HistoryLengthFor(10000, 100000)) * 100000 <= kHistorySampleBudget);
  }

  void timerWithIntervalZeroNeverFires() {
    QObject owner;
    int ticks = 0;
    EngineTimer t(&owner, "Timer5", 0, [&] { ++ticks; });
    QCOMPARE(t.qtimer()->objectName(), QString("Timer5"));
    t.SetEnabled(true);
    QVERIFY(t.Enabled());
    QVERIFY(!t.Active());
    QTest::qWait(60);
    QCOMPARE(ticks, 0);
    t.SetInterval(10);
    QVERIFY(t.Active());
    QTRY_VERIFY(ticks >= 2);
    t.SetEnabled(false);
    QVERIFY(!t.Active());
    const int seen = ticks;
    QTest::qWait(50);
    QCOMPARE(ticks, seen);
    // Interval set while off: stays off until enabled.
    t.SetInterval(20);
    QVERIFY(!t.Active());
    t.SetInterval(-5);
    QCOMPARE(t.Interval(), 0);
    t.SetEnabled(true);
    QVERIFY(!t.Active());
  }

  void invokerRunsOnMainThreadAndWorkerWaits() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    const auto mainId = std::this_thread::get_id();
    std::vector<int> order;  // written on the main thread only
    std::atomic<int> results{0};
    bool ranOnMain = true;
    std::thread worker([&] {
      for (int i = 0; i < 50; ++i) {
        int value = -1;
        const bool ok = inv.RunAndWait(
            [&, i] {
              ranOnMain = ranOnMain && std::this_thread::get_id() == mainId;
              order.push_back(i);
              value = i * 2;
            },
            stop);
        // The worker only goes on once the call has run: its result is there.
        if (ok && value == i * 2) results.fetch_add(1);
      }
    });
    QTRY_COMPARE(results.load(), 50);
    worker.join();
    QVERIFY(ranOnMain);
    QCOMPARE(order.size(), size_t(50));
    for (int i = 0; i < 50; ++i) QCOMPARE(order[i], i);
  }

  void invokerCancelsWhenStoppedBeforeRunning() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    std::atomic<bool> returned{false};
    bool result = true;
    bool ran = false;
    std::thread worker([&] {
      result = inv.RunAndWait([&] { ran = true; }, stop);
      returned = true;
    });
    // The main thread is busy (no events) while the worker waits.
    const bool queued = BusyWait([&] { return inv.PendingCalls() == 1; });
    std::this_thread::sleep_for(50ms);
    const bool waitedMeanwhile = !returned.load();
    stop = true;
    const bool released = BusyWait([&] { return returned.load(); });
    worker.join();
    QVERIFY(queued);
    QVERIFY(waitedMeanwhile);
    QVERIFY(released);
    QVERIFY(!result);
    // The queued call is dropped when the main thread gets to it.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QVERIFY(!ran);
  }

  void invokerFinishesACallThatHasStarted() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    bool finished = false;
    std::atomic<bool> sawFinished{false};
    std::atomic<bool> result{false};
    std::thread worker([&] {
      result = inv.RunAndWait(
          [&] {
            stop = true;  // the stop request arrives while the call runs
            std::this_thread::sleep_for(80ms);
            finished = true;
          },
          stop);
      sawFinished = finished;
    });
    QTRY_VERIFY(sawFinished.load());
    worker.join();
    QVERIFY(result.load());
  }

  void invokerSwallowsExceptions() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    std::atomic<int> done{0};
    bool second = false;
    std::thread worker([&] {
      if (inv.RunAndWait([] { throw std::runtime_error("boom"); }, stop)) done++;
      if (inv.RunAndWait([&] { second = true; }, stop)) done++;
    });
    QTRY_COMPARE(done.load(), 2);
    worker.join();
    QVERIFY(second);
  }

  void invokerOnMainThreadRunsDirectly() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    int n = 0;
    QVERIFY(inv.RunAndWait([&] { ++n; }, stop));
    QCOMPARE(n, 1);
    stop = true;
    QVERIFY(!inv.RunAndWait([&] { ++n; }, stop));
    QCOMPARE(n, 1);
  }

  void invokerDetachCancelsQueuedAndLaterCalls() {
    QtMainThreadInvoker inv;
    std::atomic<bool> stop{false};
    std::atomic<int> phase{0};
    bool ran = false;
    bool first = true, second = true;
    std::thread worker([&] {
      first = inv.RunAndWait([&] { ran = true; }, stop);
      phase = 1;
      second = inv.RunAndWait([&] { ran = true; }, stop);
      phase = 2;
    });
    const bool queued = BusyWait([&] { return inv.PendingCalls() == 1; });
    inv.Detach();  // stop is never set: Detach alone releases the worker
    const bool released = BusyWait([&] { return phase.load() == 2; });
    worker.join();
    QVERIFY(queued);
    QVERIFY(released);
    QVERIFY(!first);
    QVERIFY(!second);
    QCoreApplication::processEvents();
    QVERIFY(!ran);
  }
};

QTEST_GUILESS_MAIN(BasicsTest)
#include "test_basics.moc"
