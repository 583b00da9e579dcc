// Direct join without the window: the game's command line byte for byte,
// the executable by protocol (crosswise keys of the paths table), the
// free-slot rule and the name/password histories on disk.
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "core/join.h"
#include "core/profile.h"
#include "core/settings.h"
#include "testfiles.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::WriteBytes;

using Strings = std::vector<std::string>;

class TestJoin : public QObject {
  Q_OBJECT

 private slots:
  void commandLine_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "secret"
                           << "^1Bob"
                           << "+set fs_game mods/x"
                           << "+connect \"10.0.0.7:28960\" +password \"secret\" +name \"^1Bob\" "
                              "+set fs_game mods/x";
    // Nothing escaped: the quotes go in as typed.
    QTest::newRow("quotes")
        << "pa\"ss"
        << "a \"b\" c"
        << ""
        << "+connect \"10.0.0.7:28960\" +password \"pa\"ss\" +name \"a \"b\" c\" ";
    QTest::newRow("empty password, no param")
        << ""
        << "Bob"
        << ""
        << "+connect \"10.0.0.7:28960\" +password \"\" +name \"Bob\" ";
    // The name goes to the game as typed, blanks included.
    QTest::newRow("blank name") << "x"
                                << "  "
                                << "   "
                                << "+connect \"10.0.0.7:28960\" +password \"x\" +name \"  \" ";
    QTest::newRow("param trimmed") << "x"
                                   << "B"
                                   << " \t+set r_mode 4  \t"
                                   << "+connect \"10.0.0.7:28960\" +password \"x\" +name \"B\" "
                                      "+set r_mode 4";
  }
  void commandLine() {
    QFETCH(QString, password);
    QFETCH(QString, name);
    QFETCH(QString, param);
    QFETCH(QString, expected);
    QCOMPARE(BuildJoinCommandLine("10.0.0.7", "28960", password.toStdString(), name.toStdString(),
                                  param.toStdString()),
             expected.toStdString());
  }

  void commandLineKeepsBytes() {
    // Windows-1252 bytes (umlauts, 0xFF) pass unchanged.
    const std::string name = "J\xe4ger\xff";
    QCOMPARE(BuildJoinCommandLine("h", "1", "", name, ""),
             std::string("+connect \"h:1\" +password \"\" +name \"J\xe4ger\xff\" "));
  }

  void executableByProtocol() {
    // Rows 2 and 3 are stored crosswise: key "6" holds the row "COD1:UO(21)"
    // and key "21" the row "COD1(6)".
    QTemporaryDir dir;
    const std::string ini = dir.filePath("config.ini").toStdString();
    WriteBytes(ini,
               "[CodExePath]\r\n5=/g/cod14.exe\r\n6=/g/uo141.exe\r\n21=/g/cod15.exe\r\n"
               "22=/g/uo151.exe\r\n115=/g/c2_10.exe\r\n117=/g/c2_12.exe\r\n118=/g/c2_13.exe\r\n");
    SettingsStore store;
    ProfileFile file(ini);
    store.LoadAndComplete(file, GameExecutables{});
    const Settings s = store.Snapshot();

    struct Case {
      std::uint8_t protocol;
      const char* path;
      const char* version;
    };
    for (const Case& c : {Case{5, "/g/cod14.exe", "1.4"}, Case{6, "/g/cod15.exe", "1.5"},
                          Case{21, "/g/uo141.exe", "1.41"}, Case{22, "/g/uo151.exe", "1.51"},
                          Case{115, "/g/c2_10.exe", "1.0"}, Case{117, "/g/c2_12.exe", "1.2"},
                          Case{118, "/g/c2_13.exe", "1.3"}}) {
      const JoinExecutable exe = JoinExecutableFor(s, c.protocol);
      QVERIFY2(exe.known, std::to_string(c.protocol).c_str());
      QCOMPARE(exe.path, std::string(c.path));
      QCOMPARE(std::string(exe.version), std::string(c.version));
    }
    // No answer yet (0), an unknown protocol, the "none" marker: nothing.
    for (std::uint8_t p : {0, 7, 116, 255}) QVERIFY(!JoinExecutableFor(s, p).known);
    QCOMPARE(MissingExecutableMessage(JoinExecutableFor(s, 6).version),
             std::string("Konnte Call of Duty 1.5 EXE nicht finden"));
  }

  void slotsAndCount() {
    Tserverrec e;
    e.players = 18;
    e.maxclients = 20;
    e.privateclients = 2;
    QVERIFY(!HasFreeSlot(e));
    QCOMPARE(PlayerCountText(e), std::string("18/20(2)"));
    e.players = 17;
    QVERIFY(HasFreeSlot(e));
    e.privateclients = 0;
    e.players = 20;
    QVERIFY(!HasFreeSlot(e));
    QCOMPARE(PlayerCountText(e), std::string("20/20"));
    // A server that has not answered: 0 of 0, no slot.
    QVERIFY(!HasFreeSlot(Tserverrec{}));
    // Hostile counts must not wrap around into a free slot.
    e.players = INT_MAX;
    e.maxclients = INT_MAX;
    e.privateclients = INT_MIN;
    QVERIFY(HasFreeSlot(e));  // computed without overflow: max - private is huge
    e.players = 0;
    e.maxclients = INT_MIN;
    e.privateclients = INT_MAX;
    QVERIFY(!HasFreeSlot(e));
  }

  void historyLines() {
    QCOMPARE(ParseHistory(""), Strings{});
    QCOMPARE(ParseHistory("a\r\nb\r\n"), (Strings{"a", "b"}));
    QCOMPARE(ParseHistory("a\r\n\r\nb"), (Strings{"a", "", "b"}));  // last line unterminated
    QCOMPARE(ParseHistory("a\nb\rc\r\n"), (Strings{"a", "b", "c"}));
    QCOMPARE(ParseHistory("\r\n"), Strings{""});
    QCOMPARE(HistoryFileBytes({}), std::string());
    QCOMPARE(HistoryFileBytes({"a", "", "J\xe4ger"}), std::string("a\r\n\r\nJ\xe4ger\r\n"));
  }

  void historyUse() {
    // A name the file held several times ends up once, at the end.
    Strings names = ParseHistory("Bob\r\nAl\r\nBob\r\nbob\r\nCy\r\nBob\r\n");
    QCOMPARE(UseHistoryEntry(names, " Bob\t"), std::string("Bob"));
    QCOMPARE(names, (Strings{"Al", "bob", "Cy", "Bob"}));  // case-sensitive
    // Blanks only: the empty entry, once.
    Strings withEmpty{"", "Al", ""};
    QCOMPARE(UseHistoryEntry(withEmpty, "   "), std::string());
    QCOMPARE(withEmpty, (Strings{"Al", ""}));
    Strings empty;
    UseHistoryEntry(empty, "x");
    QCOMPARE(empty, Strings{"x"});
  }

  void historyFiles() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("names.txt").toStdString();
    // Missing: empty and writable.
    HistoryFile missing = LoadHistory(path);
    QVERIFY(missing.readable);
    QVERIFY(missing.items.empty());

    QVERIFY(SaveHistory(path, {"a", "b"}, nullptr));
    QCOMPARE(ReadBytes(path), std::string("a\r\nb\r\n"));
    QCOMPARE(LoadHistory(path).items, (Strings{"a", "b"}));
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString())) {
      (void)entry;
      ++files;
    }
    QCOMPARE(files, 1);

    // A file that exists but cannot be read is marked so, with its reason.
    const std::string folder = dir.filePath("passes.txt").toStdString();
    std::filesystem::create_directory(folder);
    const HistoryFile unreadable = LoadHistory(folder);
    QVERIFY(!unreadable.readable);
    QVERIFY(unreadable.items.empty());
    QVERIFY(unreadable.error.find("passes.txt") != std::string::npos);
  }
};

QTEST_APPLESS_MAIN(TestJoin)
#include "test_join.moc"
