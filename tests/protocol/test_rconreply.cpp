#include <QtTest>

#include "protocol/rconreply.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::BL;
using zelmora::test::Oob;
using zelmora::test::S;

namespace {

#ifdef _WIN32
const QByteArray kSep = "\\";
#else
const QByteArray kSep = "/";
#endif

const std::string kHeader =
    "num score ping guid   name            lastmsg address               qport rate\n"
    "--- ----- ---- ------ --------------- ------- --------------------- ----- -----\n";

// Columns: 1-3 number, 5-9 score, 11-14 ping, 16-21 GUID, name from 23.
const std::string kRowRed =
    "  0    12   48 123456 ^1Red^2Team^7        0 81.2.3.4:28960    1234 25000";
const std::string kRowCnct = "  1     0 CNCT 654321 Bob^7     50 10.0.0.9:-2 5 5000\r";
const std::string kRowNoCaret = "  2     3   99 111111 NoCaret 0 1.1.1.1:1 1 1";

std::string Table(const std::vector<std::string>& rows) {
  std::string t = "mp_carentan\n" + kHeader;
  for (const auto& r : rows) t += r + "\n";
  return t + "\n";
}

struct CacheRec {
  std::string ip, provider, cc, country;
  std::int32_t flag;
};

}  // namespace

class TestRconReply : public QObject {
  Q_OBJECT
 private slots:
  void consoleLines() {
    QCOMPARE(BL(ConsoleLines(Oob("print\n^1Hello\nWorld\n"))),
             (QByteArrayList{"print", "Hello", "World", ""}));
    QCOMPARE(BL(ConsoleLines(Oob("print"))), (QByteArrayList{"print"}));
    QCOMPARE(BL(ConsoleLines(Oob(""))), QByteArrayList{});
    QCOMPARE(BL(ConsoleLines("\xff\xff")), QByteArrayList{});
    // CRs go with the colour codes; other bytes stay.
    QCOMPARE(BL(ConsoleLines(Oob(std::string("print\r\nA\0\xe4\n", 11)))),
             (QByteArrayList{"print", QByteArray("A\0\xe4", 3), ""}));
    // At most 9999 characters after the four leading bytes are shown.
    const auto lines = ConsoleLines(Oob(std::string(20000, 'x')));
    QCOMPARE(lines.size(), size_t(1));
    QCOMPARE(lines[0].size(), size_t(9999));
  }

  void mapListing() {
    const std::string d = Oob(
        "print\nDirectory of maps/mp d3dbsp\n----------\nmp_carentan.d3dbsp\nmp_toujane.d3dbsp\n"
        "mp_burgundy.d3dbsp\n");
    const auto l = CheckMapListing(d, "^2sd ^0mp_toujane");
    QVERIFY(l.has_value());
    QCOMPARE(BL(l->maps),
             (QByteArrayList{"mp_carentan.d3dbsp", "mp_toujane.d3dbsp", "mp_burgundy.d3dbsp"}));
    QCOMPARE(l->chosen, 1);
    QCOMPARE(BL(l->picturesLoaded), (QByteArrayList{"mp_toujane.d3dbsp"}));
  }

  void mapListingSplit() {
    // The datagram ends in the middle of the list: the piece after the last
    // line feed is never taken.
    const std::string d =
        Oob("print\nDirectory of maps/mp .bsp\n-----\nmp_a.bsp\nmp_b.bsp\nmp_carent");
    const auto l = CheckMapListing(d, "^2sd ^0mp_carentan");
    QVERIFY(l.has_value());
    QCOMPARE(BL(l->maps), (QByteArrayList{"mp_a.bsp", "mp_b.bsp"}));
    QCOMPARE(l->chosen, 0);
    QVERIFY(l->picturesLoaded.empty());
  }

  void mapListingSeveralMatches() {
    const std::string d =
        Oob("print\nDirectory of maps/mp .bsp\n---\nmp_car.bsp\nmp_carentan.bsp\nmp_dawn.bsp\n\n");
    const auto l = CheckMapListing(d, "^4dm ^0mp_carentan");
    QVERIFY(l.has_value());
    // The blank line before the end names no map: it is dropped, unreported.
    QCOMPARE(BL(l->maps), (QByteArrayList{"mp_car.bsp", "mp_carentan.bsp", "mp_dawn.bsp"}));
    QVERIFY(l->leftOut.empty());
    QCOMPARE(l->chosen, 1);
    QCOMPARE(BL(l->picturesLoaded), (QByteArrayList{"mp_car.bsp", "mp_carentan.bsp"}));
  }

  void mapListingEdges() {
    // Nothing between the dashes and the end: no entry to select.
    auto l = CheckMapListing(Oob("print\nDirectory of maps/mp .bsp\n---\n"), "^2sd ^0mp_x");
    QVERIFY(l.has_value());
    QVERIFY(l->maps.empty());
    QCOMPARE(l->chosen, -1);
    // Header only, no line feed at all.
    l = CheckMapListing(Oob("print\nDirectory of maps/mp"), "");
    QVERIFY(l.has_value());
    QVERIFY(l->maps.empty());
    // A name without extension is compared whole; match is case-sensitive.
    l = CheckMapListing(Oob("print\nDirectory of maps/mp .bsp\n---\nMP_X.bsp\nmp_x\n\n"),
                        "^2sd ^0mp_x");
    QVERIFY(l.has_value());
    QCOMPARE(l->chosen, 1);
    QCOMPARE(BL(l->picturesLoaded), (QByteArrayList{"mp_x"}));
    // Not map listings.
    QVERIFY(!CheckMapListing(Oob("print\nDirectory of / .cfg\n---\na.cfg\n"), "").has_value());
    QVERIFY(!CheckMapListing(Oob("print\nDirectory of maps/m"), "").has_value());
    QVERIFY(!CheckMapListing("print\nDirectory of maps/mp .bsp\n---\nmp_a.bsp\n\n", "")
                 .has_value());  // no leading bytes: positions shift
    QVERIFY(!CheckMapListing(Oob("statusResponse\n"), "").has_value());
  }

  // A hostile server's names are kept out of the list: a click would send
  // them back with the operator's password.
  void mapListingHostile() {
    const std::string d =
        Oob("print\nDirectory of maps/mp .bsp\n---\nmp_a.bsp\nmp_x;rcon_password owned\n"
            "mp_b\"; quit\n\nmp_c.bsp\r\nmp_toujane.bsp\n" +
            std::string(65, 'm') + "\nend\n");
    const auto l = CheckMapListing(d, "^2sd ^0mp_toujane");
    QVERIFY(l.has_value());
    QCOMPARE(BL(l->maps), (QByteArrayList{"mp_a.bsp", "mp_toujane.bsp", "end"}));
    QCOMPARE(BL(l->leftOut), (QByteArrayList{"mp_x;rcon_password owned", "mp_b\"; quit",
                                             "mp_c.bsp\r", QByteArray(65, 'm')}));
    // The choice counts among the names kept.
    QCOMPARE(l->chosen, 1);
    QCOMPARE(BL(l->picturesLoaded), (QByteArrayList{"mp_toujane.bsp"}));
  }

  void configListing_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("isListing");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArrayList>("leftOut");
    const QByteArrayList none;
    QTest::newRow("directory")
        << B(Oob("print\nDirectory of / .cfg\n----------\nserver.cfg\ndm.cfg\n")) << true
        << QByteArrayList{"server.cfg", "dm.cfg"} << none;
    QTest::newRow("directory cut short")
        << B(Oob("print\nDirectory of / .cfg\n---\nserver.cfg\ndm.c")) << true
        << QByteArrayList{"server.cfg"} << none;
    QTest::newRow("empty directory")
        << B(Oob("print\nDirectory of / .cfg\n---\n")) << true << QByteArrayList{} << none;
    QTest::newRow("hostile directory")
        << B(Oob("print\nDirectory of / .cfg\n---\nx;quit.cfg\nok.cfg\n\nsub/dir.cfg\n"
                 "a b.cfg\n"))
        << true << QByteArrayList{"ok.cfg", "sub/dir.cfg"}
        << QByteArrayList{"x;quit.cfg", "a b.cfg"};
    // The game's answer to exec is no file name.
    QTest::newRow("exec reply") << B(Oob("print\nexecing server.cfg\n")) << true << QByteArrayList{}
                                << QByteArrayList{"execing server.cfg"};
    QTest::newRow("continuation") << B(Oob("print\nfoo.cfg\nbar.cfg\nbaz")) << true
                                  << QByteArrayList{"foo.cfg", "bar.cfg"} << none;
    QTest::newRow("hostile continuation")
        << B(Oob("print\nfoo.cfg\nx.cfg;rcon_password owned\nbaz")) << true
        << QByteArrayList{"foo.cfg"} << QByteArrayList{"x.cfg;rcon_password owned"};
    QTest::newRow("plain print") << B(Oob("print\nhello\nworld.cfg\n")) << false << QByteArrayList{}
                                 << none;
    QTest::newRow(".cfg beyond the first 50 characters")
        << B(Oob("print\n" + std::string(44, 'a') + ".cfg\n")) << false << QByteArrayList{} << none;
    QTest::newRow(".cfg just within 50 characters")
        << B(Oob("print\n" + std::string(40, 'a') + ".cfg\n")) << true
        << QByteArrayList{QByteArray(40, 'a') + ".cfg"} << none;
    QTest::newRow("map listing") << B(Oob("print\nDirectory of maps/mp .bsp\n---\na.bsp\n"))
                                 << false << QByteArrayList{} << none;
    QTest::newRow("status response")
        << B(Oob("statusResponse\n\\x\\a.cfg\n")) << false << QByteArrayList{} << none;
    QTest::newRow("too short") << B(Oob("prin")) << false << QByteArrayList{} << none;
  }
  void configListing() {
    QFETCH(QByteArray, datagram);
    QFETCH(bool, isListing);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArrayList, leftOut);
    std::vector<std::string> left;
    const auto got = CheckConfigListing(S(datagram), 99999, &left);
    QCOMPARE(got.has_value(), isListing);
    if (got) QCOMPARE(BL(*got), lines);
    QCOMPARE(BL(left), leftOut);
    // Without a place for them, the names are left out all the same.
    const auto quiet = CheckConfigListing(S(datagram));
    QCOMPARE(quiet.has_value(), isListing);
    if (quiet) QCOMPARE(BL(*quiet), lines);
  }

  void leftOutNotice_data() {
    QTest::addColumn<bool>("maps");
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<QString>("notice");
    QTest::newRow("none") << true << QByteArrayList{} << QString();
    QTest::newRow("one map") << true << QByteArrayList{"mp_x;rcon_password owned"}
                             << "Eine vom Server gelistete Karte wurde ausgelassen, weil ihr Name "
                                "nicht zulässig ist: \"mp_x;rcon_password owned\"";
    QTest::newRow("two configs")
        << false << QByteArrayList{"x;quit.cfg", "a b.cfg"}
        << "2 vom Server gelistete Konfigurationsdateien wurden ausgelassen, weil ihre Namen "
           "nicht zulässig sind: \"x;quit.cfg\", \"a b.cfg\"";
    // Nothing of the name can break the console line, close the quotes or
    // colour the text.
    QTest::newRow("bytes shown as codes")
        << true << QByteArrayList{QByteArray("a\rb\n\"\\^1\xe4\0", 10)}
        << "Eine vom Server gelistete Karte wurde ausgelassen, weil ihr Name nicht zulässig "
           "ist: \"a\\x0Db\\x0A\\x22\\x5C\\x5E1\\xE4\\x00\"";
    QTest::newRow("long name cut")
        << false << QByteArrayList{QByteArray(70, 'a')}
        << "Eine vom Server gelistete Konfigurationsdatei wurde ausgelassen, weil ihr Name nicht "
           "zulässig ist: \"" +
               QString(64, 'a') + "...\"";
    QTest::newRow("many")
        << true << QByteArrayList{"1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 "}
        << "7 vom Server gelistete Karten wurden ausgelassen, weil ihre Namen nicht zulässig "
           "sind: \"1 \", \"2 \", \"3 \", \"4 \", \"5 \" und 2 weitere";
  }
  void leftOutNotice() {
    QFETCH(bool, maps);
    QFETCH(QByteArrayList, names);
    QFETCH(QString, notice);
    std::vector<std::string> left;
    for (const QByteArray& n : names) left.push_back(S(n));
    const std::string got = LeftOutNotice(maps ? ListingKind::Maps : ListingKind::Configs, left);
    QCOMPARE(QString::fromUtf8(got.c_str()), notice);
  }

  void mapPicture_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("117") << 117 << QByteArray("mp_test.d3dbsp")
                         << "mapimgs" + kSep + "117_mp_test.jpg";
    QTest::newRow("118 as 117") << 118 << QByteArray("mp_test.d3dbsp")
                                << "mapimgs" + kSep + "117_mp_test.jpg";
    QTest::newRow("115") << 115 << QByteArray("mp_a.d3dbsp") << "mapimgs" + kSep + "115_mp_a.jpg";
    QTest::newRow("21 as 22") << 21 << QByteArray("mp_a.bsp") << "mapimgs" + kSep + "22_mp_a.jpg";
    QTest::newRow("5 as 6") << 5 << QByteArray("mp_a.bsp") << "mapimgs" + kSep + "6_mp_a.jpg";
    QTest::newRow("6") << 6 << QByteArray("mp_a.bsp") << "mapimgs" + kSep + "6_mp_a.jpg";
    QTest::newRow("unknown protocol")
        << 255 << QByteArray("x.bsp") << "mapimgs" + kSep + "255_x.jpg";
    QTest::newRow("no extension") << 6 << QByteArray("mp_x") << "mapimgs" + kSep + "6_mp_x.jpg";
    QTest::newRow("last dot") << 6 << QByteArray("a.b.bsp") << "mapimgs" + kSep + "6_a.b.jpg";
    QTest::newRow("parent folder") << 6 << QByteArray("../../x.bsp") << QByteArray();
    QTest::newRow("backslash") << 6 << QByteArray("..\\..\\x.bsp") << QByteArray();
    QTest::newRow("drive") << 6 << QByteArray("c:x.bsp") << QByteArray();
    QTest::newRow("control character") << 6 << QByteArray("a\rb.bsp") << QByteArray();
  }
  void mapPicture() {
    QFETCH(int, protocol);
    QFETCH(QByteArray, map);
    QFETCH(QByteArray, file);
    QCOMPARE(B(MapPictureFile(std::uint8_t(protocol), S(map))), file);
  }
  void mapPictureFallback() { QCOMPARE(B(MapPictureFallback()), "mapimgs" + kSep + "no_map.jpg"); }

  void addressIp() {
    QCOMPARE(B(AddressIp("1.2.3.4:28960")), QByteArray("1.2.3.4"));
    QCOMPARE(B(AddressIp("bot")), QByteArray("bot"));
    QCOMPARE(B(AddressIp(":5")), QByteArray());
    QCOMPARE(B(AddressIp("a:b:c")), QByteArray("a"));
    QCOMPARE(B(AddressIp("")), QByteArray());
  }

  void statusRows() {
    Tstatusinfo rows;
    QVERIFY(ParseStatusInfo(Table({kRowRed, kRowCnct}), rows));
    QCOMPARE(rows.size(), size_t(2));
    const Tstatusrow& a = rows[0];
    QCOMPARE(B(a[0]), QByteArray("0"));
    QCOMPARE(B(a[1]), QByteArray("^1Red^2Team"));  // the appended ^7 is not part of it
    QCOMPARE(B(a[2]), QByteArray("48"));
    QCOMPARE(B(a[3]), QByteArray("123456"));
    QCOMPARE(B(a[4]), QByteArray("12"));
    QCOMPARE(B(a[5]), QByteArray("0"));
    QCOMPARE(B(a[6]), QByteArray("81.2.3.4:28960"));
    QCOMPARE(B(a[7]), QByteArray("1234"));
    QCOMPARE(B(a[8]), QByteArray("25000"));
    for (int f = 9; f < 14; ++f) QVERIFY(a[size_t(f)].empty());
    const Tstatusrow& b = rows[1];
    QCOMPARE(B(b[0]), QByteArray("1"));
    QCOMPARE(B(b[1]), QByteArray("Bob"));
    QCOMPARE(B(b[2]), QByteArray("CNCT"));
    QCOMPARE(B(b[3]), QByteArray("654321"));
    QCOMPARE(B(b[4]), QByteArray("0"));
    QCOMPARE(B(b[5]), QByteArray("50"));
    QCOMPARE(B(b[6]), QByteArray("10.0.0.9:-2"));
    QCOMPARE(B(b[7]), QByteArray("5"));
    QCOMPARE(B(b[8]), QByteArray("5000"));  // the trailing CR is gone
  }

  void statusRowsOddLines() {
    Tstatusinfo rows;
    const std::string zombie = "  4     0 ZMBI 999999 ^3Z^7 100 5.6.7.8:1 2 3 extra words";
    const std::string emptyName = " 11    -5  100 abcdef ^7 1 9.9.9.9:2 3 4";
    const std::string onlyCaretLast = "  7     1    2 222222 Name^";
    const std::string tabs = "  8     1    2 333333 A\vB^7 \t 1 2.2.2.2:3 4 5 ";
    QVERIFY(
        ParseStatusInfo(Table({zombie, kRowNoCaret, emptyName, onlyCaretLast, "  3", tabs}), rows));
    QCOMPARE(rows.size(), size_t(6));
    QCOMPARE(B(rows[0][2]), QByteArray("ZMBI"));
    QCOMPARE(B(rows[0][1]), QByteArray("^3Z"));
    QCOMPARE(BL({rows[0][5], rows[0][6], rows[0][7], rows[0][8]}),
             (QByteArrayList{"100", "5.6.7.8:1", "2", "3"}));  // further words ignored
    // Without a name end mark: fixed columns only.
    QCOMPARE(BL({rows[1][0], rows[1][2], rows[1][3], rows[1][4]}),
             (QByteArrayList{"2", "99", "111111", "3"}));
    for (int f : {1, 5, 6, 7, 8}) QVERIFY(rows[1][size_t(f)].empty());
    // End mark right at the name column: empty name, words still read.
    QCOMPARE(B(rows[2][0]), QByteArray("11"));
    QCOMPARE(B(rows[2][4]), QByteArray("-5"));
    QCOMPARE(B(rows[2][1]), QByteArray());
    QCOMPARE(B(rows[2][6]), QByteArray("9.9.9.9:2"));
    QCOMPARE(B(rows[2][8]), QByteArray("4"));
    // A caret as the last character is not an end mark.
    QCOMPARE(B(rows[3][3]), QByteArray("222222"));
    QVERIFY(rows[3][1].empty());
    QVERIFY(rows[3][5].empty());
    // A row shorter than the columns.
    QCOMPARE(B(rows[4][0]), QByteArray("3"));
    QVERIFY(rows[4][2].empty());
    QVERIFY(rows[4][3].empty());
    // A vertical tab becomes NUL in place; a tab is not a word separator but
    // trims away.
    QCOMPARE(B(rows[5][1]), QByteArray("A\0B", 3));
    QCOMPARE(BL({rows[5][5], rows[5][6], rows[5][7], rows[5][8]}),
             (QByteArrayList{"", "1", "2.2.2.2:3", "4"}));
  }

  void statusRowsShapes() {
    Tstatusrow junk;
    junk.fill("junk");
    // No clients: map line, header, dashes, two empty lines.
    Tstatusinfo rows(3, junk);
    QVERIFY(ParseStatusInfo("mp_x\n" + kHeader + "\n", rows));
    QCOMPARE(rows.size(), size_t(0));
    // Earlier rows are replaced; nothing of them survives.
    rows.assign(5, junk);
    QVERIFY(ParseStatusInfo(Table({kRowCnct}), rows));
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(B(rows[0][1]), QByteArray("Bob"));
    for (int f = 9; f < 14; ++f) QVERIFY(rows[0][size_t(f)].empty());
    // Fewer than three lines: no rows, not an error.
    rows.assign(2, junk);
    QVERIFY(ParseStatusInfo("mp_x\nheader", rows));
    QVERIFY(rows.empty());
    QVERIFY(ParseStatusInfo("", rows));
    QVERIFY(rows.empty());
  }

  // The header decides the columns: ioquake3's names fewer columns and pads
  // the name before its colour reset; a header with a name Zelmora does not
  // know keeps the Call of Duty positions.
  void statusRowsByHeader() {
    const std::string ioq3 =
        "map: oa_dm1\n"
        "cl score ping name            address                                 rate \n"
        "-- ----- ---- --------------- --------------------------------------- -----\n"
        " 0     7    0 Angelyss        ^7bot                                     16384\n"
        " 1    -2   48 ^1Red^2Team     ^7127.0.0.1:27961                         25000\n"
        "12     0  CON A B             ^7127.0.0.1:27962                          8000\n"
        "\n";
    Tstatusinfo rows;
    QVERIFY(ParseStatusInfo(ioq3, rows));
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(BL({rows[0][0], rows[0][4], rows[0][2], rows[0][1], rows[0][6], rows[0][8]}),
             (QByteArrayList{"0", "7", "0", "Angelyss", "bot", "16384"}));
    QCOMPARE(BL({rows[1][0], rows[1][4], rows[1][2], rows[1][1], rows[1][6], rows[1][8]}),
             (QByteArrayList{"1", "-2", "48", "^1Red^2Team", "127.0.0.1:27961", "25000"}));
    QCOMPARE(BL({rows[2][0], rows[2][2], rows[2][1], rows[2][6], rows[2][8]}),
             (QByteArrayList{"12", "CON", "A B", "127.0.0.1:27962", "8000"}));
    for (const Tstatusrow& row : rows)
      for (int f : {3, 5, 7}) QVERIFY(row[size_t(f)].empty());  // no GUID, lastmsg, qport

    // One unknown name: the Call of Duty positions, as before.
    const std::string unknown =
        "mp_x\nnum score ping guid   name            lastmsg address               qport rate "
        "country\n---\n" +
        kRowRed + "\n\n";
    QVERIFY(ParseStatusInfo(unknown, rows));
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(BL({rows[0][3], rows[0][1], rows[0][6]}),
             (QByteArrayList{"123456", "^1Red^2Team", "81.2.3.4:28960"}));
    // Known names but fewer dash runs than names: fixed positions too.
    QVERIFY(ParseStatusInfo("mp_x\ncl name address\n-- ----\n" + kRowRed + "\n\n", rows));
    QCOMPARE(B(rows[0][3]), QByteArray("123456"));
    // Wide dashes and a number after the name keep the fixed widths: the
    // number goes into kick commands, the GUID into the GUID list.
    QVERIFY(ParseStatusInfo("m\nguid name cl\n-------- ---- --\n12345678 Bob^7 1;quit\n\n", rows));
    QCOMPARE(BL({rows[0][3], rows[0][1], rows[0][0]}), (QByteArrayList{"123456", "Bob", "1;q"}));
  }

  void statusRowsMalformed_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("3 lines") << QByteArray("mp_x\nheader\ndashes");
    QTest::newRow("4 lines") << QByteArray("mp_x\nheader\ndashes\n");
    QTest::newRow("4 lines with a row") << QByteArray("mp_x\nheader\ndashes\n  0 x^7 a b c d");
  }
  void statusRowsMalformed() {
    QFETCH(QByteArray, text);
    Tstatusrow junk;
    junk.fill("junk");
    Tstatusinfo rows(4, junk);
    QVERIFY(!ParseStatusInfo(S(text), rows));
    QCOMPARE(rows.size(), size_t(4));
    for (const auto& row : rows)
      for (const auto& field : row) QVERIFY(field.empty());
  }

  void statusLookups() {
    const std::string longAddr = "123456789012345678901234567890:5";
    Tstatusinfo rows;
    QVERIFY(ParseStatusInfo(Table({kRowRed, kRowCnct, kRowNoCaret,
                                   "  5     0    0 123456 Far^7 0 " + longAddr + " 1 1"}),
                            rows));
    std::vector<CacheRec> cache{{"81.2.3.4", "old.example", "FR", "Frankreich", 3},
                                {"81.2.3.4", "isp.example", "DE", "Deutschland", 42},
                                {"10.0.0.1", "other", "US", "USA", 7}};
    const std::vector<std::pair<std::string, std::string>> guids{
        {"123456", "First"}, {"654321", "Bobby"}, {"123456", "Latest"}};
    auto guidName = [&guids](const std::string& guid) -> std::optional<std::string> {
      std::optional<std::string> found;
      for (const auto& [g, n] : guids)
        if (g == guid) found = n;
      return found;
    };
    ApplyStatusLookups(rows, CacheLookups(cache, guidName));
    QCOMPARE(B(rows[0][9]), QByteArray("Latest"));
    QCOMPARE(BL({rows[0][10], rows[0][11], rows[0][12], rows[0][13]}),
             (QByteArrayList{"isp.example", "DE", "Deutschland", "42"}));
    QCOMPARE(B(rows[1][9]), QByteArray("Bobby"));
    for (int f = 10; f < 14; ++f) QVERIFY(rows[1][size_t(f)].empty());
    QVERIFY(rows[2][9].empty());  // GUID 111111 unknown
    // Unknown addresses are queued once per row, cut to 25 characters; the
    // row without an address is not looked up.
    QCOMPARE(cache.size(), size_t(5));
    QCOMPARE(B(cache[3].ip), QByteArray("10.0.0.9"));
    QVERIFY(cache[3].provider.empty());
    QCOMPARE(cache[3].flag, 0);
    QCOMPARE(B(cache[4].ip), QByteArray("1234567890123456789012345"));
    // Once in the cache the addresses are found even without a provider yet,
    // the over-long one by its cut form, so polls do not queue it again.
    ApplyStatusLookups(rows, CacheLookups(cache));
    QCOMPARE(cache.size(), size_t(5));
    QCOMPARE(B(rows[1][13]), QByteArray("0"));
  }

  void statusLookupsWithoutCallbacks() {
    Tstatusinfo rows;
    QVERIFY(ParseStatusInfo(Table({kRowRed}), rows));
    ApplyStatusLookups(rows, StatusLookups{});
    for (int f = 9; f < 14; ++f) QVERIFY(rows[0][size_t(f)].empty());
  }

  void assembly() {
    // The map datagram arrives second: its text comes first, then the
    // others in arrival order.
    const std::vector<std::string> d{Oob("print\n" + kRowRed + "\n"),
                                     Oob("print\nmap: mp_carentan\n" + kHeader),
                                     Oob("print\n" + kRowCnct + "\n\n")};
    const StatusAssembly a = AssembleStatusTable(d);
    QVERIFY(a.found);
    QVERIFY(!a.single);
    QCOMPARE(B(a.table), B("mp_carentan\n" + kHeader + kRowRed + "\n" + kRowCnct + "\n\n"));
    Tstatusinfo rows;
    QVERIFY(ParseStatusInfo(a.table, rows));
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(B(rows[0][3]), QByteArray("123456"));
    QCOMPARE(B(rows[1][2]), QByteArray("CNCT"));
  }

  void assemblyEdges() {
    StatusAssembly a = AssembleStatusTable({Oob("print\nmap: mp_x\n" + kHeader + "\n")});
    QVERIFY(a.found);
    QVERIFY(a.single);
    QCOMPARE(B(a.table), B("mp_x\n" + kHeader + "\n"));
    // A wrong password answer has no map line.
    a = AssembleStatusTable({Oob("print\nBad rconpassword.\n")});
    QVERIFY(!a.found);
    QVERIFY(a.table.empty());
    QVERIFY(!AssembleStatusTable({}).found);
    // A later map datagram replaces an earlier one, which then follows it
    // (still without its header); a datagram too short for a header adds
    // nothing.
    a = AssembleStatusTable({Oob("print\nmap: a\n"), Oob("xx"), Oob("print\nmap: b\n")});
    QVERIFY(a.found);
    QVERIFY(!a.single);
    QCOMPARE(B(a.table), QByteArray("b\na\n"));
    // The four leading bytes are not examined.
    a = AssembleStatusTable({std::string("\0\0\0\0print\nmap: z", 16)});
    QVERIFY(a.found);
    QCOMPARE(B(a.table), QByteArray("z"));
  }
};

QTEST_GUILESS_MAIN(TestRconReply)
#include "test_rconreply.moc"
