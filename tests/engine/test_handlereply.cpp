// Reply handling on the main thread: attribution, the statusResponse steps,
// ping history, target-only views, console and directory listings, variable
// replies and the status poll hand-over. Driven directly (no sockets).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/paths.h"
#include "core/settings.h"
#include "engine/clock.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"
#include "recordingview.h"

using namespace zelmora;
using namespace zelmora::testing;

namespace {

constexpr const char* kHost = "127.0.0.1";

struct Fixture {
  AppState state;
  SettingsStore settings;
  RecordingView view;
  QueryEngine engine{state, settings, view};

  explicit Fixture(int entries = 2) {
    for (int i = 0; i < entries; ++i)
      state.serverlist.push_back(Entry(kHost, std::to_string(27960 + i), i == 0 ? "pw" : ""));
    state.pingHistory.resize(state.serverlist.size());
  }
  Tserverrec& E(int i) { return state.serverlist[static_cast<size_t>(i)]; }
  void Status(int port, double time, const std::string& datagram = StatusDatagram(StockVars())) {
    engine.HandleQueryDatagram(datagram, kHost, port, time);
  }
};

void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("x");
}

}  // namespace

class HandleReplyTest : public QObject {
  Q_OBJECT

 private slots:
  void statusResponseFillsTheEntry() {
    Fixture f;
    f.E(0).hostname.assign("old name");
    f.E(0).sendtime = 1000.0;
    const std::uint32_t before = TickCount32();
    f.Status(27960, 1012.25, StatusDatagram(StockVars(), {"5 48 \"^1Al\\\"x\"", "0 999 \"Bob\""}));
    const std::uint32_t after = TickCount32();
    const Tserverrec& e = f.E(0);
    QCOMPARE(f.engine.reply().server, 0);
    QCOMPARE(f.engine.reply().ping, 12.25);
    QCOMPARE(e.ping, 12);
    QCOMPARE(e.hostname.str(), std::string("^1Red ^7Server"));
    QCOMPARE(e.mapinfo.str(), std::string("^2sd ^0mp_x"));
    QCOMPARE(int(e.protocol), 6);
    QCOMPARE(e.shortversion.str(), std::string("1.5"));
    QCOMPARE(e.players, 2);
    QCOMPARE(e.maxclients, 20);
    QCOMPARE(e.privateclients, 2);
    QCOMPARE(int(e.passworded), 1);
    QCOMPARE(int(e.killcam), 1);
    QCOMPARE(int(e.friendlyfire), 0);
    QCOMPARE(int(e.punkbuster), 1);
    QCOMPARE(int(e.voice), 0);
    QVERIFY(static_cast<std::uint32_t>(e.lastreply - before) <=
            static_cast<std::uint32_t>(after - before));
    QCOMPARE(f.state.playerRows.size(), size_t(2));
    // The other entry is untouched.
    QCOMPARE(f.E(1).lastreply, 0u);
    QCOMPARE(f.E(1).players, 0);
    QCOMPARE(f.view.calls.back(), std::string("ServerEntryChanged 0"));
  }

  void pingRoundsHalvesToEven_data() {
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<int>("ping");
    QTest::newRow("12.5") << 12.5 << 12;
    QTest::newRow("13.5") << 13.5 << 14;
    QTest::newRow("12.49") << 12.49 << 12;
    QTest::newRow("12.51") << 12.51 << 13;
    QTest::newRow("0.5") << 0.5 << 0;
  }
  void pingRoundsHalvesToEven() {
    QFETCH(double, elapsed);
    QFETCH(int, ping);
    Fixture f;
    f.E(1).sendtime = 5000.0;
    f.Status(27961, 5000.0 + elapsed);
    QCOMPARE(f.E(1).ping, ping);
    QCOMPARE(f.engine.reply().ping, elapsed);
  }

  // Every datagram belongs to its sender, whatever came before it: an
  // unlisted statusResponse takes nothing down with it, and a print reply
  // is never credited to the server that answered last.
  void printsBelongToTheirSender() {
    Fixture f;
    f.state.selected = 1;
    f.Status(27961, 10.0);
    QCOMPARE(f.engine.reply().server, 1);
    f.Status(40000, 20.0);
    QCOMPARE(f.engine.reply().server, -1);
    QCOMPARE(f.engine.counters().unattributed, 1u);
    f.E(0).lastreply = 0;
    f.engine.HandleQueryDatagram(Oob("print\nfrom A\n"), kHost, 27960, 21.0);
    QCOMPARE(f.engine.reply().server, 0);
    QVERIFY(f.E(0).lastreply != 0 || TickCount32() == 0);
    f.engine.HandleQueryDatagram(Oob("print\nnobody's\n"), kHost, 40000, 22.0);
    f.engine.FinishReplies(true);
    // A's output is not the selected server's: no view hears of it.
    QVERIFY(!f.view.Has("ConsoleShow"));
    QCOMPARE(f.engine.counters().printOutputs, 1u);
    f.engine.HandleQueryDatagram(Oob("print\nfrom B\n"), kHost, 27961, 30.0);
    f.engine.HandleQueryDatagram(Oob("getstatus"), kHost, 27961, 30.5);  // not for the console
    f.engine.FinishReplies(true);
    QCOMPARE(f.view.consoleLines, (std::vector<std::string>{"print", "from B", ""}));
    QCOMPARE(f.view.Count("ConsoleShow"), 1);
  }

  // A server listed by host name answers from the address the name
  // resolved to: its statusResponses and prints find it.
  void hostNameEntryMatchesItsReplies() {
    Fixture f(0);
    f.engine.SetNameResolver([](const std::string& name) {
      HostLookup r;
      r.status = name == "game.example" ? HostLookup::Status::kFound : HostLookup::Status::kUnknown;
      if (name == "game.example") r.address = kHost;
      return r;
    });
    f.state.serverlist = {Entry("other.example", "28960"), Entry("game.example", "28960", "pw")};
    f.state.pingHistory.resize(2);
    f.state.selected = 1;
    f.engine.FirstEntryFor(kHost, 28960);  // starts the lookups
    QTRY_VERIFY(f.engine.FirstEntryFor(kHost, 28960) == 1);
    f.Status(28960, 5.0);
    QCOMPARE(f.E(1).protocol, std::uint8_t(6));
    QCOMPARE(f.view.Count("ServerVarsChanged"), 0);  // the target was never set here
    f.engine.HandleVarReply(Oob("print\n\"g_gametype\" is:\"sd^7\"\n"), kHost, 28960);
    QCOMPARE(f.view.varReplies.size(), size_t(1));
  }

  void sameHostAndPortTwiceUpdatesTheFirst() {
    Fixture f(0);
    f.state.serverlist = {Entry(kHost, "27960"), Entry(kHost, "1"), Entry(kHost, "27960")};
    f.state.pingHistory.resize(3);
    f.Status(27960, 7.0);
    QCOMPARE(f.engine.reply().server, 0);
    QCOMPARE(f.E(0).players, 0);
    QCOMPARE(f.E(0).maxclients, 20);
    QCOMPARE(f.E(2).maxclients, 0);
    // Port text must match exactly: " 27960" is another text.
    f.state.serverlist = {Entry(kHost, " 27960")};
    f.Status(27960, 8.0);
    QCOMPARE(f.engine.reply().server, -1);
  }

  void historySizingShiftAndChart() {
    Fixture f;
    f.state.selected = 0;
    f.engine.SetTarget("27960", kHost);
    f.E(0).sendtime = 100.0;
    f.Status(27960, 142.0);
    QCOMPARE(f.state.pingHistory[0].size(), size_t(200));
    QCOMPARE(f.state.pingHistory[0].back(), 42.0);
    QCOMPARE(f.view.rebuilds, 1);
    QCOMPARE(f.view.chartPoints, 200);
    QCOMPARE(f.view.plotted, f.state.pingHistory[0]);

    // 200 distinct samples, then Datenmenge 100: the oldest 100 stay, then
    // the new sample is shifted in.
    for (int i = 0; i < 200; ++i) f.state.pingHistory[0][static_cast<size_t>(i)] = i;
    f.settings.Set(&Settings::datenmenge, std::string("100"));
    f.Status(27960, 155.0);
    const auto& h = f.state.pingHistory[0];
    QCOMPARE(h.size(), size_t(100));
    QCOMPARE(h.front(), 1.0);
    QCOMPARE(h[98], 99.0);
    QCOMPARE(h.back(), 55.0);
    QCOMPARE(f.view.rebuilds, 2);
    QCOMPARE(f.view.chartPoints, 100);

    // Chart off: sized, but nothing added and nothing plotted.
    f.settings.Set(&Settings::aktive, false);
    f.settings.Set(&Settings::datenmenge, std::string("150"));
    f.view.plotted.clear();
    const std::vector<double> kept = h;
    f.Status(27960, 170.0);
    QCOMPARE(h.size(), size_t(150));
    QVERIFY(std::equal(kept.begin(), kept.end(), h.begin()));
    QCOMPARE(h.back(), 0.0);
    QVERIFY(f.view.plotted.empty());
    QCOMPARE(f.view.chartPoints, 150);
  }

  void datenmengeNotANumberStopsAfterProtocol() {
    Fixture f;
    f.settings.Set(&Settings::datenmenge, std::string("viel"));
    f.E(0).hostname.assign("kept");
    f.Status(27960, 3.0);
    QCOMPARE(int(f.E(0).protocol), 6);
    QCOMPARE(f.E(0).hostname.str(), std::string("kept"));
    QCOMPARE(f.E(0).maxclients, 0);
    QVERIFY(f.state.pingHistory[0].empty());
    QVERIFY(!f.view.Has("ServerEntryChanged 0"));
    // The next datagram is handled normally again.
    f.settings.Set(&Settings::datenmenge, std::string("10"));
    f.Status(27960, 4.0);
    QCOMPARE(f.E(0).maxclients, 20);
  }

  void malformedBodyStopsAfterHistory() {
    Fixture f;
    f.E(0).sendtime = 10.0;
    f.E(0).hostname.assign("kept");
    f.E(0).mapinfo.assign("^2sd ^0old");
    f.E(0).players = 7;
    f.Status(27960, 30.0, Oob("statusResponse\n\\protocol\\118\\sv_maxclients\\9"));
    QCOMPARE(f.E(0).ping, 20);
    QCOMPARE(int(f.E(0).protocol), 118);
    QCOMPARE(f.E(0).players, 0);
    QCOMPARE(f.E(0).maxclients, 0);
    QCOMPARE(f.E(0).mapinfo.str(), std::string());
    QCOMPARE(f.E(0).hostname.str(), std::string("kept"));
    QCOMPARE(f.state.pingHistory[0].size(), size_t(200));
    QVERIFY(f.state.addrcache.empty());
    QVERIFY(!f.view.Has("ServerEntryChanged 0"));
  }

  void viewsFollowTheTargetOnly() {
    Fixture f;
    f.state.selected = 1;
    f.engine.SetTarget("27961", kHost);
    auto vars = StockVars("Name", "118");
    vars[1].second = "^1sd";
    f.Status(27960, 1.0, StatusDatagram(vars, {"1 2 \"a\""}));
    QVERIFY(f.state.serverVarsView.empty());
    QVERIFY(f.state.playerRowsView.empty());
    QVERIFY(!f.view.Has("ServerVarsChanged"));
    QVERIFY(!f.view.Has("RefreshJoinDialog"));
    QCOMPARE(f.E(0).mapinfo.str(), std::string("^2sd ^0mp_x"));

    f.view.calls.clear();
    f.Status(27961, 2.0, StatusDatagram(vars, {"^15 4^2 \"^3Q\"\"", "7 8 \"b\""}));
    QCOMPARE(f.state.serverVarsView, f.state.serverVars);
    QCOMPARE(f.state.playerRowsView.size(), size_t(2));
    QCOMPARE(f.state.playerRowsView[0][0], std::string("5"));
    QCOMPARE(f.state.playerRowsView[0][1], std::string("4"));
    QCOMPARE(f.state.playerRowsView[0][2], std::string("^3Q"));
    const std::vector<std::string> expected = {
        "GameTypeControls 118", "GameTypeLabel ^1sd", "ChartPlot",           "ServerVarsChanged",
        "PlayerRowsChanged",    "RefreshJoinDialog",  "ServerEntryChanged 1"};
    QCOMPARE(f.view.calls, expected);
  }

  void providerComesFromTheAddressCache() {
    Fixture f;
    f.Status(27960, 1.0);
    QCOMPARE(f.state.addrcache.size(), size_t(1));
    QCOMPARE(f.state.addrcache[0].ip, std::string(kHost));
    QCOMPARE(f.state.addrcache[0].flag, 0);
    QVERIFY(f.state.addrcache[0].provider.empty());
    f.state.addrcache[0].provider = "localhost";
    f.state.addrcache[0].cc = "lo";
    f.state.addrcache[0].country = "Loopback";
    f.Status(27961, 2.0);  // same host: no second record
    QCOMPARE(f.state.addrcache.size(), size_t(1));
    QCOMPARE(f.E(1).provider.str(), std::string("localhost;lo;Loopback"));
    // With two records for the address the last one counts.
    f.state.addrcache.push_back({kHost, "second", "de", "Germany", 3});
    f.Status(27960, 3.0);
    QCOMPARE(f.E(0).provider.str(), std::string("second;de;Germany"));
  }

  // The datagrams of one output are joined before the console shows them,
  // cut mid line or not; the console's first line stays "print".
  void consoleShowsTheJoinedOutput() {
    Fixture f;
    f.state.selected = 0;
    f.engine.HandleQueryDatagram(Oob("print\n^1red\r\nli"), kHost, 27960, 1.0);
    f.engine.HandleQueryDatagram(Oob("print\nne2\nend"), kHost, 27960, 2.0);
    QVERIFY(!f.view.Has("ConsoleShow"));
    f.engine.FinishReplies(true);
    QCOMPARE(f.view.consoleLines, (std::vector<std::string>{"print", "red", "line2", "end"}));
  }

  void mapListingAndPicture() {
    QTemporaryDir dir;
    SetDataDir(dir.path().toStdString());
    Fixture f;
    f.state.selected = 0;
    f.E(0).protocol = 5;  // pictures of the family 6
    f.E(0).mapinfo.assign("^2sd ^0mp_harbor");
    const std::string listing =
        Oob("print\nDirectory of maps/mp .bsp\n----------\nmp_a.bsp\nmp_harbor.bsp\nmp_z.bsp\n");
    f.engine.HandleQueryDatagram(listing, kHost, 27960, 1.0);
    f.engine.FinishReplies(true);
    QCOMPARE(f.view.maps, (std::vector<std::string>{"mp_a.bsp", "mp_harbor.bsp", "mp_z.bsp"}));
    QCOMPARE(f.view.mapChosen, 1);
    QVERIFY(f.view.pictures.empty());  // neither the picture nor no_map.jpg exists

    Touch(dir.filePath("mapimgs/no_map.jpg"));
    f.engine.HandleQueryDatagram(listing, kHost, 27960, 2.0);
    f.engine.FinishReplies(true);
    QCOMPARE(f.view.pictures.size(), size_t(1));
    QCOMPARE(QString::fromStdString(f.view.pictures.back()),
             QDir::cleanPath(dir.filePath("mapimgs/no_map.jpg")));

    Touch(dir.filePath("mapimgs/6_mp_harbor.jpg"));
    f.engine.HandleQueryDatagram(listing, kHost, 27960, 3.0);
    f.engine.FinishReplies(true);
    QCOMPARE(QString::fromStdString(f.view.pictures.back()),
             QDir::cleanPath(dir.filePath("mapimgs/6_mp_harbor.jpg")));
  }

  void configListingIsAppended() {
    Fixture f;
    f.state.selected = 0;
    f.engine.HandleQueryDatagram(Oob("print\nDirectory of / .cfg\n----------\na.cfg\nb.cfg\n"),
                                 kHost, 27960, 1.0);
    f.engine.FinishReplies(true);
    f.engine.HandleQueryDatagram(Oob("print\nexecing server.cfg\n"), kHost, 27960, 2.0);
    f.engine.FinishReplies(true);
    // The game's answer to exec names no file: it is left out of the list.
    QCOMPARE(f.view.configFiles, (std::vector<std::string>{"a.cfg", "b.cfg"}));
  }

  void varRepliesGoToTheSelectedServerOnly() {
    Fixture f;
    f.state.selected = 1;
    const std::string reply = Oob("print\n\"g_gametype\" is:\"sd^7\" default:\"dm^7\"\nmore\n");
    f.engine.HandleVarReply(reply, kHost, 27960);  // listed, not the target
    f.engine.HandleVarReply(reply, kHost, 40000);  // not listed
    f.engine.HandleVarReply(reply, "", 27961);     // no sender
    QVERIFY(f.view.varReplies.empty());
    f.engine.HandleVarReply(reply, kHost, 27961);
    QCOMPARE(f.view.varReplies,
             (std::vector<std::string>{"\"g_gametype\" is:\"sd^7\" default:\"dm^7\""}));
    f.state.selected = -1;
    f.engine.HandleVarReply(reply, kHost, 27961);
    QCOMPARE(f.view.varReplies.size(), size_t(1));
  }

  void setTargetNeedsBothTexts() {
    Fixture f;
    f.engine.SetTarget("1", "h");
    f.engine.SetTarget("", "x");
    f.engine.SetTarget("2", "");
    QCOMPARE(f.state.targetHost, std::string("h"));
    QCOMPARE(f.state.targetPort, std::string("1"));
  }

  // Polls are asked for by server, each once; one without an rcon password
  // or no longer listed is dropped when its turn comes.
  void statusPollRequestsByServer() {
    Fixture f(3);
    f.E(2).rconpass.assign("pw2");
    QVERIFY(!f.engine.TakeStatusPollRequest());
    f.state.selected = 1;  // no rcon password
    f.engine.RequestStatusPoll();
    f.engine.RequestStatusPoll(f.E(2).uid);
    f.engine.RequestStatusPoll(f.E(2).uid);
    f.engine.RequestStatusPoll(f.E(0).uid);
    f.engine.RequestStatusPoll(12345);  // nobody
    QCOMPARE(f.state.statusPolls.size(), size_t(3));
    auto req = f.engine.TakeStatusPollRequest();
    QVERIFY(req.has_value());
    QCOMPARE(req->server, f.E(2).uid);
    QCOMPARE(req->port, std::string("27962"));
    QCOMPARE(req->password, std::string("pw2"));
    f.state.serverlist.erase(f.state.serverlist.begin());  // E(0) is gone
    QVERIFY(!f.engine.TakeStatusPollRequest());
    QVERIFY(f.state.statusPolls.empty());
  }

  void statusPollResultIsLookedUpAndShown() {
    Fixture f;
    Tguidrec g;
    g.guid.assign("123456");
    g.name.assign("Remembered");
    f.state.guidlist.push_back(g);
    f.state.addrcache.push_back({"10.0.0.5", "isp.example", "de", "Germany", 4});
    f.state.selected = 0;
    QueryEngine::StatusPollResult r;
    r.server = f.E(0).uid;
    r.parsed = true;
    r.tableReady = true;
    r.rows.resize(2);
    r.rows[0][0] = "0";
    r.rows[0][3] = "123456";
    r.rows[0][6] = "10.0.0.5:28960";
    r.rows[1][0] = "1";
    r.rows[1][3] = "999";
    r.rows[1][6] = "10.0.0.6:28960";
    f.engine.ApplyStatusPollResult(r);
    QCOMPARE(f.state.statusRowsView.size(), size_t(2));
    QCOMPARE(f.state.statusRowsView[0][9], std::string("Remembered"));
    QCOMPARE(f.state.statusRowsView[0][10], std::string("isp.example"));
    QCOMPARE(f.state.statusRowsView[0][11], std::string("de"));
    QCOMPARE(f.state.statusRowsView[0][12], std::string("Germany"));
    QCOMPARE(f.state.statusRowsView[0][13], std::string("4"));
    QCOMPARE(f.state.statusRowsView[1][9], std::string());
    QCOMPARE(f.state.statusRowsView[1][10], std::string());
    QCOMPARE(f.state.addrcache.size(), size_t(2));
    QCOMPARE(f.state.addrcache[1].ip, std::string("10.0.0.6"));
    QCOMPARE(f.state.addrcache[1].flag, 0);
    QCOMPARE(f.view.calls, (std::vector<std::string>{"StatusRowsChanged", "StatusTableReadyMore"}));
    // The next table: 10.0.0.6 is in the cache but not resolved yet. Its
    // row gets no flag index (not the first flag's 0) and no provider, and
    // the address is not queued a second time.
    f.engine.ApplyStatusPollResult(r);
    QCOMPARE(f.state.statusRowsView[1][13], std::string());
    QCOMPARE(f.state.statusRowsView[1][10], std::string());
    QCOMPARE(f.state.addrcache.size(), size_t(2));
    f.view.calls.clear();

    // A malformed single-datagram table: rows emptied, nothing shown.
    f.view.calls.clear();
    QueryEngine::StatusPollResult bad;
    bad.server = f.E(0).uid;
    f.engine.ApplyStatusPollResult(bad);
    QCOMPARE(f.state.statusRows.size(), size_t(2));
    QCOMPARE(f.state.statusRows[0][0], std::string());
    QCOMPARE(f.state.statusRowsView[0][0], std::string("0"));
    QVERIFY(f.view.calls.empty());
    // Malformed after several datagrams: the emptied rows are shown.
    bad.tableReady = true;
    f.engine.ApplyStatusPollResult(bad);
    QCOMPARE(f.state.statusRowsView.size(), size_t(2));
    QCOMPARE(f.state.statusRowsView[0][0], std::string());
    QCOMPARE(f.view.tableReadyCount, 3);

    // The table of another server (polled for its pending kick) is handed
    // on but neither shown nor taken for the selected server's.
    r.server = f.E(1).uid;
    f.view.calls.clear();
    f.engine.ApplyStatusPollResult(r);
    QCOMPARE(f.view.calls, std::vector<std::string>{"StatusTableReadyMore other"});
    QCOMPARE(f.state.statusRowsView[0][0], std::string());
    QCOMPARE(f.state.statusRowsServer, f.E(0).uid);
    r.server = 999999;  // gone
    f.engine.ApplyStatusPollResult(r);
    QCOMPARE(f.view.calls.size(), size_t(1));
  }

  void sendsWithoutServerOrSocketDoNothing() {
    Fixture f;
    f.state.selected = -1;
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::NoServer);
    QCOMPARE(f.engine.SendRconVar("g_gametype"), QueryEngine::SendResult::NoServer);
    f.state.selected = 2;  // beyond the list
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::NoServer);
    f.state.selected = 0;  // not started: nothing can be queued
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::Failed);
    QCOMPARE(f.engine.HeldRcon(), size_t(0));
    // Not started: sends fail with a reason instead of crashing.
    std::string err;
    QVERIFY(!f.engine.SendGetStatus(0, &err));
    QVERIFY(!err.empty());
    QVERIFY(!f.engine.SendGetStatus(7, &err));
    f.E(1).port.assign("x1");
    err.clear();
    QVERIFY(!f.engine.SendGetStatus(1, &err));
    QVERIFY(err.find("x1") != std::string::npos);
  }
};

QTEST_GUILESS_MAIN(HandleReplyTest)
#include "test_handlereply.moc"
