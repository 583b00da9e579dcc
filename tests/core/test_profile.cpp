// config.ini access: Windows profile-string semantics on top of SimpleIni,
// with line-preserving, atomic writes.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>

#include "core/profile.h"
#include "filebytes.h"

using zelmora::ProfileFile;

namespace {

using zelmora::testing::ReadAll;
using zelmora::testing::WriteAll;

}  // namespace

class TestProfile : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Path(const char* name = "config.ini") const { return dir_.filePath(name); }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    QDir d(dir_.path());
    for (const QString& f : d.entryList(QDir::Files | QDir::Hidden | QDir::System)) d.remove(f);
    QDir(dir_.filePath("dir.ini")).removeRecursively();
  }

  void newFileIsWrittenInWindowsLayout() {
    {
      ProfileFile ini(Path().toStdString());
      QCOMPARE(ini.GetString("Ping", "aktive", "dflt"), std::string("dflt"));
      QVERIFY(ini.WriteString("Ping", "aktive", "1"));
      QVERIFY(ini.WriteString("Ping", "datenmenge", "200"));
      QVERIFY(ini.WriteString("Serverlist", "cqt", "5"));
      QVERIFY(ini.WriteString("Ping", "ymax", "150"));  // joins its section, not the end
      QVERIFY(ini.WriteString("cod", "param", ""));
      QCOMPARE(ini.GetString("Ping", "ymax", ""), std::string("150"));
    }
    QCOMPARE(ReadAll(Path()), std::string("[Ping]\r\naktive=1\r\ndatenmenge=200\r\nymax=150\r\n"
                                          "[Serverlist]\r\ncqt=5\r\n[cod]\r\nparam=\r\n"));
    ProfileFile again(Path().toStdString());
    QCOMPARE(again.GetString("ping", "DATENMENGE", ""), std::string("200"));
    QCOMPARE(again.GetString("cod", "param", "dflt"), std::string(""));  // present but empty
    // No temporary files are left beside it.
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"config.ini"});
  }

  void readsFileWrittenOnWindows() {
    WriteAll(Path(),
             "[ping]\r\n"
             "AKTIVE=0\r\n"
             "  Datenmenge =  300  \r\n"
             "[CODEXEPATH]\r\n"
             "5=C:\\Games\\CoD\\CoDMP.exe\r\n"
             "6=\"C:\\Program Files\\UO\\CoDUOMP.exe\"\r\n"
             "21=\"  padded  \"\r\n"
             "22=\"unbalanced\r\n"
             "115=\"\r\n"
             "117=\"\"\r\n"
             "[ cod ]\r\n"
             "param=+set fs_game \"mods/x\" +exec a.cfg\r\n"
             "[Info]\r\n"
             "x=a=b\r\n");
    ProfileFile ini(Path().toStdString());
    QCOMPARE(ini.GetString("Ping", "aktive", "1"), std::string("0"));
    QCOMPARE(ini.GetString("Ping", "datenmenge", ""), std::string("300"));
    QCOMPARE(ini.GetString("CodExePath", "5", ""), std::string("C:\\Games\\CoD\\CoDMP.exe"));
    QCOMPARE(ini.GetString("CodExePath", "6", ""),
             std::string("C:\\Program Files\\UO\\CoDUOMP.exe"));
    QCOMPARE(ini.GetString("CodExePath", "21", ""), std::string("  padded  "));
    QCOMPARE(ini.GetString("CodExePath", "22", ""), std::string("\"unbalanced"));
    QCOMPARE(ini.GetString("CodExePath", "115", "d"), std::string("\""));
    QCOMPARE(ini.GetString("CodExePath", "117", "d"), std::string(""));
    QCOMPARE(ini.GetString("cod", "param", ""), std::string("+set fs_game \"mods/x\" +exec a.cfg"));
    QCOMPARE(ini.GetString("Info", "x", ""), std::string("a=b"));
    // Names are looked up as whole names, not prefixes.
    QCOMPARE(ini.GetString("Pin", "aktive", "d"), std::string("d"));
    QCOMPARE(ini.GetString("Ping", "aktiv", "d"), std::string("d"));
    QCOMPARE(ini.GetString("Ping", "", "d"), std::string("d"));
    QCOMPARE(ini.GetString("", "aktive", "d"), std::string("d"));
  }

  void lineEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("crlf") << QByteArray("[A]\r\nk=1\r\n\r\n[B]\r\nk=2\r\nlast=x");
    QTest::newRow("lf") << QByteArray("[A]\nk=1\n\n[B]\nk=2\nlast=x\n");
    QTest::newRow("cr") << QByteArray("[A]\rk=1\r\r[B]\rk=2\rlast=x\r");
    QTest::newRow("mixed") << QByteArray("[A]\r\nk=1\n\r[B]\rk=2\r\nlast=x");
  }
  void lineEnds() {
    QFETCH(QByteArray, text);
    WriteAll(Path(), text.toStdString());
    ProfileFile ini(Path().toStdString());
    QCOMPARE(ini.GetString("A", "k", ""), std::string("1"));
    QCOMPARE(ini.GetString("B", "k", ""), std::string("2"));
    QCOMPARE(ini.GetString("B", "last", ""), std::string("x"));
    QVERIFY(ini.WriteString("A", "k", "3"));
    // Rewritten with CR LF everywhere, blank line kept, nothing else changed.
    QCOMPARE(ReadAll(Path()), std::string("[A]\r\nk=3\r\n\r\n[B]\r\nk=2\r\nlast=x\r\n"));
  }

  void unrelatedLinesArePreserved() {
    const std::string original =
        "; Zelmora settings\r\n"
        "stray line without equals\r\n"
        "[Ping]\r\n"
        "  aktive = 1   ; not a comment, part of the value\r\n"
        "\r\n"
        "# hash comment\r\n"
        "Foreign=keep me\r\n"
        "\r\n"
        "; comment that belongs to the next section\r\n"
        "[Other]\r\n"
        "[broken header\r\n"
        "=no key\r\n"
        "z=\xE4\xF6\xFC\r\n";
    WriteAll(Path(), original);
    ProfileFile ini(Path().toStdString());
    QCOMPARE(ini.GetString("Ping", "aktive", ""),
             std::string("1   ; not a comment, part of the value"));
    QCOMPARE(ini.GetString("Other", "z", ""), std::string("\xE4\xF6\xFC"));
    // Replacing a key rewrites only its line, with the key spelled as found.
    QVERIFY(ini.WriteString("PING", "AKTIVE", "0"));
    // A new key goes after the last key of its section, before the blank
    // lines and the comment that lead to the next section.
    QVERIFY(ini.WriteString("ping", "ymax", "200"));
    QVERIFY(ini.WriteString("Other", "y", "1"));
    QVERIFY(ini.WriteString("New", "k", "v"));
    QCOMPARE(ReadAll(Path()), std::string("; Zelmora settings\r\n"
                                          "stray line without equals\r\n"
                                          "[Ping]\r\n"
                                          "aktive=0\r\n"
                                          "\r\n"
                                          "# hash comment\r\n"
                                          "Foreign=keep me\r\n"
                                          "ymax=200\r\n"
                                          "\r\n"
                                          "; comment that belongs to the next section\r\n"
                                          "[Other]\r\n"
                                          "[broken header\r\n"
                                          "=no key\r\n"
                                          "z=\xE4\xF6\xFC\r\n"
                                          "y=1\r\n"
                                          "[New]\r\n"
                                          "k=v\r\n"));
  }

  void unchangedValueLeavesFileAlone() {
    const std::string original = "[A]\nk = 1\n";
    WriteAll(Path(), original);
    ProfileFile ini(Path().toStdString());
    QVERIFY(ini.WriteString("a", "K", "1"));
    QCOMPARE(ReadAll(Path()), original);
    QVERIFY(ini.WriteString("a", "K", "2"));
    QCOMPARE(ReadAll(Path()), std::string("[A]\r\nk=2\r\n"));
  }

  void duplicatesFirstOccurrenceCounts() {
    WriteAll(Path(), "[A]\r\nk=first\r\nk=second\r\n[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=4\r\n");
    ProfileFile ini(Path().toStdString());
    QCOMPARE(ini.GetString("A", "k", ""), std::string("first"));
    QCOMPARE(ini.GetString("A", "m", ""), std::string("4"));  // later block of the same section
    QVERIFY(ini.WriteString("A", "k", "new"));
    QVERIFY(ini.WriteString("A", "m", "5"));
    QVERIFY(ini.WriteString("A", "n", "6"));  // new keys join the first block
    QCOMPARE(
        ReadAll(Path()),
        std::string("[A]\r\nk=new\r\nk=second\r\nn=6\r\n[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=5\r\n"));
    QCOMPARE(ini.GetString("a", "K", ""), std::string("new"));
  }

  void valuesReadBackExactly_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << QByteArray("C:\\Games\\CoD2\\CoD2MP_s.exe")
                           << QByteArray("k=C:\\Games\\CoD2\\CoD2MP_s.exe");
    QTest::newRow("empty") << QByteArray("") << QByteArray("k=");
    QTest::newRow("leading blank") << QByteArray(" +set a 1") << QByteArray("k=\" +set a 1\"");
    QTest::newRow("trailing tab") << QByteArray("x\t") << QByteArray("k=\"x\t\"");
    QTest::newRow("enclosed in quotes")
        << QByteArray("\"a\" \"b\"") << QByteArray("k=\"\"a\" \"b\"\"");
    QTest::newRow("quote inside") << QByteArray("a\"b") << QByteArray("k=a\"b");
    QTest::newRow("single quote char") << QByteArray("\"") << QByteArray("k=\"");
    QTest::newRow("8-bit bytes") << QByteArray("\x80\xA0\xE4\xFF\x01")
                                 << QByteArray("k=\x80\xA0\xE4\xFF\x01");
    QTest::newRow("equals and semicolon") << QByteArray("a=b;c#d") << QByteArray("k=a=b;c#d");
  }
  void valuesReadBackExactly() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, line);
    {
      ProfileFile ini(Path().toStdString());
      QVERIFY(ini.WriteString("S", "k", value.toStdString()));
    }
    QCOMPARE(ReadAll(Path()), "[S]\r\n" + line.toStdString() + "\r\n");
    ProfileFile fresh(Path().toStdString());
    QCOMPARE(fresh.GetString("S", "k", "<default>"), value.toStdString());
  }

  void refusesNamesAndValuesThatWouldInjectLines_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("CR LF in value")
        << QByteArray("Ping") << QByteArray("aktive") << QByteArray("1\r\n[Ping]\r\naktive=0");
    QTest::newRow("LF in value") << QByteArray("Ping") << QByteArray("aktive")
                                 << QByteArray("1\nx=2");
    QTest::newRow("CR in value") << QByteArray("Ping") << QByteArray("aktive")
                                 << QByteArray("1\rx=2");
    QTest::newRow("NUL in value") << QByteArray("Ping") << QByteArray("aktive")
                                  << QByteArray("1\0x", 3);
    QTest::newRow("equals in key") << QByteArray("Ping") << QByteArray("a=b") << QByteArray("1");
    QTest::newRow("key opens section") << QByteArray("Ping") << QByteArray("[x") << QByteArray("1");
    QTest::newRow("key is comment") << QByteArray("Ping") << QByteArray(";x") << QByteArray("1");
    QTest::newRow("empty key") << QByteArray("Ping") << QByteArray("  ") << QByteArray("1");
    QTest::newRow("bracket in section") << QByteArray("a]b") << QByteArray("k") << QByteArray("1");
    QTest::newRow("LF in section") << QByteArray("a\nb") << QByteArray("k") << QByteArray("1");
    QTest::newRow("empty section") << QByteArray("") << QByteArray("k") << QByteArray("1");
  }
  void refusesNamesAndValuesThatWouldInjectLines() {
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    const std::string original = "[Ping]\r\naktive=1\r\n";
    WriteAll(Path(), original);
    ProfileFile ini(Path().toStdString());
    QVERIFY(!ini.WriteString(section.toStdString(), key.toStdString(), value.toStdString()));
    QCOMPARE(ReadAll(Path()), original);
    QCOMPARE(ini.GetString("Ping", "aktive", ""), std::string("1"));
  }

  void followsChangesMadeByOthers() {
    WriteAll(Path(), "[A]\r\nk=1\r\n");
    ProfileFile ini(Path().toStdString());
    QCOMPARE(ini.GetString("A", "k", ""), std::string("1"));
    WriteAll(Path(), "[A]\r\nk=2\r\nother=x\r\n");
    QCOMPARE(ini.GetString("A", "k", ""), std::string("2"));
    QVERIFY(ini.WriteString("A", "k", "3"));
    QCOMPARE(ReadAll(Path()), std::string("[A]\r\nk=3\r\nother=x\r\n"));
    QFile::remove(Path());
    QCOMPARE(ini.GetString("A", "k", "gone"), std::string("gone"));
  }

  void writeFailuresLeaveFileIntact() {
    namespace fs = std::filesystem;
    const std::string original = "[A]\r\nk=1\r\n";
    WriteAll(Path(), original);
    fs::permissions(Path().toStdString(), fs::perms::owner_read | fs::perms::group_read);
    {
      ProfileFile ini(Path().toStdString());
      QVERIFY(!ini.WriteString("A", "k", "2"));
      QCOMPARE(ini.GetString("A", "k", ""), std::string("1"));
    }
    QCOMPARE(ReadAll(Path()), original);
    fs::permissions(Path().toStdString(), fs::perms::owner_read | fs::perms::owner_write);

    // Something that exists but cannot be read as a file is never replaced.
    QVERIFY(QDir(dir_.path()).mkpath("dir.ini/inner"));
    ProfileFile notAFile(dir_.filePath("dir.ini").toStdString());
    QCOMPARE(notAFile.GetString("A", "k", "d"), std::string("d"));
    QVERIFY(!notAFile.WriteString("A", "k", "2"));
    QVERIFY(QFileInfo(dir_.filePath("dir.ini/inner")).isDir());

    ProfileFile nowhere(dir_.filePath("no/such/folder/config.ini").toStdString());
    QCOMPARE(nowhere.GetString("A", "k", "d"), std::string("d"));
    QVERIFY(!nowhere.WriteString("A", "k", "2"));
  }

  void writesThroughSymlink() {
    namespace fs = std::filesystem;
    WriteAll(Path("real.ini"), "[A]\r\nk=1\r\n");
    fs::create_symlink(Path("real.ini").toStdString(), Path().toStdString());
    ProfileFile ini(Path().toStdString());
    QVERIFY(ini.WriteString("A", "k", "2"));
    QVERIFY(fs::is_symlink(Path().toStdString()));
    QCOMPARE(ReadAll(Path("real.ini")), std::string("[A]\r\nk=2\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"
