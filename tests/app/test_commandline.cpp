// The command line read before Qt starts, the printed texts and the refusal
// of what QApplication leaves.
#include <QtTest>

#include <sstream>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "zelmora_version.h"

using namespace zelmora;

Q_DECLARE_METATYPE(zelmora::CommandLine::Action)

namespace {

std::vector<std::string> Args(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& s : list) out.push_back(s.toStdString());
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

class TestCommandLine : public QObject {
  Q_OBJECT

 private slots:
  void parse_data() {
    using A = CommandLine::Action;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<A>("action");
    QTest::addColumn<QString>("error");
    QTest::newRow("none") << QStringList{} << A::Window << QString();
    QTest::newRow("--help") << QStringList{"--help"} << A::Help << QString();
    QTest::newRow("-h") << QStringList{"-h"} << A::Help << QString();
    QTest::newRow("--version") << QStringList{"--version"} << A::Version << QString();
    QTest::newRow("first decides: help")
        << QStringList{"--help", "--bogus"} << A::Help << QString();
    QTest::newRow("first decides: version")
        << QStringList{"--version", "--help"} << A::Version << QString();
    QTest::newRow("first decides: refused") << QStringList{"--bogus", "--help"} << A::Refused
                                            << QStringLiteral("unbekannte Option „--bogus“");
    QTest::newRow("with a value") << QStringList{"--help=1"} << A::Refused
                                  << QStringLiteral("unbekannte Option „--help=1“");
    QTest::newRow("abbreviation") << QStringList{"--vers"} << A::Refused
                                  << QStringLiteral("unbekannte Option „--vers“");
    QTest::newRow("qt options left to qt")
        << QStringList{"-platform", "offscreen", "-style", "Fusion"} << A::Window << QString();
    QTest::newRow("after qt options")
        << QStringList{"-style", "Fusion", "--version"} << A::Version << QString();
    QTest::newRow("-- at the end") << QStringList{"--"} << A::Window << QString();
    QTest::newRow("-- then an argument") << QStringList{"--", "--help"} << A::Refused
                                         << QStringLiteral("überzähliges Argument „--help“");
    QTest::newRow("send without servers") << QStringList{"--send", "status"} << A::Refused
                                          << QStringLiteral("--send braucht --servers oder --all");
    QTest::newRow("send to all") << QStringList{"--send", "status", "--all"} << A::Send
                                 << QString();
    QTest::newRow("send, joined value")
        << QStringList{"--servers=a,b", "--send=say x"} << A::Send << QString();
    QTest::newRow("query") << QStringList{"--query", "127.0.0.1", "--json"} << A::Query
                           << QString();
    QTest::newRow("help still first") << QStringList{"--help", "--send"} << A::Help << QString();
    QTest::newRow("value missing") << QStringList{"--all", "--send"} << A::Refused
                                   << QStringLiteral("die Option „--send“ braucht einen Wert");
    QTest::newRow("flag with a value") << QStringList{"--all=1"} << A::Refused
                                       << QStringLiteral("die Option „--all“ nimmt keinen Wert");
    QTest::newRow("twice") << QStringList{"--all", "--all"} << A::Refused
                           << QStringLiteral("die Option „--all“ steht doppelt");
    QTest::newRow("send and query") << QStringList{"--send", "x", "--query", "y"} << A::Refused
                                    << QStringLiteral("--send und --query schließen einander aus");
    QTest::newRow("servers and all")
        << QStringList{"--send", "x", "--all", "--servers", "a"} << A::Refused
        << QStringLiteral("--servers und --all schließen einander aus");
    QTest::newRow("servers without send")
        << QStringList{"--servers", "a"} << A::Refused
        << QStringLiteral("--servers und --all gelten nur mit --send");
    QTest::newRow("query with servers")
        << QStringList{"--query", "a", "--all"} << A::Refused
        << QStringLiteral("--servers und --all gelten nur mit --send");
    QTest::newRow("json alone") << QStringList{"--json"} << A::Refused
                                << QStringLiteral("--json gilt nur mit --send oder --query");
    QTest::newRow("empty command") << QStringList{"--send=", "--all"} << A::Refused
                                   << QStringLiteral("--send braucht einen Befehl");
    QTest::newRow("backslash and n are text")
        << QStringList{"--send", "say a\\nquit", "--all"} << A::Send << QString();
    QTest::newRow("empty name") << QStringList{"--send", "x", "--servers", "a,,b"} << A::Refused
                                << QStringLiteral("--servers enthält einen leeren Namen");
    QTest::newRow("operand beside a shell form")
        << QStringList{"--send", "x", "--all", "extra"} << A::Refused
        << QStringLiteral("überzähliges Argument „extra“");
    QTest::newRow("qt option beside a shell form")
        << QStringList{"-style", "Fusion", "--query", "a"} << A::Refused
        << QStringLiteral("unbekannte Option „-style“");
  }

  // What the shell forms take from the options.
  void shellFields() {
    const CommandLine send = ParseCommandLine(
        Args({"--send", "say Server startet neu", "--servers", "A b,127.0.0.1:28960"}));
    QCOMPARE(static_cast<int>(send.action), static_cast<int>(CommandLine::Action::Send));
    QCOMPARE(send.command, std::string("say Server startet neu"));
    QCOMPARE(send.servers, (std::vector<std::string>{"A b", "127.0.0.1:28960"}));
    QVERIFY(!send.all && !send.json);
    const CommandLine query = ParseCommandLine(Args({"--json", "--query=host:1"}));
    QCOMPARE(query.address, std::string("host:1"));
    QVERIFY(query.json);
    // A line break would start a second command on the server.
    const CommandLine broken = ParseCommandLine({"--send", "say a\nquit", "--all"});
    QCOMPARE(static_cast<int>(broken.action), static_cast<int>(CommandLine::Action::Refused));
    QCOMPARE(QString::fromStdString(broken.error),
             QStringLiteral("der Befehl enthält einen Zeilenumbruch oder ein Nullzeichen"));
  }
  void parse() {
    QFETCH(QStringList, args);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, error);
    const CommandLine line = ParseCommandLine(Args(args));
    QCOMPARE(static_cast<int>(line.action), static_cast<int>(action));
    QCOMPARE(QString::fromStdString(line.error), error);
  }

  void answer_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outFirstLine");
    QTest::addColumn<QString>("err");
    QTest::newRow("window") << QStringList{} << -1 << QString() << QString();
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QStringLiteral("Aufruf: zelmora [OPTION]...") << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QStringLiteral("zelmora ") + QString::fromLatin1(kProgramVersion)
                             << QString();
    QTest::newRow("refused") << QStringList{"--bogus"} << 2 << QString()
                             << QStringLiteral(
                                    "zelmora: unbekannte Option „--bogus“\n"
                                    "„zelmora --help“ liefert weitere Informationen.\n");
  }
  void answer() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, outFirstLine);
    QFETCH(QString, err);
    std::vector<std::string> storage = Args(QStringList{"zelmora"} + args);
    std::vector<const char*> argv;
    for (const std::string& s : storage) argv.push_back(s.c_str());
    std::ostringstream out;
    std::ostringstream errOut;
    const std::optional<int> got =
        AnswerCommandLine(static_cast<int>(argv.size()), argv.data(), out, errOut);
    QCOMPARE(got.value_or(-1), status);
    const std::vector<std::string> lines = Lines(out.str());
    QCOMPARE(QString::fromStdString(lines.empty() ? std::string() : lines.front()), outFirstLine);
    QCOMPARE(QString::fromStdString(errOut.str()), err);
  }

  // The help names every option once, and the shell forms with an
  // example; the version names the licence.
  void texts() {
    std::vector<std::string> named;
    for (const std::string& line : Lines(HelpText())) {
      if (line.rfind("  -", 0) != 0 && line.rfind("      --", 0) != 0) continue;
      const std::size_t dash = line.find("--");
      named.push_back(line.substr(dash, line.find_first_of(" =", dash) - dash));
    }
    QCOMPARE(named, (std::vector<std::string>{"--help", "--version", "--send", "--servers", "--all",
                                              "--query", "--json"}));
    QVERIFY(HelpText().find("crontab") != std::string::npos);
    QVERIFY(HelpText().find(kProgramHomepage) != std::string::npos);
    const std::vector<std::string> version = Lines(VersionText());
    QCOMPARE(QString::fromStdString(version.at(0)), QStringLiteral("zelmora 1.04"));
    QVERIFY(VersionText().find("GPLv3+") != std::string::npos);
  }

  // Output that cannot be written (a full disk, a closed pipe) fails.
  void unwritableOutput() {
    const char* argv[] = {"zelmora", "--help"};
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    std::ostringstream err;
    QCOMPARE(AnswerCommandLine(2, argv, out, err).value_or(-1), 1);
  }

  void leftover_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QStringList{} << QString();
    QTest::newRow("end of options") << QStringList{"--"} << QString();
    QTest::newRow("unknown single dash")
        << QStringList{"-bogus"} << QStringLiteral("unbekannte Option „-bogus“");
    QTest::newRow("operand") << QStringList{"Servers.dat"}
                             << QStringLiteral("überzähliges Argument „Servers.dat“");
    QTest::newRow("first one named")
        << QStringList{"--", "a", "-b"} << QStringLiteral("überzähliges Argument „a“");
  }
  void leftover() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const std::optional<std::string> got = UnexpectedArguments(Args(args));
    QCOMPARE(QString::fromStdString(got.value_or(std::string())), error);
  }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
