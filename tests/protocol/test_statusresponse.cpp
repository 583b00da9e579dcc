#include <QtTest>
#include <cmath>
#include <limits>

#include "protocol/statusresponse.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::Oob;
using zelmora::test::S;

namespace {

const std::string kVars =
    "\\g_gametype\\^1sd\\mapname\\mp_^3carentan\\protocol\\118\\sv_hostname\\^1My ^7Server"
    "\\sv_maxclients\\20\\sv_privateClients\\2\\shortversion\\1.3\\pswrd\\1\\scr_killcam\\1"
    "\\scr_friendlyfire\\0\\sv_punkbuster\\^11\\sv_voice\\1";

std::string FullReply() {
  return Oob("statusResponse\n" + kVars + "\n5 50 \"^1Pl\"ayer\"\n0 999 \"Bob\"\n");
}

Tserverrec FilledRecord() {
  Tserverrec r;
  r.port.assign("28960");
  r.host.assign("10.0.0.1");
  r.rconpass.assign("pw");
  r.provider.assign("example.net;DE;Deutschland");
  r.sendtime = 1234.5;
  r.ping = 77;
  r.players = 9;
  r.privateclients = 4;
  r.maxclients = 30;
  r.protocol = 6;
  r.shortversion.assign("1.5");
  r.hostname.assign("old name");
  r.mapinfo.assign("^4dm ^0mp_old");
  r.spare.assign("spare");
  r.spareflag = 1;
  r.killcam = r.friendlyfire = r.voice = r.passworded = r.punkbuster = 1;
  r.lastreply = 4000000000u;
  return r;
}

}  // namespace

class TestStatusResponse : public QObject {
  Q_OBJECT
 private slots:
  void classify_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("isStatus");
    QTest::newRow("status response") << B(FullReply()) << true;
    QTest::newRow("keyword only") << B(Oob("statusResponse")) << true;
    QTest::newRow("prefix not examined") << QByteArray("\0\0\0\0statusResponse\n", 19) << true;
    QTest::newRow("one character short") << B(Oob("statusRespons")) << false;
    QTest::newRow("print") << B(Oob("print\nstatusResponse")) << false;
    QTest::newRow("without prefix") << QByteArray("statusResponse\n\\a\\b") << false;
    QTest::newRow("case differs") << B(Oob("statusresponse\n")) << false;
    QTest::newRow("empty") << QByteArray() << false;
  }
  void classify() {
    QFETCH(QByteArray, datagram);
    QFETCH(bool, isStatus);
    QCOMPARE(IsStatusResponse(S(datagram)), isStatus);
  }

  void body() {
    QCOMPARE(B(StatusBody(FullReply())).left(12), QByteArray("\\g_gametype\\"));
    QCOMPARE(B(StatusBody(Oob("statusResponse\n"))), QByteArray());
    QCOMPARE(B(StatusBody(Oob("short"))), QByteArray());
    const std::string longReply = Oob("statusResponse\n" + std::string(20000, 'v'));
    QCOMPARE(StatusBody(longReply).size(), size_t(9999));
  }

  void serverInfo_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArrayList>("flat");  // name, value, name, value...
    QTest::newRow("pairs") << QByteArray("\\a\\1\\b\\2\nplayer")
                           << QByteArrayList{"a", "1", "b", "2"};
    QTest::newRow("trailing name gets empty value")
        << QByteArray("\\a\\1\\b\n") << QByteArrayList{"a", "1", "b", ""};
    QTest::newRow("name only") << QByteArray("\\a") << QByteArrayList{"a", ""};
    QTest::newRow("text before first backslash skipped")
        << QByteArray("junk\\a\\1") << QByteArrayList{"a", "1"};
    QTest::newRow("no backslash") << QByteArray("x\n") << QByteArrayList{};
    QTest::newRow("empty body") << QByteArray() << QByteArrayList{};
    QTest::newRow("empty names and values")
        << QByteArray("\\\\\\x") << QByteArrayList{"", "", "x", ""};
    QTest::newRow("only first line counts")
        << QByteArray("\\a\\1\n\\b\\2\n") << QByteArrayList{"a", "1"};
  }
  void serverInfo() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArrayList, flat);
    QByteArrayList got;
    for (const auto& [name, value] : ParseServerInfo(S(body))) got << B(name) << B(value);
    QCOMPARE(got, flat);
  }

  void serverVar() {
    const Tserverinfo info = ParseServerInfo("\\a\\1\\b\\x\\a\\2\\A\\3\n");
    QCOMPARE(B(ServerVar(info, "a")), QByteArray("2"));  // the later pair wins
    QCOMPARE(B(ServerVar(info, "A")), QByteArray("3"));  // case-sensitive
    QCOMPARE(B(ServerVar(info, "b")), QByteArray("x"));
    QCOMPARE(B(ServerVar(info, "c")), QByteArray());
    QCOMPARE(B(ServerVar({}, "a")), QByteArray());
  }

  void playerInfo() {
    const auto rows = ParsePlayerInfo(StatusBody(FullReply()));
    QVERIFY(rows.has_value());
    QCOMPARE(rows->size(), size_t(2));
    QCOMPARE(B((*rows)[0][0]), QByteArray("5"));
    QCOMPARE(B((*rows)[0][1]), QByteArray("50"));
    QCOMPARE(B((*rows)[0][2]), QByteArray("^1Pl"));  // a quote inside the name ends it
    QCOMPARE(B((*rows)[1][0]), QByteArray("0"));
    QCOMPARE(B((*rows)[1][1]), QByteArray("999"));
    QCOMPARE(B((*rows)[1][2]), QByteArray("Bob"));
  }

  void playerInfoEdges() {
    // No player lines: the body ends with the variables line's line feed.
    auto rows = ParsePlayerInfo("\\a\\1\n");
    QVERIFY(rows.has_value());
    QCOMPARE(rows->size(), size_t(0));
    // A last player line without its line feed is the end marker, not a player.
    rows = ParsePlayerInfo("\\a\\1\n1 2 \"A\"\n3 4 \"B\"");
    QVERIFY(rows.has_value());
    QCOMPARE(rows->size(), size_t(1));
    QCOMPARE(B((*rows)[0][2]), QByteArray("A"));
    // A line without blanks or quotes gives empty ping and name.
    rows = ParsePlayerInfo("\\a\\1\n42\n");
    QVERIFY(rows.has_value());
    QCOMPARE(rows->size(), size_t(1));
    QCOMPARE(B((*rows)[0][0]), QByteArray("42"));
    QCOMPARE(B((*rows)[0][1]), QByteArray());
    QCOMPARE(B((*rows)[0][2]), QByteArray());
    // Fewer than two lines: malformed.
    QVERIFY(!ParsePlayerInfo("\\a\\1").has_value());
    QVERIFY(!ParsePlayerInfo("").has_value());
  }

  void gametypeDigit_data() {
    QTest::addColumn<QByteArray>("gametype");
    QTest::addColumn<char>("digit");
    QTest::newRow("dm") << QByteArray("dm") << '4';
    QTest::newRow("tdm") << QByteArray("tdm") << '1';
    QTest::newRow("sd") << QByteArray("sd") << '2';
    QTest::newRow("hq") << QByteArray("hq") << '4';
    QTest::newRow("ctf") << QByteArray("ctf") << '3';
    QTest::newRow("re") << QByteArray("re") << '5';
    QTest::newRow("dom") << QByteArray("dom") << '6';
    QTest::newRow("bel") << QByteArray("bel") << '8';
    QTest::newRow("bas") << QByteArray("bas") << '9';
    QTest::newRow("unknown") << QByteArray("war") << '7';
    QTest::newRow("upper case unknown") << QByteArray("SD") << '7';
    QTest::newRow("empty") << QByteArray() << '7';
    QTest::newRow("with trailing blank") << QByteArray("sd ") << '7';
  }
  void gametypeDigit() {
    QFETCH(QByteArray, gametype);
    QFETCH(char, digit);
    QCOMPARE(GametypeDigit(S(gametype)), digit);
  }

  void mapInfo() {
    QCOMPARE(B(BuildMapInfo("sd", "mp_test")), QByteArray("^2sd ^0mp_test"));
    QCOMPARE(B(BuildMapInfo("^1sd", "mp_^3carentan")), QByteArray("^2sd ^0mp_carentan"));
    QCOMPARE(B(BuildMapInfo("", "")), QByteArray("^7 ^0"));
    const std::string longMap(400, 'm');
    const std::string info = BuildMapInfo("ctf", longMap);
    QCOMPARE(info.size(), size_t(250));
    QCOMPARE(B(info), QByteArray("^3ctf ^0") + QByteArray(250 - 8, 'm'));
  }

  void protocolByte_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("118") << QByteArray("118") << 118;
    QTest::newRow("5") << QByteArray("5") << 5;
    QTest::newRow("300 low bits") << QByteArray("300") << 44;
    QTest::newRow("256") << QByteArray("256") << 0;
    QTest::newRow("missing") << QByteArray() << 255;
    QTest::newRow("letters") << QByteArray("abc") << 255;
    QTest::newRow("minus one") << QByteArray("-1") << 255;
    QTest::newRow("minus two") << QByteArray("-2") << 254;
    QTest::newRow("coloured") << QByteArray("^1118") << 255;
  }
  void protocolByte() {
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(int(ProtocolByte(S(text))), value);
  }

  void roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("3.5") << 3.5 << 4;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("below half") << 2.4999 << 2;
    QTest::newRow("above half") << 2.5001 << 3;
    QTest::newRow("negative above half") << -2.6 << -3;
    QTest::newRow("nan") << std::nan("") << 0;
    QTest::newRow("huge") << 1e12 << std::numeric_limits<int>::max();
    QTest::newRow("huge negative") << -1e12 << std::numeric_limits<int>::min();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<int>::max();
  }
  void roundHalfEven() {
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
  }

  // The handling steps applied to an entry in the order the reply handler
  // uses them.
  void recordUpdate() {
    Tserverrec r = FilledRecord();
    ResetForStatus(r);
    QCOMPARE(r.ping, 0);
    QCOMPARE(r.players, 0);
    QCOMPARE(r.privateclients, 0);
    QCOMPARE(r.maxclients, 0);
    QCOMPARE(int(r.protocol), 0);
    QVERIFY(r.shortversion.empty());
    QVERIFY(r.mapinfo.empty());
    QCOMPARE(int(r.spareflag + r.killcam + r.friendlyfire + r.voice + r.passworded + r.punkbuster),
             0);
    // Operator fields, provider, name, spare and times stay.
    QCOMPARE(B(r.hostname.view()), QByteArray("old name"));
    QCOMPARE(B(r.provider.view()), QByteArray("example.net;DE;Deutschland"));
    QCOMPARE(B(r.spare.view()), QByteArray("spare"));
    QCOMPARE(r.sendtime, 1234.5);
    QCOMPARE(r.lastreply, 4000000000u);

    const std::string body = StatusBody(FullReply());
    const Tserverinfo info = ParseServerInfo(body);
    const auto players = ParsePlayerInfo(body);
    QVERIFY(players.has_value());
    ApplyStatusFields(r, info);
    QCOMPARE(B(r.hostname.view()), QByteArray("^1My ^7Server"));
    QCOMPARE(B(r.mapinfo.view()), QByteArray("^2sd ^0mp_carentan"));
    QCOMPARE(int(r.protocol), 118);
    QCOMPARE(B(r.shortversion.view()), QByteArray("1.3"));
    QCOMPARE(int(r.passworded), 1);
    QCOMPARE(int(r.killcam), 1);
    QCOMPARE(int(r.friendlyfire), 0);
    QCOMPARE(int(r.punkbuster), 1);  // "^11" stripped is "1"
    QCOMPARE(int(r.voice), 1);
    QCOMPARE(int(r.spareflag), 0);
    ApplyCounts(r, info, *players);
    QCOMPARE(r.players, 2);
    QCOMPARE(r.maxclients, 20);
    QCOMPARE(r.privateclients, 2);
  }

  void recordMissingVariables() {
    Tserverrec r = FilledRecord();
    ResetForStatus(r);
    const Tserverinfo info = ParseServerInfo("\\pswrd\\1 \\sv_voice\\yes\\sv_maxclients\\x\n");
    ApplyStatusFields(r, info);
    ApplyCounts(r, info, {});
    QVERIFY(r.hostname.empty());
    QVERIFY(r.shortversion.empty());
    QCOMPARE(B(r.mapinfo.view()), QByteArray("^7 ^0"));
    QCOMPARE(int(r.protocol), 255);
    QCOMPARE(int(r.passworded), 0);  // "1 " is not "1"
    QCOMPARE(int(r.voice), 0);
    QCOMPARE(r.maxclients, -1);
    QCOMPARE(r.privateclients, -1);
    QCOMPARE(r.players, 0);
  }

  void recordTextsCut() {
    Tserverrec r;
    r.hostname.assign(std::string(250, 'z'));  // leftovers behind a shorter name stay
    const std::string longName(300, 'h');
    ApplyStatusFields(r, ParseServerInfo("\\sv_hostname\\" + longName + "\\shortversion\\" +
                                         std::string(260, 'v') + "\n"));
    QCOMPARE(r.hostname.size(), size_t(250));
    QCOMPARE(B(r.hostname.view()), QByteArray(250, 'h'));
    QCOMPARE(r.shortversion.size(), size_t(250));
    ApplyStatusFields(r, ParseServerInfo("\\sv_hostname\\ab\n"));
    QCOMPARE(B(r.hostname.view()), QByteArray("ab"));
    QCOMPARE(r.hostname.data[2], 'h');
  }

  void playerView() {
    const Tplayerinfo rows{{"^15", "^2 50", "a\"b\"^1c"}, {"", "", ""}, {"-3", "999", "\"\""}};
    const Tplayerinfo view = PlayerRowsForView(rows);
    QCOMPARE(view.size(), size_t(3));
    QCOMPARE(B(view[0][0]), QByteArray("5"));
    QCOMPARE(B(view[0][1]), QByteArray(" 50"));
    QCOMPARE(B(view[0][2]), QByteArray("ab^1c"));
    QCOMPARE(B(view[1][2]), QByteArray());
    QCOMPARE(B(view[2][0]), QByteArray("-3"));
    QCOMPARE(B(view[2][2]), QByteArray());
  }
};

QTEST_GUILESS_MAIN(TestStatusResponse)
#include "test_statusresponse.moc"
