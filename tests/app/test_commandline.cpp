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
    QTest::newRow("not yet an option") << QStringList{"--send", "status"} << A::Refused
                                       << QStringLiteral("unbekannte Option „--send“");
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

  // The help names exactly the two options; the version names the licence.
  void texts() {
    int optionLines = 0;
    for (const std::string& line : Lines(HelpText())) {
      if (line.rfind("  -", 0) == 0 || line.rfind("      --", 0) == 0) {
        ++optionLines;
        QVERIFY2(
            line.find("--help") != std::string::npos || line.find("--version") != std::string::npos,
            line.c_str());
      }
    }
    QCOMPARE(optionLines, 2);
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
