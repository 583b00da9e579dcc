// The request budget of a server with a limiter: what counts as a sign of
// one, when a server counts as limited and as free again, and a minute of
// requests planned against the test server's copy of ioquake3's limiter
// with a hand-held clock.
#include <QTest>

#include <chrono>
#include <random>

#include "engine/rconpacer.h"
#include "engine/requestbudget.h"
#include "tools/testserver/serverlogic.h"

using namespace zelmora;
using namespace std::chrono_literals;
using Clock = RequestBudget::Clock;

class RequestBudgetTest : public QObject {
  Q_OBJECT

 private slots:
  void signsAndRecovery() {
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    RequestBudget b;
    // Unanswered while nothing else was answered since: down, not limited.
    b.Answered(t0);
    b.Lost(t0 + 1s, t0 + 3s);
    b.Lost(t0 + 2s, t0 + 4s);
    QCOMPARE(b.Signs(), 0);
    QVERIFY(!b.Limited(t0 + 4s));
    // Answers after the lost requests: two signs within 30 s make it limited.
    b.Answered(t0 + 5s);
    b.Lost(t0 + 4s, t0 + 6s);
    QVERIFY(!b.Limited(t0 + 6s));
    b.Lost(t0 + 5s, t0 + 40s);  // 34 s later: the first has gone out of the window
    QVERIFY(!b.Limited(t0 + 40s));
    b.Answered(t0 + 41s);
    b.Lost(t0 + 40s, t0 + 42s);
    QVERIFY(b.Limited(t0 + 42s));
    // Two minutes without a loss: free again, and a background request
    // is allowed whatever the bucket.
    QVERIFY(b.Limited(t0 + 161s));
    QVERIFY(!b.Limited(t0 + 162s));
    // A loss soon after: limited again at once, for twice as long.
    b.Answered(t0 + 200s);
    b.Lost(t0 + 199s, t0 + 201s);
    QVERIFY(b.Limited(t0 + 201s + 239s));
    QVERIFY(!b.Limited(t0 + 201s + 241s));

    // In use, a limited server stays limited however long nothing is lost
    // (going over its limit to find out would risk the operator's commands);
    // left to the list's periodic queries for two minutes, it is free.
    RequestBudget busy;
    for (int i = 0; i < 10; ++i) busy.Sent(t0);
    busy.Answered(t0 + 1s);
    busy.Lost(t0, t0 + 2s);
    busy.Lost(t0, t0 + 2s);
    for (auto t = t0 + 2s; t < t0 + 300s; t += 1s) busy.Sent(t);
    QVERIFY(busy.Limited(t0 + 300s));
    for (auto t = t0 + 300s; t < t0 + 419s; t += 5s) busy.Sent(t);
    QVERIFY(busy.Limited(t0 + 419s));
    QVERIFY(!busy.Limited(t0 + 430s));  // busy until 305 s (the bucket drained)
  }

  // The modelled bucket: the operator may fill it to nine, the background
  // to eight; one leaks out every 1050 ms.
  void capsAndLeak() {
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    RequestBudget b;
    for (int i = 0; i < 12; ++i) b.Sent(t0);  // ten is what the server holds
    QCOMPARE(b.Level(t0), 10.0);
    b.Answered(t0 + 1s);
    b.Lost(t0, t0 + 2s);
    b.Lost(t0, t0 + 2s);
    QVERIFY(b.Limited(t0 + 2s));
    const auto bg = RequestBudget::Priority::Background, op = RequestBudget::Priority::Operator;
    QVERIFY(!b.Allows(op, t0 + 1049ms));
    QVERIFY(b.Allows(op, t0 + 2101ms));  // 10 - 2 leaked + 1 <= 9
    QVERIFY(!b.Allows(bg, t0 + 2101ms));
    QVERIFY(b.NextAllowed(bg, t0 + 2101ms) > t0 + 3140ms);
    QVERIFY(b.Allows(bg, b.NextAllowed(bg, t0 + 2101ms)));
  }

  // A minute on the players page, then ten more, against ioquake3's
  // limiter, for several patterns of operator commands: once learnt, no
  // request is dropped; a command leaves within a period of its turn (two
  // when a getstatus is owed); the polls
  // of the first minute are answered at least nine times in ten.
  void plannedAgainstTheLimiter() {
    for (unsigned seed = 1; seed <= 8; ++seed) {
      testing::TestServerConfig c;
      c.rconPassword = "pw";
      c.limiterBurst = 10;
      testing::ServerLogic server(c);
      RconPacer pacer;
      const std::string key = "127.0.0.1:28960";
      std::mt19937 rng(seed);
      const Clock::time_point t0 = Clock::time_point{} + 1h;

      struct Waiting {
        std::uint64_t ticket;
        Clock::time_point asked;
        bool poll;
        int ahead = 0;  // commands waiting before it
      };
      std::vector<Waiting> waiting;
      std::vector<std::pair<Clock::time_point, Clock::time_point>> losses;  // known at, sent
      int pollsSent = 0, pollsLost = 0, dropsAfterLearning = 0, ticks = 0;
      Clock::duration worstCommandWait{};  // beyond its share
      Clock::time_point learnt = t0 + 24h;

      auto send = [&](const std::string& request, Clock::time_point now) {
        const bool answered = !server.handle(testing::kOobPrefix + request, now, key).empty();
        if (answered)
          pacer.Answered(key, now + 1ms);
        else
          losses.emplace_back(now + 2s, now);
        if (!answered && now > learnt + 3s) ++dropsAfterLearning;
        return answered;
      };

      for (auto now = t0; now < t0 + 11min; now += 10ms) {
        while (!losses.empty() && losses.front().first <= now) {
          pacer.Lost(key, losses.front().second, now);
          losses.erase(losses.begin());
        }
        const bool limited = pacer.Limited(key, now);
        if (limited && learnt == t0 + 24h) learnt = now;
        // Timer1 every second: getstatus and a poll, or, limited, four
        // polls and one getstatus in five ticks.
        if ((now - t0) % 1s == 0ms) {
          ++ticks;
          const bool pollWaits =
              std::any_of(waiting.begin(), waiting.end(), [](const Waiting& w) { return w.poll; });
          const bool getstatus = !limited || ticks % 5 == 0;
          if (getstatus && pacer.TakeGetStatus(key, now)) send("getstatus", now);
          if ((!limited || ticks % 5 != 0) && !pollWaits)
            waiting.push_back(
                {pacer.Enqueue(key, RconPacer::Priority::Background), now, /*poll=*/true});
        }
        // About one command every six seconds, sometimes two together.
        if (rng() % 600 == 0) {
          const int n = rng() % 4 == 0 ? 2 : 1;
          for (int i = 0; i < n; ++i) {
            const auto ahead = std::count_if(waiting.begin(), waiting.end(),
                                             [](const Waiting& w) { return !w.poll; });
            waiting.push_back({pacer.Enqueue(key), now, false, static_cast<int>(ahead)});
          }
        }
        for (auto it = waiting.begin(); it != waiting.end();) {
          if (!pacer.TryGo(key, it->ticket, now)) {
            ++it;
            continue;
          }
          const bool answered = send(it->poll ? "rcon pw status" : "rcon pw say x", now);
          if (it->poll && now < t0 + 60s) {
            ++pollsSent;
            pollsLost += answered ? 0 : 1;
          }
          if (!it->poll && now > learnt + 3s)
            worstCommandWait =
                std::max(worstCommandWait, now - it->asked - it->ahead * RequestBudget::kPeriod);
          it = waiting.erase(it);
        }
      }
      QVERIFY2(learnt < t0 + 20s, qPrintable(QString("seed %1").arg(seed)));
      QCOMPARE(dropsAfterLearning, 0);
      // A period beyond its share, two while a getstatus is owed.
      QVERIFY2(worstCommandWait <= 2 * RequestBudget::kPeriod + 100ms,
               qPrintable(
                   QString("seed %1: %2 ms")
                       .arg(seed)
                       .arg(std::chrono::duration_cast<std::chrono::milliseconds>(worstCommandWait)
                                .count())));
      QVERIFY2(
          pollsLost * 10 <= pollsSent,
          qPrintable(QString("seed %1: %2 of %3 lost").arg(seed).arg(pollsLost).arg(pollsSent)));
      qInfo("seed %u: %d polls in the first minute, %d lost", seed, pollsSent, pollsLost);
      // About one request a second, shared with the getstatus every five.
      QVERIFY(pollsSent >= 25);
    }
  }

  // Limited, the operator's commands go before the polls waiting in the
  // same line; a getstatus waits for both. Free, the line is first come,
  // first served.
  void operatorFirstOnlyWhenLimited() {
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    RconPacer pacer;
    const std::string key = "k";
    const auto poll = pacer.Enqueue(key, RconPacer::Priority::Background);
    const auto command = pacer.Enqueue(key);
    QVERIFY(!pacer.TryGo(key, command, t0));
    QVERIFY(pacer.TryGo(key, poll, t0));
    QVERIFY(pacer.TryGo(key, command, t0 + 550ms));

    for (int i = 0; i < 12; ++i) QVERIFY(pacer.TakeGetStatus(key, t0 + 600ms));
    pacer.Answered(key, t0 + 1s);
    pacer.Lost(key, t0 + 600ms, t0 + 2s);
    pacer.Lost(key, t0 + 600ms, t0 + 2s);
    QVERIFY(pacer.Limited(key, t0 + 2s));
    const auto poll2 = pacer.Enqueue(key, RconPacer::Priority::Background);
    const auto command2 = pacer.Enqueue(key);
    const auto later = t0 + 10s;  // room for both
    QVERIFY(!pacer.TryGo(key, poll2, later));
    QVERIFY(pacer.TryGo(key, command2, later));
    QVERIFY(pacer.TryGo(key, poll2, later + 550ms));
  }

  // Limited, a getstatus waits behind the operator's commands only while
  // one went out lately: one not sent for 3 s is owed. It goes first when
  // there is room, and until it has gone the operator's commands leave one
  // place free for it, so a server that answers gets its getstatus (and is
  // never taken for silent) however many commands are made.
  void owedGetStatusKeepsItsPlace() {
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    RconPacer pacer;
    const std::string key = "k";
    for (int i = 0; i < 12; ++i) QVERIFY(pacer.TakeGetStatus(key, t0));  // bucket full
    pacer.Answered(key, t0 + 1ms);
    pacer.Lost(key, t0, t0 + 2ms);
    pacer.Lost(key, t0, t0 + 2ms);
    QVERIFY(pacer.Limited(key, t0 + 2ms));
    const auto c1 = pacer.Enqueue(key);
    QVERIFY(pacer.TryGo(key, c1, t0 + 2150ms));       // the bucket at the top again
    QVERIFY(!pacer.TakeGetStatus(key, t0 + 2500ms));  // not owed yet: no room for it
    QVERIFY(!pacer.TakeGetStatus(key, t0 + 3100ms));  // owed, but no room: it waits
    const auto c2 = pacer.Enqueue(key);
    QVERIFY(!pacer.TryGo(key, c2, t0 + 3150ms));      // one place kept for the getstatus
    QVERIFY(pacer.TakeGetStatus(key, t0 + 3250ms));   // which goes first
    QVERIFY(!pacer.TakeGetStatus(key, t0 + 3300ms));  // the next one waits behind c2
    Clock::time_point retry;
    QVERIFY(!pacer.TryGo(key, c2, t0 + 3300ms, &retry));
    QVERIFY(pacer.TryGo(key, c2, retry));
  }
};

QTEST_GUILESS_MAIN(RequestBudgetTest)
#include "test_requestbudget.moc"
