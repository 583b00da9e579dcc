// The scripted server over real UDP sockets on 127.0.0.1, as the engine's
// integration tests use it.
#include <QtTest>
#include <fstream>
#include <thread>

#include "tests/tools/udpclient.h"
#include "tools/testserver/testserver.h"

using namespace zelmora::testing;
using std::chrono::milliseconds;
using ztest::B;
using ztest::Oob;

namespace {

TestServerConfig Open() {
  TestServerConfig c;
  c.rconPassword = "secret";
  c.floodProtection = false;
  return c;
}

int ThreadCount() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == "Threads:") {
      int n = 0;
      in >> n;
      return n;
    }
  }
  return -1;
}

}  // namespace

class TestTestServer : public QObject {
  Q_OBJECT

 private slots:
  void getstatusByteExact() {
    TestServerConfig c = Open();
    c.vars = {{"sv_hostname", "^1Demo ^7CoD1"}, {"protocol", "6"}, {"mapname", "mp_harbor"}};
    TestPlayer p;
    p.score = 12;
    p.ping = "34";
    p.name = "^2x";
    c.players = {p};
    TestServer server;
    QVERIFY(server.start(c));
    QVERIFY(server.port() != 0);
    ztest::UdpClient client;
    const auto replies = client.request(server.port(), "getstatus");
    QCOMPARE(replies.size(), size_t(1));
    QCOMPARE(B(replies[0]),
             B(Oob("statusResponse\n\\sv_hostname\\^1Demo ^7CoD1\\protocol\\6\\mapname\\mp_harbor"
                   "\n12 34 \"^2x\"\n")));
  }

  void statusTableOverUdp() {
    TestServerConfig c = Open();
    c.players = InventPlayers(5);
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    const auto replies = client.request(server.port(), "rcon \"secret\" status");
    QCOMPARE(replies.size(), size_t(1));
    // The reply comes from the server's own port.
    QCOMPARE(B(replies[0].substr(4, 10)), QByteArray("print\nmap:"));
    const auto lines = ztest::Lines(ztest::PrintOutput(replies));
    QCOMPARE(lines.size(), size_t(3 + 5 + 2));
    for (size_t i = 0; i < 5; ++i) {
      const auto row = ztest::ParseRow(lines[3 + i]);
      const TestPlayer& p = c.players[i];
      QCOMPARE(B(row.num), B(std::to_string(p.num)));
      QCOMPARE(B(row.score), B(std::to_string(p.score)));
      QCOMPARE(B(row.ping), B(p.ping));
      QCOMPARE(B(row.guid), B(p.guid));
      QCOMPARE(B(row.name), B(p.name));
      QCOMPARE(row.words.size(), size_t(4));
      QCOMPARE(B(row.words[0]), B(std::to_string(p.lastmsg)));
      QCOMPARE(B(row.words[1]), B(p.ip + ":" + std::to_string(p.port)));
      QCOMPARE(B(row.words[2]), B(std::to_string(p.qport)));
      QCOMPARE(B(row.words[3]), B(std::to_string(p.rate)));
    }
  }

  void replySenderIsServer() {
    TestServer server;
    QVERIFY(server.start(Open()));
    ztest::UdpClient client;
    client.send(server.port(), Oob("getstatus"));
    const auto r = client.receive(2000);
    QVERIFY(r.has_value());
    QCOMPARE(r->fromPort, server.port());
  }

  void splitAcrossDatagrams() {
    TestServerConfig c = Open();
    c.players = InventPlayers(40);
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    const auto parts = client.request(server.port(), "rcon secret status");
    QVERIFY(parts.size() >= 4);
    bool cutMidLine = false;
    for (const auto& p : parts) {
      QVERIFY(p.size() <= 10 + c.splitBytes);
      if (p.back() != '\n') cutMidLine = true;
    }
    QVERIFY(cutMidLine);
    server.update([](TestServerConfig& cfg) { cfg.splitBytes = 0; });
    const auto whole = client.request(server.port(), "rcon secret status");
    QCOMPARE(whole.size(), size_t(1));
    QCOMPARE(B(ztest::PrintOutput(parts)), B(ztest::PrintOutput(whole)));
    QVERIFY(ztest::PrintOutput(whole).size() > 3000);
  }

  void wrongPassword() {
    TestServerConfig c = Open();
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    auto r = client.request(server.port(), "rcon \"nope\" status");
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(B(r[0]), B(Oob("print\nBad rconpassword.\n")));
    server.update([](TestServerConfig& cfg) { cfg.badPasswordReply = "Invalid password."; });
    r = client.request(server.port(), "rcon \"nope\" status");
    QCOMPARE(r.size(), size_t(1));
    QCOMPARE(B(r[0]), B(Oob("print\nInvalid password.\n")));
    QVERIFY(server.executedCommands().empty());
  }

  void floodProtectionDrops() {
    TestServerConfig c = Open();
    c.floodProtection = true;
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    // Back to back: the second command is dropped without an answer.
    client.send(server.port(), Oob("rcon secret say eins"));
    client.send(server.port(), Oob("rcon secret say zwei"));
    const auto replies = client.receiveAll(2000, 300);
    QCOMPARE(replies.size(), size_t(1));
    QCOMPARE(B(replies[0].data), B(Oob("print\nconsole: eins\n")));
    QVERIFY(server.waitForReceived(2, milliseconds(2000)));
    QCOMPARE(server.executedCommands(), std::vector<std::string>{"say eins"});
    QCOMPARE(server.stats().rconFloodDropped, uint64_t(1));
    // After the interval the next one is taken again.
    std::this_thread::sleep_for(milliseconds(c.floodIntervalMs + 50));
    QCOMPARE(B(ztest::PrintOutput(client.request(server.port(), "rcon secret say drei"))),
             QByteArray("console: drei\n"));
  }

  void setThenRead() {
    TestServer server;
    QVERIFY(server.start(Open()));
    ztest::UdpClient client;
    QCOMPARE(B(ztest::PrintOutput(
                 client.request(server.port(), "rcon \"secret\" set scr_sd_roundlength \"2.5\""))),
             QByteArray(""));
    QCOMPARE(B(ztest::PrintOutput(client.request(server.port(), "rcon secret scr_sd_roundlength"))),
             QByteArray("\"scr_sd_roundlength\" is:\"2.5^7\" default:\"4^7\"\n"));
    client.request(server.port(), "rcon secret set sv_hostname \"^3Neu\"");
    const auto status = client.request(server.port(), "getstatus");
    QCOMPARE(status.size(), size_t(1));
    QVERIFY(status[0].find("\\sv_hostname\\^3Neu\\") != std::string::npos);
    QCOMPARE(B(server.var("sv_hostname")), QByteArray("^3Neu"));
    // Changes made from the test side are seen by the next request.
    server.setVar("scr_sd_roundlength", "3");
    server.update([](TestServerConfig& cfg) { cfg.blankAfterColon = true; });
    QCOMPARE(B(ztest::PrintOutput(client.request(server.port(), "rcon secret scr_sd_roundlength"))),
             QByteArray("\"scr_sd_roundlength\" is: \"3^7\" default: \"4^7\"\n"));
  }

  void kickRemovesPlayer() {
    TestServerConfig c = Open();
    c.players = InventPlayers(3);
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    const auto r = client.request(server.port(), "rcon secret clientkick 1");
    QCOMPARE(B(ztest::PrintOutput(r)), B(c.players[1].name + "^7 was kicked\n"));
    const auto players = server.config().players;
    QCOMPARE(players.size(), size_t(2));
    QCOMPARE(players[0].num, 0);
    QCOMPARE(players[1].num, 2);
    const auto lines = ztest::Lines(client.request(server.port(), "getstatus").at(0));
    QCOMPARE(lines.size(), size_t(2 + 2 + 1));
    QVERIFY(lines[3].find(c.players[2].name) != std::string::npos);
    const auto table =
        ztest::Lines(ztest::PrintOutput(client.request(server.port(), "rcon secret status")));
    QCOMPARE(table.size(), size_t(3 + 2 + 2));
    QCOMPARE(B(ztest::ParseRow(table[4]).num), QByteArray("2"));
  }

  void delayKeepsReceiving() {
    TestServerConfig slowCfg = Open();
    slowCfg.replyDelayMs = 400;
    TestServer slow, fast;
    QVERIFY(slow.start(slowCfg));
    QVERIFY(fast.start(Open()));
    ztest::UdpClient client;
    const auto sent = std::chrono::steady_clock::now();
    client.send(slow.port(), Oob("getstatus"));
    client.send(slow.port(), Oob("rcon secret say x"));
    client.send(fast.port(), Oob("getstatus"));
    const auto replies = client.receiveAll(3000, 1000);
    QCOMPARE(replies.size(), size_t(3));
    // The undelayed server answers first; the delayed one answers in request order.
    QCOMPARE(replies[0].fromPort, fast.port());
    QCOMPARE(replies[1].fromPort, slow.port());
    QVERIFY(replies[1].data.find("statusResponse") != std::string::npos);
    QCOMPARE(B(replies[2].data), B(Oob("print\nconsole: x\n")));
    QVERIFY(replies[1].at - sent >= milliseconds(400));
    // Both requests were taken in while the first reply was still held back.
    const auto got = slow.received();
    QCOMPARE(got.size(), size_t(2));
    QVERIFY(got[1].at < replies[1].at);

    slow.setReplyDelayMs(0);
    QCOMPARE(client.request(slow.port(), "getstatus").size(), size_t(1));
  }

  void scriptedRepliesOverUdp() {
    TestServerConfig c = Open();
    c.replyDelayMs = 50;
    c.script = [](std::string_view request, std::vector<std::string>& replies) {
      if (request.find("getstatus") == std::string_view::npos) return false;
      replies = {Oob("print\nfirst\n"), Oob("statusResponse\n\\a\\b\n")};
      return true;
    };
    TestServer server;
    QVERIFY(server.start(c));
    ztest::UdpClient client;
    const auto r = client.request(server.port(), "getstatus");
    QCOMPARE(r.size(), size_t(2));
    QCOMPARE(B(r[0]), B(Oob("print\nfirst\n")));
    QCOMPARE(B(r[1]), B(Oob("statusResponse\n\\a\\b\n")));
    QCOMPARE(B(ztest::PrintOutput(client.request(server.port(), "rcon secret say x"))),
             QByteArray("console: x\n"));
    // The script can be swapped while running.
    server.update([](TestServerConfig& cfg) { cfg.script = nullptr; });
    QVERIFY(client.request(server.port(), "getstatus").at(0).find("sv_hostname") !=
            std::string::npos);
  }

  void recordsDatagrams() {
    TestServer server;
    QVERIFY(server.start(Open()));
    ztest::UdpClient client;
    const std::string odd("\x01\x02\xff\x00zz", 6);
    client.send(server.port(), odd);
    client.send(server.port(), Oob("getstatus"));
    QVERIFY(server.waitForReceived(2, milliseconds(2000)));
    auto got = server.received();
    QCOMPARE(got.size(), size_t(2));
    QCOMPARE(B(got[0].data), B(odd));
    QCOMPARE(B(got[0].fromHost), QByteArray("127.0.0.1"));
    QCOMPARE(got[0].fromPort, int(client.port()));
    QVERIFY(got[0].at <= got[1].at);
    QCOMPARE(B(got[1].data), B(Oob("getstatus")));
    QCOMPARE(server.stats().ignored, uint64_t(1));
    QVERIFY(!server.waitForReceived(3, milliseconds(50)));

    server.clearReceived();
    QCOMPARE(server.receivedCount(), uint64_t(0));
    QVERIFY(server.received().empty());
    client.send(server.port(), Oob("getstatus"));
    QVERIFY(server.waitForReceived(1, milliseconds(2000)));
    QCOMPARE(server.takeReceived().size(), size_t(1));
    QCOMPARE(server.receivedCount(), uint64_t(0));

    // The record keeps the newest datagrams only.
    server.update([](TestServerConfig& c) { c.maxRecorded = 3; });
    for (int i = 0; i < 6; ++i) client.send(server.port(), Oob("x" + std::to_string(i)));
    QVERIFY(server.waitForReceived(6, milliseconds(2000)));
    got = server.received();
    QCOMPARE(got.size(), size_t(3));
    QCOMPARE(B(got[0].data), B(Oob("x3")));
    QCOMPARE(B(got[2].data), B(Oob("x5")));
  }

  void rawSendTo() {
    TestServer server;
    QVERIFY(server.start(Open()));
    ztest::UdpClient client;
    QVERIFY(server.sendTo("127.0.0.1", client.port(), Oob("print\nunasked\n")));
    QVERIFY(server.sendTo("localhost", client.port(), "no prefix"));
    auto a = client.receive(2000);
    auto b = client.receive(2000);
    QVERIFY(a && b);
    QCOMPARE(B(a->data), B(Oob("print\nunasked\n")));
    QCOMPARE(a->fromPort, server.port());
    QCOMPARE(B(b->data), QByteArray("no prefix"));
    QVERIFY(!server.sendTo("no.such.host.invalid", client.port(), "x"));
    server.stop();
    QVERIFY(!server.sendTo("127.0.0.1", client.port(), "x"));
  }

  void lifecycle() {
    TestServer server;
    QVERIFY(!server.running());
    QCOMPARE(server.port(), uint16_t(0));
    QVERIFY(server.start(Open()));
    QVERIFY(!server.start(Open()));  // already running
    const uint16_t port = server.port();

    // The port is taken: a second server cannot bind it.
    TestServerConfig same = Open();
    same.port = port;
    TestServer other;
    QVERIFY(!other.start(same));
    QVERIFY(!other.running());

    const int threadsBefore = ThreadCount();
    const auto t0 = std::chrono::steady_clock::now();
    server.stop();
    QVERIFY(std::chrono::steady_clock::now() - t0 < std::chrono::seconds(2));
    QVERIFY(!server.running());
    QCOMPARE(server.port(), uint16_t(0));
    QCOMPARE(ThreadCount(), threadsBefore - 1);
    server.stop();  // twice is harmless

    // Restart on the very port it had; the old state is gone.
    QVERIFY(other.start(same));
    QCOMPARE(other.port(), port);
    ztest::UdpClient client;
    QCOMPARE(client.request(port, "getstatus").size(), size_t(1));

    // A delayed reply still pending at stop is discarded, and stop does not wait for it.
    other.setReplyDelayMs(5000);
    client.send(port, Oob("getstatus"));
    QVERIFY(other.waitForReceived(2, milliseconds(2000)));
    other.stop();
    QVERIFY(!client.receive(300).has_value());
  }

  void concurrentUse() {
    // Requests from several threads while the test edits the configuration.
    TestServerConfig c = Open();
    c.players = InventPlayers(10);
    TestServer server;
    QVERIFY(server.start(c));
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        ztest::UdpClient client;
        for (int i = 0; i < 25; ++i) {
          client.send(server.port(), Oob(i % 2 ? "getstatus" : "rcon secret status"));
          if (client.receive(2000)) ++answered;
          while (client.receive(20)) {
          }
        }
      });
    }
    for (int i = 0; i < 50; ++i) {
      server.setPlayers(InventPlayers(i % 12, uint64_t(i)));
      server.setVar("sv_hostname", "Host " + std::to_string(i));
      (void)server.config();
      (void)server.received();
      std::this_thread::sleep_for(milliseconds(2));
    }
    for (auto& th : threads) th.join();
    QCOMPARE(answered.load(), 100);
    // Per thread 12 odd and 13 even rounds.
    QCOMPARE(server.stats().statusQueries, uint64_t(4 * 12));
    QCOMPARE(server.stats().rconAccepted, uint64_t(4 * 13));
  }
};

QTEST_GUILESS_MAIN(TestTestServer)
#include "test_testserver.moc"
