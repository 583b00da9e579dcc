// Texts as the player history compares them: normalised names, name
// patterns, the player of a status row, CSV fields and the watch list's
// matching in memory.
#include <QtTest>

#include "history/normalize.h"
#include "history/penalties.h"
#include "history/watchlist.h"
#include "historytestutil.h"

using namespace zelmora;
using zelmora::testing::Row;

namespace {

QByteArray B(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string S(const QByteArray& b) {
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

WatchEntry Entry(std::int64_t id, WatchKind kind, const std::string& value) {
  WatchEntry e;
  e.id = id;
  e.kind = kind;
  e.value = value;
  return e;
}

}  // namespace

class TestNormalize : public QObject {
  Q_OBJECT

 private slots:
  void normalizeName_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QByteArray>("norm");
    QTest::newRow("colour codes") << QByteArray("^1Red^7Team") << QByteArray("redteam");
    QTest::newRow("upper case") << QByteArray("SNIPER") << QByteArray("sniper");
    QTest::newRow("caret pairs as the game strips them") << QByteArray("^^1x") << QByteArray("1x");
    QTest::newRow("trailing caret stays") << QByteArray("abc^") << QByteArray("abc^");
    QTest::newRow("non-digit code") << QByteArray("^aBob") << QByteArray("bob");
    QTest::newRow("control bytes dropped") << QByteArray(
                                                  "A\tB\x01"
                                                  "C\x7f",
                                                  6)
                                           << QByteArray("abc");
    QTest::newRow("NUL dropped") << QByteArray("A\0B", 3) << QByteArray("ab");
    // Windows-1252 letters fold and become UTF-8.
    QTest::newRow("Umlaut capital") << QByteArray("\xc4rger") << QByteArray("\xc3\xa4rger");
    QTest::newRow("Umlaut small") << QByteArray("\xe4rger") << QByteArray("\xc3\xa4rger");
    QTest::newRow("sharp s unchanged") << QByteArray("\xdf") << QByteArray("\xc3\x9f");
    QTest::newRow("multiplication sign is no letter")
        << QByteArray("\xd7") << QByteArray("\xc3\x97");
    QTest::newRow("S caron folds") << QByteArray("\x8a") << QByteArray("\xc5\xa1");
    QTest::newRow("Y diaeresis folds") << QByteArray("\x9f") << QByteArray("\xc3\xbf");
    QTest::newRow("euro sign") << QByteArray("\x80") << QByteArray("\xe2\x82\xac");
    QTest::newRow("undefined byte kept as a character")
        << QByteArray("\x81") << QByteArray("\xc2\x81");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("only codes") << QByteArray("^1^2") << QByteArray("");
  }
  void normalizeName() {
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, norm);
    QCOMPARE(B(NormalizeName(S(raw))), norm);
  }

  void globMatch_data() {
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("exact") << QByteArray("bob") << QByteArray("bob") << true;
    QTest::newRow("whole name only") << QByteArray("bob") << QByteArray("bobby") << false;
    QTest::newRow("star inside") << QByteArray("*sniper*") << QByteArray("thesniperx") << true;
    QTest::newRow("star at end") << QByteArray("clan*") << QByteArray("clanmate") << true;
    QTest::newRow("star needs its text") << QByteArray("clan*x") << QByteArray("clanmate") << false;
    QTest::newRow("question mark one character") << QByteArray("b?b") << QByteArray("bob") << true;
    QTest::newRow("question mark not two") << QByteArray("b?b") << QByteArray("boob") << false;
    // One "?" stands for one character, also a two-byte one.
    QTest::newRow("question mark UTF-8")
        << QByteArray("?rger") << QByteArray("\xc3\xa4rger") << true;
    QTest::newRow("star backtracks") << QByteArray("*ab*abc") << QByteArray("xxabyabababc") << true;
    QTest::newRow("only stars") << QByteArray("**") << QByteArray("") << true;
    QTest::newRow("empty pattern, empty text") << QByteArray("") << QByteArray("") << true;
    QTest::newRow("empty pattern, text") << QByteArray("") << QByteArray("a") << false;
  }
  void globMatch() {
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, text);
    QFETCH(bool, match);
    QCOMPARE(GlobMatch(S(pattern), S(text)), match);
  }

  // Many stars against a long text that never matches stays fast (no
  // exponential backtracking): it must simply return.
  void globMatchHostile() {
    const std::string pattern = std::string(200, '*') + "b";
    const std::string text(5000, 'a');
    QVERIFY(!GlobMatch(pattern, text));
  }

  void playerFromStatusRow_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("guid");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("wantGuid");
    QTest::addColumn<QByteArray>("wantAddress");
    QTest::newRow("GUID and address")
        << QByteArray("^1Bob") << QByteArray("123456") << QByteArray("81.2.3.4:28960")
        << QByteArray("123456") << QByteArray("81.2.3.4");
    QTest::newRow("GUID 0 is none")
        << QByteArray("Bob") << QByteArray("0") << QByteArray("81.2.3.4:1") << QByteArray("")
        << QByteArray("81.2.3.4");
    QTest::newRow("GUID trimmed") << QByteArray("Bob") << QByteArray(" 42\t")
                                  << QByteArray("1.2.3.4:1") << QByteArray("42")
                                  << QByteArray("1.2.3.4");
    QTest::newRow("no GUID column (ioquake3)")
        << QByteArray("Bob") << QByteArray("") << QByteArray("10.0.0.1:27960") << QByteArray("")
        << QByteArray("10.0.0.1");
    QTest::newRow("bot") << QByteArray("Bot") << QByteArray("0") << QByteArray("bot")
                         << QByteArray("") << QByteArray("bot");
  }
  void playerFromStatusRow() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, guid);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, wantGuid);
    QFETCH(QByteArray, wantAddress);
    const SeenPlayer p = PlayerFromStatusRow(Row("0", S(name), S(guid), S(address)));
    QCOMPARE(B(p.name), name);
    QCOMPARE(B(p.guid), wantGuid);
    QCOMPARE(B(p.address), wantAddress);
  }

  // A hostile server's texts are cut to what the history keeps.
  void playerFromStatusRowCuts() {
    const SeenPlayer p = PlayerFromStatusRow(
        Row("0", std::string(5000, 'n'), std::string(500, '7'), std::string(900, '1') + ":1"));
    QCOMPARE(p.name.size(), kMaxNameBytes);
    QCOMPARE(p.guid.size(), kMaxGuidBytes);
    QCOMPARE(p.address.size(), kMaxAddressBytes);
  }

  void csvField_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << QByteArray("Bob") << QByteArray("Bob");
    QTest::newRow("8-bit bytes as they are")
        << QByteArray("\xe4\xf6\xfc^1") << QByteArray("\xe4\xf6\xfc^1");
    QTest::newRow("semicolon") << QByteArray("a;b") << QByteArray("\"a;b\"");
    QTest::newRow("quote doubled") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line feed") << QByteArray("a\nb") << QByteArray("\"a\nb\"");
    QTest::newRow("carriage return") << QByteArray("a\rb") << QByteArray("\"a\rb\"");
    QTest::newRow("formula") << QByteArray("=HYPERLINK(1)") << QByteArray("'=HYPERLINK(1)");
    QTest::newRow("clan tag with minus") << QByteArray("-=XY=-Bob") << QByteArray("'-=XY=-Bob");
    QTest::newRow("plus") << QByteArray("+1") << QByteArray("'+1");
    QTest::newRow("at") << QByteArray("@a") << QByteArray("'@a");
    QTest::newRow("formula with semicolon") << QByteArray("=1;2") << QByteArray("\"'=1;2\"");
    QTest::newRow("minus inside is fine") << QByteArray("a-b") << QByteArray("a-b");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
  }
  void csvField() {
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, field);
    QCOMPARE(B(CsvField(S(value))), field);
  }

  void watchSetGuids() {
    WatchEntry off = Entry(1, WatchKind::kGuid, "111");
    off.enabled = false;
    WatchEntry silenced = Entry(2, WatchKind::kGuid, "222");
    silenced.silencedUntil = 5000;
    const WatchSet set({off, silenced, Entry(3, WatchKind::kGuid, " 333 "),
                        Entry(4, WatchKind::kGuid, "0"), Entry(5, WatchKind::kGuid, "111")});
    QVERIFY(!set.MatchGuid("999", 100));
    // An entry switched off is passed over; another one for the GUID counts.
    QCOMPARE(set.MatchGuid("111", 100)->id, std::int64_t(5));
    QVERIFY(!set.MatchGuid("222", 4999));
    QCOMPARE(set.MatchGuid("222", 5000)->id, std::int64_t(2));
    QCOMPARE(set.MatchGuid("333", 0)->id, std::int64_t(3));
    QVERIFY(!set.MatchGuid("0", 0));
    QVERIFY(!set.MatchGuid("", 0));
    QVERIFY(!set.MatchGuid("33", 0));
  }

  void watchSetNames() {
    const WatchSet set({Entry(1, WatchKind::kNamePattern, "*^1SNIPER*"),
                        Entry(2, WatchKind::kNamePattern, "\xc4rger"),
                        Entry(3, WatchKind::kNamePattern, "^1")});
    QCOMPARE(set.MatchName("^3The^2Sniper^7", 0)->id, std::int64_t(1));
    QCOMPARE(set.MatchName("\xe4rger", 0)->id, std::int64_t(2));
    QVERIFY(!set.MatchName("\xe4rger2", 0));
    QVERIFY(!set.MatchName("Bob", 0));
    // A pattern that is only colour codes matches nothing (not every name).
    QVERIFY(!set.MatchName("", 0));
  }

  void watchSetChanges() {
    WatchSet set;
    set.Put(Entry(7, WatchKind::kGuid, "777"));
    QVERIFY(set.MatchGuid("777", 0));
    WatchEntry changed = *set.Find(7);
    changed.value = "778";
    set.Put(changed);
    QCOMPARE(set.entries().size(), std::size_t(1));
    QVERIFY(!set.MatchGuid("777", 0));
    QVERIFY(set.MatchGuid("778", 0));
    QVERIFY(set.Remove(7));
    QVERIFY(!set.Remove(7));
    QVERIFY(!set.MatchGuid("778", 0));
  }
};

QTEST_GUILESS_MAIN(TestNormalize)
#include "test_normalize.moc"
