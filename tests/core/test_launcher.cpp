// Starting the game client: the split of the Windows command line into
// arguments, and the start itself through a fake "wine" put first on PATH
// that records what it was given (arguments, working folder, WINEPREFIX,
// session and parent, open files). No real game or Wine is ever started.
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/launcher.h"
#include "testfiles.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::WriteBytes;

using Strings = std::vector<std::string>;

namespace {

// How Wine turns its argument vector back into a Windows command line: an
// argument with a blank or tab, or an empty one, goes in double quotes;
// backslashes before a double quote (and before the closing quote) are
// doubled and the quote escaped. Written out here to check that our split
// is its inverse.
std::string WineCommandLine(const Strings& args) {
  std::string line;
  for (const std::string& a : args) {
    const bool space = a.empty() || a.find_first_of(" \t") != std::string::npos;
    if (!line.empty()) line += ' ';
    if (space) line += '"';
    std::size_t slashes = 0;
    for (char c : a) {
      if (c == '\\') {
        ++slashes;
      } else {
        if (c == '"') line.append(slashes + 1, '\\');
        slashes = 0;
      }
      line += c;
    }
    if (space) {
      line.append(slashes, '\\');
      line += '"';
    }
  }
  return line;
}

Strings SplitNul(const std::string& bytes) {
  Strings out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\0') {
      out.push_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

std::string Field(const std::string& info, const std::string& key) {
  const std::string tag = key + "=";
  std::size_t at = info.find(tag);
  if (at == std::string::npos) return "<none>";
  at += tag.size();
  return info.substr(at, info.find('\n', at) - at);
}

void MakeExecutable(const std::string& path, const std::string& text) {
  WriteBytes(path, text);
  QCOMPARE(::chmod(path.c_str(), 0755), 0);
}

// A recorder script: its arguments NUL-separated to args, the rest to info
// (written last, so info appearing means the run is complete).
std::string RecorderScript(const std::string& dir) {
  return "#!/bin/sh\n"
         "printf '%s\\0' \"$@\" > '" +
         dir +
         "/args'\n"
         "{\n"
         "  printf 'argv0=%s\\n' \"$0\"\n"
         "  printf 'cwd=%s\\n' \"$(pwd)\"\n"
         "  printf 'prefix=%s\\n' \"${WINEPREFIX-<unset>}\"\n"
         "  printf 'pid=%s\\n' \"$$\"\n"
         "  printf 'stat=%s\\n' \"$(cat /proc/$$/stat)\"\n"
         "  printf 'fds=%s\\n' \"$(ls -l /proc/$$/fd | tr '\\n' ' ')\"\n"
         "} > '" +
         dir +
         "/info.tmp'\n"
         "mv '" +
         dir + "/info.tmp' '" + dir + "/info'\n";
}

// Fields 4 (parent) and 6 (session) of /proc/<pid>/stat.
void ParentAndSession(const std::string& stat, long* ppid, long* sid) {
  const std::string rest = stat.substr(stat.rfind(')') + 2);
  char state = 0;
  long pgrp = 0;
  QCOMPARE(std::sscanf(rest.c_str(), "%c %ld %ld %ld", &state, ppid, &pgrp, sid), 4);
}

class PathGuard {
 public:
  explicit PathGuard(const std::string& path) {
    const char* old = std::getenv("PATH");
    had_ = old != nullptr;
    if (old) old_ = old;
    ::setenv("PATH", path.c_str(), 1);
  }
  ~PathGuard() {
    if (had_)
      ::setenv("PATH", old_.c_str(), 1);
    else
      ::unsetenv("PATH");
  }

 private:
  bool had_ = false;
  std::string old_;
};

}  // namespace

class TestLauncher : public QObject {
  Q_OBJECT

 private slots:
  void split_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("join line") << "+connect \"1.2.3.4:28960\" +password \"\" +name \"Big Bob\" "
                               << QStringList{"+connect", "1.2.3.4:28960", "+password",
                                              "",         "+name",         "Big Bob"};
    QTest::newRow("extra params") << "+name \"B\" +set fs_game  mods/x\t+exec a.cfg"
                                  << QStringList{"+name",  "B",     "+set", "fs_game",
                                                 "mods/x", "+exec", "a.cfg"};
    QTest::newRow("quoted part inside") << "a\"b c\"d e" << QStringList{"ab cd", "e"};
    QTest::newRow("backslashes literal")
        << "C:\\a\\b\\ x\\\\" << QStringList{"C:\\a\\b\\", "x\\\\"};
    QTest::newRow("odd backslashes + quote") << "a\\\"b c" << QStringList{"a\"b", "c"};
    QTest::newRow("even backslashes + quote") << "a\\\\\"b c\" d" << QStringList{"a\\b c", "d"};
    QTest::newRow("three + quote") << "a\\\\\\\"b" << QStringList{"a\\\"b"};
    // "" inside a quoted part: one literal quote, and the part ends there.
    QTest::newRow("doubled quote in quotes") << "a\"b\"\" c d" << QStringList{"ab\"", "c", "d"};
    QTest::newRow("doubled quote, then more") << "\"a\"\"b\" c" << QStringList{"a\"b c"};
    QTest::newRow("quote in name as typed") << "+name \"a\"b\" +x" << QStringList{"+name", "ab +x"};
    QTest::newRow("only blanks") << "  \t " << QStringList{};
    QTest::newRow("unterminated") << "\"a b" << QStringList{"a b"};
  }
  void split() {
    QFETCH(QString, line);
    QFETCH(QStringList, args);
    Strings expected;
    for (const QString& a : args) expected.push_back(a.toStdString());
    QCOMPARE(SplitWindowsCommandLine(line.toStdString()), expected);
  }

  void splitInvertsWinesQuoting() {
    // Whatever arguments our split produces, Wine rebuilds a line that
    // splits into exactly them again: the game's runtime sees our argv.
    const std::vector<Strings> cases = {
        {"+connect", "1.2.3.4:28960", "+password", "", "+name", "Big Bob"},
        {"a\"b", "c d\"e", "\\", "x\\", "x\\\\\"", "tab\there", "\\\\server\\share\\"},
        {"", "", "J\xe4ger \xff", "a b\\", "a b\\\\"},
    };
    for (const Strings& args : cases)
      QCOMPARE(SplitWindowsCommandLine(WineCommandLine(args)), args);
  }

  void names() {
    QVERIFY(IsWindowsExecutable("/g/CoDMP.exe"));
    QVERIFY(IsWindowsExecutable("C:\\G\\CODUOMP.EXE"));
    QVERIFY(IsWindowsExecutable("x.ExE"));
    QVERIFY(!IsWindowsExecutable("/g/codmp"));
    QVERIFY(!IsWindowsExecutable("/g/exe"));
    QVERIFY(!IsWindowsExecutable("/g/a.exe.sh"));
    QCOMPARE(FolderOf("/games/Call of Duty/CoDMP.exe"), std::string("/games/Call of Duty/"));
    QCOMPARE(FolderOf("/CoDMP.exe"), std::string("/"));
    QCOMPARE(FolderOf("CoDMP.exe"), std::string());
  }

  void existingFile() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    std::filesystem::create_directory(base + "/J\xc3\xa4ger");  // UTF-8 on disk
    WriteBytes(base + "/J\xc3\xa4ger/CoDMP.exe", "MZ");
    QVERIFY(IsExistingFile(base + "/J\xe4ger/CoDMP.exe"));  // Windows-1252 as stored
    QVERIFY(!IsExistingFile(base + "/J\xe4ger"));           // a folder is no file
    QVERIFY(!IsExistingFile(base + "/J\xe4ger/CoD2MP_s.exe"));
    QVERIFY(!IsExistingFile(""));
  }

  void startsThroughWine() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string bin = base + "/bin";
    std::filesystem::create_directory(bin);
    MakeExecutable(bin + "/wine", RecorderScript(base));
    // The game's folder has a blank and an umlaut; the .exe is a dummy.
    const std::string gameUtf8 = base + "/Call of Duty J\xc3\xa4ger";
    std::filesystem::create_directory(gameUtf8);
    WriteBytes(gameUtf8 + "/CoDMP.exe", "MZ");
    const std::string exe = base + "/Call of Duty J\xe4ger/CoDMP.exe";

    PathGuard path(bin + ":/usr/bin:/bin");
    ::setenv("WINEPREFIX", (base + "/prefix").c_str(), 1);
    // An open file of ours that must not reach the game.
    const std::string marker = base + "/zelmora-private-marker";
    const int fd = ::open(marker.c_str(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);

    const std::string line =
        "+connect \"127.0.0.1:28960\" +password \"\" +name \"Big \xe4\" +set fs_game mods/x";
    const LaunchResult r = StartDetached(exe, line, FolderOf(exe));
    ::close(fd);
    ::unsetenv("WINEPREFIX");
    QCOMPARE(int(r.status), int(LaunchStatus::kStarted));
    // The start process has been reaped and the game is not our child.
    errno = 0;
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);

    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(base + "/info"), 10000);
    const std::string info = ReadBytes(base + "/info");
    QCOMPARE(SplitNul(ReadBytes(base + "/args")),
             (Strings{gameUtf8 + "/CoDMP.exe", "+connect", "127.0.0.1:28960", "+password", "",
                      "+name", "Big \xc3\xa4", "+set", "fs_game", "mods/x"}));
    QCOMPARE(Field(info, "argv0"), bin + "/wine");
    QCOMPARE(Field(info, "cwd"), gameUtf8);
    QCOMPARE(Field(info, "prefix"), base + "/prefix");
    long ppid = 0;
    long sid = 0;
    ParentAndSession(Field(info, "stat"), &ppid, &sid);
    // A session of its own (led by the start process that has already
    // ended), not ours; and we are not its parent.
    QVERIFY(sid != ::getsid(0));
    QVERIFY(sid != ::getpid());
    QVERIFY(ppid != ::getpid());
    QVERIFY2(Field(info, "fds").find("zelmora-private-marker") == std::string::npos,
             Field(info, "fds").c_str());
  }

  void startsOtherProgramsDirectly() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string exe = base + "/cod_lnxded";
    MakeExecutable(exe, RecorderScript(base));
    PathGuard path(base + "/nowhere:/usr/bin:/bin");  // no wine needed for this one
    const LaunchResult r = StartDetached(exe, "+name \"A B\" ", FolderOf(exe));
    QCOMPARE(int(r.status), int(LaunchStatus::kStarted));
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(base + "/info"), 10000);
    QCOMPARE(SplitNul(ReadBytes(base + "/args")), (Strings{"+name", "A B"}));
    QCOMPARE(Field(ReadBytes(base + "/info"), "argv0"), exe);
  }

  void failures() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    WriteBytes(base + "/CoDMP.exe", "MZ");
    {
      // No wine anywhere on PATH: reported as such, nothing started.
      PathGuard path(base + "/empty1:" + base + "/empty2");
      const LaunchResult r = StartDetached(base + "/CoDMP.exe", "+name \"x\" ", base + "/");
      QCOMPARE(int(r.status), int(LaunchStatus::kWineMissing));
      QVERIFY(FindInPath("wine").empty());
    }
    // A program that cannot be executed, a folder that does not exist.
    WriteBytes(base + "/notexec", "#!/bin/sh\n");
    LaunchResult r = StartDetached(base + "/notexec", "", base + "/");
    QCOMPARE(int(r.status), int(LaunchStatus::kFailed));
    QVERIFY2(r.error.find("notexec") != std::string::npos, r.error.c_str());
    MakeExecutable(base + "/prog", "#!/bin/sh\n");
    r = StartDetached(base + "/prog", "", base + "/missing/");
    QCOMPARE(int(r.status), int(LaunchStatus::kFailed));
    QVERIFY2(r.error.find("missing") != std::string::npos, r.error.c_str());
    errno = 0;
    QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);
  }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "test_launcher.moc"
