// Two programs on one data folder share Spieler.sqlite: both write at the
// same time without losing anything, a player both see on one server has
// one session, a watch list change of one reaches the other. Searches run
// on other threads while the writer writes (this test also runs under
// ThreadSanitizer).
#include <QtTest>

#include <atomic>
#include <thread>

#include "history/playerhistory.h"
#include "historytestutil.h"

using namespace zelmora;
using zelmora::testing::Count;
using zelmora::testing::Folder;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

const std::string kA = "127.0.0.1:28960";

// 100 tables a minute apart: the shared player on every one, and one
// player of this program's own per table.
void Record(PlayerHistory& h, const std::string& own) {
  for (int i = 0; i < 100; ++i)
    h.RecordTable(kA, "A",
                  {Row("0", "Shared", "1", "127.0.0.2:1"),
                   Row("1", own + std::to_string(i), own + std::to_string(i), "127.0.0.3:1")},
                  1000 + i * 60);
}

}  // namespace

class TestSharing : public QObject {
  Q_OBJECT

 private slots:
  void twoProgramsWriteTogether() {
    QTemporaryDir dir;
    PlayerHistory a(Folder(dir), TestOptions());
    PlayerHistory b(Folder(dir), TestOptions());
    QVERIFY(a.Open().keeping);
    QVERIFY(b.Open().keeping);
    std::thread ta([&] { Record(a, "a"); });
    std::thread tb([&] { Record(b, "b"); });
    ta.join();
    tb.join();
    QVERIFY(a.Flush());
    QVERIFY(b.Flush());
    QVERIFY(a.Status().keeping && b.Status().keeping);
    QCOMPARE(Count(a.Path(), "SELECT count(*) FROM players"), std::int64_t(201));
    // The shared player: one session from 1000 to 6940, written by both.
    QCOMPARE(Count(a.Path(),
                   "SELECT count(*) FROM sessions s JOIN players p ON p.id = s.player "
                   "WHERE p.guid = '1'"),
             std::int64_t(1));
    QCOMPARE(Count(a.Path(),
                   "SELECT s.last_seen - s.first_seen FROM sessions s JOIN players p "
                   "ON p.id = s.player WHERE p.guid = '1'"),
             std::int64_t(99 * 60));
    QCOMPARE(b.Search("a99", 5).size(), std::size_t(1));
  }

  // A watch entry added in one program is answered by the other within
  // a few seconds (it looks at the file about once a second).
  void watchListReachesTheOther() {
    QTemporaryDir dir;
    PlayerHistory a(Folder(dir), TestOptions());
    PlayerHistory b(Folder(dir), TestOptions());
    QVERIFY(a.Open().keeping);
    QVERIFY(b.Open().keeping);
    const std::int64_t id = a.AddWatch(WatchKind::kGuid, "4711", "", 0);
    QVERIFY(a.Flush());
    QTRY_VERIFY_WITH_TIMEOUT(b.WatchedGuid("4711", 0).has_value(), 10000);
    QVERIFY(b.RemoveWatch(id));
    QVERIFY(b.Flush());
    QTRY_VERIFY_WITH_TIMEOUT(!a.WatchedGuid("4711", 0).has_value(), 10000);
  }

  // Searches from two threads while tables keep coming: every search
  // answers, nothing races.
  void searchWhileWriting() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    std::atomic<bool> done{false};
    std::atomic<int> searches{0};
    auto searcher = [&] {
      while (!done.load()) {
        h.Search("player", 20);
        h.Search("127.0.", 20);
        searches.fetch_add(1);
      }
    };
    std::thread s1(searcher);
    std::thread s2(searcher);
    for (int i = 0; i < 300; ++i)
      h.RecordTable(kA, "A",
                    {Row("0", "Player" + std::to_string(i), std::to_string(i + 10),
                         "127.0.0.4:" + std::to_string(i))},
                    1000 + i);
    QVERIFY(h.Flush());
    while (searches.load() < 4) std::this_thread::yield();
    done.store(true);
    s1.join();
    s2.join();
    QCOMPARE(h.Search("player", 500).size(), std::size_t(300));
  }
};

QTEST_GUILESS_MAIN(TestSharing)
#include "test_sharing.moc"
