// Zelmora's command lines as the game's console reads them: each built line,
// cut by the scripted server's command buffer and split by its tokeniser,
// is exactly the intended command with the intended words, and reaches the
// server's state and chat as typed.
#include <QtTest>

#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "tests/tools/udpclient.h"
#include "tools/testserver/serverlogic.h"

using namespace zelmora;
using namespace zelmora::testing;
using ztest::B;
using Clock = std::chrono::steady_clock;

namespace {

QStringList Words(const std::vector<std::string>& words) {
  QStringList out;
  for (const auto& w : words) out << QString::fromLatin1(w.data(), qsizetype(w.size()));
  return out;
}

QString L(const QByteArray& b) {
  return QString::fromLatin1(b);
}

// What the server makes of a line: its commands, each as words.
QList<QStringList> AsServerReadsIt(const std::string& line) {
  QList<QStringList> out;
  for (const std::string& command : SplitCommandLine(line)) out << Words(TokenizeCommand(command));
  return out;
}

TestServerConfig Open() {
  TestServerConfig c;
  c.rconPassword = "pw;x";
  c.floodProtection = false;
  c.cvars = {{"sv_fps", "20"}, {"g_password", ""}};
  c.cfgFiles = {"server.cfg"};
  TestPlayer p;
  p.num = 3;
  p.name = "Jäger";
  c.players = {p};
  return c;
}

}  // namespace

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  // Texts that break today's lines, built by the checked builders.
  void oneCommand_data() {
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("rule text") << QByteArray("say") << QByteArray()
                               << QByteArray("kein Camping; kein Spawnkill")
                               << QStringList{"say", "kein Camping; kein Spawnkill"};
    QTest::newRow("comment marks") << QByteArray("say") << QByteArray() << QByteArray("a // b /* c")
                                   << QStringList{"say", "a // b /* c"};
    QTest::newRow("blanks and umlauts")
        << QByteArray("say") << QByteArray() << QByteArray("  J\xe4ger\t ; ^1rot ")
        << QStringList{"say", L("  J\xe4ger\t ; ^1rot ")};
    QTest::newRow("empty say") << QByteArray("say") << QByteArray() << QByteArray()
                               << QStringList{"say", ""};
    QTest::newRow("tell") << QByteArray("tell") << QByteArray("3") << QByteArray("a;b")
                          << QStringList{"tell", "3", "a;b"};
    QTest::newRow("set value") << QByteArray("set") << QByteArray("scr_dm_scorelimit")
                               << QByteArray("5;quit")
                               << QStringList{"set", "scr_dm_scorelimit", "5;quit"};
    QTest::newRow("set empty") << QByteArray("set") << QByteArray("g_banIPs") << QByteArray()
                               << QStringList{"set", "g_banIPs", ""};
    QTest::newRow("read") << QByteArray("read") << QByteArray("maps/mp.x-1") << QByteArray()
                          << QStringList{"maps/mp.x-1"};
    QTest::newRow("map") << QByteArray("map") << QByteArray("mp_toujane.d3dbsp") << QByteArray()
                         << QStringList{"map", "mp_toujane.d3dbsp"};
    QTest::newRow("exec") << QByteArray("exec") << QByteArray("sub/x.cfg") << QByteArray()
                          << QStringList{"exec", "sub/x.cfg"};
    QTest::newRow("join password")
        << QByteArray("g_password") << QByteArray() << QByteArray("ge;heim//")
        << QStringList{"g_password", "ge;heim//"};
    QTest::newRow("kick") << QByteArray("clientkick") << QByteArray("007") << QByteArray()
                          << QStringList{"clientkick", "007"};
  }
  void oneCommand() {
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, words);
    const std::string n = name.toStdString(), t = text.toStdString();
    BuiltCommand c;
    if (kind == "say") c = BuildSay(t);
    if (kind == "tell") c = BuildTell(n, t);
    if (kind == "set") c = BuildSetVar(n, t);
    if (kind == "read") c = BuildReadVar(n);
    if (kind == "map") c = BuildMap(n);
    if (kind == "exec") c = BuildExec(n);
    if (kind == "g_password") c = BuildSetJoinPassword(t);
    if (kind == "clientkick") c = BuildClientKick(n);
    QVERIFY2(c.ok(), c.problem.c_str());
    QCOMPARE(AsServerReadsIt(c.line), QList<QStringList>{words});
    // The same through the whole datagram: the request line, the password
    // and the command the server finds after it.
    const std::string datagram = BuildRcon("pw;x", c.line);
    QCOMPARE(B(RequestLine(std::string_view(datagram).substr(4))), B(datagram.substr(4)));
    std::string password, command;
    SplitRcon(std::string_view(datagram).substr(8), password, command);
    QCOMPARE(B(password), QByteArray("pw;x"));
    QCOMPARE(B(command), B(c.line));
  }

  // The check itself sees an injection: a line with the text put in
  // unquoted runs the rest of a German rule text as a command of its own.
  void uncheckedLineRunsTwo() {
    QCOMPARE(AsServerReadsIt("say kein Camping; kein Spawnkill"),
             (QList<QStringList>{{"say", "kein", "Camping"}, {"kein", "Spawnkill"}}));
    QCOMPARE(AsServerReadsIt("map mp_x;rcon_password owned"),
             (QList<QStringList>{{"map", "mp_x"}, {"rcon_password", "owned"}}));
  }

  // End to end through the scripted server: one command in its log, the
  // text in the chat as typed, the value stored whole.
  void serverRunsExactlyOne() {
    ServerLogic s(Open());
    auto send = [&](const BuiltCommand& c) {
      const std::string d = BuildRcon("pw;x", c.line);
      return ztest::PrintOutput(s.handle(d, Clock::now()));
    };
    QCOMPARE(B(send(BuildSay("a;b"))), QByteArray("console: a;b\n"));
    QCOMPARE(B(send(BuildSay("kein Camping; kein Spawnkill"))),
             QByteArray("console: kein Camping; kein Spawnkill\n"));
    QCOMPARE(B(send(BuildTell("3", "x; quit"))), QByteArray("console: x; quit\n"));
    QCOMPARE(B(send(BuildSetVar("scr_dm_scorelimit", "5;quit"))), QByteArray());
    QCOMPARE(B(*s.findVar("scr_dm_scorelimit")), QByteArray("5;quit"));
    QCOMPARE(B(send(BuildSetJoinPassword("ge;heim"))), QByteArray());
    QCOMPARE(B(*s.findVar("g_password")), QByteArray("ge;heim"));
    QCOMPARE(B(send(BuildExec("server.cfg"))), QByteArray("execing server.cfg\n"));
    QCOMPARE(s.executedCommands(),
             (std::vector<std::string>{"say \"a;b\"", "say \"kein Camping; kein Spawnkill\"",
                                       "tell 3 \"x; quit\"", "set scr_dm_scorelimit \"5;quit\"",
                                       "g_password \"ge;heim\"", "exec server.cfg"}));
  }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
