// Servers.dat load/save, status resets and the writable check at start-up.
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/paths.h"
#include "core/serverfile.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::PatternBytes;
using zelmora::testing::ReadBytes;
using zelmora::testing::U8;
using zelmora::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

Tserverrec MakeRec(int i) {
  Tserverrec r;
  r.port.assign(std::to_string(28960 + i));
  r.host.assign("192.0.2." + std::to_string(i));
  r.rconpass.assign("secret" + std::to_string(i));
  r.provider.assign("host" + std::to_string(i) + ".example;de;Deutschland");
  r.sendtime = 1000.25 * (i + 1);
  r.ping = 40 + i;
  r.players = 3 + i;
  r.privateclients = 2;
  r.maxclients = 20;
  r.protocol = 118;
  r.shortversion.assign("1.3");
  r.hostname.assign("^1Server " + std::to_string(i));
  r.mapinfo.assign("^2dm ^0mp_carentan");
  r.spare.assign("spare");
  r.spareflag = 1;
  r.killcam = 1;
  r.friendlyfire = 1;
  r.voice = 1;
  r.passworded = 1;
  r.punkbuster = 1;
  r.lastreply = 500000u + static_cast<unsigned>(i);
  return r;
}

std::string Image(const Tserverrec& r) {
  std::string s(kServerRecSize, '\0');
  EncodeServerRec(r, reinterpret_cast<std::uint8_t*>(s.data()));
  return s;
}

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

class TestServerFile : public QObject {
  Q_OBJECT

 private slots:
  void dataPath() {
    SetDataDir("/tmp/zelmora-data");
    QCOMPARE(DataDir(), std::string("/tmp/zelmora-data/"));
    QCOMPARE(DataPath("Servers.dat"), std::string("/tmp/zelmora-data/Servers.dat"));
    SetDataDir("/opt/z/");
    QCOMPARE(DataPath("Guids.dat"), std::string("/opt/z/Guids.dat"));
  }

  void missingFileGivesEmptyList() {
    QTemporaryDir dir;
    Tserverlist list{MakeRec(1)};
    std::string err;
    QVERIFY(LoadServers(dir.filePath("Servers.dat").toStdString(), list, &err));
    QVERIFY(list.empty());
  }

  // n whole records plus k stray bytes load n entries; provider is emptied
  // (length byte only), everything else is as stored.
  void partialRecordIgnored_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("k");
    QTest::newRow("0+0") << 0 << 0;
    QTest::newRow("0+2042") << 0 << 2042;
    QTest::newRow("1+1") << 1 << 1;
    QTest::newRow("3+1000") << 3 << 1000;
    QTest::newRow("2+2042") << 2 << 2042;
  }
  void partialRecordIgnored() {
    QFETCH(int, n);
    QFETCH(int, k);
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    std::string file;
    for (int i = 0; i < n; ++i) file += Image(MakeRec(i));
    file += PatternBytes(static_cast<std::size_t>(k), 77);
    WriteBytes(path, file);

    Tserverlist list;
    std::string err;
    QVERIFY2(LoadServers(path, list, &err), err.c_str());
    QCOMPARE(int(list.size()), n);
    for (int i = 0; i < n; ++i) {
      QCOMPARE(int(list[i].provider.len), 0);
      Tserverrec expected = MakeRec(i);
      expected.provider.clear();
      QCOMPARE(Image(list[i]), Image(expected));
      QCOMPARE(list[i].hostname.str(), "^1Server " + std::to_string(i));
    }
  }

  void saveWritesExactImages() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    Tserverlist list;
    for (int i = 0; i < 3; ++i) list.push_back(MakeRec(i));
    // Leftovers behind a shortened text are part of the image.
    list[1].hostname.assign("short");
    std::string err;
    QVERIFY2(SaveServers(path, list, &err), err.c_str());
    const std::string file = ReadBytes(path);
    QCOMPARE(file.size(), 3 * kServerRecSize);
    QCOMPARE(file, Image(list[0]) + Image(list[1]) + Image(list[2]));
    QCOMPARE(int(file[kServerRecSize + 1280]), 5);
    QCOMPARE(file.substr(kServerRecSize + 1281, 10), std::string("shortver 1"));

    Tserverlist back;
    QVERIFY(LoadServers(path, back, &err));
    QCOMPARE(back.size(), std::size_t(3));
    QCOMPARE(back[2].rconpass.str(), std::string("secret2"));
    QCOMPARE(back[2].provider.size(), std::size_t(0));
    // The provider bytes stay in the record; only the length byte is reset.
    QCOMPARE(back[2].provider.data[0], 'h');
  }

  void emptyListSavesEmptyFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    WriteBytes(path, Image(MakeRec(1)));
    std::string err;
    QVERIFY(SaveServers(path, {}, &err));
    QVERIFY(fs::exists(path));
    QCOMPARE(fs::file_size(path), std::uintmax_t(0));
  }

  void loadErrorReported() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    fs::create_directory(path);  // a directory cannot be read as the file
    Tserverlist list{MakeRec(4)};
    std::string err;
    QVERIFY(!LoadServers(path, list, &err));
    QVERIFY(err.find(path) != std::string::npos);
    QCOMPARE(list.size(), std::size_t(1));  // untouched
  }

#ifndef _WIN32
  // A new Servers.dat is the owner's alone (it holds rcon passwords); one
  // that is replaced keeps the mode the operator gave it.
  void savedFileModes() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    std::string err;
    QVERIFY(SaveServers(path, {MakeRec(1)}, &err));
    struct stat st {};
    QCOMPARE(stat(path.c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QCOMPARE(chmod(path.c_str(), 0640), 0);
    QVERIFY(SaveServers(path, {MakeRec(2)}, &err));
    QCOMPARE(stat(path.c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0640);
  }

  // The disk fills up in the middle of the save: the old file keeps its
  // contents, the error is reported, no temporary file is left behind.
  void failedWriteKeepsOldFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    const std::string old = Image(MakeRec(9));
    WriteBytes(path, old);
    const auto before = DirEntries(dir.path().toStdString());

    Tserverlist list;
    for (int i = 0; i < 5; ++i) list.push_back(MakeRec(i));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;  // room for two records, not five
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string err;
    const bool ok = SaveServers(path, list, &err);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    QVERIFY(!ok);
    QVERIFY2(err.find(path) != std::string::npos, err.c_str());
    QCOMPARE(ReadBytes(path), old);
    QCOMPARE(DirEntries(dir.path().toStdString()), before);
  }

  void readOnlyFolderKeepsOldFile() {
    if (geteuid() == 0) QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    const std::string old = Image(MakeRec(3));
    WriteBytes(path, old);
    QCOMPARE(chmod(dir.path().toLocal8Bit().constData(), 0555), 0);
    std::string err;
    const bool ok = SaveServers(path, {MakeRec(1), MakeRec(2)}, &err);
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    QVERIFY(!ok);
    QVERIFY(!err.empty());
    QCOMPARE(ReadBytes(path), old);
  }
#endif

  void directoryInTheWay() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    fs::create_directory(path);
    WriteBytes(path + "/keep.txt", "keep");
    const auto before = DirEntries(dir.path().toStdString());
    std::string err;
    QVERIFY(!SaveServers(path, {MakeRec(1)}, &err));
    QVERIFY2(err.find(path) != std::string::npos, err.c_str());
    QVERIFY(fs::is_directory(path));
    QCOMPARE(ReadBytes(path + "/keep.txt"), std::string("keep"));
    QCOMPARE(DirEntries(dir.path().toStdString()), before);
  }

  void missingFolderReported() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("no/such/Servers.dat").toStdString();
    std::string err;
    QVERIFY(!SaveServers(path, {MakeRec(1)}, &err));
    QVERIFY(!err.empty());
  }

  void resetServerStatus() {
    Tserverlist list{MakeRec(1), MakeRec(2)};
    list[0].lastreply = 77;
    ResetServerStatus(list);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Tserverrec& e = list[i];
      const Tserverrec orig = MakeRec(int(i) + 1);
      QCOMPARE(e.ping, -1);
      QCOMPARE(e.players, -1);
      QCOMPARE(e.privateclients, -1);
      QCOMPARE(e.maxclients, -1);
      QCOMPARE(int(e.protocol), 0);
      QVERIFY(e.shortversion.empty());
      QVERIFY(e.mapinfo.empty());
      QCOMPARE(int(e.spareflag), 0);
      QCOMPARE(int(e.killcam), 0);
      QCOMPARE(int(e.friendlyfire), 0);
      QCOMPARE(int(e.voice), 0);
      QCOMPARE(int(e.passworded), 0);
      QCOMPARE(int(e.punkbuster), 0);
      // kept
      QCOMPARE(e.provider.str(), orig.provider.str());
      QCOMPARE(e.hostname.str(), orig.hostname.str());
      QCOMPARE(e.sendtime, orig.sendtime);
      QCOMPARE(e.host.str(), orig.host.str());
      QCOMPARE(e.port.str(), orig.port.str());
      QCOMPARE(e.rconpass.str(), orig.rconpass.str());
      QCOMPARE(e.spare.str(), orig.spare.str());
    }
    QCOMPARE(list[0].lastreply, 77u);
    QCOMPARE(list[1].lastreply, MakeRec(2).lastreply);
  }

  void startupReset() {
    Tserverlist list{MakeRec(1), MakeRec(2)};
    ApplyStartupReset(list);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Tserverrec& e = list[i];
      const Tserverrec orig = MakeRec(int(i) + 1);
      QCOMPARE(e.ping, 0);
      QCOMPARE(e.players, 0);
      QCOMPARE(e.privateclients, 0);
      QCOMPARE(e.maxclients, 0);
      QCOMPARE(int(e.protocol), 0);
      QVERIFY(e.shortversion.empty());
      QVERIFY(e.mapinfo.empty());
      QCOMPARE(int(e.spareflag), 0);
      QCOMPARE(int(e.killcam), 0);
      QCOMPARE(int(e.friendlyfire), 0);
      QCOMPARE(int(e.voice), 0);
      QCOMPARE(int(e.passworded), 0);
      // kept at start-up
      QCOMPARE(int(e.punkbuster), 1);
      QCOMPARE(e.hostname.str(), orig.hostname.str());
      QCOMPARE(e.sendtime, orig.sendtime);
      QCOMPARE(e.lastreply, orig.lastreply);
      QCOMPARE(e.rconpass.str(), orig.rconpass.str());
    }
  }

#ifndef _WIN32
  void writableCheck() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    WriteBytes(dir + "/config.ini", "[x]\r\n");
    WriteBytes(dir + "/Servers.dat", "");
    WriteBytes(dir + "/names.txt", "a\r\n");
    chmod((dir + "/config.ini").c_str(), 0444);
    chmod((dir + "/Servers.dat").c_str(), 0400);
    chmod((dir + "/names.txt").c_str(), 0640);

    QCOMPARE(MakeDataFilesWritable(dir), std::vector<std::string>{});
    struct stat st {};
    stat((dir + "/config.ini").c_str(), &st);
    QCOMPARE(int(st.st_mode & 0777), 0644);
    stat((dir + "/Servers.dat").c_str(), &st);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    stat((dir + "/names.txt").c_str(), &st);
    QCOMPARE(int(st.st_mode & 0777), 0640);    // already writable: untouched
    QVERIFY(!fs::exists(dir + "/Guids.dat"));  // missing files are not created
  }

  // Files whose permissions cannot be changed (here: kernel files that even
  // root may not chmod) are reported one by one, in the fixed file order.
  void writableCheckReportsFailures() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    struct stat st {};
    if (stat("/proc/self/status", &st) != 0 || (st.st_mode & 0200))
      QSKIP("needs a read-only /proc");
    fs::create_symlink("/proc/self/status", dir + "/weaponcfg.txt");
    fs::create_symlink("/proc/self/status", dir + "/Guids.dat");
    WriteBytes(dir + "/Ranges.dat", "");
    chmod((dir + "/Ranges.dat").c_str(), 0444);

    const std::vector<std::string> expected{
        "Fehler: " + dir +
            "/Guids.dat ist schreibgeschützt! Änderungen an dieser Datei werden nicht gespeichert.",
        "Fehler: " + dir +
            "/weaponcfg.txt ist schreibgeschützt! Änderungen an dieser Datei werden nicht "
            "gespeichert."};
    QCOMPARE(MakeDataFilesWritable(dir), expected);
    QCOMPARE(MakeDataFilesWritable(dir + "/"), expected);
    stat((dir + "/Ranges.dat").c_str(), &st);
    QVERIFY(st.st_mode & 0200);  // the others are still handled
  }
#endif
};

QTEST_APPLESS_MAIN(TestServerFile)
#include "test_serverfile.moc"
