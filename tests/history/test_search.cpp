// The search rules: a part of a name with colour codes and case ignored
// (through the trigram index from three characters, by a scan below), a
// GUID, an address or its start; the order of the rows; names seen only in
// getstatus replies; what a row tells.
#include <QtTest>

#include "history/playerhistory.h"
#include "historytestutil.h"

using namespace zelmora;
using zelmora::testing::Folder;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

const std::string kA = "127.0.0.1:28960";
const std::string kB = "127.0.0.2:28960";
const std::string kNoRcon = "127.0.0.3:28960";

QString Found(const std::vector<PlayerSummary>& rows) {
  QStringList out;
  for (const PlayerSummary& s : rows) out << QString::fromLatin1(s.name.c_str());
  return out.join(',');
}

}  // namespace

class TestSearch : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<PlayerHistory> h_;

 private slots:
  void initTestCase() {
    h_ = std::make_unique<PlayerHistory>(Folder(dir_), TestOptions());
    QVERIFY(h_->Open().keeping);
    // Last seen in this order: Sniper (1000), Red (2000), Umlaut (3000),
    // Quote (4000), Eve (5000), Old (6000 under another name).
    h_->RecordTable(kA, "^1Alpha", {Row("0", "^1The^2Sniper^7", "123456", "127.10.0.1:28960")},
                    1000);
    h_->RecordTable(kA, "^1Alpha", {Row("1", "^1Red^7Baron", "0", "127.20.5.7:500")}, 2000);
    h_->RecordTable(kB, "Beta", {Row("2", "\xc4RGER", "ABCDEF", "127.20.50.1:1")}, 3000);
    h_->RecordTable(kB, "Beta", {Row("3", "say \"hi\"", "9", "127.30.0.1:1")}, 4000);
    h_->RecordTable(kB, "Beta", {Row("4", "Eve", "55", "127.10.0.2:1")}, 5000);
    h_->RecordTable(kA, "^1Alpha", {Row("5", "OldName", "66", "127.40.0.1:1")}, 5500);
    h_->RecordTable(kA, "^1Alpha", {Row("5", "NewName", "66", "127.40.0.1:1")}, 6000);
    // A server without rcon: only getstatus names. "Eve" was seen in a
    // table on B but not on this one. "Sniper" in a getstatus reply of A
    // long after A's tables stopped is covered by A's table of him.
    h_->RecordNames(kNoRcon, "Gamma", std::vector<std::string>{"^5Ghost", "Eve"}, 7000);
    h_->RecordNames(kA, "^1Alpha", std::vector<std::string>{"^1The^2Sniper^7"}, 50000);
    h_->RecordPenalty(
        {2100, kA, "^1Alpha", PenaltyKind::kBan, "0", "^1Red^7Baron", "127.20.5.7:500", "cheat"});
    QVERIFY(h_->Flush());
  }

  void rules_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("found");
    QTest::newRow("part of a name") << "nip"
                                    << "^1The^2Sniper^7";
    QTest::newRow("case ignored") << "SNIPER"
                                  << "^1The^2Sniper^7";
    QTest::newRow("colour codes in the name ignored") << "thesniper"
                                                      << "^1The^2Sniper^7";
    QTest::newRow("colour codes in the query ignored") << "^3red^5bar"
                                                       << "^1Red^7Baron";
    QTest::newRow("Windows-1252 case ignored")
        << QString::fromLatin1("\xe4rg") << QString::fromLatin1("\xc4RGER");
    QTest::newRow("two characters by scan") << "ed"
                                            << "^1Red^7Baron";
    QTest::newRow("one character by scan") << "v"
                                           << "Eve,Eve";
    QTest::newRow("quote in the query") << "\"hi"
                                        << "say \"hi\"";
    QTest::newRow("GUID") << "123456"
                          << "^1The^2Sniper^7";
    QTest::newRow("GUID, other case") << "abcdef" << QString::fromLatin1("\xc4RGER");
    QTest::newRow("part of a GUID is no GUID") << "12345"
                                               << "";
    QTest::newRow("whole address") << "127.10.0.1"
                                   << "^1The^2Sniper^7";
    QTest::newRow("address with port") << "127.20.5.7:28960"
                                       << "^1Red^7Baron";
    QTest::newRow("address prefix, last seen first") << "127.10."
                                                     << "Eve,^1The^2Sniper^7";
    QTest::newRow("prefix is a text prefix")
        << "127.20.5" << QString::fromLatin1("\xc4RGER,^1Red^7Baron");
    QTest::newRow("earlier name finds the player") << "oldname"
                                                   << "NewName";
    QTest::newRow("getstatus-only name") << "ghost"
                                         << "^5Ghost";
    QTest::newRow("nothing") << "zzz"
                             << "";
    QTest::newRow("blanks around") << "  eve  "
                                   << "Eve,Eve";
    QTest::newRow("only colour codes") << "^1"
                                       << "";
  }
  void rules() {
    QFETCH(QString, query);
    QFETCH(QString, found);
    QCOMPARE(Found(h_->Search(query.toLatin1().toStdString(), 50)), found);
  }

  // "Eve" twice: the player seen in B's table, and the same name on the
  // getstatus-only server, where no table could show who it was. A name
  // that a table on the same server showed is not listed again.
  void getstatusNamesBesidePlayers() {
    const auto eve = h_->Search("eve", 50);
    QCOMPARE(eve.size(), std::size_t(2));
    QCOMPARE(eve[0].playerId, std::int64_t(0));  // 7000, seen last
    QCOMPARE(eve[0].servers.size(), std::size_t(1));
    QCOMPARE(eve[0].servers[0].key, kNoRcon);
    QCOMPARE(eve[0].servers[0].name, std::string("Gamma"));
    QCOMPARE(eve[0].firstSeen, std::int64_t(7000));
    QVERIFY(eve[0].guid.empty());
    QVERIFY(eve[1].playerId != 0);
    QCOMPARE(eve[1].guid, std::string("55"));
    QCOMPARE(h_->Search("sniper", 50).size(), std::size_t(1));
  }

  // GUID matches first, then address matches, then name matches.
  void orderOfGroups() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kA, "A", {Row("0", "x127", "1", "127.0.0.5:1")}, 3000);
    h.RecordTable(kA, "A", {Row("1", "y", "2", "127.0.0.6:1")}, 2000);
    h.RecordTable(kA, "A", {Row("2", "z", "127", "127.0.0.7:1")}, 1000);
    QVERIFY(h.Flush());
    QCOMPARE(Found(h.Search("127", 10)), QString("z,x127,y"));
    QCOMPARE(Found(h.Search("127", 2)), QString("z,x127"));
    QVERIFY(h.Search("127", 0).empty());
  }

  void whatARowTells() {
    const auto red = h_->Search("baron", 10);
    QCOMPARE(red.size(), std::size_t(1));
    const PlayerSummary& r = red[0];
    QCOMPARE(r.name, std::string("^1Red^7Baron"));
    QVERIFY(r.guid.empty());  // GUID 0: none
    QCOMPARE(r.lastAddress, std::string("127.20.5.7"));
    QCOMPARE(r.firstSeen, std::int64_t(2000));
    QCOMPARE(r.lastSeen, std::int64_t(2100));  // the penalty counts as seen
    QCOMPARE(r.penalties, 1);
    QCOMPARE(r.servers.size(), std::size_t(1));
    QCOMPARE(r.servers[0].name, std::string("^1Alpha"));
    const auto renamed = h_->Search("newname", 10);
    QCOMPARE(renamed.size(), std::size_t(1));
    QCOMPARE(renamed[0].otherNames, std::vector<std::string>{"OldName"});
  }

  // An empty text lists the players seen last, most recent first.
  void emptyTextListsRecent() {
    QCOMPARE(Found(h_->Search("", 3)), QString("NewName,Eve,say \"hi\""));
  }

  // A text that matches thousands of names stays within the limit and
  // shows the most recent ones.
  void commonTextIsBounded() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    for (int i = 0; i < 3000; ++i)
      h.RecordTable(kA, "A",
                    {Row("0", "Player" + std::to_string(i), std::to_string(10000 + i),
                         "127.0.0.1:" + std::to_string(i))},
                    1000 + i * 400);
    QVERIFY(h.Flush());
    const auto rows = h.Search("player", 20);
    QCOMPARE(rows.size(), std::size_t(20));
    QCOMPARE(rows[0].name, std::string("Player2999"));
    QCOMPARE(rows[19].name, std::string("Player2980"));
  }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
