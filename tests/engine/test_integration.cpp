// The engine against the in-process test game server over loopback: real
// worker threads, sockets and hand-overs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <memory>

#include "enginefixture.h"
#include "protocol/udpsocket.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;

namespace {

TestServerConfig Config(int protocol, const std::string& hostname, int players,
                        const std::string& password = "secret") {
  TestServerConfig c;
  ApplyProtocol(c, protocol);
  SetVar(c.vars, "sv_hostname", hostname);
  c.players = InventPlayers(players, static_cast<uint64_t>(protocol));
  c.rconPassword = password;
  c.floodProtection = false;
  c.replyDelayMs = 3;  // a ping of at least a few ms even on loopback
  return c;
}

// Lets events run while waiting for a datagram on a socket of the test.
UdpSocket::Received ReceivePumping(UdpSocket& s, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    UdpSocket::Received r = s.Receive(5);
    if (r.got) return r;
  }
  return {};
}

}  // namespace

class IntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpSweepFillsEveryEntry() {
    const int protocols[] = {6, 22, 118, 5, 117};
    std::vector<std::unique_ptr<TestServer>> servers;
    Engine e;
    for (int i = 0; i < 5; ++i) {
      servers.push_back(std::make_unique<TestServer>());
      QVERIFY(servers.back()->start(
          Config(protocols[i], "^" + std::to_string(i) + "Server " + std::to_string(i), i + 1)));
      e.Add(servers.back()->port());
    }
    QVERIFY(e.Start());
    e.engine->ApplyStartQuerySetting();  // Timer3, 200 ms
    QVERIFY(e.engine->Timer3().Active());
    for (int i = 0; i < 5; ++i) QTRY_VERIFY_WITH_TIMEOUT(e.E(i).maxclients > 0, 10000);
    QVERIFY(!e.engine->Timer3().Active());  // once
    for (int i = 0; i < 5; ++i) {
      const Tserverrec& r = e.E(i);
      const TestServerConfig c = servers[static_cast<size_t>(i)]->config();
      QCOMPARE(r.hostname.str(), "^" + std::to_string(i) + "Server " + std::to_string(i));
      QCOMPARE(r.mapinfo.str(),
               "^2sd ^0" + FindVar(c.vars, "mapname"));  // the stock game type is sd
      QCOMPARE(r.players, i + 1);
      QCOMPARE(r.maxclients, std::stoi(FindVar(c.vars, "sv_maxclients")));
      QCOMPARE(int(r.protocol), protocols[i]);
      QVERIFY(r.ping > 0);
      QVERIFY(r.lastreply != 0);
      QCOMPARE(e.engine->List().History(static_cast<size_t>(i)).size(), size_t(200));
      QCOMPARE(servers[static_cast<size_t>(i)]->stats().statusQueries, 1u);
      QCOMPARE(servers[static_cast<size_t>(i)]->received().front().data, Oob("getstatus"));
      // Each server's session keeps its own last status.
      QCOMPARE(e.S(i).Players().size(), size_t(i + 1));
    }
    QCOMPARE(e.engine->counters().statusResponses, 5u);
  }

  // An unlisted server's datagrams are dropped, and they take nothing of a
  // listed server's with them: a print belongs to whoever sent it.
  void unlistedSenderIsDroppedWithItsPrints() {
    TestServer listed, unlisted;
    QVERIFY(listed.start(Config(6, "Listed", 2)));
    QVERIFY(unlisted.start(Config(6, "Unlisted", 2)));
    Engine e;
    e.Add(listed.port());
    QVERIFY(e.Start());
    const uint16_t client = e.engine->QueryLocalPort();
    QVERIFY(client != 0);

    QVERIFY(e.engine->SendGetStatus(0));
    QTRY_COMPARE(e.engine->counters().statusResponses, 1u);
    QVERIFY(unlisted.sendTo(kHost, client, StatusDatagram(StockVars("Intruder"))));
    QVERIFY(unlisted.sendTo(kHost, client, Oob("print\nfrom unlisted\n")));
    QVERIFY(listed.sendTo(kHost, client, Oob("print\nfrom listed\n")));
    QTRY_COMPARE(e.engine->counters().datagrams, 4u);
    QCOMPARE(e.engine->counters().unattributed, 1u);
    QCOMPARE(e.E(0).hostname.str(), std::string("Listed"));
    QTRY_COMPARE(e.Console(0), std::vector<std::string>{"from listed"});
  }

  void statusTableInThreeDatagramsMapSecond() {
    UdpSocket fake;  // plays the game server, scripted by hand
    QVERIFY(fake.Open(65536));
    Engine e;
    e.Add(fake.LocalPort(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QSignalSpy tables(&e.S(0), &ServerSession::TableChanged);
    e.engine->RequestStatusPoll();

    const UdpSocket::Received req = ReceivePumping(fake, 5000);
    QVERIFY(req.got);
    QCOMPARE(req.data, Oob("rcon \"pw\" status"));
    QCOMPARE(req.data.size(), size_t(20));
    QCOMPARE(req.port, int(e.engine->StatusLocalPort()));

    const std::string row0 = StatusRow(0, 5, "48", "111111", "^1Red^2Team", "10.1.1.1:28960");
    const std::string row1 = StatusRow(1, 7, "CNCT", "222222", "Blue", "10.1.1.2:28961");
    const std::string first = Oob("print\n--- ----- ---- ------\n" + row0 + "\n");
    const std::string map =
        Oob("print\nmap: mp_harbor\nnum score ping guid   name            lastmsg address\n");
    const std::string third = Oob("print\n" + row1 + "\n\n");
    QVERIFY(fake.SendTo(kHost, req.port, first));
    QVERIFY(fake.SendTo(kHost, req.port, map));
    QVERIFY(fake.SendTo(kHost, req.port, third));

    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 1, 5000);
    const Tstatusinfo& rows = e.S(0).Table();
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0][0], std::string("0"));
    QCOMPARE(rows[0][1], std::string("^1Red^2Team"));
    QCOMPARE(rows[0][2], std::string("48"));
    QCOMPARE(rows[0][3], std::string("111111"));
    QCOMPARE(rows[0][6], std::string("10.1.1.1:28960"));
    QCOMPARE(rows[1][0], std::string("1"));
    QCOMPARE(rows[1][2], std::string("CNCT"));
    QCOMPARE(rows[1][1], std::string("Blue"));
    // Both player addresses were queued for the provider resolver.
    QVERIFY(FindAddress(e.engine->Addresses().Records(), "10.1.1.1") >= 0);
    QVERIFY(FindAddress(e.engine->Addresses().Records(), "10.1.1.2") >= 0);
    QVERIFY(!e.S(0).TableRequested());
  }

  void statusPollAgainstTheTestServerAndWrongPassword() {
    TestServer server;
    QVERIFY(server.start(Config(118, "Admin", 4)));
    Engine e;
    e.Add(server.port(), "secret");
    e.Select(0);
    QVERIFY(e.Start());
    QSignalSpy tables(&e.S(0), &ServerSession::TableChanged);
    e.engine->OnPageChanged(true);
    e.engine->Timer1Timer();  // players page shown: asks for the poll
    QVERIFY(e.S(0).TableRequested());
    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 1, 5000);
    QCOMPARE(e.S(0).Table().size(), size_t(4));
    const Tstatusinfo before = e.S(0).Table();
    QCOMPARE(before[0][1], server.config().players[0].name);

    e.E(0).rconpass.assign("wrong");
    const uint64_t polls = e.engine->StatusPollsFinished();
    e.engine->RequestStatusPoll();
    QTRY_COMPARE_WITH_TIMEOUT(server.stats().rconBadPassword, 1u, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(e.engine->StatusPollsFinished() > polls, 5000);
    QTest::qWait(50);
    QCOMPARE(tables.count(), 1);
    QCOMPARE(e.S(0).Table(), before);
  }

  // The players page's cadence against ioquake3's limiter, with the polls,
  // the get thread and the main thread all reporting to the server's
  // budget: found limited, then nothing dropped, commands carried out,
  // polls answered.
  void limitedServerIsLearntThenSpared() {
    TestServer server;
    TestServerConfig c = Config(6, "Limited", 3, "pw");
    c.limiterBurst = 10;
    QVERIFY(server.start(c));
    Engine e;
    e.Add(server.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    e.engine->OnPageChanged(true);
    e.engine->Timer1().SetEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(e.engine->IsLimited(e.E(0).uid), 25000);
    const auto dropped = server.stats().limiterDropped;
    const auto answered = e.engine->StatusPollsAnswered();
    QVERIFY(dropped >= 2);
    e.engine->SendRcon("say eins");
    e.engine->SendRcon("say zwei");
    // The budget is spent when it is learnt: the commands go within about
    // three seconds, then the polls again about one a second.
    QTest::qWait(8000);
    QCOMPARE(server.stats().limiterDropped, dropped);
    const auto done = server.executedCommands();
    QCOMPARE(std::count(done.begin(), done.end(), "say eins"), 1);
    QCOMPARE(std::count(done.begin(), done.end(), "say zwei"), 1);
    QVERIFY(e.engine->StatusPollsAnswered() >= answered + 2);
  }

  // The query channel's pause is a time in the server's line: SendRcon
  // returns at once and the datagram leaves 700 ms later, byte for byte.
  void sendRconWaitsInLineThenSendsExactBytes() {
    TestServer server;
    QVERIFY(server.start(Config(6, "Rcon", 3, "pw")));
    Engine e;
    e.Add(server.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    e.engine->SetRconPause(700ms);
    const auto t0 = std::chrono::steady_clock::now();
    QCOMPARE(e.engine->SendRcon("status"), QueryEngine::SendResult::Sent);
    QCOMPARE(e.engine->HeldRcon(), size_t(1));  // waiting, not sent
    QTRY_VERIFY_WITH_TIMEOUT(server.receivedCount() >= 1, 5000);
    const auto got = server.received();
    QCOMPARE(got.size(), size_t(1));
    QCOMPARE(got[0].data, Oob("rcon \"pw\" status"));
    QVERIFY(got[0].at - t0 >= 700ms);
    QCOMPARE(got[0].fromPort, int(e.engine->QueryLocalPort()));
    // The command and its answer stand in the server's console.
    QTRY_VERIFY(e.Console(0).size() > 3);
    QCOMPARE(e.Console(0)[0], std::string("> status"));
    QVERIFY(e.Console(0)[1].rfind("map: ", 0) == 0);
  }

  void rconGoesToTheServerItWasGivenFor() {
    TestServer first, second;
    QVERIFY(first.start(Config(6, "First", 0, "p0")));
    QVERIFY(second.start(Config(6, "Second", 0, "p1")));
    Engine e;
    e.Add(first.port(), "p0");
    e.Add(second.port(), "p1");
    QVERIFY(e.Start());
    // A command belongs to the server selected when it was given, with that
    // server's password, whatever is selected when it leaves.
    e.engine->SetRconPause(300ms);
    e.Select(1);
    QCOMPARE(e.engine->SendRcon("say hi"), QueryEngine::SendResult::Sent);
    e.Select(0);
    QTRY_VERIFY_WITH_TIMEOUT(second.receivedCount() >= 1, 5000);
    QCOMPARE(second.received().front().data, Oob("rcon \"p1\" say hi"));
    QCOMPARE(first.receivedCount(), 0u);
    // An entry deleted before its command left takes the command with it.
    QCOMPARE(e.engine->SendRcon("say gone"), QueryEngine::SendResult::Sent);
    e.engine->List().RemoveAt(0);
    QTest::qWait(500);
    QCOMPARE(first.receivedCount(), 0u);
    QCOMPARE(e.engine->HeldRcon(), size_t(0));
  }

  void oversizeDatagramIsSkipped() {
    TestServer server;
    QVERIFY(server.start(Config(6, "Big", 0)));
    Engine e;
    e.Add(server.port());
    QVERIFY(e.Start());
    QVERIFY(e.engine->SendGetStatus(0));  // the socket has sent: replies may come
    QTRY_COMPARE(e.engine->counters().statusResponses, 1u);
    const uint16_t client = e.engine->QueryLocalPort();
    QVERIFY(server.sendTo(kHost, client, Oob("print\n" + std::string(9000, 'x'))));
    QVERIFY(server.sendTo(kHost, client, Oob("print\nafter\n")));
    QTRY_COMPARE(e.engine->counters().datagrams, 2u);
    QTRY_COMPARE(e.Console(0), std::vector<std::string>{"after"});
  }

  // The poll takes only its server's datagrams: another sender's neither
  // end the table nor get into it.
  void otherSendersDoNotCutTheStatusTable() {
    UdpSocket fake, other;
    QVERIFY(fake.Open(65536));
    QVERIFY(other.Open(65536));
    Engine e;
    e.Add(fake.LocalPort(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QSignalSpy tables(&e.S(0), &ServerSession::TableChanged);

    // A port text that is no number: the request is dropped, nothing is sent.
    e.E(0).port.assign("x");
    e.engine->RequestStatusPoll();
    QTRY_VERIFY(!e.S(0).TableRequested());
    QVERIFY(!ReceivePumping(fake, 400).got);
    e.E(0).port.assign(std::to_string(fake.LocalPort()));

    e.engine->RequestStatusPoll();
    const UdpSocket::Received req = ReceivePumping(fake, 5000);
    QVERIFY(req.got);
    const std::string head =
        Oob("print\nmap: mp_x\nnum score ping guid   name            lastmsg address\n"
            "--- ----- ---- ------\n" +
            StatusRow(3, 1, "20", "333333", "Early", "10.2.2.3:1") + "\n");
    QVERIFY(fake.SendTo(kHost, req.port, head));
    ReceivePumping(other, 50);
    QVERIFY(other.SendTo(kHost, req.port, Oob("print\nnoise\n")));
    QVERIFY(other.SendTo(kHost, req.port, Oob("getstatus")));
    ReceivePumping(other, 50);
    QVERIFY(fake.SendTo(
        kHost, req.port,
        Oob("print\n" + StatusRow(4, 2, "30", "444444", "Late", "10.2.2.4:1") + "\n\n")));
    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 1, 5000);
    QCOMPARE(e.S(0).Table().size(), size_t(2));
    QCOMPARE(e.S(0).Table()[1][1], std::string("Late"));
  }

  // Outputs longer than a datagram, cut into 200-byte pieces: a 300-map
  // listing keeps every name, the console shows the whole status output,
  // and the poll's table has every player, once.
  void longOutputsArriveWhole() {
    TestServerConfig c = Config(6, "Long", 12, "pw");
    c.splitBytes = 200;
    c.mapFiles.clear();
    for (int i = 0; i < 300; ++i) c.mapFiles.push_back("mp_m" + std::to_string(i) + ".bsp");
    SetVar(c.vars, "mapname", "mp_m299");
    TestServer server;
    QVERIFY(server.start(c));
    Engine e;
    e.Add(server.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QVERIFY(e.engine->SendGetStatus(0));
    QTRY_VERIFY(e.E(0).protocol == 6);
    e.engine->SetRconPause(100ms);
    QCOMPARE(e.engine->SendRcon("dir maps/mp .bsp"), QueryEngine::SendResult::Sent);
    QTRY_COMPARE_WITH_TIMEOUT(e.S(0).Maps().items.size(), size_t(300), 5000);
    QCOMPARE(e.S(0).Maps().chosen, 299);
    const std::size_t before = e.Console(0).size();
    QCOMPARE(e.engine->SendRcon("status"), QueryEngine::SendResult::Sent);
    // The command, "map:", the two header lines and twelve rows.
    QTRY_COMPARE_WITH_TIMEOUT(e.Console(0).size(), before + 1 + 1 + 2 + 12, 5000);
    QCOMPARE(e.Console(0)[before + 1], std::string("map: mp_m299"));
    QSignalSpy tables(&e.S(0), &ServerSession::TableChanged);
    e.engine->RequestStatusPoll();
    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 1, 5000);
    QCOMPARE(e.S(0).Table().size(), size_t(12));
    QCOMPARE(e.engine->counters().unanswered, 0u);
  }

  // A server that answers a poll late: the late answer never becomes part
  // of the next table, whether it comes before the next poll leaves or
  // right behind that poll's own answer.
  void lateAnswersAreNeverSpliced() {
    UdpSocket fake;
    QVERIFY(fake.Open(1 << 20));
    Engine e;
    e.Add(fake.LocalPort(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QSignalSpy tables(&e.S(0), &ServerSession::TableChanged);
    auto table = [](int rows, const std::string& tag) {
      std::string out = "map: mp_x\nnum score ping guid   name\n--- ----- ---- ------\n";
      for (int i = 0; i < rows; ++i)
        out += StatusRow(i, 0, "50", "0", tag + std::to_string(i), "10.0.0.1:1") + "\n";
      out += "\n";
      std::vector<std::string> parts;
      for (std::size_t p = 0; p < out.size(); p += 200)
        parts.push_back(Oob("print\n" + out.substr(p, 200)));
      return parts;
    };
    auto answer = [&](const UdpSocket::Received& req, const std::vector<std::string>& parts) {
      for (const std::string& d : parts) QVERIFY(fake.SendTo(kHost, req.port, d));
    };

    e.engine->RequestStatusPoll();  // poll 1: no answer in time
    UdpSocket::Received req = ReceivePumping(fake, 5000);
    QVERIFY(req.got);
    QTRY_COMPARE_WITH_TIMEOUT(e.engine->StatusPollsFinished(), 1u, 5000);
    answer(req, table(6, "Late"));
    QVERIFY(fake.SendTo(kHost, req.port, Oob("getstatus")));  // a stray datagram too
    e.engine->RequestStatusPoll();
    const UdpSocket::Received req2 = ReceivePumping(fake, 5000);
    QVERIFY(req2.got);
    answer(req2, table(12, "Now"));
    answer(req, table(6, "Late"));  // the first poll's socket is closed by now
    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 1, 5000);
    QCOMPARE(e.S(0).Table().size(), size_t(12));
    QCOMPARE(e.S(0).Table()[0][1], std::string("Now0"));

    e.engine->RequestStatusPoll();
    req = ReceivePumping(fake, 5000);
    QVERIFY(req.got);
    answer(req, table(12, "Again"));
    answer(req, table(6, "Late"));
    QTRY_COMPARE_WITH_TIMEOUT(tables.count(), 2, 5000);
    QCOMPARE(e.S(0).Table().size(), size_t(12));
    QCOMPARE(e.S(0).Table()[11][1], std::string("Again11"));
  }

  // A command the server drops gets a line in the console after 2 s;
  // nothing is sent again. One that is answered gets none.
  void unansweredCommandIsMarked() {
    TestServerConfig c = Config(6, "Drops", 0, "pw");
    c.script = [](std::string_view request, std::vector<std::string>&) {
      return request.find("say lost") != std::string_view::npos;  // swallowed
    };
    TestServer server;
    QVERIFY(server.start(c));
    Engine e;
    e.Add(server.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    e.engine->SetRconPause(0ms);
    QCOMPARE(e.engine->SendRcon("say lost"), QueryEngine::SendResult::Sent);
    QCOMPARE(e.engine->SendRcon("say heard"), QueryEngine::SendResult::Sent);
    const std::string note = "say lost: Keine Antwort vom Server (verworfen oder gedrosselt)";
    QTRY_VERIFY_WITH_TIMEOUT(e.ConsoleHas(0, note), 5000);
    QTest::qWait(2500);
    const std::vector<std::string> console = e.Console(0);
    QCOMPARE(std::count(console.begin(), console.end(), note), 1);
    QCOMPARE(e.engine->counters().unanswered, 1u);
    QCOMPARE(server.receivedCount(), 2u);
  }

  void varRepliesReachTheirSession() {
    TestServer server;
    QVERIFY(server.start(Config(6, "Vars", 0, "pw")));
    Engine e;
    e.Add(server.port(), "pw");
    e.Select(0);
    QVERIFY(e.Start());
    QSignalSpy replies(e.engine.get(), &QueryEngine::VarReply);
    QCOMPARE(e.engine->SendRconVar("g_gametype"), QueryEngine::SendResult::Sent);
    QTRY_COMPARE(replies.count(), 1);
    QCOMPARE(replies[0][0].value<std::uint64_t>(), e.E(0).uid);
    QVERIFY(replies[0][1].value<std::string>().find("\"g_gametype\" is:\"sd^7\"") == 0);
    QCOMPARE(server.received().front().fromPort, int(e.engine->VarLocalPort()));
    // A server that cannot be reached is reported to the caller.
    e.E(0).port.assign("99999");
    QCOMPARE(e.engine->SendRconVar("g_gametype"), QueryEngine::SendResult::Failed);
  }
};

QTEST_GUILESS_MAIN(IntegrationTest)
#include "test_integration.moc"
