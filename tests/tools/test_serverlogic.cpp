// Request handling of the scripted server, driven directly with synthetic
// time: byte layouts, command effects, flood protection, splitting, loss.
#include <QtTest>
#include <algorithm>
#include <random>
#include <set>

#include "tests/tools/udpclient.h"
#include "tools/testserver/serverlogic.h"

using namespace zelmora::testing;
using ztest::B;
using ztest::Oob;
using Clock = std::chrono::steady_clock;

namespace {

TestServerConfig Open() {
  TestServerConfig c;
  c.rconPassword = "pw";
  c.floodProtection = false;
  return c;
}

// Sends one rcon command and returns the console output of its reply.
std::string Rcon(ServerLogic& s, std::string_view command, Clock::time_point now = Clock::now()) {
  return ztest::PrintOutput(s.handle(Oob("rcon \"pw\" " + std::string(command)), now));
}

TestPlayer Player(int num, std::string name, std::string guid = "123456") {
  TestPlayer p;
  p.num = num;
  p.score = 7;
  p.ping = "48";
  p.guid = std::move(guid);
  p.name = std::move(name);
  p.ip = "127.0.0.9";
  p.port = 28961;
  p.qport = 4711;
  p.rate = 25000;
  p.lastmsg = 50;
  return p;
}

}  // namespace

class TestServerLogic : public QObject {
  Q_OBJECT

 private slots:
  void tokenizer_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("plain") << QByteArray("set a b") << QStringList{"set", "a", "b"};
    QTest::newRow("blanks") << QByteArray("  set\t a   b \r") << QStringList{"set", "a", "b"};
    QTest::newRow("quoted") << QByteArray("set x \"a b\"") << QStringList{"set", "x", "a b"};
    QTest::newRow("empty quotes") << QByteArray("set g_banIPs \"\"")
                                  << QStringList{"set", "g_banIPs", ""};
    QTest::newRow("unterminated") << QByteArray("say \"abc def") << QStringList{"say", "abc def"};
    QTest::newRow("adjacent") << QByteArray("a\"b c\"d") << QStringList{"a", "b c", "d"};
    QTest::newRow("high bytes are text")
        << QByteArray("say J\xe4ger") << QStringList{"say", QString::fromLatin1("J\xe4ger")};
    QTest::newRow("nothing") << QByteArray("   ") << QStringList{};
    // Comments outside quotes, as the game's console has them.
    QTest::newRow("line comment") << QByteArray("map mp_x//quit now") << QStringList{"map", "mp_x"};
    QTest::newRow("line comment alone") << QByteArray("  // say x") << QStringList{};
    QTest::newRow("block comment") << QByteArray("set a/*x y*/b") << QStringList{"set", "a", "b"};
    QTest::newRow("block comment unterminated")
        << QByteArray("say a /* b") << QStringList{"say", "a"};
    QTest::newRow("block comment from its star")
        << QByteArray("say /*/ x") << QStringList{"say", "x"};
    QTest::newRow("comments quoted")
        << QByteArray("say \"a//b /*c*/\"") << QStringList{"say", "a//b /*c*/"};
    QTest::newRow("single slashes")
        << QByteArray("dir maps/mp /") << QStringList{"dir", "maps/mp", "/"};
  }

  // The game's command buffer: ";" outside quotes and any line break cut the
  // line into commands.
  void commandLines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("one") << QByteArray("say hi") << QStringList{"say hi"};
    QTest::newRow("kept as it is") << QByteArray(" say hi ") << QStringList{" say hi "};
    QTest::newRow("semicolons") << QByteArray("say a; quit ;;status")
                                << QStringList{"say a", "quit", "status"};
    QTest::newRow("quoted semicolon") << QByteArray("say \"a;b\"") << QStringList{"say \"a;b\""};
    QTest::newRow("quote closed early")
        << QByteArray("say \"x\";quit;\"^1red\"") << QStringList{"say \"x\"", "quit", "\"^1red\""};
    QTest::newRow("LF inside quotes")
        << QByteArray("say \"a\nquit\"") << QStringList{"say \"a", "quit\""};
    QTest::newRow("CR inside quotes")
        << QByteArray("set x \"1\rquit;\"") << QStringList{"set x \"1", "quit", "\""};
    QTest::newRow("quotes counted afresh")
        << QByteArray("say \"a\rb;c\"") << QStringList{"say \"a", "b", "c\""};
    QTest::newRow("empty") << QByteArray("") << QStringList{""};
    QTest::newRow("only cuts") << QByteArray(" ; \r\n") << QStringList{};
  }
  void commandLines() {
    QFETCH(QByteArray, line);
    QFETCH(QStringList, commands);
    QStringList got;
    for (const auto& c : SplitCommandLine(line.toStdString()))
      got << QString::fromLatin1(c.data(), qsizetype(c.size()));
    QCOMPARE(got, commands);
  }

  void requestLine() {
    QCOMPARE(B(RequestLine("rcon pw say a\nquit")), QByteArray("rcon pw say a"));
    QCOMPARE(B(RequestLine(std::string("rcon pw say a\0quit", 18))), QByteArray("rcon pw say a"));
    QCOMPARE(B(RequestLine("rcon pw say a\rquit")), QByteArray("rcon pw say a\rquit"));
    QCOMPARE(B(RequestLine("")), QByteArray(""));
  }
  void tokenizer() {
    QFETCH(QByteArray, line);
    QFETCH(QStringList, words);
    const auto got = TokenizeCommand(line.toStdString());
    QStringList gotList;
    for (const auto& w : got) gotList << QString::fromLatin1(w.data(), qsizetype(w.size()));
    QCOMPARE(gotList, words);
  }

  void rconSplit() {
    std::string pw, cmd;
    SplitRcon(" \"my pw\" set a \"b c\" \r\n", pw, cmd);
    QCOMPARE(B(pw), QByteArray("my pw"));
    QCOMPARE(B(cmd), QByteArray("set a \"b c\""));
    SplitRcon(" secret   status", pw, cmd);
    QCOMPARE(B(pw), QByteArray("secret"));
    QCOMPARE(B(cmd), QByteArray("status"));
    SplitRcon(" \"\" status", pw, cmd);
    QCOMPARE(B(pw), QByteArray(""));
    QCOMPARE(B(cmd), QByteArray("status"));
    SplitRcon(" \"unterminated", pw, cmd);
    QCOMPARE(B(pw), QByteArray("unterminated"));
    QCOMPARE(B(cmd), QByteArray(""));
  }

  void statusResponseLayout() {
    TestServerConfig c = Open();
    c.vars = {{"sv_hostname", "^1A^7B"}, {"g_gametype", "sd"}, {"g_gametype", "tdm"}};
    c.players = {Player(0, "^1Red^2Team"), Player(3, "Conn")};
    c.players[0].score = -3;
    c.players[1].ping = "CNCT";
    ServerLogic s(c);
    const auto out = s.handle(Oob("getstatus"), Clock::now());
    QCOMPARE(out.size(), size_t(1));
    const std::string expected =
        Oob("statusResponse\n\\sv_hostname\\^1A^7B\\g_gametype\\sd\\g_gametype\\tdm\n"
            "-3 48 \"^1Red^2Team\"\n7 999 \"Conn\"\n");
    QCOMPARE(B(out[0]), B(expected));
    // With a challenge, in any letter case, the answer is the same.
    QCOMPARE(B(s.handle(Oob("getStatus 12345"), Clock::now()).at(0)), B(expected));
    // Without players the variables line is followed by nothing.
    s.mutableConfig().players.clear();
    const std::string empty = s.statusResponse();
    QCOMPARE(B(empty.substr(empty.size() - 5)), QByteArray("\\tdm\n"));
    QCOMPARE(std::count(empty.begin(), empty.end(), '\n'), 2);
    QCOMPARE(s.stats().statusQueries, uint64_t(2));
  }

  void statusTableColumns() {
    TestServerConfig c = Open();
    SetVar(c.vars, "mapname", "mp_test");
    c.players = {Player(0, "^1Red^2Team"), Player(12, "Plain"),
                 Player(7, "A name far too long for the column", "9"), Player(101, "^7")};
    c.players[1].ping = "CNCT";
    c.players[1].score = -120;
    c.players[2].lastmsg = 1234567;  // wider than its column
    c.players[2].ip = "255.255.255.255";
    c.players[2].port = 65535;
    ServerLogic s(c);
    const std::string out = Rcon(s, "status");
    QCOMPARE(B(out), B(s.statusOutput()));
    const auto lines = ztest::Lines(out);
    QCOMPARE(lines.size(), size_t(3 + 4 + 2));
    QCOMPARE(B(lines[0]), QByteArray("map: mp_test"));
    QCOMPARE(B(lines[1]),
             QByteArray("num score ping guid   name            lastmsg address               "
                        "qport rate"));
    QCOMPARE(lines[2].find_first_not_of("- "), std::string::npos);
    QCOMPARE(B(lines[7]), QByteArray(""));
    QCOMPARE(B(lines[8]), QByteArray(""));

    struct Expect {
      const char *num, *score, *ping, *guid, *name, *lastmsg, *addr;
    };
    const Expect rows[] = {
        {"0", "7", "48", "123456", "^1Red^2Team", "50", "127.0.0.9:28961"},
        {"12", "-120", "CNCT", "123456", "Plain", "50", "127.0.0.9:28961"},
        {"7", "7", "48", "9", "A name far too long for the column", "1234567",
         "255.255.255.255:65535"},
        {"101", "7", "48", "123456", "^7", "50", "127.0.0.9:28961"},
    };
    for (int i = 0; i < 4; ++i) {
      const std::string& line = lines[3 + i];
      QCOMPARE(line[3], ' ');
      QCOMPARE(line[9], ' ');
      QCOMPARE(line[14], ' ');
      QCOMPARE(line[21], ' ');
      const auto row = ztest::ParseRow(line);
      QCOMPARE(B(row.num), QByteArray(rows[i].num));
      QCOMPARE(B(row.score), QByteArray(rows[i].score));
      QCOMPARE(B(row.ping), QByteArray(rows[i].ping));
      QCOMPARE(B(row.guid), QByteArray(rows[i].guid));
      QCOMPARE(B(row.name), QByteArray(rows[i].name));
      QCOMPARE(row.words.size(), size_t(4));
      QCOMPARE(B(row.words[0]), QByteArray(rows[i].lastmsg));
      QCOMPARE(B(row.words[1]), QByteArray(rows[i].addr));
      QCOMPARE(B(row.words[2]), QByteArray("4711"));
      QCOMPARE(B(row.words[3]), QByteArray("25000"));
    }
    // Short names are padded so that lastmsg starts in the same column.
    QCOMPARE(lines[3].find("     50 "), lines[4].find("     50 "));
  }

  void statusWithoutPlayers() {
    ServerLogic s(Open());
    const auto lines = ztest::Lines(Rcon(s, "status"));
    QCOMPARE(lines.size(), size_t(5));
    QCOMPARE(B(lines[0]), QByteArray("map: mp_harbor"));
    QCOMPARE(B(lines[3]), QByteArray(""));
  }

  void splitting() {
    TestServerConfig c = Open();
    c.players = InventPlayers(40);
    ServerLogic s(c);
    const std::string whole = s.statusOutput();
    QVERIFY(whole.size() > 3000);
    const auto parts = s.handle(Oob("rcon pw status"), Clock::now());
    QVERIFY(parts.size() >= 4);
    QCOMPARE(parts.size(), (whole.size() + 999) / 1000);
    bool cutMidLine = false;
    for (const auto& p : parts) {
      QVERIFY(p.size() <= 10 + 1000);
      QCOMPARE(B(p.substr(0, 10)), B(Oob("print\n")));
      if (p.back() != '\n') cutMidLine = true;
    }
    QVERIFY(cutMidLine);
    QCOMPARE(B(ztest::PrintOutput(parts)), B(whole));
    // The first part starts with the map line, as a status poll looks for it.
    QCOMPARE(B(parts[0].substr(4, 10)), QByteArray("print\nmap:"));

    s.mutableConfig().splitBytes = 0;
    QCOMPARE(s.handle(Oob("rcon pw status"), Clock::now()).size(), size_t(1));
    s.mutableConfig().splitBytes = 1;
    const auto tiny = s.printDatagrams("abc");
    QCOMPARE(tiny.size(), size_t(3));
    QCOMPARE(B(tiny[2]), B(Oob("print\nc")));
    // An empty output still gives one (empty) print datagram.
    QCOMPARE(s.printDatagrams("").size(), size_t(1));
  }

  void shuffledSplit() {
    TestServerConfig c = Open();
    c.players = InventPlayers(40);
    c.splitBytes = 500;
    ServerLogic plain(c);
    c.shuffleSplit = true;
    ServerLogic shuffled(c);
    ServerLogic again(c);
    const auto a = plain.handle(Oob("rcon pw status"), Clock::now());
    const auto b = shuffled.handle(Oob("rcon pw status"), Clock::now());
    QVERIFY(a.size() > 2);
    QVERIFY(a != b);
    QCOMPARE(std::multiset<std::string>(a.begin(), a.end()),
             std::multiset<std::string>(b.begin(), b.end()));
    QVERIFY(b == again.handle(Oob("rcon pw status"), Clock::now()));  // deterministic
    // Two parts are never left in order either.
    shuffled.mutableConfig().splitBytes = 2;
    const auto two = shuffled.printDatagrams("abcd");
    QCOMPARE(B(two[0]), B(Oob("print\ncd")));
  }

  void passwords() {
    TestServerConfig c = Open();
    c.rconPassword = "my pw";
    ServerLogic s(c);
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon \"wrong\" status"), Clock::now()))),
             QByteArray("Bad rconpassword.\n"));
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon my pw status"), Clock::now()))),
             QByteArray("Bad rconpassword.\n"));  // unquoted: the password is one word
    QVERIFY(ztest::PrintOutput(s.handle(Oob("rcon \"my pw\" status"), Clock::now()))
                .rfind("map: ", 0) == 0);
    s.mutableConfig().badPasswordReply = "Invalid password.";
    const auto refused = s.handle(Oob("rcon \"MY PW\" status"), Clock::now());
    QCOMPARE(refused.size(), size_t(1));
    QCOMPARE(B(refused[0]), B(Oob("print\nInvalid password.\n")));
    QCOMPARE(s.stats().rconBadPassword, uint64_t(3));
    QCOMPARE(s.stats().rconAccepted, uint64_t(1));
    QCOMPARE(s.executedCommands(), std::vector<std::string>{"status"});

    // A server without an rcon password takes no command at all, not even an
    // empty password.
    s.mutableConfig().rconPassword.clear();
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon \"\" status"), Clock::now()))),
             QByteArray("No rconpassword set.\n"));
    QCOMPARE(s.executedCommands().size(), size_t(1));
  }

  void floodProtection() {
    TestServerConfig c = Open();
    c.floodProtection = true;
    ServerLogic s(c);
    const Clock::time_point t0{};
    using std::chrono::milliseconds;
    QCOMPARE(s.handle(Oob("rcon pw say 1"), t0 + milliseconds(1000)).size(), size_t(1));
    QVERIFY(s.handle(Oob("rcon pw say 2"), t0 + milliseconds(1499)).empty());
    // The drop did not restart the window: 500 ms after the accepted one is fine.
    QCOMPARE(s.handle(Oob("rcon pw say 3"), t0 + milliseconds(1500)).size(), size_t(1));
    // A refused password still counts as a request.
    QCOMPARE(s.handle(Oob("rcon bad say 4"), t0 + milliseconds(2000)).size(), size_t(1));
    QVERIFY(s.handle(Oob("rcon pw say 5"), t0 + milliseconds(2100)).empty());
    // getstatus is never flood-limited.
    QCOMPARE(s.handle(Oob("getstatus"), t0 + milliseconds(2101)).size(), size_t(1));
    QCOMPARE(s.executedCommands(), (std::vector<std::string>{"say 1", "say 3"}));
    QCOMPARE(s.stats().rconFloodDropped, uint64_t(2));

    s.mutableConfig().floodIntervalMs = 50;
    QCOMPARE(s.handle(Oob("rcon pw say 6"), t0 + milliseconds(2150)).size(), size_t(1));
    s.mutableConfig().floodProtection = false;
    QCOMPARE(s.handle(Oob("rcon pw say 7"), t0 + milliseconds(2150)).size(), size_t(1));

    // Server-wide: another sender's command is just as much the previous one.
    ServerLogic wide(c);
    QCOMPARE(wide.handle(Oob("rcon pw say a"), t0, "127.0.0.1:1").size(), size_t(1));
    QVERIFY(wide.handle(Oob("rcon pw say b"), t0 + milliseconds(100), "127.0.0.1:2").empty());
    // Per sender: only the same sender's own previous command counts.
    c.floodPerSender = true;
    ServerLogic each(c);
    QCOMPARE(each.handle(Oob("rcon pw say a"), t0, "127.0.0.1:1").size(), size_t(1));
    QCOMPARE(each.handle(Oob("rcon pw say b"), t0 + milliseconds(100), "127.0.0.1:2").size(),
             size_t(1));
    QVERIFY(each.handle(Oob("rcon pw say c"), t0 + milliseconds(200), "127.0.0.1:1").empty());
  }

  // ioquake3's limiter: per sender address, ten at once, then one a second,
  // getstatus and rcon alike, drops silent and not counted in the bucket.
  void requestLimiter() {
    TestServerConfig c = Open();
    c.limiterBurst = 10;
    ServerLogic s(c);
    const Clock::time_point t0{};
    using std::chrono::milliseconds;
    for (int i = 0; i < 10; ++i) {
      const auto port = ":" + std::to_string(1000 + i % 3);  // any port of that address
      const std::string request = i % 2 ? "getstatus" : "rcon pw say x";
      QCOMPARE(s.handle(Oob(request), t0 + milliseconds(i), "127.0.0.1" + port).size(), size_t(1));
    }
    QVERIFY(s.handle(Oob("getstatus"), t0 + milliseconds(10), "127.0.0.1:1000").empty());
    QVERIFY(s.handle(Oob("rcon pw say y"), t0 + milliseconds(999), "127.0.0.1:1001").empty());
    QCOMPARE(s.handle(Oob("getstatus"), t0, "127.0.0.2:1000").size(),
             size_t(1));  // another address
    // One leaks out a second after the first request; the drops filled nothing.
    QCOMPARE(s.handle(Oob("rcon pw say z"), t0 + milliseconds(1000), "127.0.0.1:1").size(),
             size_t(1));
    QVERIFY(s.handle(Oob("getstatus"), t0 + milliseconds(1500), "127.0.0.1:1").empty());
    QCOMPARE(s.handle(Oob("getstatus"), t0 + milliseconds(2000), "127.0.0.1:1").size(), size_t(1));
    QCOMPARE(s.stats().limiterDropped, uint64_t(3));
    // Left alone longer than it holds: a full burst again.
    for (int i = 0; i < 10; ++i)
      QCOMPARE(s.handle(Oob("getstatus"), t0 + milliseconds(20000 + i), "127.0.0.1:1").size(),
               size_t(1));
    QVERIFY(s.handle(Oob("getstatus"), t0 + milliseconds(20010), "127.0.0.1:1").empty());
  }

  void ioquake3StatusTable() {
    TestServerConfig c = Open();
    c.statusLayout = TestServerConfig::StatusLayout::Ioquake3;
    SetVar(c.vars, "mapname", "oa_dm1");
    c.players = {Player(0, "^1Red^2Team"), Player(11, "Bob")};
    c.players[1].ping = "CNCT";
    ServerLogic s(c);
    QCOMPARE(B(Rcon(s, "status")),
             QByteArray("map: oa_dm1\n"
                        "cl score ping name            address                                 "
                        "rate \n"
                        "-- ----- ---- --------------- --------------------------------------- "
                        "-----\n"
                        " 0     7   48 ^1Red^2Team         ^7127.0.0.9:28961         "
                        "                25000\n"
                        "11     7  CON Bob             ^7127.0.0.9:28961             "
                        "            25000\n\n"));
  }

  void variableReads() {
    ServerLogic s(Open());
    QCOMPARE(B(Rcon(s, "g_gametype")), QByteArray("\"g_gametype\" is:\"sd^7\" default:\"sd^7\"\n"));
    // Names are case-insensitive; the reply carries the server's spelling.
    QCOMPARE(B(Rcon(s, "SV_PRIVATECLIENTS")),
             QByteArray("\"sv_privateClients\" is:\"2^7\" default:\"2^7\"\n"));
    QCOMPARE(B(Rcon(s, "set scr_dm_timelimit \"45\"")), QByteArray(""));
    QCOMPARE(B(Rcon(s, "scr_dm_timelimit")),
             QByteArray("\"scr_dm_timelimit\" is:\"45^7\" default:\"30^7\"\n"));
    s.mutableConfig().blankAfterColon = true;
    QCOMPARE(B(Rcon(s, "scr_dm_timelimit")),
             QByteArray("\"scr_dm_timelimit\" is: \"45^7\" default: \"30^7\"\n"));
    QCOMPARE(B(Rcon(s, "xyz")), QByteArray("Unknown command \"xyz\"\n"));
    QCOMPARE(B(Rcon(s, "xyz 1 2")), QByteArray("Unknown command \"xyz\"\n"));
  }

  void variableWrites() {
    ServerLogic s(Open());
    Rcon(s, "set sv_hostname My  Server");
    QCOMPARE(B(FindVar(s.config().vars, "sv_hostname")), QByteArray("My Server"));
    Rcon(s, "set g_gametype \"tdm\"");
    QVERIFY(s.statusResponse().find("\\g_gametype\\tdm\\") != std::string::npos);
    // A new variable becomes a console variable, not a public one.
    Rcon(s, "set my_new \"v 1\"");
    QCOMPARE(s.statusResponse().find("my_new"), std::string::npos);
    QCOMPARE(B(Rcon(s, "my_new")), QByteArray("\"my_new\" is:\"v 1^7\" default:\"v 1^7\"\n"));
    // "name value" sets as well; only the first word counts.
    Rcon(s, "scr_sd_roundlength 2.5 extra");
    QCOMPARE(B(*s.findVar("scr_sd_roundlength")), QByteArray("2.5"));
    QCOMPARE(B(Rcon(s, "set onlyname")), QByteArray("usage: set <variable> <value>\n"));

    // The join password drives the public pswrd flag.
    Rcon(s, "g_password \"geheim\"");
    QVERIFY(s.statusResponse().find("\\pswrd\\1") != std::string::npos);
    QCOMPARE(B(*s.findVar("g_password")), QByteArray("geheim"));
    Rcon(s, "g_password \"\"");
    QVERIFY(s.statusResponse().find("\\pswrd\\0") != std::string::npos);
    Rcon(s, "set g_password x");
    QVERIFY(s.statusResponse().find("\\pswrd\\1") != std::string::npos);

    // Like the game, a line runs as several commands, cut at ";" outside
    // quotes: a quote inside a quoted value lets the rest run.
    const auto before = s.executedCommands().size();
    QCOMPARE(B(Rcon(s, "set sv_fps \"1\"; say injected; set x \"\"")),
             QByteArray("console: injected\n"));
    const std::vector<std::string> ran(s.executedCommands().begin() + long(before),
                                       s.executedCommands().end());
    QCOMPARE(ran, (std::vector<std::string>{"set sv_fps \"1\"", "say injected", "set x \"\""}));
    Rcon(s, "set motd \"a; b\"");
    QCOMPARE(B(*s.findVar("motd")), QByteArray("a; b"));

    // Duplicated public variables are all changed.
    s.mutableConfig().vars = {{"a", "1"}, {"b", "2"}, {"A", "3"}};
    Rcon(s, "set a 9");
    QVERIFY(s.config().vars == (VarList{{"a", "9"}, {"b", "2"}, {"A", "9"}}));
  }

  void playerCommands() {
    TestServerConfig c = Open();
    c.players = {Player(0, "^1Zero"), Player(1, "One"), Player(5, "Five")};
    c.players[2].ip = "127.0.0.77";
    ServerLogic s(c);
    QCOMPARE(B(Rcon(s, "clientkick 1")), QByteArray("One^7 was kicked\n"));
    QCOMPARE(s.config().players.size(), size_t(2));
    QCOMPARE(B(Rcon(s, "clientkick 1")), QByteArray("Bad client slot: 1\n"));
    QCOMPARE(B(Rcon(s, "clientkick x1")), QByteArray("Bad slot number: x1\n"));
    QCOMPARE(B(Rcon(s, "clientkick 99999999999999999999")),
             QByteArray("Bad client slot: 99999999999999999999\n"));
    QCOMPARE(B(Rcon(s, "clientkick")), QByteArray("Usage: clientkick <clientnum>\n"));
    QCOMPARE(B(Rcon(s, "tempbanclient 5")), QByteArray("Five^7 was temporarily banned\n"));
    QCOMPARE(B(*s.findVar("g_banIPs")), QByteArray("127.0.0.77"));
    Rcon(s, "set g_banIPs \"\"");
    QCOMPARE(B(*s.findVar("g_banIPs")), QByteArray(""));
    QCOMPARE(B(Rcon(s, "tell 0 Hallo du")), QByteArray("console: Hallo du\n"));
    QCOMPARE(B(Rcon(s, "tell 3 Hallo")), QByteArray("Bad client slot: 3\n"));
    QCOMPARE(B(Rcon(s, "banclient 0")), QByteArray("^1Zero^7 was banned\n"));
    QVERIFY(s.config().players.empty());
    QCOMPARE(B(s.statusResponse().substr(s.statusResponse().size() - 1)), QByteArray("\n"));
    QCOMPARE(B(Rcon(s, "say \"^1Hallo  Welt\"")), QByteArray("console: ^1Hallo  Welt\n"));
    QCOMPARE(B(Rcon(s, "say ^1Hallo  Welt")), QByteArray("console: ^1Hallo Welt\n"));
  }

  void mapsAndFiles() {
    ServerLogic s(Open());
    const std::string listing = Rcon(s, "dir maps/mp .bsp");
    // Read it the way the map list does: after "Directory of maps/mp" and a
    // blank come the extension, the dashes, one file per line.
    const auto pieces = ztest::Lines(listing.substr(std::string("Directory of maps/mp ").size()));
    QCOMPARE(B(pieces[0]), QByteArray(".bsp"));
    QCOMPARE(B(pieces[1]), QByteArray("----------"));
    QCOMPARE(B(pieces.back()), QByteArray(""));
    const std::vector<std::string> maps(pieces.begin() + 2, pieces.end() - 1);
    QVERIFY(maps == DefaultMapFiles(6));
    QCOMPARE(B(Rcon(s, "dir maps/mp d3dbsp")),
             QByteArray("Directory of maps/mp d3dbsp\n----------\n"));

    const std::string cfgs = Rcon(s, "dir / .cfg");
    QCOMPARE(B(cfgs), QByteArray("Directory of / .cfg\n----------\nserver.cfg\ndedicated.cfg\n"
                                 "sd_night.cfg\ntdm_public.cfg\n"));
    QCOMPARE(B(Rcon(s, "dir")), QByteArray("usage: dir <directory> [extension]\n"));

    QCOMPARE(B(Rcon(s, "exec sd_night.cfg")), QByteArray("execing sd_night.cfg\n"));
    QCOMPARE(B(Rcon(s, "exec server")), QByteArray("execing server.cfg\n"));
    QCOMPARE(B(Rcon(s, "exec nope.cfg")), QByteArray("couldn't exec nope.cfg\n"));

    QCOMPARE(B(Rcon(s, "map mp_carentan")), QByteArray(""));
    QVERIFY(s.statusResponse().find("\\mapname\\mp_carentan") != std::string::npos);
    QVERIFY(Rcon(s, "status").rfind("map: mp_carentan\n", 0) == 0);
    QCOMPARE(B(Rcon(s, "map mp_nowhere")), QByteArray("Can't find map maps/mp/mp_nowhere.bsp\n"));
    QCOMPARE(B(FindVar(s.config().vars, "mapname")), QByteArray("mp_carentan"));
    for (const char* cmd : {"fast_restart", "map_restart", "map_rotate"}) {
      QCOMPARE(B(Rcon(s, cmd)), QByteArray(""));
    }
    QCOMPARE(B(s.executedCommands().back()), QByteArray("map_rotate"));
  }

  void protocols() {
    TestServerConfig c = Open();
    ApplyProtocol(c, 118);
    ServerLogic s(c);
    QCOMPARE(B(FindVar(s.config().vars, "protocol")), QByteArray("118"));
    QCOMPARE(B(FindVar(s.config().vars, "shortversion")), QByteArray("1.3"));
    // mp_harbor does not exist in the second game: the map moved to one that does.
    QCOMPARE(B(FindVar(s.config().vars, "mapname")), QByteArray("mp_breakout"));
    QVERIFY(Rcon(s, "dir maps/mp d3dbsp").find("mp_toujane.d3dbsp\n") != std::string::npos);
    QCOMPARE(B(Rcon(s, "map mp_x")), QByteArray("Can't find map maps/mp/mp_x.d3dbsp\n"));
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon no status"), Clock::now()))),
             QByteArray("Invalid password.\n"));
    for (int p : {5, 6, 21, 22, 115, 117, 118}) QVERIFY(!ShortVersionFor(p).empty());
    QCOMPARE(B(ShortVersionFor(7)), QByteArray(""));
  }

  void inventedPlayers() {
    const auto a = InventPlayers(300, 9);
    QCOMPARE(a.size(), size_t(300));
    const auto b = InventPlayers(300, 9);
    std::set<int> nums;
    for (size_t i = 0; i < a.size(); ++i) {
      QCOMPARE(B(a[i].name), B(b[i].name));
      QCOMPARE(B(a[i].guid), B(b[i].guid));
      nums.insert(a[i].num);
      QCOMPARE(a[i].guid.size(), size_t(6));
      QVERIFY(a[i].name.find_first_of("\"\\\n") == std::string::npos);
      QVERIFY(a[i].ip.rfind("127.0.0.", 0) == 0);
    }
    QCOMPARE(nums.size(), size_t(300));
    TestServerConfig c = Open();
    c.players = a;
    c.splitBytes = 0;
    ServerLogic s(c);
    const auto lines = ztest::Lines(Rcon(s, "status"));
    for (size_t i = 0; i < a.size(); ++i) {
      const auto row = ztest::ParseRow(lines[3 + i]);
      QCOMPARE(B(row.name), B(a[i].name));
      QCOMPARE(B(row.num), B(std::to_string(a[i].num)));
      QCOMPARE(B(row.words.at(1)), B(a[i].ip + ":" + std::to_string(a[i].port)));
    }
  }

  void dropShare() {
    TestServerConfig c = Open();
    c.dropShare = 0.5;
    ServerLogic a(c), b(c);
    size_t kept = 0;
    for (int i = 0; i < 2000; ++i) {
      const auto x = a.handle(Oob("getstatus"), Clock::now());
      const auto y = b.handle(Oob("getstatus"), Clock::now());
      QCOMPARE(x.size(), y.size());  // same seed, same losses
      kept += x.size();
    }
    QVERIFY(kept > 800 && kept < 1200);
    QCOMPARE(a.stats().repliesDropped + a.stats().repliesSent, uint64_t(2000));
    c.seed = 77;
    ServerLogic other(c);
    bool differs = false;
    ServerLogic again(TestServerConfig(a.config()));
    for (int i = 0; i < 64; ++i) {
      differs |= other.handle(Oob("getstatus"), Clock::now()).size() !=
                 again.handle(Oob("getstatus"), Clock::now()).size();
    }
    QVERIFY(differs);
    c.dropShare = 1;
    ServerLogic all(c);
    QVERIFY(all.handle(Oob("getstatus"), Clock::now()).empty());
    QVERIFY(all.handle(Oob("rcon pw status"), Clock::now()).empty());
  }

  void scriptedReplies() {
    TestServerConfig c = Open();
    std::vector<std::string> seen;
    c.script = [&seen](std::string_view request, std::vector<std::string>& replies) {
      seen.emplace_back(request);
      if (request == Oob("getstatus")) {
        // A body without the line feed after the variables line.
        replies = {Oob("statusResponse\n\\sv_hostname\\x"), Oob("print\nextra\n")};
        return true;
      }
      if (request == "silence") return true;
      replies = {"must be ignored"};
      return false;  // normal handling
    };
    ServerLogic s(c);
    const auto out = s.handle(Oob("getstatus"), Clock::now());
    QCOMPARE(out.size(), size_t(2));
    QCOMPARE(B(out[0]), B(Oob("statusResponse\n\\sv_hostname\\x")));
    QVERIFY(s.handle("silence", Clock::now()).empty());
    QCOMPARE(s.stats().ignored, uint64_t(0));
    QCOMPARE(B(Rcon(s, "say hi")), QByteArray("console: hi\n"));
    QCOMPARE(seen.size(), size_t(3));
    QCOMPARE(s.stats().statusQueries, uint64_t(0));
    // Loss applies to scripted replies too.
    s.mutableConfig().dropShare = 1;
    QVERIFY(s.handle(Oob("getstatus"), Clock::now()).empty());
    QCOMPARE(s.stats().repliesDropped, uint64_t(2));
  }

  void ignoredAndHostile() {
    ServerLogic s(Open());
    QVERIFY(s.handle("getstatus", Clock::now()).empty());                  // no prefix
    QVERIFY(s.handle(std::string("\xff\xff\xff"), Clock::now()).empty());  // short
    QVERIFY(s.handle(Oob(""), Clock::now()).empty());
    QVERIFY(s.handle(Oob("getinfo"), Clock::now()).empty());
    QVERIFY(s.handle(Oob("statusResponse\n\\a\\b\n"), Clock::now()).empty());
    QCOMPARE(s.stats().ignored, uint64_t(5));
    // Only the first line of a request counts.
    QCOMPARE(B(Rcon(s, "say a\nclientkick 0")), QByteArray("console: a\n"));
    QCOMPARE(
        B(ztest::PrintOutput(s.handle(Oob(std::string("rcon pw say a\0b", 15)), Clock::now()))),
        QByteArray("console: a\n"));
    // Unterminated quotes and bare "rcon" do not trip the parser.
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon"), Clock::now()))),
             QByteArray("Bad rconpassword.\n"));
    QCOMPARE(B(ztest::PrintOutput(s.handle(Oob("rcon \""), Clock::now()))),
             QByteArray("Bad rconpassword.\n"));
    QCOMPARE(B(Rcon(s, "\"")), QByteArray("Unknown command \"\"\n"));
    QCOMPARE(B(Rcon(s, "")), QByteArray(""));

    std::mt19937 gen(4);
    for (int i = 0; i < 3000; ++i) {
      std::string junk(gen() % 300, '\0');
      for (char& ch : junk) ch = static_cast<char>(gen());
      const std::string head = i % 3 == 0 ? "rcon pw " : i % 3 == 1 ? "rcon " : "";
      s.handle(Oob(head + junk), Clock::now());
    }
    QCOMPARE(s.handle(Oob("getstatus"), Clock::now()).size(), size_t(1));
  }
};

QTEST_GUILESS_MAIN(TestServerLogic)
#include "test_serverlogic.moc"
