// When the commands of a server's line may leave: the query channel's 700 ms
// after issue and after the previous query command, the order of the line,
// the game-type repeat 800 ms after the first, and which commands a change
// of server drops. A hand-held clock.
#include <QTest>

#include <chrono>

#include "engine/rconline.h"

using namespace zelmora;
using namespace std::chrono_literals;
using Clock = RconLine::Clock;

namespace {

const RconTiming kQuery{700ms, 700ms, 0ms};
const RconTiming kVar{};

// Lets every due head leave at t, as the engine does; returns what left.
std::vector<std::string> LeaveAt(RconLine& l, Clock::time_point t) {
  std::vector<std::string> out;
  while (RconLine::Command* head = l.DueHead(t)) {
    out.push_back(head->text);
    l.Left(t);
  }
  return out;
}

}  // namespace

class RconLineTest : public QObject {
  Q_OBJECT

 private slots:
  void queryCommandsKeepTheirPauseAndOrder() {
    RconLine l;
    const Clock::time_point t0{};
    l.Add(RconChannel::Query, RconKind::Read, "status", kQuery, t0);
    l.Add(RconChannel::Query, RconKind::Action, "say a", kQuery, t0 + 100ms);
    // A variable command given after them waits behind them.
    l.Add(RconChannel::Var, RconKind::Read, "g_gametype", kVar, t0 + 200ms);
    QCOMPARE(l.NextDue(), t0 + 700ms);
    QVERIFY(LeaveAt(l, t0 + 699ms).empty());
    QCOMPARE(LeaveAt(l, t0 + 700ms), std::vector<std::string>{"status"});
    // 700 ms after the previous query command left, not 700 after issue.
    QCOMPARE(l.NextDue(), t0 + 1400ms);
    QCOMPARE(LeaveAt(l, t0 + 1400ms), (std::vector<std::string>{"say a", "g_gametype"}));
    QCOMPARE(l.Waiting(), size_t(0));
    // A query command issued long after the last one: 700 ms after issue.
    l.Add(RconChannel::Query, RconKind::Action, "say b", kQuery, t0 + 5000ms);
    QCOMPARE(l.NextDue(), t0 + 5700ms);
  }

  void gameTypeRepeat() {
    RconLine l;
    const Clock::time_point t0{};
    l.Add(RconChannel::Var, RconKind::Action, "set g_gametype dm", kVar, t0);
    l.Add(RconChannel::Var, RconKind::Action, "set g_gametype dm", {0ms, 0ms, 800ms}, t0);
    QCOMPARE(LeaveAt(l, t0), std::vector<std::string>{"set g_gametype dm"});
    QCOMPARE(l.Texts(), std::vector<std::string>{"set g_gametype dm"});
    QVERIFY(LeaveAt(l, t0 + 799ms).empty());
    QCOMPARE(LeaveAt(l, t0 + 800ms), std::vector<std::string>{"set g_gametype dm"});
  }

  // Another server selected: its reads go, what the operator started stays;
  // every dropped command hears of it once.
  void droppingReadsKeepsActions() {
    RconLine l;
    const Clock::time_point t0{};
    int dropped = 0, left = 0;
    auto done = [&](bool went) { ++(went ? left : dropped); };
    l.Add(RconChannel::Query, RconKind::Read, "dir maps/mp .bsp", kQuery, t0, done);
    l.Add(RconChannel::Query, RconKind::Action, "clientkick 3", kQuery, t0, done);
    l.Add(RconChannel::Var, RconKind::Read, "scr_dm_timelimit", kVar, t0, done);
    l.Drop(/*readsOnly=*/true);
    QCOMPARE(dropped, 2);
    QCOMPARE(l.Texts(), std::vector<std::string>{"clientkick 3"});
    QCOMPARE(LeaveAt(l, t0 + 700ms), std::vector<std::string>{"clientkick 3"});
    QCOMPARE(left, 1);
    // A head held back by the flood spacing is not due before its retry.
    l.Add(RconChannel::Var, RconKind::Action, "set a \"1\"", kVar, t0 + 1s, done);
    l.DueHead(t0 + 1s)->retryAt = t0 + 1200ms;
    QVERIFY(!l.DueHead(t0 + 1100ms));
    // The entry deleted: its whole line goes.
    l.Drop(/*readsOnly=*/false);
    QCOMPARE(dropped, 3);
    QCOMPARE(l.Waiting(), size_t(0));
  }
};

QTEST_APPLESS_MAIN(RconLineTest)
#include "test_rconline.moc"
