// The quoting rule for rcon command lines and the files whose lines become
// commands: rcon profiles, variable name lists and the passwords of
// Servers.dat.
#include <QtTest>

#include <string>
#include <vector>

#include "core/commandrules.h"
#include "core/serverfile.h"
#include "core/textlines.h"

using namespace zelmora;

namespace {

QByteArray B(std::string_view s) {
  return QByteArray(s.data(), qsizetype(s.size()));
}

std::string S(const QByteArray& b) {
  return std::string(b.constData(), size_t(b.size()));
}

// The message texts are UTF-8; the literals here are written in UTF-8 too.
QByteArray U(const char* utf8) {
  return QByteArray(utf8);
}

}  // namespace

class TestCommandRules : public QObject {
  Q_OBJECT

 private slots:
  void names_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("problem");
    const QByteArray ok;
    QTest::newRow("variable") << QByteArray("scr_dm_scorelimit") << ok;
    QTest::newRow("map with extension") << QByteArray("mp_toujane.d3dbsp") << ok;
    QTest::newRow("all kinds") << QByteArray("AZaz09_./-") << ok;
    QTest::newRow("path") << QByteArray("maps/mp/x") << ok;
    QTest::newRow("64 characters") << QByteArray(64, 'a') << ok;
    QTest::newRow("65 characters")
        << QByteArray(65, 'a') << U("Der Name ist länger als 64 Zeichen.");
    QTest::newRow("empty") << QByteArray() << U("Der Name ist leer.");
    QTest::newRow("semicolon") << QByteArray("mp_x;rcon_password owned")
                               << U("Das Zeichen \";\" ist in Namen nicht erlaubt.");
    QTest::newRow("quote") << QByteArray("sv_fps\"quit \"1;quit")
                           << U("Das Anführungszeichen (\") ist in Namen nicht erlaubt.");
    QTest::newRow("blank") << QByteArray("sv fps")
                           << U("Das Leerzeichen ist in Namen nicht erlaubt.");
    QTest::newRow("CR") << QByteArray("sv_fps\rquit")
                        << U("Der Wagenrücklauf (CR) ist in Namen nicht erlaubt.");
    QTest::newRow("LF") << QByteArray("a\nb")
                        << U("Der Zeilenumbruch (LF) ist in Namen nicht erlaubt.");
    QTest::newRow("NUL") << QByteArray("a\0b", 3)
                         << U("Das Nullzeichen (NUL) ist in Namen nicht erlaubt.");
    QTest::newRow("tab") << QByteArray("a\tb")
                         << U("Der Tabulator (TAB) ist in Namen nicht erlaubt.");
    QTest::newRow("escape") << QByteArray("a\x1b")
                            << U("Das Steuerzeichen 0x1B ist in Namen nicht erlaubt.");
    QTest::newRow("DEL") << QByteArray("a\x7f")
                         << U("Das Steuerzeichen 0x7F ist in Namen nicht erlaubt.");
    QTest::newRow("umlaut") << QByteArray("j\xe4ger")
                            << U("Das Zeichen \"ä\" ist in Namen nicht erlaubt.");
    QTest::newRow("euro") << QByteArray("a\x80")
                          << U("Das Zeichen mit dem Code 0x80 ist in Namen nicht erlaubt.");
    QTest::newRow("no-break space")
        << QByteArray("a\xa0")
        << U("Das geschützte Leerzeichen (0xA0) ist in Namen nicht erlaubt.");
    QTest::newRow("colour caret") << QByteArray("^1x")
                                  << U("Das Zeichen \"^\" ist in Namen nicht erlaubt.");
    QTest::newRow("comment") << QByteArray("mp_x//quit")
                             << U("Die Zeichenfolge \"//\" ist in Namen nicht erlaubt.");
    QTest::newRow("first offender named")
        << QByteArray("a;b c") << U("Das Zeichen \";\" ist in Namen nicht erlaubt.");
    // A character is named before the length: the operator fixes that first.
    QTest::newRow("long and bad") << QByteArray(70, ';')
                                  << U("Das Zeichen \";\" ist in Namen nicht erlaubt.");
  }
  void names() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, problem);
    QCOMPARE(B(NameProblem(S(name))), problem);
  }

  void values_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("problem");
    const QByteArray ok;
    QTest::newRow("empty") << QByteArray() << ok;
    QTest::newRow("german rule text") << QByteArray("kein Camping; kein Spawnkill") << ok;
    QTest::newRow("colours and umlauts") << QByteArray("^1J\xe4ger ^7//*/ \\ \t\x01\xff") << ok;
    QTest::newRow("quote")
        << QByteArray("SAY x\";quit;^1red")
        << U("Das Anführungszeichen (\") ist in Werten und Texten nicht erlaubt.");
    QTest::newRow("CR") << QByteArray("a\rquit")
                        << U("Der Wagenrücklauf (CR) ist in Werten und Texten nicht erlaubt.");
    QTest::newRow("LF") << QByteArray("a\nquit")
                        << U("Der Zeilenumbruch (LF) ist in Werten und Texten nicht erlaubt.");
    QTest::newRow("NUL") << QByteArray("a\0b", 3)
                         << U("Das Nullzeichen (NUL) ist in Werten und Texten nicht erlaubt.");
  }
  void values() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, problem);
    QCOMPARE(B(ValueProblem(S(value))), problem);
  }

  void passwords_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("problem");
    const QByteArray ok;
    QTest::newRow("empty") << QByteArray() << ok;
    QTest::newRow("punctuation and umlauts") << QByteArray("p\xe4ss;w/rd!$%^") << ok;
    QTest::newRow("blank") << QByteArray("my pw")
                           << U("Das Leerzeichen ist in Passwörtern nicht erlaubt.");
    QTest::newRow("quote") << QByteArray("a\"b")
                           << U("Das Anführungszeichen (\") ist in Passwörtern nicht erlaubt.");
    QTest::newRow("LF") << QByteArray("pw\nquit")
                        << U("Der Zeilenumbruch (LF) ist in Passwörtern nicht erlaubt.");
    QTest::newRow("CR") << QByteArray("pw\r")
                        << U("Der Wagenrücklauf (CR) ist in Passwörtern nicht erlaubt.");
    QTest::newRow("NUL") << QByteArray("\0", 1)
                         << U("Das Nullzeichen (NUL) ist in Passwörtern nicht erlaubt.");
    QTest::newRow("tab") << QByteArray("a\tb")
                         << U("Der Tabulator (TAB) ist in Passwörtern nicht erlaubt.");
  }
  void passwords() {
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, problem);
    QCOMPARE(B(PasswordProblem(S(password))), problem);
  }

  void clientNumbers_data() {
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QByteArray>("problem");
    const QByteArray ok;
    QTest::newRow("0") << QByteArray("0") << ok;
    QTest::newRow("63") << QByteArray("63") << ok;
    QTest::newRow("3 digits") << QByteArray("007") << ok;
    QTest::newRow("4 digits") << QByteArray("1234")
                              << U("Die Spielernummer hat mehr als 3 Ziffern.");
    QTest::newRow("empty") << QByteArray() << U("Die Spielernummer ist leer.");
    QTest::newRow("sign") << QByteArray("-1")
                          << U("Das Zeichen \"-\" ist in Spielernummern nicht erlaubt.");
    QTest::newRow("blank") << QByteArray(" 3")
                           << U("Das Leerzeichen ist in Spielernummern nicht erlaubt.");
    QTest::newRow("command") << QByteArray("3;quit")
                             << U("Das Zeichen \";\" ist in Spielernummern nicht erlaubt.");
  }
  void clientNumbers() {
    QFETCH(QByteArray, number);
    QFETCH(QByteArray, problem);
    QCOMPARE(B(ClientNumberProblem(S(number))), problem);
  }

  // Profile lines: a CR inside a line no longer makes a second record, and a
  // name that breaks the rule refuses its line with the reason.
  void profileLines_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");        // records' names, in order
    QTest::addColumn<QList<int>>("refusedLines");  // 1-based
    QTest::newRow("CR LF") << QByteArray("sv_fps ; Bilder\r\ng_speed\r\n")
                           << QStringList{"sv_fps", "g_speed"} << QList<int>{};
    QTest::newRow("LF only") << QByteArray("sv_fps\ng_speed") << QStringList{"sv_fps", "g_speed"}
                             << QList<int>{};
    QTest::newRow("CR at the end of the file")
        << QByteArray("sv_fps\r\ng_speed\r") << QStringList{"sv_fps", "g_speed"} << QList<int>{};
    QTest::newRow("lone CR splits nothing")
        << QByteArray("sv_fps\rquit\r\ng_speed\r\n") << QStringList{"g_speed"} << QList<int>{1};
    QTest::newRow("lone CR in the description")
        << QByteArray("a\r\nb ; x\ry\r\n") << QStringList{"a"} << QList<int>{2};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb\r\n") << QStringList{"b"} << QList<int>{1};
    QTest::newRow("quote in the name")
        << QByteArray("sv_fps\"quit \"1;quit\r\n\r\nok\r\n") << QStringList{"ok"} << QList<int>{1};
    QTest::newRow("blank inside the name")
        << QByteArray("g speed ; x\r\n") << QStringList{} << QList<int>{1};
    QTest::newRow("line of blanks stays a record without name")
        << QByteArray("  \r\nx\r\n") << QStringList{"", "x"} << QList<int>{};
    QTest::newRow("numbers count empty lines")
        << QByteArray("\r\n\r\na;b\r\nx y\r\n") << QStringList{"a"} << QList<int>{4};
  }
  void profileLines() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, refusedLines);
    const ProfileRead read = ReadProfile(S(file));
    QStringList got;
    for (const Tsonstigesrec& r : read.records) got << QString::fromLatin1(r.name.c_str());
    QCOMPARE(got, names);
    QList<int> lines;
    for (const RefusedLine& r : read.refused) {
      lines << int(r.line);
      QVERIFY(!r.reason.empty());
    }
    QCOMPARE(lines, refusedLines);
    QCOMPARE(ParseProfile(S(file)), read.records);
  }

  void profileRefusals() {
    const ProfileRead read = ReadProfile("sv_fps\rquit ; x\r\nsv_fps\"quit \"1;quit\r\n");
    QCOMPARE(read.refused.size(), size_t(2));
    QCOMPARE(read.refused[0], (RefusedLine{1, "sv_fps\rquit ; x",
                                           "Ein Wagenr\xC3\xBC"
                                           "cklauf (CR) mitten in der Zeile ist nicht erlaubt."}));
    QCOMPARE(read.refused[1], (RefusedLine{2, "sv_fps\"quit \"1;quit",
                                           "Das Anf\xC3\xBChrungszeichen (\") ist in Namen "
                                           "nicht erlaubt."}));
    // What remains is taken as before.
    QCOMPARE(ReadProfile("sv_fps ; Bilder ; pro\r\n").records,
             (std::vector<Tsonstigesrec>{{"sv_fps", "", "Bilder"}}));
  }

  void nameLists() {
    const NameListRead read = ReadNameList(
        "scr_allow_kar98k\r\nscr_allow_x\rquit\r\n\r\nmg42 \r\nok\rnotice\n"
        "mp_a;quit\nlast\r");
    QCOMPARE(read.names, (std::vector<std::string>{"scr_allow_kar98k", "last"}));
    QCOMPARE(read.refused.size(), size_t(4));
    QCOMPARE(read.refused[0].line, size_t(2));
    QCOMPARE(read.refused[1].line, size_t(4));
    QCOMPARE(B(read.refused[1].text), QByteArray("mg42 "));
    QCOMPARE(B(read.refused[1].reason), U("Das Leerzeichen ist in Namen nicht erlaubt."));
    QCOMPARE(read.refused[2].line, size_t(5));
    QCOMPARE(read.refused[3].line, size_t(6));
    QVERIFY(ReadNameList("").names.empty());
    QVERIFY(ReadNameList("\r\n\n").refused.empty());
  }

  // Servers.dat entries whose stored rcon password can never be sent.
  void storedPasswords() {
    Tserverlist list(5);
    list[0].rconpass.assign("secret");
    list[1].rconpass.assign("my pw");
    list[2].rconpass.assign("");
    list[3].rconpass.assign(std::string("pw\nquit", 7));
    list[4].rconpass.assign("a\"b");
    QCOMPARE(EntriesWithUnusablePassword(list), (std::vector<std::size_t>{1, 3, 4}));
    QVERIFY(StoredPasswordProblem(list[0]).empty());
    QCOMPARE(B(StoredPasswordProblem(list[3])),
             U("Der Zeilenumbruch (LF) ist in Passwörtern nicht erlaubt."));
    // Only the bytes up to the length byte count: leftovers of a longer
    // earlier password are not the password.
    Tserverrec e;
    e.rconpass.assign("old password");
    e.rconpass.assign("new");
    QVERIFY(StoredPasswordProblem(e).empty());
  }
};

QTEST_GUILESS_MAIN(TestCommandRules)
#include "test_commandrules.moc"
