// The checked command builders: byte-exact lines for what may be sent, no
// line and the rule's German reason for what may not.
#include <QtTest>

#include <functional>
#include <map>

#include "protocol/commands.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::S;

namespace {

using Builder = std::function<BuiltCommand(const std::string& a, const std::string& b)>;

// Every builder under one name, fed with a first and a second text (the
// builders of one text ignore the second).
Builder BuilderNamed(const QByteArray& which) {
  static const std::map<QByteArray, Builder> kBuilders = {
      {"say", [](auto& a, auto&) { return BuildSay(a); }},
      {"tell", [](auto& a, auto& b) { return BuildTell(a, b); }},
      {"clientkick", [](auto& a, auto&) { return BuildClientKick(a); }},
      {"banclient", [](auto& a, auto&) { return BuildBanClient(a); }},
      {"tempbanclient", [](auto& a, auto&) { return BuildTempBanClient(a); }},
      {"map", [](auto& a, auto&) { return BuildMap(a); }},
      {"exec", [](auto& a, auto&) { return BuildExec(a); }},
      {"read", [](auto& a, auto&) { return BuildReadVar(a); }},
      {"set", [](auto& a, auto& b) { return BuildSetVar(a, b); }},
      {"g_password", [](auto& a, auto&) { return BuildSetJoinPassword(a); }},
      {"gametype", [](auto& a, auto&) { return BuildSetGametype(a); }},
  };
  return kBuilders.at(which);
}

}  // namespace

class TestCommands : public QObject {
  Q_OBJECT

 private slots:
  void built_data() {
    QTest::addColumn<QByteArray>("builder");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("say") << QByteArray("say") << QByteArray("^1Hallo Welt") << QByteArray()
                         << QByteArray("say \"^1Hallo Welt\"");
    QTest::newRow("say keeps ;") << QByteArray("say") << QByteArray("kein Camping; kein Spawnkill")
                                 << QByteArray()
                                 << QByteArray("say \"kein Camping; kein Spawnkill\"");
    QTest::newRow("say empty") << QByteArray("say") << QByteArray() << QByteArray()
                               << QByteArray("say \"\"");
    QTest::newRow("say bytes") << QByteArray("say") << QByteArray("  J\xe4ger // \t\\ ")
                               << QByteArray() << QByteArray("say \"  J\xe4ger // \t\\ \"");
    QTest::newRow("tell") << QByteArray("tell") << QByteArray("3") << QByteArray("hi; there")
                          << QByteArray("tell 3 \"hi; there\"");
    QTest::newRow("clientkick") << QByteArray("clientkick") << QByteArray("12") << QByteArray()
                                << QByteArray("clientkick 12");
    QTest::newRow("banclient") << QByteArray("banclient") << QByteArray("0") << QByteArray()
                               << QByteArray("banclient 0");
    QTest::newRow("tempbanclient") << QByteArray("tempbanclient") << QByteArray("63")
                                   << QByteArray() << QByteArray("tempbanclient 63");
    QTest::newRow("map") << QByteArray("map") << QByteArray("mp_harbor.bsp") << QByteArray()
                         << QByteArray("map mp_harbor.bsp");
    QTest::newRow("exec") << QByteArray("exec") << QByteArray("server.cfg") << QByteArray()
                          << QByteArray("exec server.cfg");
    QTest::newRow("read") << QByteArray("read") << QByteArray("scr_dm_timelimit") << QByteArray()
                          << QByteArray("scr_dm_timelimit");
    QTest::newRow("set") << QByteArray("set") << QByteArray("scr_sd_roundlength")
                         << QByteArray("2.5") << QByteArray("set scr_sd_roundlength \"2.5\"");
    QTest::newRow("set keeps ;") << QByteArray("set") << QByteArray("scr_dm_scorelimit")
                                 << QByteArray("5;quit")
                                 << QByteArray("set scr_dm_scorelimit \"5;quit\"");
    QTest::newRow("set empty") << QByteArray("set") << QByteArray("sv_hostname") << QByteArray()
                               << QByteArray("set sv_hostname \"\"");
    QTest::newRow("set show") << QByteArray("set") << QByteArray("x") << QByteArray("show")
                              << QByteArray("set x \"show\"");
    QTest::newRow("join password") << QByteArray("g_password") << QByteArray("geheim;1")
                                   << QByteArray() << QByteArray("g_password \"geheim;1\"");
    QTest::newRow("join password cleared") << QByteArray("g_password") << QByteArray()
                                           << QByteArray() << QByteArray("g_password \"\"");
    QTest::newRow("gametype") << QByteArray("gametype") << QByteArray("tdm") << QByteArray()
                              << QByteArray("set g_gametype tdm");
  }
  void built() {
    QFETCH(QByteArray, builder);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QByteArray, line);
    const BuiltCommand c = BuilderNamed(builder)(S(first), S(second));
    QVERIFY2(c.ok(), c.problem.c_str());
    QCOMPARE(B(c.line), line);
  }

  // The texts of the field reports and their refusals.
  void refused_data() {
    QTest::addColumn<QByteArray>("builder");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("problem");
    QTest::newRow("say quote") << QByteArray("say") << QByteArray("SAY x\";quit;^1red")
                               << QByteArray()
                               << "Das Anführungszeichen (\") ist in Werten und Texten nicht "
                                  "erlaubt.";
    QTest::newRow("say LF") << QByteArray("say") << QByteArray("a\nquit") << QByteArray()
                            << "Der Zeilenumbruch (LF) ist in Werten und Texten nicht erlaubt.";
    QTest::newRow("tell text") << QByteArray("tell") << QByteArray("3") << QByteArray("a\rquit")
                               << "Der Wagenrücklauf (CR) ist in Werten und Texten nicht erlaubt.";
    QTest::newRow("tell number") << QByteArray("tell") << QByteArray("3 \"x\";quit;")
                                 << QByteArray("hi")
                                 << "Das Leerzeichen ist in Spielernummern nicht erlaubt.";
    QTest::newRow("kick from a hostile table")
        << QByteArray("clientkick") << QByteArray("1;q") << QByteArray()
        << "Das Zeichen \";\" ist in Spielernummern nicht erlaubt.";
    QTest::newRow("ban empty") << QByteArray("banclient") << QByteArray() << QByteArray()
                               << "Die Spielernummer ist leer.";
    QTest::newRow("tempban long") << QByteArray("tempbanclient") << QByteArray("1000")
                                  << QByteArray() << "Die Spielernummer hat mehr als 3 Ziffern.";
    QTest::newRow("listed map") << QByteArray("map") << QByteArray("mp_x;rcon_password owned")
                                << QByteArray() << "Das Zeichen \";\" ist in Namen nicht erlaubt.";
    QTest::newRow("listed config") << QByteArray("exec") << QByteArray("x;quit.cfg") << QByteArray()
                                   << "Das Zeichen \";\" ist in Namen nicht erlaubt.";
    QTest::newRow("profile name") << QByteArray("set") << QByteArray("sv_fps\"quit \"1;quit")
                                  << QByteArray("1")
                                  << "Das Anführungszeichen (\") ist in Namen nicht erlaubt.";
    QTest::newRow("read name") << QByteArray("read") << QByteArray("sv_fps\rquit") << QByteArray()
                               << "Der Wagenrücklauf (CR) ist in Namen nicht erlaubt.";
    QTest::newRow("read empty") << QByteArray("read") << QByteArray() << QByteArray()
                                << "Der Name ist leer.";
    QTest::newRow("set value") << QByteArray("set") << QByteArray("sv_hostname")
                               << QByteArray("a\"; quit; \"")
                               << "Das Anführungszeichen (\") ist "
                                  "in Werten und Texten nicht "
                                  "erlaubt.";
    QTest::newRow("join password blank")
        << QByteArray("g_password") << QByteArray("a b") << QByteArray()
        << "Das Leerzeichen ist in Passwörtern nicht erlaubt.";
    QTest::newRow("join password quote")
        << QByteArray("g_password") << QByteArray("x\";quit") << QByteArray()
        << "Das Anführungszeichen (\") ist in Passwörtern nicht "
           "erlaubt.";
    QTest::newRow("gametype") << QByteArray("gametype") << QByteArray("dm;quit") << QByteArray()
                              << "Das Zeichen \";\" ist in Namen nicht erlaubt.";
  }
  void refused() {
    QFETCH(QByteArray, builder);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, problem);
    const BuiltCommand c = BuilderNamed(builder)(S(first), S(second));
    QVERIFY(!c.ok());
    QVERIFY(c.line.empty());
    QCOMPARE(QString::fromUtf8(c.problem.c_str()), problem);
  }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "test_commands.moc"
