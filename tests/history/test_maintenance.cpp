// Keeping the history small and the operator's: pruning by age (by hand
// and once a day by itself), "Verlauf löschen", and the watch list kept in
// step between memory, the file and the next start.
#include <QtTest>

#include <ctime>

#include "history/playerhistory.h"
#include "historytestutil.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::Count;
using zelmora::testing::Folder;
using zelmora::testing::ReadBytes;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

const std::string kA = "127.0.0.1:28960";
const std::string kNoRcon = "127.0.0.3:28960";  // getstatus only
constexpr std::int64_t kOld = 1000;
constexpr std::int64_t kRecent = 190000;
constexpr std::int64_t kNow = 200000;  // one day kept: cutoff 113600

bool FileHolds(const std::string& path, const std::string& bytes) {
  return ReadBytes(path).find(bytes) != std::string::npos ||
         ReadBytes(path + "-wal").find(bytes) != std::string::npos;
}

}  // namespace

class TestMaintenance : public QObject {
  Q_OBJECT

 private slots:
  void prune() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kA, "A",
                  {Row("0", "Gone", "1", "127.0.0.2:1"), Row("1", "OldNick", "2", "127.0.0.3:1"),
                   Row("2", "Punished", "3", "127.0.0.4:1")},
                  kOld);
    h.RecordPenalty({kOld, kA, "A", PenaltyKind::kBan, "3", "Punished", "127.0.0.4", ""});
    h.RecordNames(kNoRcon, "C", std::vector<std::string>{"Ghost"}, kOld);
    h.RecordTable(kA, "A", {Row("1", "Nick", "2", "127.0.0.5:1")}, kRecent);
    h.RecordNames(kNoRcon, "C", std::vector<std::string>{"Fresh"}, kRecent);
    h.Prune(kNow, 1);
    QVERIFY(h.Flush());
    const std::string db = h.Path();
    QCOMPARE(Count(db, "SELECT count(*) FROM sessions"), std::int64_t(1));
    QCOMPARE(Count(db, "SELECT count(*) FROM name_sessions"), std::int64_t(1));
    // "Gone" has nothing left; "Punished" stays for his penalty.
    QCOMPARE(Count(db, "SELECT count(*) FROM players"), std::int64_t(2));
    QVERIFY(h.Search("gone", 5).empty());
    QCOMPARE(h.Search("punished", 5).size(), std::size_t(1));
    QCOMPARE(h.Search("punished", 5)[0].penalties, 1);
    // The player of the recent sighting keeps his current name and address;
    // the old ones went.
    const auto nick = h.Search("nick", 5);
    QCOMPARE(nick.size(), std::size_t(1));
    QVERIFY(nick[0].otherNames.empty());
    QVERIFY(h.Search("oldnick", 5).empty());
    QVERIFY(h.Search("127.0.0.3", 5).empty());
    QVERIFY(h.Search("ghost", 5).empty());
    QCOMPARE(h.Search("fresh", 5).size(), std::size_t(1));
    QCOMPARE(Count(db, "SELECT count(*) FROM names"), std::int64_t(3));  // Nick, Punished, Fresh
    SqliteDb check;
    check.Open(db, false);
    check.Exec("INSERT INTO names_fts(names_fts, rank) VALUES ('integrity-check', 1)");
  }

  // Once a day the thread prunes by itself, with the setting's days.
  void dailyPrune() {
    QTemporaryDir dir;
    HistoryOptions o;  // the daily prune on
    PlayerHistory h(Folder(dir), o);
    h.SetSettings({true, 2});
    const std::int64_t now = std::time(nullptr);
    // Queued before the open: written once the file is there.
    h.RecordTable(kA, "A", {Row("0", "Old", "1", "127.0.0.2:1")}, now - 3 * 86400);
    h.RecordTable(kA, "A", {Row("1", "New", "2", "127.0.0.3:1")}, now - 1 * 86400);
    QVERIFY(h.Open().keeping);
    QTRY_COMPARE_WITH_TIMEOUT(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(1),
                              10000);
    // The moment is noted after the deletions, in a statement of its own.
    QTRY_VERIFY_WITH_TIMEOUT(
        Count(h.Path(), "SELECT value FROM meta WHERE key = 'last_prune'") >= now, 10000);
    QCOMPARE(h.Search("new", 5).size(), std::size_t(1));
  }

  // "Verlauf löschen": nothing of the players stays in the files; the
  // watch list stays; recording goes on afterwards.
  void clear() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    for (int i = 0; i < 200; ++i)
      h.RecordTable(
          kA, "A",
          {Row("0", "Zyxwvut" + std::to_string(i), std::to_string(100 + i), "127.0.0.2:1")},
          kOld + i);
    h.RecordPenalty({kOld, kA, "A", PenaltyKind::kKick, "100", "Zyxwvut0", "", ""});
    h.AddWatch(WatchKind::kGuid, "100", "Beobachtet", kOld);
    QVERIFY(h.Flush());
    QVERIFY(FileHolds(h.Path(), "Zyxwvut1"));
    std::promise<HistoryStatus> done;
    h.Clear([&](const HistoryStatus& st) { done.set_value(st); });
    const HistoryStatus st = done.get_future().get();
    QVERIFY(st.keeping);
    QVERIFY(st.message.empty());
    for (const char* table : {"players", "names", "player_names", "player_addresses", "sessions",
                              "name_sessions", "penalties", "servers"})
      QCOMPARE(Count(h.Path(), std::string("SELECT count(*) FROM ") + table), std::int64_t(0));
    QVERIFY(!FileHolds(h.Path(), "Zyxwvut1"));
    QVERIFY(h.Search("", 10).empty());
    QCOMPARE(h.WatchList().size(), std::size_t(1));
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM watch"), std::int64_t(1));
    h.RecordTable(kA, "A", {Row("0", "Again", "5", "127.0.0.2:1")}, kOld + 500);
    QVERIFY(h.Flush());
    QCOMPARE(h.Search("again", 5).size(), std::size_t(1));
  }

  // The watch list answers from memory at once and is in the file for the
  // next start: switched off, silenced, removed.
  void watchListKeptInStep() {
    QTemporaryDir dir;
    std::int64_t guidId = 0, patternId = 0, goneId = 0;
    {
      PlayerHistory h(Folder(dir), TestOptions());
      QVERIFY(h.Open().keeping);
      guidId = h.AddWatch(WatchKind::kGuid, " 4711 ", "Cheater?", 100);
      patternId = h.AddWatch(WatchKind::kNamePattern, "*^1sniper*", "", 101);
      goneId = h.AddWatch(WatchKind::kGuid, "99", "", 102);
      QVERIFY(h.WatchedGuid("4711", 100));  // before anything was written
      QVERIFY(h.WatchedName("^2The^3SNIPER^7", 100));
      QVERIFY(h.SilenceWatch(patternId, 100 + 3600));
      QVERIFY(!h.WatchedName("The Sniper", 200));
      QVERIFY(h.WatchedName("The Sniper", 100 + 3600));
      QVERIFY(h.SetWatchEnabled(guidId, false));
      QVERIFY(!h.WatchedGuid("4711", 100));
      QVERIFY(h.RemoveWatch(goneId));
      QVERIFY(!h.RemoveWatch(goneId));
      QVERIFY(!h.SetWatchEnabled(goneId, true));
      QVERIFY(h.Flush());
    }
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    const auto list = h.WatchList();
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[0].id, guidId);
    QCOMPARE(list[0].value, std::string("4711"));
    QCOMPARE(list[0].note, std::string("Cheater?"));
    QVERIFY(!list[0].enabled);
    QCOMPARE(list[1].id, patternId);
    QCOMPARE(list[1].silencedUntil, std::int64_t(3700));
    QVERIFY(!h.WatchedGuid("99", 0));
    QVERIFY(h.WatchedName("sniper", 3700));
  }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "test_maintenance.moc"
