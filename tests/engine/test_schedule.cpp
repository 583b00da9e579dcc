// Timers and scheduling: start-up sweep rules, the periodic sweep and the
// selected-server query, commands that wait in a server's line, query
// settings, page changes, minimise and restore.
#include <QCoreApplication>
#include <QTest>

#include <memory>

#include <QSignalSpy>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHost = "127.0.0.1";

struct Rig {
  SettingsStore settings;
  std::unique_ptr<QueryEngine> engine = std::make_unique<QueryEngine>(settings);
  std::vector<std::unique_ptr<TestServer>> servers;

  explicit Rig(int count, const std::string& password = "pw") {
    for (int i = 0; i < count; ++i) {
      TestServerConfig c;
      c.rconPassword = password;
      c.floodProtection = false;
      SetVar(c.vars, "sv_hostname", "S" + std::to_string(i));
      servers.push_back(std::make_unique<TestServer>());
      if (!servers.back()->start(c)) qFatal("test server did not start");
      engine->List().Append(
          Entry(kHost, std::to_string(servers.back()->port()), i == 0 ? password : ""));
    }
    engine->SetRconPause(5ms);
    if (!engine->Start()) qFatal("engine did not start");
  }
  TestServer& S(int i) { return *servers[static_cast<size_t>(i)]; }
  Tserverrec& E(int i) { return engine->List().MutableAt(static_cast<size_t>(i)); }
  ServerSession& Session(int i) { return *engine->Session(E(i).uid); }
  void Select(int i) { engine->Selected().SelectRow(i); }
  uint64_t Queries(int i) { return S(i).stats().statusQueries; }
  // Lets events run for ms (timers fire, replies are handled).
  static void Run(int ms) { QTest::qWait(ms); }
};

}  // namespace

class ScheduleTest : public QObject {
  Q_OBJECT

 private slots:
  // Both sweeps send in slices and let the window's events run between
  // them; neither runs a nested event loop.
  void sweepsLetEventsRunBetweenSlices() {
    Rig r(2);
    bool inSweep = false;
    std::vector<bool> ranDuringSweep;
    auto post = [&] {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [&] { ranDuringSweep.push_back(inSweep); },
          Qt::QueuedConnection);
    };
    for (auto sweep : {&QueryEngine::Timer3Timer, &QueryEngine::Button6Click}) {
      ranDuringSweep.clear();
      post();
      inSweep = true;
      (r.engine.get()->*sweep)();
      inSweep = false;
      QVERIFY(ranDuringSweep.empty());
      QTRY_COMPARE(ranDuringSweep, std::vector<bool>{false});
    }
  }

  void startUpSweepEndsAtAnEmptyHost() {
    Rig r(3);
    r.E(1).host.clear();
    r.engine->Timer3Timer();
    QTRY_VERIFY(r.E(0).maxclients > 0);
    Rig::Run(150);
    QCOMPARE(r.Queries(0), 1u);
    QCOMPARE(r.Queries(2), 0u);  // the sweep ended before it
  }

  void startUpSweepSkipsNonNumericPorts() {
    Rig r(3);
    r.E(1).port.assign("28960a");
    r.E(1).sendtime = 1.0;
    r.engine->Timer3Timer();
    QTRY_VERIFY(r.E(2).maxclients > 0);
    QCOMPARE(r.Queries(0), 1u);
    QCOMPARE(r.Queries(1), 0u);
    QCOMPARE(r.E(1).sendtime, 1.0);
  }

  void startUpSweepOff() {
    Rig r(2);
    r.settings.Set(&Settings::startq, false);
    r.engine->ApplyStartQuerySetting();
    QVERIFY(!r.engine->Timer3().Enabled());
    r.engine->Timer3Timer();
    Rig::Run(100);
    QCOMPARE(r.Queries(0), 0u);
    QCOMPARE(r.Queries(1), 0u);
  }

  void sweepLeavesOutTheSelectedServer() {
    Rig r(3);
    r.Select(1);
    r.E(2).port.assign("abc");  // never queried, the rest of the sweep goes on
    r.engine->Timer5().SetInterval(40);
    r.engine->Timer5().SetEnabled(true);
    QTRY_VERIFY(r.Queries(0) >= 3);
    r.engine->Timer5().SetEnabled(false);
    Rig::Run(60);
    QCOMPARE(r.Queries(1), 0u);
    QCOMPARE(r.Queries(2), 0u);
    QVERIFY(r.E(0).sendtime > 0);
    QCOMPARE(r.E(1).sendtime, 0.0);
  }

  void selectedQueryKeepsItsCadenceAndRequestsPolls() {
    Rig r(3);
    r.Select(0);
    r.engine->Timer1().SetInterval(30);
    r.engine->Timer1().SetEnabled(true);
    QTRY_VERIFY(r.Queries(0) >= 5);
    r.engine->Timer1().SetEnabled(false);
    QCOMPARE(r.Queries(1), 0u);
    QCOMPARE(r.Queries(2), 0u);
    QVERIFY(!r.Session(0).TableRequested());  // players page not shown

    // Players page shown and an rcon password: each tick asks for a table.
    QSignalSpy tables(&r.Session(0), &ServerSession::TableChanged);
    r.engine->OnPageChanged(true);
    r.engine->Timer1().SetEnabled(false);  // the page switched it on; ticks by hand here
    r.engine->Timer1Timer();
    QVERIFY(r.Session(0).TableRequested());
    QTRY_VERIFY_WITH_TIMEOUT(tables.count() >= 1, 5000);

    // Without a password no request.
    r.Select(1);
    r.engine->Timer1Timer();
    QVERIFY(!r.Session(1).TableRequested());
    QTRY_COMPARE(r.Queries(1), 1u);
    // No entry or a port that is no number: nothing at all.
    const uint64_t q1 = r.Queries(1);
    r.E(1).port.assign("x");
    r.engine->Timer1Timer();
    r.Select(9);
    r.engine->Timer1Timer();
    Rig::Run(50);
    QCOMPARE(r.Queries(1), q1);
  }

  void selectedQueryStampsBeforeItSends() {
    Rig r(1);
    r.Select(0);
    r.S(0).setReplyDelayMs(50);
    r.engine->Timer1Timer();
    const double stamped = r.E(0).sendtime;
    QVERIFY(r.S(0).waitForReceived(1, 5000ms));
    const auto at = r.S(0).received().front().at;
    const double atMs = std::chrono::duration<double, std::milli>(at.time_since_epoch()).count();
    QVERIFY(stamped <= atMs);  // steady_clock and HiResMs share CLOCK_MONOTONIC
    QTRY_VERIFY(r.E(0).maxclients > 0);
    QVERIFY(r.E(0).ping >= 50);
  }

  // A listing asked for later goes once, for the server it was asked for;
  // a newer request replaces it, and one of a server that is no longer
  // selected is dropped.
  void listingsAskedForLater() {
    Rig r(2, "pw");
    r.E(1).rconpass.assign("pw");
    r.Select(0);
    r.Session(0).RequestListing(ListingKind::Configs, 50ms);
    r.Session(0).RequestListing(ListingKind::Configs, 60ms);
    QTRY_COMPARE(r.S(0).executedCommands(), std::vector<std::string>{"dir / .cfg"});
    Rig::Run(200);
    QCOMPARE(r.S(0).executedCommands().size(), size_t(1));
    QVERIFY(!r.Session(0).Configs().items.empty());

    r.Session(0).RequestListing(ListingKind::Configs, 100ms);
    r.Select(1);
    Rig::Run(300);
    QCOMPARE(r.S(0).executedCommands().size(), size_t(1));
  }

  // A command for a server whose port is no number is refused, without a
  // word to the operator.
  void commandForAnUnreachableEntryIsRefused() {
    Rig r(1);
    r.Select(0);
    r.E(0).port.assign("notaport");
    QCOMPARE(r.engine->SendRcon("dir / .cfg"), QueryEngine::SendResult::Failed);
    r.Session(0).RequestListing(ListingKind::Configs, 10ms);
    Rig::Run(100);
    QCOMPARE(r.engine->HeldRcon(), size_t(0));
    QVERIFY(r.S(0).executedCommands().empty());
  }

  void querySettingsDriveTheTimers() {
    Rig r(1);
    QSignalSpy sweepButton(r.engine.get(), &QueryEngine::SweepButtonShown);
    QSignalSpy selectedButton(r.engine.get(), &QueryEngine::SelectedRefreshButtonShown);
    r.settings.Update([](Settings& s) {
      s.cq = true;
      s.cqt = "2";
      s.sq = false;
      s.sqt = "3";
    });
    QCOMPARE(r.engine->ApplyQuerySettings(), std::string());
    QCOMPARE(r.engine->Timer5().Interval(), 2000);
    QVERIFY(r.engine->Timer5().Active());
    QCOMPARE(sweepButton.last()[0].toBool(), false);
    QCOMPARE(r.engine->Timer1().Interval(), 3000);
    QVERIFY(!r.engine->Timer1().Enabled());
    QCOMPARE(selectedButton.last()[0].toBool(), true);

    // Interval 0: on, but never fires.
    r.settings.Set(&Settings::cqt, std::string("0"));
    QCOMPARE(r.engine->ApplyQuerySettings(QueryEngine::QueryTimers::AllServers), std::string());
    QVERIFY(r.engine->Timer5().Enabled());
    QVERIFY(!r.engine->Timer5().Active());

    // A text that is no integer stops the operation at that point.
    r.settings.Update([](Settings& s) {
      s.cqt = "7";
      s.sqt = "eins";
      s.sq = true;
    });
    const std::string msg = r.engine->ApplyQuerySettings();
    QCOMPARE(msg, IntegerConversionError("eins"));
    QCOMPARE(r.engine->Timer5().Interval(), 7000);  // first half applied
    QVERIFY(!r.engine->Timer1().Enabled());         // second half not
    r.settings.Set(&Settings::cqt, std::string("x"));
    r.settings.Set(&Settings::sqt, std::string("1"));
    QCOMPARE(r.engine->ApplyQuerySettings(), IntegerConversionError("x"));
    QCOMPARE(r.engine->Timer5().Interval(), 7000);
    QVERIFY(!r.engine->Timer1().Enabled());  // Both stops before the second half

    // Minimise stops both; restore applies the current settings again.
    r.settings.Set(&Settings::cqt, std::string("4"));
    QCOMPARE(r.engine->ApplyQuerySettings(), std::string());
    r.engine->Minimize();
    QVERIFY(!r.engine->Timer5().Enabled());
    QVERIFY(!r.engine->Timer1().Enabled());
    r.settings.Set(&Settings::cqt, std::string("6"));
    QCOMPARE(r.engine->Restore(), std::string());
    QVERIFY(r.engine->Timer5().Active());
    QVERIFY(r.engine->Timer1().Active());
    QCOMPARE(r.engine->Timer5().Interval(), 6000);
  }

  void pageChangeOfThePlayersTab() {
    Rig r(2);
    r.settings.Set(&Settings::sq, false);
    r.Select(0);
    r.engine->OnPageChanged(true);
    QVERIFY(r.engine->Timer1().Enabled());  // on whatever sq says
    QTRY_COMPARE(r.S(0).executedCommands(), std::vector<std::string>{"status"});
    QTRY_VERIFY(r.Session(0).Console().End() > 2);  // the command and its output
    r.engine->OnPageChanged(false);
    QVERIFY(!r.engine->Timer1().Enabled());  // per sq

    // Without an rcon password a page change leaves Timer1 alone.
    r.Select(1);
    r.engine->Timer1().SetEnabled(true);
    r.engine->OnPageChanged(false);
    QVERIFY(r.engine->Timer1().Enabled());
    r.engine->OnPageChanged(true);
    Rig::Run(50);
    QCOMPARE(r.S(0).executedCommands().size(), size_t(1));
    QCOMPARE(r.S(1).stats().rconAccepted + r.S(1).stats().rconBadPassword, 0u);
  }
};

QTEST_GUILESS_MAIN(ScheduleTest)
#include "test_schedule.moc"
