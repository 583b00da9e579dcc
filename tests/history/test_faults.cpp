// Spieler.sqlite in trouble, each situation made for real: a lock held by
// another program (at the start and while running), a read-only file, a
// file of garbage, a file cut in half, another program's database, one of a
// newer version, a full disk (a size limit). The program goes on, the
// operator is told once in German, a damaged file is moved aside and never
// deleted, and the end never hangs.
#include <QtTest>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <future>
#include <thread>

#include "history/playerhistory.h"
#include "historytestutil.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::Count;
using zelmora::testing::Folder;
using zelmora::testing::PatternBytes;
using zelmora::testing::ReadBytes;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;
using zelmora::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

const std::string kA = "127.0.0.1:28960";
const std::string kNotKept = "Der Spielerverlauf wird diesmal nicht geführt.";

HistoryOptions Quick() {
  HistoryOptions o = TestOptions();
  o.busyTimeoutMs = 50;
  o.lockGiveUpMs = 1500;
  return o;
}

// A history with a few hundred players, closed (log checkpointed).
void MakeHistory(const std::string& folder, int players) {
  PlayerHistory h(folder, TestOptions());
  QVERIFY(h.Open().keeping);
  for (int i = 0; i < players; ++i)
    h.RecordTable(kA, "A",
                  {Row("0", "Player" + std::to_string(i), std::to_string(1000 + i),
                       "127.0.0.1:" + std::to_string(i))},
                  1000 + i);
  QVERIFY(h.Flush());
}

std::string Today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

#ifndef _WIN32
// Sets or clears the immutable attribute (root on a file system that has
// it); false where that cannot be done.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

// Makes the file unwritable for this process: read-only mode for a normal
// user, the immutable attribute for root (who writes read-only files).
bool MakeUnwritable(const std::string& path) {
  if (geteuid() == 0) return SetImmutable(path, true);
  return chmod(path.c_str(), 0444) == 0;
}
void MakeWritable(const std::string& path) {
  if (geteuid() == 0)
    SetImmutable(path, false);
  else
    chmod(path.c_str(), 0644);
}
#endif

}  // namespace

class TestFaults : public QObject {
  Q_OBJECT

 private slots:
  // Another program holds the file in exclusive locking mode (as an older
  // Zelmora or a database tool may): the history is not kept this run,
  // the file stays as it is.
  void lockedAtStart() {
    QTemporaryDir dir;
    MakeHistory(Folder(dir), 3);
    const std::string path = Folder(dir) + "/Spieler.sqlite";
    SqliteDb other;
    other.Open(path, false);
    other.SetBusyTimeout(5000);
    other.Exec("PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE servers SET name = name;");
    PlayerHistory h(Folder(dir), Quick());
    const HistoryStatus st = h.Open();
    QCOMPARE(st.fault, HistoryFaultKind::kLocked);
    QVERIFY(!st.keeping);
    QCOMPARE(
        QString::fromStdString(st.message),
        QString::fromStdString("Die Spielerdatenbank " + path +
                               " ist von einem anderen laufenden Zelmora gesperrt. " + kNotKept));
    h.RecordTable(kA, "A", {Row("0", "New", "1", "127.0.0.2:1")}, 9000);
    QVERIFY(!h.Flush());
    other.Exec("ROLLBACK");
    other.Close();
    QCOMPARE(Count(path, "SELECT count(*) FROM players"), std::int64_t(3));
  }

  // A write lock held while the program runs is waited out while it is
  // short: nothing is lost, nobody is told.
  void shortLockWaitedOut() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), Quick());
    QVERIFY(h.Open().keeping);
    std::atomic<int> told{0};
    h.SetFaultHandler([&](const HistoryStatus&) { ++told; });
    SqliteDb other;
    other.Open(h.Path(), false);
    other.SetBusyTimeout(5000);
    other.Exec("BEGIN IMMEDIATE");
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    other.Exec("COMMIT");
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(1));
    QCOMPARE(told.load(), 0);
    QVERIFY(h.Status().keeping);
  }

  // Held longer than the program waits: told once, history off, the
  // program goes on (later sightings are dropped at once).
  void longLockStopsTheHistory() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), Quick());
    QVERIFY(h.Open().keeping);
    std::atomic<int> told{0};
    HistoryStatus seen;
    std::mutex mu;
    h.SetFaultHandler([&](const HistoryStatus& st) {
      std::lock_guard lk(mu);
      seen = st;
      ++told;
    });
    SqliteDb other;
    other.Open(h.Path(), false);
    other.SetBusyTimeout(5000);
    other.Exec("BEGIN IMMEDIATE");
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1000);
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1060);
    QVERIFY(!h.Flush());
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1120);
    QVERIFY(!h.Flush());
    other.Exec("COMMIT");
    QCOMPARE(told.load(), 1);
    std::lock_guard lk(mu);
    QCOMPARE(seen.fault, HistoryFaultKind::kLocked);
    QVERIFY(!seen.keeping);
    QVERIFY(seen.message.find(kNotKept) != std::string::npos);
    QCOMPARE(h.Status().fault, HistoryFaultKind::kLocked);
  }

  // "Verlauf löschen" while another program holds the lock: the history
  // stays on, the operator hears that nothing was cleared.
  void clearWhileLocked() {
    QTemporaryDir dir;
    MakeHistory(Folder(dir), 2);
    PlayerHistory h(Folder(dir), Quick());
    QVERIFY(h.Open().keeping);
    SqliteDb other;
    other.Open(h.Path(), false);
    other.SetBusyTimeout(5000);
    other.Exec("BEGIN IMMEDIATE");
    std::promise<HistoryStatus> answer;
    h.Clear([&](const HistoryStatus& st) { answer.set_value(st); });
    const HistoryStatus st = answer.get_future().get();
    other.Exec("COMMIT");
    QCOMPARE(st.fault, HistoryFaultKind::kLocked);
    QVERIFY(st.keeping);
    QVERIFY2(st.message.find("nicht gelöscht") != std::string::npos, st.message.c_str());
    QVERIFY(h.Status().keeping);
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(2));
  }

#ifndef _WIN32
  void readOnlyFile() {
    QTemporaryDir dir;
    MakeHistory(Folder(dir), 3);
    const std::string path = Folder(dir) + "/Spieler.sqlite";
    const std::string before = ReadBytes(path);
    if (!MakeUnwritable(path)) QSKIP("cannot make the file read-only here");
    HistoryStatus st;
    {
      PlayerHistory h(Folder(dir), Quick());
      st = h.Open();
      h.RecordTable(kA, "A", {Row("0", "New", "1", "127.0.0.2:1")}, 9000);
      QVERIFY(!h.Flush());
    }
    MakeWritable(path);
    QCOMPARE(st.fault, HistoryFaultKind::kReadOnly);
    QVERIFY(!st.keeping);
    QCOMPARE(QString::fromStdString(st.message),
             QString::fromStdString("Die Spielerdatenbank " + path + " ist schreibgeschützt. " +
                                    kNotKept));
    QVERIFY(ReadBytes(path) == before);
  }

  // No file yet and a folder nobody may write: told, not kept.
  void folderNotWritable() {
    QTemporaryDir dir;
    const std::string sub = Folder(dir) + "/daten";
    fs::create_directory(sub);
    if (!MakeUnwritable(sub)) QSKIP("cannot make the folder read-only here");
    HistoryStatus st;
    {
      PlayerHistory h(sub, Quick());
      st = h.Open();
    }
    MakeWritable(sub);
    QVERIFY(!st.keeping);
    QVERIFY(st.fault != HistoryFaultKind::kNone);
    QVERIFY2(st.message.find(kNotKept) != std::string::npos, st.message.c_str());
    QVERIFY(!fs::exists(sub + "/Spieler.sqlite"));
  }
#endif

  void damagedFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("garbage (file is not a database)") << "garbage"
                                                      << "keine Datenbank";
    QTest::newRow("a real database cut in half") << "cut"
                                                 << "die Datei ist kürzer, als sie selbst angibt";
    QTest::newRow("another program's database") << "foreign"
                                                << "keine Spielerdatenbank von Zelmora";
  }
  // The damaged file is moved aside under its date, byte for byte; a new
  // history begins at once.
  void damagedFile() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const std::string path = Folder(dir) + "/Spieler.sqlite";
    if (kind == "garbage") {
      WriteBytes(path, PatternBytes(100000, 7));
    } else if (kind == "cut") {
      MakeHistory(Folder(dir), 400);
      const std::string whole = ReadBytes(path);
      QVERIFY(whole.size() > 40000);
      QVERIFY(!fs::exists(path + "-wal") || fs::file_size(path + "-wal") == 0);
      WriteBytes(path, whole.substr(0, whole.size() / 2));
    } else {
      SqliteDb other;
      other.Open(path, true);
      other.SetBusyTimeout(5000);
      other.Exec("CREATE TABLE kunden(name TEXT); INSERT INTO kunden VALUES ('x')");
    }
    const std::string before = ReadBytes(path);
    PlayerHistory h(Folder(dir), Quick());
    const HistoryStatus st = h.Open();
    const std::string moved = path + ".defekt-" + Today();
    QCOMPARE(st.fault, HistoryFaultKind::kDamaged);
    QVERIFY(st.keeping);
    QCOMPARE(st.movedTo, moved);
    QVERIFY2(
        st.message.find(" war beschädigt (" + reason.toStdString() + "). ") != std::string::npos,
        st.message.c_str());
    QVERIFY2(st.message.find("nach " + moved +
                             " verschoben und nicht gelöscht; ein neuer "
                             "Spielerverlauf wurde angelegt.") != std::string::npos,
             st.message.c_str());
    QVERIFY(ReadBytes(moved) == before);
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1000);
    QVERIFY(h.Flush());
    QCOMPARE(h.Search("bob", 5).size(), std::size_t(1));
  }

  // A second damaged file on the same day does not replace the first.
  void secondDamagedFileSameDay() {
    QTemporaryDir dir;
    const std::string path = Folder(dir) + "/Spieler.sqlite";
    const std::string moved = path + ".defekt-" + Today();
    WriteBytes(path, PatternBytes(5000, 1));
    {
      PlayerHistory h(Folder(dir), Quick());
      QCOMPARE(h.Open().movedTo, moved);
    }
    fs::remove(path);
    fs::remove(path + "-wal");
    fs::remove(path + "-shm");
    WriteBytes(path, PatternBytes(5000, 2));
    PlayerHistory h(Folder(dir), Quick());
    QCOMPARE(h.Open().movedTo, moved + "-2");
    QVERIFY(ReadBytes(moved) == PatternBytes(5000, 1));
    QVERIFY(ReadBytes(moved + "-2") == PatternBytes(5000, 2));
  }

  void newerVersion() {
    QTemporaryDir dir;
    MakeHistory(Folder(dir), 3);
    const std::string path = Folder(dir) + "/Spieler.sqlite";
    {
      SqliteDb other;
      other.Open(path, false);
      other.SetBusyTimeout(5000);
      other.Exec("PRAGMA user_version=7; PRAGMA wal_checkpoint(TRUNCATE)");
    }
    const std::string before = ReadBytes(path);
    PlayerHistory h(Folder(dir), Quick());
    const HistoryStatus st = h.Open();
    QCOMPARE(st.fault, HistoryFaultKind::kNewerVersion);
    QVERIFY(!st.keeping);
    QVERIFY2(st.message.find("neueren Zelmora-Version") != std::string::npos, st.message.c_str());
    h.RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1000);
    QVERIFY(!h.Flush());
    QVERIFY(ReadBytes(path) == before);
  }

  // The file reaches its size limit (as a full disk would stop it): told
  // once, writing stops, the history so far can still be searched.
  void fullDisk() {
    QTemporaryDir dir;
    HistoryOptions o = Quick();
    o.maxPageCount = 40;
    PlayerHistory h(Folder(dir), o);
    QVERIFY(h.Open().keeping);
    std::atomic<int> told{0};
    HistoryStatus seen;
    std::mutex mu;
    h.SetFaultHandler([&](const HistoryStatus& st) {
      std::lock_guard lk(mu);
      seen = st;
      ++told;
    });
    h.RecordTable(kA, "A", {Row("0", "First", "1", "127.0.0.2:1")}, 1000);
    QVERIFY(h.Flush());
    for (int i = 0; i < 3000 && h.Status().keeping; ++i) {
      h.RecordTable(kA, "A",
                    {Row("0", std::string(200, 'a') + std::to_string(i), std::to_string(10 + i),
                         "127.0.0.3:1")},
                    2000 + i);
      if (i % 100 == 99) h.Flush();
    }
    h.Flush();
    QCOMPARE(told.load(), 1);
    std::lock_guard lk(mu);
    QCOMPARE(seen.fault, HistoryFaultKind::kFull);
    QVERIFY(!seen.keeping);
    QVERIFY2(seen.message.find("Kein Platz mehr") != std::string::npos, seen.message.c_str());
    QCOMPARE(h.Search("first", 5).size(), std::size_t(1));
  }

  // The end does not wait for another program's lock: what is queued is
  // tried briefly and given up.
  void shutdownDoesNotHang() {
    QTemporaryDir dir;
    HistoryOptions o = TestOptions();
    o.busyTimeoutMs = 5000;
    o.lockGiveUpMs = 600000;
    auto h = std::make_unique<PlayerHistory>(Folder(dir), o);
    QVERIFY(h->Open().keeping);
    const std::string path = h->Path();
    SqliteDb other;
    other.Open(path, false);
    other.SetBusyTimeout(5000);
    other.Exec("BEGIN IMMEDIATE");
    for (int i = 0; i < 50; ++i)
      h->RecordTable(kA, "A", {Row("0", "Bob", "1", "127.0.0.2:1")}, 1000 + i);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto t0 = std::chrono::steady_clock::now();
    h.reset();
    const auto took = std::chrono::steady_clock::now() - t0;
    other.Exec("ROLLBACK");
    // Without the short wait at the end this took the busy timeout at least.
    QVERIFY(took < std::chrono::milliseconds(4000));
  }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
