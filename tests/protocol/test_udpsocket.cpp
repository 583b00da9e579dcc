#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <thread>

#include "protocol/datagram.h"
#include "protocol/udpsocket.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;

class TestUdpSocket : public QObject {
  Q_OBJECT
 private slots:
  void openBindsAtOnce() {
    UdpSocket s;
    QVERIFY(!s.IsOpen());
    QCOMPARE(int(s.LocalPort()), 0);
    QVERIFY(s.Open(8192));
    QVERIFY(s.IsOpen());
    QVERIFY(s.LocalPort() != 0);
    // A receive before any send finds nothing and is no failure.
    const auto r = s.Receive(20);
    QVERIFY(!r.got);
    QVERIFY(!r.failed);
    QVERIFY(r.data.empty());
    QCOMPARE(r.port, -1);
  }

  void sendAndReceive() {
    UdpSocket a, b;
    QVERIFY(a.Open(8192));
    QVERIFY(b.Open(81920));
    // Any bytes travel: NUL, line feed and 0xFF included.
    const std::string payload = std::string(kOobPrefix) + std::string("rcon p\0w status\n\xff", 17);
    std::string err;
    QVERIFY2(a.SendTo("127.0.0.1", b.LocalPort(), payload, &err), err.c_str());
    const auto r = b.Receive(2000);
    QVERIFY(r.got);
    QVERIFY(!r.failed);
    QCOMPARE(B(r.data), B(payload));
    QCOMPARE(QByteArray::fromStdString(r.host), QByteArray("127.0.0.1"));
    QCOMPARE(r.port, int(a.LocalPort()));
    // Datagram boundaries are kept: two sends, two receives.
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), "one"));
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), "two"));
    QCOMPARE(B(b.Receive(2000).data), QByteArray("one"));
    QCOMPARE(B(b.Receive(2000).data), QByteArray("two"));
    // An empty datagram arrives as one, with nothing in it.
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), ""));
    const auto e = b.Receive(2000);
    QVERIFY(e.got);
    QVERIFY(e.data.empty());
  }

  // A name is never looked up at a send (that could block the sender for
  // the resolver's whole time-out): only dotted addresses go out.
  void sendsGoToDottedAddressesOnly() {
    UdpSocket a, b;
    QVERIFY(a.Open(8192));
    QVERIFY(b.Open(8192));
    for (const char* host : {"localhost", "no-such-host.invalid", "", "127.0.0.1 ", "127.1"}) {
      std::string err;
      QVERIFY2(!a.SendTo(host, b.LocalPort(), "x", &err), host);
      QVERIFY(!err.empty());
    }
    QVERIFY(!a.SendTo(std::string("127.0.0.1\0x", 11), b.LocalPort(), "x"));
    QVERIFY(!b.Receive(50).got);
  }

  // The receive stamp tells how long a datagram waited in the buffer, so a
  // receiver that comes late still knows when it arrived.
  void receiveStampTellsTheWait() {
    UdpSocket a, b;
    QVERIFY(a.Open(8192));
    QVERIFY(b.Open(8192));
    QVERIFY(b.ReceiveBufferBytes() > 0);
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), "waits"));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const auto r = b.Receive(2000);
    QVERIFY(r.got);
    QVERIFY2(r.ageMs >= 110 && r.ageMs < 5000, qPrintable(QString::number(r.ageMs)));
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), "fresh"));
    const auto f = b.Receive(2000);
    QVERIFY(f.got);
    QVERIFY2(f.ageMs < 100, qPrintable(QString::number(f.ageMs)));
  }

  void waitIsHonoured() {
    UdpSocket s;
    QVERIFY(s.Open(8192));
    QElapsedTimer t;
    t.start();
    const auto r = s.Receive(150);
    QVERIFY(!r.got);
    QVERIFY(!r.failed);
    QVERIFY2(t.elapsed() >= 140, qPrintable(QString::number(t.elapsed())));
  }

  void datagramArrivesDuringWait() {
    UdpSocket a, b;
    QVERIFY(a.Open(8192));
    QVERIFY(b.Open(8192));
    std::thread sender([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      a.SendTo("127.0.0.1", b.LocalPort(), "late");
    });
    const auto r = b.Receive(5000);
    sender.join();
    QVERIFY(r.got);
    QCOMPARE(B(r.data), QByteArray("late"));
  }

  void oversizeDatagramFails() {
    UdpSocket a, b;
    QVERIFY(a.Open(8192));
    QVERIFY(b.Open(81920));
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), std::string(101, 'x')));
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), std::string(100, 'y')));
    auto r = b.Receive(2000, 100);
    QVERIFY(r.failed);
    QVERIFY(!r.got);
    QVERIFY(r.data.empty());
    // The oversize datagram is gone; the next one fits exactly.
    r = b.Receive(2000, 100);
    QVERIFY(r.got);
    QVERIFY(!r.failed);
    QCOMPARE(B(r.data), QByteArray(100, 'y'));
    // The default limit is 8192 bytes.
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), std::string(8193, 'z')));
    QVERIFY(b.Receive(2000).failed);
    QVERIFY(a.SendTo("127.0.0.1", b.LocalPort(), std::string(8192, 'z')));
    QCOMPARE(b.Receive(2000).data.size(), size_t(8192));
  }

  // One thread receives while another sends on the same socket, as the query
  // channel does: replies bounced back by a peer all arrive.
  void sendWhileReceiving() {
    UdpSocket chan, peer;
    QVERIFY(chan.Open(81920));
    QVERIFY(peer.Open(81920));
    constexpr int kCount = 50;
    std::atomic<bool> stop{false};
    std::thread echo([&] {
      while (!stop.load()) {
        const auto r = peer.Receive(50);
        if (r.got) peer.SendTo(r.host, std::uint16_t(r.port), "re:" + r.data);
      }
    });
    std::vector<std::string> got;
    std::thread receiver([&] {
      QElapsedTimer t;
      t.start();
      while (int(got.size()) < kCount && t.elapsed() < 10000) {
        const auto r = chan.Receive(100);
        if (r.got) got.push_back(r.data);
      }
    });
    for (int i = 0; i < kCount; ++i) {
      QVERIFY(chan.SendTo("127.0.0.1", peer.LocalPort(), std::to_string(i)));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    receiver.join();
    stop = true;
    echo.join();
    QCOMPARE(int(got.size()), kCount);
    std::vector<bool> seen(kCount, false);
    for (const auto& g : got) {
      QVERIFY(g.rfind("re:", 0) == 0);
      const int n = std::stoi(g.substr(3));
      QVERIFY(n >= 0 && n < kCount);
      seen[size_t(n)] = true;
    }
    QVERIFY(std::all_of(seen.begin(), seen.end(), [](bool s) { return s; }));
  }

  void closedSocket() {
    UdpSocket s;
    std::string err;
    QVERIFY(!s.SendTo("127.0.0.1", 9, "x", &err));
    QVERIFY(!err.empty());
    QVERIFY(s.Receive(0).failed);
    QVERIFY(s.Open(8192));
    s.Close();
    QVERIFY(!s.IsOpen());
    QVERIFY(s.Receive(0).failed);
    s.Close();              // twice is harmless
    QVERIFY(s.Open(8192));  // and it can be opened again
    QVERIFY(s.LocalPort() != 0);
  }
};

QTEST_GUILESS_MAIN(TestUdpSocket)
#include "test_udpsocket.moc"
