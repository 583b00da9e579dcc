// Registry lookup of the installed games: the Wine registry file format, the
// mapping of Windows paths into the Wine prefix and the existence rules.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <optional>
#include <string>

#include "core/profile.h"
#include "core/registry.h"
#include "core/settings.h"

using namespace zelmora;

namespace {

void WriteAll(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  QFile f(QString::fromStdString(path));
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
           static_cast<qint64>(bytes.size()));
}

// A system.reg as a 64-bit Wine prefix writes it, with a 32-bit game
// installed (keys below Wow6432Node) and one written by a 32-bit prefix.
const char* const kSystemReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Activision\\\\Call of Duty] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n"
    "\"InstallPath\"=\"C:\\\\Wrong\\\\64-bit view\"\n"
    "\n"
    "[Software\\\\Activision\\\\Call of Duty 2\\\\Extra] 1700000000\n"
    "\"MultiEXEString\"=\"C:\\\\wrong\\\\subkey.exe\"\n"
    "\n"
    "[Software\\\\Wow6432Node\\\\Activision\\\\Call of Duty] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n"
    "\"InstallPath\"=\"C:\\\\Program Files (x86)\\\\Activision\\\\Call of Duty\"\n"
    "\"Version\"=dword:00000005\n"
    "\n"
    "[Software\\\\Wow6432Node\\\\Activision\\\\Call of Duty 2] 1700000000\n"
    "\"MultiEXEString\"=\"C:\\\\Program Files (x86)\\\\Activision\\\\Call of Duty "
    "2\\\\CoD2MP_s.exe\"\n"
    "\n"
    "[Software\\\\Activision\\\\Call of Duty United Offensive] 1700000000\n"
    "\"InstallPath\"=str(2):\"C:\\\\Program Files\\\\Activision\\\\Call of Duty United "
    "Offensive\\\\\"\n";

}  // namespace

class TestRegistry : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string prefix_;
  QByteArray savedPrefix_, savedHome_;
  bool hadPrefix_ = false, hadHome_ = false;

  std::string DriveC(const std::string& rest) const { return prefix_ + "/drive_c/" + rest; }

 private slots:
  void initTestCase() {
    hadPrefix_ = qEnvironmentVariableIsSet("WINEPREFIX");
    savedPrefix_ = qgetenv("WINEPREFIX");
    hadHome_ = qEnvironmentVariableIsSet("HOME");
    savedHome_ = qgetenv("HOME");
  }
  void cleanupTestCase() {
    if (hadPrefix_)
      qputenv("WINEPREFIX", savedPrefix_);
    else
      qunsetenv("WINEPREFIX");
    if (hadHome_)
      qputenv("HOME", savedHome_);
    else
      qunsetenv("HOME");
  }
  void init() {
    QVERIFY(dir_.isValid());
    prefix_ = dir_.filePath("prefix").toStdString();
    std::filesystem::remove_all(prefix_);
    std::filesystem::create_directories(prefix_ + "/drive_c");
    qputenv("WINEPREFIX", QByteArray::fromStdString(prefix_));
  }

  void registryTextFormat() {
    const std::string reg =
        "WINE REGISTRY Version 2\r\n"
        "[Software\\\\Test] 1\r\n"
        "\"Esc\"=\"a\\\\b \\\"q\\\" \\x00e4\\x20ac\\x4e2d\\101\\xe4z\\tT\"\r\n"
        "@=\"the default\"\r\n"
        "\"Quoted \\\"name\\\"\"=\"v\"\r\n"
        "\"Expand\"=str(2):\"%ProgramFiles%\\\\x\"\r\n"
        "\"Sz1\"=str(1):\"one\"\r\n"
        "\"Multi\"=str(7):\"a\\0b\"\r\n"
        "\"Dword\"=dword:00000001\r\n"
        "\"Hex\"=hex(2):41,00,00,00\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Unterminated\"=\"abc\r\n"
        "[Software\\\\Test\\\\Sub] 1\r\n"
        "\"Deeper\"=\"sub\"\r\n"
        "[Software\\\\Broken\r\n"
        "\"Deeper\"=\"broken\"\r\n";
    auto look = [&](const char* key, const char* value) {
      return LookupWineRegistry(reg, key, value);
    };
    using S = std::optional<std::string>;
    QCOMPARE(look("Software\\Test", "Esc"), S(std::string("a\\b \"q\" \xE4\x80?A\xE4z\tT")));
    QCOMPARE(look("\\SOFTWARE\\test", "esc"), look("Software\\Test", "Esc"));  // names ignore case
    QCOMPARE(look("\\\\Software\\\\Test\\", "Esc"), look("Software\\Test", "Esc"));
    QCOMPARE(look("Software\\Test", ""), S("the default"));
    QCOMPARE(look("Software\\Test", "Quoted \"name\""), S("v"));
    QCOMPARE(look("Software\\Test", "Expand"), S("%ProgramFiles%\\x"));  // not expanded
    QCOMPARE(look("Software\\Test", "Sz1"), S("one"));
    QCOMPARE(look("Software\\Test", "Empty"), S(""));
    QCOMPARE(look("Software\\Test", "Multi"), S());
    QCOMPARE(look("Software\\Test", "Dword"), S());
    QCOMPARE(look("Software\\Test", "Hex"), S());
    QCOMPARE(look("Software\\Test", "Unterminated"), S());
    QCOMPARE(look("Software\\Test", "Missing"), S());
    QCOMPARE(look("Software\\Test", "Deeper"), S());  // only in the subkey
    QCOMPARE(look("Software\\Test\\Sub", "Deeper"), S("sub"));
    QCOMPARE(look("Software\\Tes", "Esc"), S());  // whole names, not prefixes
    QCOMPARE(look("Software\\Broken", "Deeper"), S());
    QCOMPARE(look("", "Esc"), S());
  }

  void thirtyTwoBitViewFirst() {
    QCOMPARE(LookupWineRegistry(kSystemReg, "\\Software\\Activision\\Call of Duty", "InstallPath"),
             std::optional<std::string>("C:\\Program Files (x86)\\Activision\\Call of Duty"));
    // A key only in the plain view (32-bit prefix) is found there.
    QCOMPARE(LookupWineRegistry(kSystemReg, "\\Software\\Activision\\Call of Duty United Offensive",
                                "InstallPath"),
             std::optional<std::string>(
                 "C:\\Program Files\\Activision\\Call of Duty United Offensive\\"));
    // The 32-bit key lacks the value: the plain key is asked next.
    const std::string reg =
        "[Software\\\\Wow6432Node\\\\X] 1\n\"A\"=\"wow\"\n[Software\\\\X] "
        "1\n\"A\"=\"plain\"\n\"B\"=\"only "
        "plain\"\n";
    QCOMPARE(LookupWineRegistry(reg, "Software\\X", "A"), std::optional<std::string>("wow"));
    QCOMPARE(LookupWineRegistry(reg, "Software\\X", "B"), std::optional<std::string>("only plain"));
    QCOMPARE(LookupWineRegistry(reg, "Software\\Wow6432Node\\X", "B"),
             std::optional<std::string>());
  }

  void readsPrefixSystemReg() {
    QCOMPARE(ReadRegistryString("\\Software\\Activision\\Call of Duty 2", "MultiEXEString"),
             std::optional<std::string>());  // no system.reg yet
    WriteAll(prefix_ + "/system.reg", kSystemReg);
    QCOMPARE(ReadRegistryString("\\Software\\Activision\\Call of Duty 2", "MultiEXEString"),
             std::optional<std::string>(
                 "C:\\Program Files (x86)\\Activision\\Call of Duty 2\\CoD2MP_s.exe"));
    qunsetenv("WINEPREFIX");
    qputenv("HOME", dir_.path().toUtf8());
    QCOMPARE(WinePrefix(), dir_.filePath(".wine").toStdString());
    QCOMPARE(ReadRegistryString("\\Software\\Activision\\Call of Duty 2", "MultiEXEString"),
             std::optional<std::string>());
    qunsetenv("HOME");
    QCOMPARE(WinePrefix(), std::string());
    QCOMPARE(WindowsPathToHost("C:\\x.exe"), std::string());
  }

  void windowsPathsMapIntoThePrefix() {
    std::filesystem::create_directories(DriveC("Program Files/Activision"));
    QCOMPARE(WindowsPathToHost("C:\\Games\\CoD\\CoDMP.exe"), DriveC("Games/CoD/CoDMP.exe"));
    QCOMPARE(WindowsPathToHost("c:/Games//x\\.\\y\\..\\z.exe"), DriveC("Games/x/z.exe"));
    QCOMPARE(WindowsPathToHost("C:\\..\\..\\etc\\passwd"), DriveC("etc/passwd"));  // stays inside
    QCOMPARE(WindowsPathToHost("C:\\"), prefix_ + "/drive_c");
    QCOMPARE(WindowsPathToHost("D:\\Spiele\\x.exe"), prefix_ + "/dosdevices/d:/Spiele/x.exe");
    // Windows names ignore case; the host's spelling is used where it exists.
    QCOMPARE(WindowsPathToHost("C:\\PROGRAM FILES\\activision\\New\\x.exe"),
             DriveC("Program Files/Activision/New/x.exe"));
    // Windows-1252 names are UTF-8 on the host.
    std::filesystem::create_directories(DriveC("Spiele/M\xC3\xA4nner"));
    QCOMPARE(WindowsPathToHost("C:\\spiele\\m\xE4nner\\a.exe"), DriveC("Spiele/M\xE4nner/a.exe"));
    for (const char* bad :
         {"Games\\x.exe", "\\\\server\\share\\x.exe", "C:", "C:x.exe", "1:\\x", ""})
      QCOMPARE(WindowsPathToHost(bad), std::string());
  }

  void findsInstalledGames() {
    WriteAll(prefix_ + "/system.reg", kSystemReg);
    // Nothing installed on disk: CoD2's value counts anyway, the others not.
    GameExecutables found = FindGameExecutables();
    QCOMPARE(found.cod2, DriveC("Program Files (x86)/Activision/Call of Duty 2/CoD2MP_s.exe"));
    QCOMPARE(found.cod1, std::string());
    QCOMPARE(found.coduo, std::string());

    // CoD1 installed; UO's folder exists but spelled in other letter case,
    // and its executable is missing.
    WriteAll(DriveC("Program Files (x86)/Activision/Call of Duty/CoDMP.exe"), "MZ");
    std::filesystem::create_directories(
        DriveC("program files/activision/call of duty united offensive"));
    found = FindGameExecutables();
    QCOMPARE(found.cod1, DriveC("Program Files (x86)/Activision/Call of Duty/CoDMP.exe"));
    QCOMPARE(found.coduo, std::string());
    // A folder of the executable's name is no executable.
    std::filesystem::create_directories(
        DriveC("program files/activision/call of duty united offensive/CoDUOMP.exe"));
    QCOMPARE(FindGameExecutables().coduo, std::string());
    std::filesystem::remove(
        DriveC("program files/activision/call of duty united offensive/CoDUOMP.exe"));
    WriteAll(DriveC("program files/activision/call of duty united offensive/coduomp.exe"), "MZ");
    QCOMPARE(FindGameExecutables().coduo,
             DriveC("program files/activision/call of duty united offensive/coduomp.exe"));
  }

  void installedGamesFillTheSettings() {
    WriteAll(prefix_ + "/system.reg", kSystemReg);
    WriteAll(DriveC("Program Files (x86)/Activision/Call of Duty/CoDMP.exe"), "MZ");
    const std::string ini = dir_.filePath("config.ini").toStdString();
    std::filesystem::remove(ini);
    SettingsStore store;
    ProfileFile file(ini);
    QVERIFY(store.LoadAndComplete(file, FindGameExecutables()));
    const Settings s = store.Snapshot();
    const std::string cod1 = DriveC("Program Files (x86)/Activision/Call of Duty/CoDMP.exe");
    QCOMPARE(ExecutableForProtocol(s, 5), cod1);
    QCOMPARE(ExecutableForProtocol(s, 6), cod1);
    QCOMPARE(ExecutableForProtocol(s, 21), std::string());
    QCOMPARE(ExecutableForProtocol(s, 117),
             DriveC("Program Files (x86)/Activision/Call of Duty 2/CoD2MP_s.exe"));
    QCOMPARE(file.GetString("CodExePath", "21", "?"), cod1);
    QCOMPARE(file.GetString("CodExePath", "6", "?"), std::string());
  }

  void codePageConversions() {
    QCOMPARE(AnsiToUtf8("a\x80\xE4\xFF"), std::string("a\xE2\x82\xAC\xC3\xA4\xC3\xBF"));
    QCOMPARE(Utf8ToAnsi("a\xE2\x82\xAC\xC3\xA4\xC3\xBF"),
             std::optional<std::string>("a\x80\xE4\xFF"));
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    QCOMPARE(Utf8ToAnsi(AnsiToUtf8(all)),
             std::optional<std::string>(all));                           // every byte round-trips
    QCOMPARE(Utf8ToAnsi("\xE4\xB8\xAD"), std::optional<std::string>());  // not in the code page
    QCOMPARE(Utf8ToAnsi("\xC3"), std::optional<std::string>());          // cut short
    QCOMPARE(Utf8ToAnsi("\xC0\xAF"), std::optional<std::string>());      // overlong '/'
    QCOMPARE(Utf8ToAnsi("\xA4"), std::optional<std::string>());          // stray continuation
  }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
