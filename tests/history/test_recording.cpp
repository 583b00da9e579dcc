// What the history keeps of status tables and getstatus lists, checked in
// the file itself: sessions (consecutive sightings merged, gaps of 5
// minutes and more splitting), players by GUID or by name and address,
// their names and addresses, the switch "Verlauf führen", hostile tables.
#include <QtTest>

#include "history/playerhistory.h"
#include "historytestutil.h"

using namespace zelmora;
using zelmora::testing::Count;
using zelmora::testing::Folder;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

const std::string kServer = "127.0.0.1:28960";
const std::string kNoRcon = "127.0.0.3:28960";  // getstatus only

// "first-last" of every session in the file, ordered, comma-separated.
QString Sessions(const std::string& db, const std::string& table = "sessions") {
  SqliteDb c;
  c.Open(db, false);
  SqliteStmt st(c,
                "SELECT first_seen, last_seen FROM " + table + " ORDER BY first_seen, last_seen");
  QStringList out;
  while (st.Step()) out << QString("%1-%2").arg(st.Int(0)).arg(st.Int(1));
  return out.join(',');
}

QString Names(PlayerHistory& h, const std::string& query) {
  QStringList out;
  for (const PlayerSummary& s : h.Search(query, 50)) {
    QString line = QString::fromLatin1(s.name.c_str());
    for (const auto& n : s.otherNames) line += "|" + QString::fromLatin1(n.c_str());
    out << line;
  }
  out.sort();
  return out.join(',');
}

}  // namespace

class TestRecording : public QObject {
  Q_OBJECT

 private slots:
  void sessionsMergeConsecutiveSightings_data() {
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QString>("sessions");
    QTest::newRow("polls a minute apart") << QList<qint64>{1000, 1060, 1120} << "1000-1120";
    QTest::newRow("gap just under 5 minutes") << QList<qint64>{1000, 1299} << "1000-1299";
    QTest::newRow("gap of 5 minutes splits") << QList<qint64>{1000, 1300} << "1000-1000,1300-1300";
    QTest::newRow("left and came back")
        << QList<qint64>{1000, 1060, 2000, 2030} << "1000-1060,2000-2030";
    QTest::newRow("same second twice") << QList<qint64>{1000, 1000} << "1000-1000";
    QTest::newRow("a late table inside the session")
        << QList<qint64>{1000, 1100, 1050} << "1000-1100";
    QTest::newRow("one table") << QList<qint64>{5000} << "5000-5000";
  }
  void sessionsMergeConsecutiveSightings() {
    QFETCH(QList<qint64>, times);
    QFETCH(QString, sessions);
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    for (qint64 t : times)
      h.RecordTable(kServer, "Srv", {Row("0", "Bob^7", "4711", "127.0.0.9:1")}, t);
    for (qint64 t : times) h.RecordNames(kNoRcon, "Srv", std::vector<std::string>{"Bob"}, t);
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path()), sessions);
    // getstatus sightings follow the same rule.
    QCOMPARE(Sessions(h.Path(), "name_sessions"), sessions);
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(1));
  }

  // A session belongs to one server; a player on two servers at once has
  // two, and another player on the same server his own.
  void sessionsPerServerAndPlayer() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    for (std::int64_t t = 1000; t <= 1240; t += 60) {
      h.RecordTable(kServer, "A", {Row("0", "Bob", "1", "127.0.0.9:1")}, t);
      h.RecordTable("127.0.0.2:28960", "B",
                    {Row("0", "Bob", "1", "127.0.0.9:1"), Row("1", "Al", "2", "127.0.0.8:1")}, t);
    }
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path()), QString("1000-1240,1000-1240,1000-1240"));
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(2));
    const auto bob = h.Search("bob", 10);
    QCOMPARE(bob.size(), std::size_t(1));
    QCOMPARE(bob[0].servers.size(), std::size_t(2));
  }

  // While a server's tables come, its getstatus names are not kept a
  // second time; once they stop, or on another server, they are.
  void namesOfATableServerNotKeptTwice() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kServer, "A", {Row("0", "Bob", "1", "127.0.0.9:1")}, 1000);
    h.RecordNames(kServer, "A", std::vector<std::string>{"Bob"}, 1010);
    h.RecordNames(kServer, "A", std::vector<std::string>{"Bob"}, 990);
    h.RecordNames(kNoRcon, "C", std::vector<std::string>{"Bob"}, 1010);
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path(), "name_sessions"), QString("1010-1010"));
    h.RecordNames(kServer, "A", std::vector<std::string>{"Bob"}, 1300);
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path(), "name_sessions"), QString("1010-1010,1300-1300"));
  }

  // A restarted program (or another one on the same folder) goes on with
  // the session in the file instead of starting a second one.
  void sessionContinuesAfterRestart() {
    QTemporaryDir dir;
    {
      PlayerHistory h(Folder(dir), TestOptions());
      QVERIFY(h.Open().keeping);
      h.RecordTable(kServer, "A", {Row("0", "Bob", "1", "127.0.0.9:1")}, 1000);
      h.RecordNames(kNoRcon, "C", std::vector<std::string>{"Bob"}, 1000);
    }
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kServer, "A", {Row("0", "Bob", "1", "127.0.0.9:1")}, 1200);
    h.RecordNames(kNoRcon, "C", std::vector<std::string>{"Bob"}, 1200);
    h.RecordTable(kServer, "A", {Row("0", "Bob", "1", "127.0.0.9:1")}, 1600);
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path()), QString("1000-1200,1600-1600"));
    QCOMPARE(Sessions(h.Path(), "name_sessions"), QString("1000-1200"));
  }

  void playersByGuidOrNameAndAddress_data() {
    QTest::addColumn<QList<QStringList>>("rows");  // name, guid, address per sighting
    QTest::addColumn<int>("players");
    QTest::addColumn<QString>("names");  // Names(h, "") with other names after "|"
    QTest::newRow("GUID keeps a renamed player")
        << QList<QStringList>{{"Bob", "77", "127.0.0.9:1"}, {"Robert", "77", "127.0.0.9:1"}} << 1
        << "Robert|Bob";
    QTest::newRow("same name, two GUIDs")
        << QList<QStringList>{{"Bob", "77", "127.0.0.9:1"}, {"Bob", "78", "127.0.0.9:1"}} << 2
        << "Bob,Bob";
    QTest::newRow("no GUID: name and address")
        << QList<QStringList>{{"Bob", "0", "127.0.0.9:1"}, {"Bob", "0", "127.0.0.9:2"}} << 1
        << "Bob";
    QTest::newRow("no GUID, other address")
        << QList<QStringList>{{"Bob", "0", "127.0.0.9:1"}, {"Bob", "0", "127.0.0.10:1"}} << 2
        << "Bob,Bob";
    QTest::newRow("no GUID, renamed is another player")
        << QList<QStringList>{{"Bob", "", "127.0.0.9:1"}, {"Rob", "", "127.0.0.9:1"}} << 2
        << "Bob,Rob";
    QTest::newRow("colour codes make another raw name")
        << QList<QStringList>{{"^1Bob", "77", "127.0.0.9:1"}, {"^2Bob", "77", "127.0.0.9:1"}} << 1
        << "^2Bob|^1Bob";
  }
  void playersByGuidOrNameAndAddress() {
    QFETCH(QList<QStringList>, rows);
    QFETCH(int, players);
    QFETCH(QString, names);
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    std::int64_t t = 1000;
    for (const QStringList& r : rows)
      h.RecordTable(kServer, "A",
                    {Row("0", r[0].toStdString(), r[1].toStdString(), r[2].toStdString())},
                    t += 60);
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(players));
    QCOMPARE(Names(h, ""), names);
  }

  // A player by GUID seen from several addresses: all are kept, the last
  // one shown; the address search finds the GUIDs seen from it.
  void addressesOfAGuid() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kServer, "A", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1000);
    h.RecordTable(kServer, "A", {Row("0", "Bob", "77", "127.0.1.1:1")}, 1060);
    h.RecordTable(kServer, "A", {Row("0", "Eve", "88", "127.0.0.9:5")}, 5000);
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM player_addresses"), std::int64_t(3));
    const auto bob = h.Search("77", 10);
    QVERIFY(!bob.empty());
    QCOMPARE(bob[0].lastAddress, std::string("127.0.1.1"));
    const auto from = h.Search("127.0.0.9", 10);
    QCOMPARE(from.size(), std::size_t(2));
    QCOMPARE(from[0].guid, std::string("88"));  // seen last first
    QCOMPARE(from[1].guid, std::string("77"));
  }

  // The player's own rows follow him during a long session: last seen and
  // his name's last use are refreshed at least every 5 minutes.
  void longSessionRefreshesThePlayer() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    for (std::int64_t t = 1000; t <= 4600; t += 60)
      h.RecordTable(kServer, "A", {Row("0", "Bob", "77", "127.0.0.9:1")}, t);
    QVERIFY(h.Flush());
    QCOMPARE(Sessions(h.Path()), QString("1000-4600"));
    QVERIFY(Count(h.Path(), "SELECT last_seen FROM players") >= 4600 - 300);
    QVERIFY(Count(h.Path(), "SELECT last_seen FROM player_names") >= 4600 - 300);
    const auto bob = h.Search("bob", 10);
    QCOMPARE(bob.size(), std::size_t(1));
    QCOMPARE(bob[0].firstSeen, std::int64_t(1000));
    QCOMPARE(bob[0].lastSeen, std::int64_t(4600));
  }

  // The server keeps its key; its name follows the latest one.
  void serverNameFollows() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kServer, "^1Old", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1000);
    h.RecordTable(kServer, "^2New", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1060);
    h.RecordTable(kServer, "", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1120);
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM servers"), std::int64_t(1));
    const auto bob = h.Search("bob", 10);
    QCOMPARE(bob[0].servers.size(), std::size_t(1));
    QCOMPARE(bob[0].servers[0].key, kServer);
    QCOMPARE(bob[0].servers[0].name, std::string("^2New"));
  }

  // "Verlauf führen" off: nothing is kept, not even penalties; on again,
  // recording goes on.
  void switchedOff() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.SetSettings({false, 90});
    h.RecordTable(kServer, "A", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1000);
    h.RecordNames(kServer, "A", std::vector<std::string>{"Bob"}, 1000);
    QCOMPARE(h.RecordPenalty({1000, kServer, "A", PenaltyKind::kKick, "77", "Bob", "", ""}),
             std::int64_t(0));
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(0));
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM name_sessions"), std::int64_t(0));
    h.SetSettings({true, 90});
    h.RecordTable(kServer, "A", {Row("0", "Bob", "77", "127.0.0.9:1")}, 1100);
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(1));
  }

  // What a hostile or broken server sends is kept within bounds and never
  // breaks the recording: huge tables, huge names, NUL bytes, rows without
  // name and GUID, the same player twice in one table.
  void hostileTables() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    Tstatusinfo rows;
    for (int i = 0; i < 1000; ++i)
      rows.push_back(
          Row(std::to_string(i), "P" + std::to_string(i), "", "127.0.0.1:" + std::to_string(i)));
    h.RecordTable(kServer, "A", rows, 1000);
    const std::string nul("A\0B^1\xff", 6);
    h.RecordTable("127.0.0.3:1", std::string(10000, 'S'),
                  {Row("0", nul, "9", "127.0.0.9:1"), Row("1", nul, "9", "127.0.0.9:1"),
                   Row("2", "", "", ""), Row("3", std::string(100000, 'x'), "8", "127.0.0.8:1")},
                  1000);
    h.RecordNames(kNoRcon, "C", std::vector<std::string>(2000, "Dup"), 1000);
    QVERIFY(h.Flush());
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM players"), std::int64_t(256 + 2));
    QCOMPARE(Count(h.Path(), "SELECT count(*) FROM name_sessions"), std::int64_t(1));
    QCOMPARE(Count(h.Path(), "SELECT max(length(raw)) FROM names"), std::int64_t(kMaxNameBytes));
    QCOMPARE(Count(h.Path(), "SELECT max(length(name)) FROM servers"), std::int64_t(kMaxNameBytes));
    const auto found = h.Search("ab", 10);
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found[0].name, nul);  // raw bytes back, NUL and all
  }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "test_recording.moc"
