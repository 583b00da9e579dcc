// A Spieler.sqlite of schema version 1 (names inline, no search column) is
// upgraded when opened: players, names, addresses, sessions and penalties
// carried over, the old tables gone, the search working on the old names;
// an upgrade that cannot finish leaves version 1 as it was.
#include <QtTest>

#include "history/playerhistory.h"
#include "history/schema.h"
#include "historytestutil.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::Count;
using zelmora::testing::Folder;
using zelmora::testing::ReadBytes;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

// The file as the first version wrote it.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE servers(id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name BLOB NOT NULL);
CREATE TABLE players(id INTEGER PRIMARY KEY, guid TEXT, name BLOB NOT NULL,
  address TEXT NOT NULL, first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL);
CREATE TABLE player_names(player INTEGER NOT NULL, name BLOB NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, PRIMARY KEY(player, name));
CREATE TABLE player_addresses(player INTEGER NOT NULL, address TEXT NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, PRIMARY KEY(player, address));
CREATE TABLE sessions(id INTEGER PRIMARY KEY, player INTEGER NOT NULL, server INTEGER NOT NULL,
  first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL);
CREATE TABLE penalties(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, server INTEGER NOT NULL,
  player INTEGER, kind INTEGER NOT NULL, guid TEXT NOT NULL, name BLOB NOT NULL,
  address TEXT NOT NULL, outcome INTEGER NOT NULL, reason BLOB NOT NULL);
CREATE INDEX penalties_player ON penalties(player);
INSERT INTO servers VALUES (1, '127.0.0.1:28960', CAST('^1Alpha' AS BLOB));
INSERT INTO players VALUES (1, '4711', CAST('^1Red^7Baron' AS BLOB), '127.0.0.9', 1000, 2000);
INSERT INTO players VALUES (2, NULL, CAST('Anon' AS BLOB), '127.0.0.8', 1500, 1600);
INSERT INTO players VALUES (3, '0', X'C472676572', '127.0.0.7', 1700, 1800);
INSERT INTO player_names VALUES (1, CAST('^1Red^7Baron' AS BLOB), 1500, 2000);
INSERT INTO player_names VALUES (1, CAST('OldRed' AS BLOB), 1000, 1400);
INSERT INTO player_names VALUES (2, CAST('Anon' AS BLOB), 1500, 1600);
INSERT INTO player_addresses VALUES (1, '127.0.0.9', 1500, 2000);
INSERT INTO player_addresses VALUES (1, '127.0.0.6', 1000, 1400);
INSERT INTO sessions VALUES (1, 1, 1, 1000, 1400);
INSERT INTO sessions VALUES (2, 1, 1, 1500, 2000);
INSERT INTO sessions VALUES (3, 2, 1, 1500, 1600);
INSERT INTO sessions VALUES (4, 1, 1, 1000, 1300);
INSERT INTO sessions VALUES (5, 3, 1, 1700, 1800);
INSERT INTO penalties VALUES (42, 1900, 1, 1, 2, '4711', CAST('^1Red^7Baron' AS BLOB),
  '127.0.0.9', 1, CAST('cheat' AS BLOB));
PRAGMA user_version = 1;
)sql";

std::string MakeVersion1(const QTemporaryDir& dir) {
  const std::string path = Folder(dir) + "/Spieler.sqlite";
  SqliteDb db;
  db.Open(path, true);
  db.Exec(kVersion1);
  return path;
}

}  // namespace

class TestUpgrade : public QObject {
  Q_OBJECT

 private slots:
  void fromVersion1() {
    QTemporaryDir dir;
    const std::string path = MakeVersion1(dir);
    PlayerHistory h(Folder(dir), TestOptions());
    const HistoryStatus st = h.Open();
    QVERIFY2(st.keeping, st.message.c_str());
    QCOMPARE(st.fault, HistoryFaultKind::kNone);
    QCOMPARE(Count(path, "PRAGMA user_version"), kHistorySchemaVersion);
    QCOMPARE(Count(path, "SELECT count(*) FROM sqlite_master WHERE name LIKE '%_v1'"),
             std::int64_t(0));
    QCOMPARE(Count(path, "SELECT count(*) FROM players"), std::int64_t(3));
    // The two rows of one session (same start) became one.
    QCOMPARE(Count(path, "SELECT count(*) FROM sessions"), std::int64_t(4));
    QCOMPARE(Count(path, "SELECT last_seen FROM sessions WHERE first_seen = 1000"),
             std::int64_t(1400));

    // The search finds old names with colour codes and case ignored.
    const auto red = h.Search("redbaron", 10);
    QCOMPARE(red.size(), std::size_t(1));
    QCOMPARE(red[0].guid, std::string("4711"));
    QCOMPARE(red[0].otherNames, std::vector<std::string>{"OldRed"});
    QCOMPARE(red[0].firstSeen, std::int64_t(1000));
    QCOMPARE(red[0].lastSeen, std::int64_t(2000));
    QCOMPARE(red[0].penalties, 1);
    QCOMPARE(h.Search("oldred", 10).size(), std::size_t(1));
    QCOMPARE(h.Search("127.0.0.6", 10).size(), std::size_t(1));
    // A player of version 1 with GUID "0" has none, and his name (which
    // version 1 kept only in the player row) is searchable.
    const auto aerger = h.Search("\xe4rg", 10);
    QCOMPARE(aerger.size(), std::size_t(1));
    QVERIFY(aerger[0].guid.empty());
    QCOMPARE(aerger[0].name, std::string("\xc4rger"));

    const auto penalties = h.Penalties(red[0].playerId);
    QCOMPARE(penalties.size(), std::size_t(1));
    QCOMPARE(penalties[0].id, std::int64_t(42));
    QCOMPARE(penalties[0].outcome, PenaltyOutcome::kGone);
    QCOMPARE(penalties[0].record.reason, std::string("cheat"));
    QCOMPARE(penalties[0].record.serverName, std::string("^1Alpha"));

    // Recording goes on in the upgraded file: the session of 1500-2000
    // continues.
    h.RecordTable("127.0.0.1:28960", "^1Alpha", {Row("0", "^1Red^7Baron", "4711", "127.0.0.9:1")},
                  2100);
    QVERIFY(h.Flush());
    QCOMPARE(Count(path, "SELECT last_seen FROM sessions WHERE first_seen = 1500 AND player = 1"),
             std::int64_t(2100));
    QCOMPARE(Count(path, "SELECT count(*) FROM players"), std::int64_t(3));
  }

  // The index agrees with the names table after the upgrade.
  void indexConsistent() {
    QTemporaryDir dir;
    const std::string path = MakeVersion1(dir);
    {
      PlayerHistory h(Folder(dir), TestOptions());
      QVERIFY(h.Open().keeping);
    }
    SqliteDb db;
    db.Open(path, false);
    db.Exec("INSERT INTO names_fts(names_fts, rank) VALUES ('integrity-check', 1)");
    QCOMPARE(db.QueryInt("SELECT count(*) FROM names"), std::int64_t(4));
  }

  // No room to finish the upgrade: it is undone whole, the file stays a
  // version 1 file with all its rows, and a later start upgrades it.
  void failedUpgradeLeavesVersion1() {
    QTemporaryDir dir;
    const std::string path = MakeVersion1(dir);
    const std::int64_t pages = Count(path, "PRAGMA page_count");
    {
      HistoryOptions o = TestOptions();
      o.maxPageCount = pages;
      PlayerHistory h(Folder(dir), o);
      const HistoryStatus st = h.Open();
      QCOMPARE(st.fault, HistoryFaultKind::kFull);
      QVERIFY(!st.keeping);
    }
    QCOMPARE(Count(path, "PRAGMA user_version"), std::int64_t(1));
    QCOMPARE(Count(path, "SELECT count(*) FROM sessions WHERE id = 4"), std::int64_t(1));
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    QCOMPARE(h.Search("anon", 5).size(), std::size_t(1));
  }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "test_upgrade.moc"
