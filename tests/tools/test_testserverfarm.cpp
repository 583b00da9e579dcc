// Many scripted servers on one thread.
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/tools/udpclient.h"
#include "tools/testserver/testserver.h"

using namespace zelmora::testing;
using std::chrono::milliseconds;
using ztest::B;
using ztest::Oob;

namespace {

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

size_t OpenFiles() {
  return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                              std::filesystem::directory_iterator()));
}

std::string HostnameOf(const std::string& statusResponse) {
  const std::string key = "\\sv_hostname\\";
  const size_t at = statusResponse.find(key);
  if (at == std::string::npos) return {};
  const size_t start = at + key.size();
  return statusResponse.substr(start, statusResponse.find_first_of("\\\n", start) - start);
}

}  // namespace

class TestTestServerFarm : public QObject {
  Q_OBJECT

 private slots:
  void fiveHundredOnOneThread() {
    const int before = ThreadCount();
    TestServerFarm farm;
    QVERIFY(farm.start(500));
    QCOMPARE(ThreadCount(), before + 1);
    QCOMPARE(farm.size(), size_t(500));
    const auto ports = farm.ports();
    QCOMPARE(std::set<uint16_t>(ports.begin(), ports.end()).size(), size_t(500));
    QVERIFY(std::find(ports.begin(), ports.end(), uint16_t(0)) == ports.end());

    // Ask every server and match the answers by sender port; in rounds of 50
    // so that the client's own receive buffer keeps up.
    ztest::UdpClient client;
    std::map<uint16_t, std::string> names;
    for (size_t first = 0; first < ports.size(); first += 50) {
      for (size_t i = first; i < std::min(first + 50, ports.size()); ++i) {
        QVERIFY(client.send(ports[i], Oob("getstatus")));
      }
      while (names.size() < std::min(first + 50, ports.size())) {
        auto r = client.receive(3000);
        if (!r) break;
        QVERIFY(names.emplace(r->fromPort, HostnameOf(r->data)).second);
      }
    }
    QCOMPARE(names.size(), size_t(500));
    for (size_t i = 0; i < ports.size(); ++i) {
      QCOMPARE(B(names[ports[i]]), B("Server " + std::to_string(i)));
    }
    QVERIFY(farm.waitForTotalReceived(500, milliseconds(1000)));
    QCOMPARE(farm.receivedCount(17), uint64_t(1));
    QCOMPARE(farm.received(17).at(0).fromPort, int(client.port()));

    farm.stop();
    QCOMPARE(ThreadCount(), before);
    QCOMPARE(farm.port(3), uint16_t(0));
  }

  void ownConfigs() {
    std::vector<TestServerConfig> configs(3);
    for (int i = 0; i < 3; ++i) {
      configs[i].rconPassword = "pw" + std::to_string(i);
      configs[i].floodProtection = false;
      configs[i].players = InventPlayers(i);
    }
    configs[2].replyDelayMs = 300;
    TestServerFarm farm;
    QVERIFY(farm.start(configs));
    ztest::UdpClient client;

    // Passwords are per server.
    QCOMPARE(B(ztest::PrintOutput(client.request(farm.port(0), "rcon pw1 say a"))),
             QByteArray("Bad rconpassword.\n"));
    QCOMPARE(B(ztest::PrintOutput(client.request(farm.port(1), "rcon pw1 say a"))),
             QByteArray("console: a\n"));
    QCOMPARE(farm.stats(1).rconAccepted, uint64_t(1));
    QCOMPARE(farm.stats(0).rconBadPassword, uint64_t(1));

    // A delayed server holds nobody else up.
    client.send(farm.port(2), Oob("getstatus"));
    client.send(farm.port(1), Oob("getstatus"));
    const auto replies = client.receiveAll(3000, 800);
    QCOMPARE(replies.size(), size_t(2));
    QCOMPARE(replies[0].fromPort, farm.port(1));
    QCOMPARE(replies[1].fromPort, farm.port(2));

    // Edits reach only their server.
    farm.update(0, [](TestServerConfig& c) { SetVar(c.vars, "mapname", "mp_depot"); });
    QCOMPARE(B(FindVar(farm.config(0).vars, "mapname")), QByteArray("mp_depot"));
    QCOMPARE(B(FindVar(farm.config(1).vars, "mapname")), QByteArray("mp_harbor"));
    QCOMPARE(farm.config(2).players.size(), size_t(2));

    // Raw datagrams leave from the chosen server's port.
    QVERIFY(farm.sendTo(1, "127.0.0.1", client.port(), Oob("print\nx\n")));
    const auto r = client.receive(2000);
    QVERIFY(r.has_value());
    QCOMPARE(r->fromPort, farm.port(1));
  }

  void failedStartLeavesNothing() {
    TestServerFarm first;
    QVERIFY(first.start(1));
    std::vector<TestServerConfig> configs(3);
    configs[2].port = first.port(0);  // taken
    const int threads = ThreadCount();
    const size_t fds = OpenFiles();
    TestServerFarm farm;
    QVERIFY(!farm.start(configs));
    QVERIFY(!farm.running());
    QCOMPARE(ThreadCount(), threads);
    // The two sockets bound before the failure were closed again.
    QCOMPARE(OpenFiles(), fds);
    configs[2].port = 0;
    QVERIFY(farm.start(configs));
    QCOMPARE(farm.size(), size_t(3));
  }
};

QTEST_GUILESS_MAIN(TestTestServerFarm)
#include "test_testserverfarm.moc"
