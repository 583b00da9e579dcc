// The zelmora-testserver program: options, answers, clean stop on SIGTERM.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "tests/tools/udpclient.h"

using ztest::B;
using ztest::Oob;

namespace {

// Starts the program and returns the port it reports, 0 on failure.
uint16_t Launch(QProcess& proc, const QStringList& args) {
  proc.setProgram(QStringLiteral(ZELMORA_TESTSERVER_EXE));
  proc.setArguments(args);
  proc.start();
  if (!proc.waitForStarted(5000)) return 0;
  QByteArray out;
  const QRegularExpression re(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
  for (int i = 0; i < 100; ++i) {
    proc.waitForReadyRead(100);
    out += proc.readAllStandardOutput();
    const auto m = re.match(QString::fromLatin1(out));
    if (m.hasMatch()) return static_cast<uint16_t>(m.captured(1).toUInt());
  }
  return 0;
}

}  // namespace

class TestTestServerMain : public QObject {
  Q_OBJECT

 private slots:
  void servesAsConfigured() {
    QProcess proc;
    const uint16_t port =
        Launch(proc, {"--port", "0", "--protocol", "118", "--rcon", "secret", "--hostname",
                      "^1Demo ^7CoD2", "--players", "4", "--gametype", "tdm", "--split", "200",
                      "--blank-after-colon", "--cvar", "scr_allow_bren=a=b", "--quiet"});
    QVERIFY(port != 0);
    ztest::UdpClient client;
    const auto status = client.request(port, "getstatus");
    QCOMPARE(status.size(), size_t(1));
    const auto lines = ztest::Lines(status[0]);
    QCOMPARE(lines.size(), size_t(2 + 4 + 1));
    for (const char* part : {"\\sv_hostname\\^1Demo ^7CoD2\\", "\\protocol\\118\\",
                             "\\shortversion\\1.3\\", "\\g_gametype\\tdm\\", "\\mapname\\mp_"}) {
      QVERIFY2(lines[1].find(part) != std::string::npos, part);
    }
    // The second game's refusal text is the default for protocol 118.
    QCOMPARE(B(ztest::PrintOutput(client.request(port, "rcon wrong status"))),
             QByteArray("Invalid password.\n"));
    QTest::qWait(600);  // flood protection is on
    const auto table = client.request(port, "rcon secret status");
    QVERIFY(table.size() > 1);  // split at 200 bytes
    QCOMPARE(ztest::Lines(ztest::PrintOutput(table)).size(), size_t(3 + 4 + 2));
    QTest::qWait(600);
    QCOMPARE(B(ztest::PrintOutput(client.request(port, "rcon secret g_gametype"))),
             QByteArray("\"g_gametype\" is: \"tdm^7\" default: \"tdm^7\"\n"));
    // A further console variable: the value runs from the first "=".
    QTest::qWait(600);
    QCOMPARE(B(ztest::PrintOutput(client.request(port, "rcon secret scr_allow_bren"))),
             QByteArray("\"scr_allow_bren\" is: \"a=b^7\" default: \"a=b^7\"\n"));

    proc.terminate();  // SIGTERM
    QVERIFY(proc.waitForFinished(5000));
    QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(proc.exitCode(), 0);
    QVERIFY(proc.readAllStandardOutput().contains("stopped"));
  }

  void publicAddresses() {
    // The status table shows the public addresses in turn (only as text).
    QProcess proc;
    const uint16_t port = Launch(
        proc, {"--port", "0", "--rcon", "pw", "--players", "17", "--public-addresses", "--quiet"});
    QVERIFY(port != 0);
    ztest::UdpClient client;
    const auto lines = ztest::Lines(ztest::PrintOutput(client.request(port, "rcon pw status")));
    QCOMPARE(lines.size(), size_t(3 + 17 + 2));
    QVERIFY(lines[3].find(" 194.25.2.129:") != std::string::npos);
    QVERIFY(lines[3 + 13].find(" 8.8.8.8:") != std::string::npos);
    QVERIFY(lines[3 + 16].find(" 194.25.2.129:") != std::string::npos);  // 16 addresses
    for (const auto& l : lines) QVERIFY2(l.find("127.0.0.") == std::string::npos, l.c_str());
    proc.terminate();
    QVERIFY(proc.waitForFinished(5000));
  }

  void logsRequests() {
    QProcess proc;
    const uint16_t port = Launch(proc, {"--port", "0", "--bad-password-reply", "Nein."});
    QVERIFY(port != 0);
    ztest::UdpClient client;
    QCOMPARE(B(ztest::PrintOutput(client.request(port, "rcon x status"))),
             QByteArray("No rconpassword set.\n"));
    QByteArray out;
    for (int i = 0; i < 50 && !out.contains("rcon x status"); ++i) {
      proc.waitForReadyRead(100);
      out += proc.readAllStandardOutput();
    }
    QVERIFY(out.contains("\\xff\\xff\\xff\\xffrcon x status"));
    proc.terminate();
    QVERIFY(proc.waitForFinished(5000));
    QCOMPARE(proc.exitCode(), 0);
  }

  void rejectsBadOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown") << QStringList{"--frobnicate"};
    QTest::newRow("port range") << QStringList{"--port", "70000"};
    QTest::newRow("port text") << QStringList{"--port", "12ab"};
    QTest::newRow("missing value") << QStringList{"--rcon"};
    QTest::newRow("drop share") << QStringList{"--drop", "1.5"};
    QTest::newRow("cvar without name") << QStringList{"--cvar", "=1"};
    QTest::newRow("cvar without value") << QStringList{"--cvar", "scr_allow_bren"};
  }
  void rejectsBadOptions() {
    QFETCH(QStringList, args);
    QProcess proc;
    proc.start(QStringLiteral(ZELMORA_TESTSERVER_EXE), args);
    QVERIFY(proc.waitForFinished(5000));
    QCOMPARE(proc.exitCode(), 2);
    QVERIFY(proc.readAllStandardError().contains("usage:"));
  }
};

QTEST_GUILESS_MAIN(TestTestServerMain)
#include "test_testserver_main.moc"
