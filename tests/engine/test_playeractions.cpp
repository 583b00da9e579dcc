// The rules of kicks and bans with a clock in the hand: only a table polled
// after the click decides, the player must still hold the slot, the last
// click wins, the outcome comes from the next table, and what no table
// serves in time is dropped, each end told once.
#include <QTest>

#include <vector>

#include "engine/playeractions.h"

using namespace zelmora;
using namespace std::chrono_literals;
using Kind = PendingPlayerAction::Kind;
using Result = ActionOutcome::Result;
using Clock = PlayerActions::Clock;

namespace {

Tstatusrow Row(const std::string& num, const std::string& name, const std::string& guid,
               const std::string& ping = "50", const std::string& lastmsg = "0") {
  Tstatusrow r{};
  r[0] = num;
  r[1] = name;
  r[2] = ping;
  r[3] = guid;
  r[5] = lastmsg;
  return r;
}

struct Rig {
  std::vector<std::string> sent;
  std::vector<std::function<void(bool)>> dones;
  int tablesWanted = 0;
  std::vector<ActionOutcome> told;
  PlayerActions actions{[this](const std::string& c, std::function<void(bool)> done) {
                          sent.push_back(c);
                          dones.push_back(std::move(done));
                          return true;
                        },
                        [this] { ++tablesWanted; },
                        [this](const ActionOutcome& o) { told.push_back(o); }};
  const Clock::time_point t0 = Clock::time_point{} + 1h;

  PendingPlayerAction Act(Kind kind, const std::string& num, const std::string& name,
                          const std::string& guid, Clock::time_point made) {
    PendingPlayerAction a;
    a.kind = kind;
    a.client = num;
    a.name = name;
    a.guid = guid;
    a.made = made;
    actions.Add(a);
    return a;
  }
};

}  // namespace

Q_DECLARE_METATYPE(zelmora::Tstatusinfo)

class PlayerActionsTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyATablePolledAfterTheClickDecides() {
    Rig r;
    const Tstatusinfo before{Row("3", "Old", "333333")};
    const Tstatusinfo after{Row("3", "New", "999999")};
    r.Act(Kind::Kick, "3", "Old", "333333", r.t0 + 100ms);
    QCOMPARE(r.tablesWanted, 1);
    // The poll that was on its way at the click: it decides nothing.
    r.actions.TableArrived(before, r.t0, r.t0 + 200ms);
    QVERIFY(r.sent.empty());
    QCOMPARE(r.actions.Pending().size(), size_t(1));
    QCOMPARE(r.tablesWanted, 2);
    // The next one shows somebody else in the slot.
    r.actions.TableArrived(after, r.t0 + 300ms, r.t0 + 400ms);
    QVERIFY(r.sent.empty());
    QCOMPARE(r.told.size(), size_t(1));
    QVERIFY(r.told[0].result == Result::Gone);
    QCOMPARE(r.told[0].player, std::string("Old"));
    QVERIFY(!r.actions.Waiting());
  }

  // Carried out right after its table; the next table polled after it left
  // tells whether the player is gone.
  void outcomeFromTheNextTable() {
    Rig r;
    const Tstatusinfo there{Row("0", "A", "1"), Row("5", "P5", "555")};
    r.Act(Kind::Ban, "5", "P5", "555", r.t0);
    r.actions.TableArrived(there, r.t0 + 10ms, r.t0 + 20ms);
    QCOMPARE(r.sent, std::vector<std::string>{"banclient 5"});
    r.dones[0](true);
    QCOMPARE(r.tablesWanted, 2);
    // A table whose poll left before the ban tells nothing yet.
    r.actions.TableArrived(there, r.t0 + 15ms, r.t0 + 30ms);
    QVERIFY(r.told.empty());
    r.actions.TableArrived(there, Clock::now() + 1s, Clock::now() + 1s);
    QCOMPARE(r.told.size(), size_t(1));
    QVERIFY(r.told[0].result == Result::StillThere);

    r.Act(Kind::Kick, "0", "A", "1", r.t0);
    r.actions.TableArrived(there, r.t0 + 10ms, r.t0 + 20ms);
    r.dones[1](true);
    r.actions.TableArrived({Row("5", "P5", "555")}, Clock::now() + 1s, Clock::now() + 1s);
    QVERIFY(r.told.back().result == Result::Done);
    QVERIFY(r.told.back().kind == Kind::Kick);
  }

  // The last of kick, ban and temporary ban clicked wins; a high-ping
  // request stands beside it and goes first.
  void lastClickWinsHighPingFirst() {
    Rig r;
    r.Act(Kind::Kick, "1", "B", "2", r.t0);
    r.Act(Kind::TempBan, "1", "B", "2", r.t0);
    PendingPlayerAction hp;
    hp.kind = Kind::HighPing;
    hp.made = r.t0;
    r.actions.Add(hp);
    QCOMPARE(r.actions.Pending().size(), size_t(2));
    r.actions.TableArrived({Row("1", "B", "2", "40"), Row("4", "C", "3", "300")}, r.t0 + 1ms,
                           r.t0 + 2ms);
    QCOMPARE(r.sent, (std::vector<std::string>{"clientkick 4", "tempbanclient 1"}));
  }

  // Nothing served within the limit is dropped and told; a kick sent whose
  // outcome no table tells is told as unknown; a server taken off the list
  // tells what waited.
  void droppedInTime() {
    Rig r;
    r.actions.SetLimit(1s);
    r.Act(Kind::Kick, "1", "B", "2", r.t0);
    r.actions.Check(r.t0 + 500ms);
    QVERIFY(r.told.empty());
    r.actions.Check(r.t0 + 1500ms);
    QCOMPARE(r.told.size(), size_t(1));
    QVERIFY(r.told[0].result == Result::Expired);
    QVERIFY(!r.actions.Waiting());

    r.Act(Kind::Kick, "1", "B", "2", r.t0 + 2s);
    r.actions.TableArrived({Row("1", "B", "2")}, r.t0 + 2100ms, r.t0 + 2200ms);
    r.dones.back()(true);
    r.actions.Check(r.t0 + 5s);
    QVERIFY(r.told.back().result == Result::Unknown);

    r.Act(Kind::Ban, "7", "Z", "9", r.t0 + 6s);
    r.actions.DropAll();
    QVERIFY(r.told.back().result == Result::Removed);
    QCOMPARE(r.told.back().player, std::string("Z"));
    QVERIFY(!r.actions.Waiting());
  }

  // Which row the high-ping rule kicks: the worst pinger while everybody
  // talks, the longest silent player above 40 s, nobody at exactly 40 s;
  // connecting and zombie rows never; a ping that is no number stops it.
  void highPingRule_data() {
    QTest::addColumn<Tstatusinfo>("rows");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("numbers");
    QTest::newRow("first of equal pings")
        << Tstatusinfo{Row("1", "a", "0", "120", "100"), Row("4", "b", "0", "250", "200"),
                       Row("6", "c", "0", "250", "300")}
        << 1 << true;
    QTest::newRow("silent 45000 beats the ping")
        << Tstatusinfo{Row("1", "a", "0", "400", "100"), Row("2", "b", "0", "30", "45000")} << 1
        << true;
    QTest::newRow("exactly 40000 kicks nobody")
        << Tstatusinfo{Row("1", "a", "0", "400", "40000"), Row("2", "b", "0", "30", "100")} << -1
        << true;
    QTest::newRow("connecting and zombies never")
        << Tstatusinfo{Row("1", "a", "0", "CNCT", "90000"), Row("3", "z", "0", "ZMBI", "99999"),
                       Row("4", "d", "0", "999", "0")}
        << 2 << true;
    QTest::newRow("no number") << Tstatusinfo{Row("1", "a", "0", "9x", "1")} << -1 << false;
  }
  void highPingRule() {
    QFETCH(Tstatusinfo, rows);
    QFETCH(int, chosen);
    QFETCH(bool, numbers);
    const HighPingChoice c = ChooseHighPinger(rows);
    QCOMPARE(c.row, chosen);
    QCOMPARE(c.numbers, numbers);
  }
};

QTEST_APPLESS_MAIN(PlayerActionsTest)
#include "test_playeractions.moc"
