// Ranges.dat records, range lookup and country text.
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "geo/ranges.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::PatternBytes;
using zelmora::testing::ReadBytes;
using zelmora::testing::U8;
using zelmora::testing::WriteBytes;

Q_DECLARE_METATYPE(std::string)

namespace {

std::int64_t Addr(int a, int b, int c, int d) {
  return (std::int64_t(a) << 24) + (b << 16) + (c << 8) + d;
}

Trangerec Range(std::int64_t first, std::int64_t last, const std::string& cc,
                const std::string& country) {
  Trangerec r;
  r.first = first;
  r.last = last;
  r.cc.assign(cc);
  r.country.assign(country);
  return r;
}

std::string Image(const Trangerec& r) {
  std::string s(kRangeRecSize, '\0');
  EncodeRange(r, reinterpret_cast<std::uint8_t*>(s.data()));
  return s;
}

// The overlapping pair: 10.0.0.0/8 is A, everything is B.
std::vector<Trangerec> Overlapping() {
  return {Range(Addr(10, 0, 0, 0), Addr(10, 255, 255, 255), "A", "Land A"),
          Range(0, Addr(255, 255, 255, 255), "B", "Land B")};
}

// The first-match scan in file order that the index must reproduce.
int Linear(const std::vector<Trangerec>& recs, std::int64_t v) {
  for (std::size_t i = 0; i < recs.size(); ++i)
    if (recs[i].first <= v && v <= recs[i].last) return int(i);
  return -1;
}

std::string Dotted(std::int64_t v) {
  return std::to_string((v >> 24) & 255) + "." + std::to_string((v >> 16) & 255) + "." +
         std::to_string((v >> 8) & 255) + "." + std::to_string(v & 255);
}

// A hand-made table as it may come: unsorted, overlapping (ranges crowd a
// few small areas), with whole-space, single-address, reversed and
// out-of-range records.
std::vector<Trangerec> RandomTable(std::mt19937_64& rng) {
  const std::int64_t top = 0xFFFFFFFFLL;
  std::vector<Trangerec> recs(1 + rng() % 300);
  for (std::size_t i = 0; i < recs.size(); ++i) {
    const std::int64_t area = std::int64_t(rng() % 4) << 30;
    std::int64_t first = area + std::int64_t(rng() % 20000), last = first;
    switch (rng() % 8) {
      case 0:  // whole space, bounds beyond it
        first = -std::int64_t(rng() % 3);
        last = top + std::int64_t(rng() % 3);
        if (rng() % 4 != 0) continue;  // keep these rare
        break;
      case 1:  // reversed: matches nothing
        last = first - 1 - std::int64_t(rng() % 10);
        break;
      case 2:  // single address
        break;
      case 3:  // wide
        last = first + std::int64_t(rng() % (1u << 28));
        break;
      default:
        last = first + std::int64_t(rng() % 3000);
        break;
    }
    recs[i] = Range(first, last, std::string(1, char('A' + i % 26)), "Land " + std::to_string(i));
  }
  std::shuffle(recs.begin(), recs.end(), rng);
  return recs;
}

}  // namespace

class TestRanges : public QObject {
  Q_OBJECT

 private slots:
  void recordLayout() {
    const Trangerec r = Range(0x0102030405060708LL, -2, "de", "Deutschland");
    const std::string b = Image(r);
    QCOMPARE(b.size(), std::size_t(72));
    QCOMPARE(b.substr(0, 8), std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8));
    QCOMPARE(b.substr(8, 8), std::string("\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    QCOMPARE(b.substr(16, 3), std::string("\x02"
                                          "de",
                                          3));
    QCOMPARE(int(b[19]), 11);
    QCOMPARE(b.substr(20, 11), std::string("Deutschland"));
    QCOMPARE(b.substr(31), std::string(41, '\0'));

    std::string img = PatternBytes(kRangeRecSize, 5);
    img[16] = 2;
    img[19] = 52;
    QCOMPARE(Image(DecodeRange(U8(img))), img);
    img[16] = char(200);  // damaged lengths stay inside their fields
    img[19] = char(99);
    const Trangerec d = DecodeRange(U8(img));
    QCOMPARE(d.cc.size(), std::size_t(2));
    QCOMPARE(d.country.size(), std::size_t(52));
  }

  void loadFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Ranges.dat").toStdString();
    QVERIFY(LoadRanges(path).empty());  // missing: no countries
    const auto src = Overlapping();
    WriteBytes(path, Image(src[0]) + Image(src[1]) + std::string(71, '\x7F'));
    const auto ranges = LoadRanges(path);
    QCOMPARE(ranges.size(), std::size_t(2));
    QCOMPARE(ranges[0].first, Addr(10, 0, 0, 0));
    QCOMPARE(ranges[1].last, Addr(255, 255, 255, 255));
    QCOMPARE(ranges[1].country.str(), std::string("Land B"));

    std::string err;
    QVERIFY(LoadRanges(dir.path().toStdString(), &err).empty());  // a folder
    QVERIFY(!err.empty());
  }

  void lookup_data() {
    QTest::addColumn<std::string>("addr");
    QTest::addColumn<int>("index");
    QTest::newRow("inside first") << std::string("10.1.2.3") << 0;
    QTest::newRow("first bound low") << std::string("10.0.0.0") << 0;
    QTest::newRow("first bound high") << std::string("10.255.255.255") << 0;
    QTest::newRow("second only") << std::string("11.0.0.1") << 1;
    QTest::newRow("just below") << std::string("9.255.255.255") << 1;
    QTest::newRow("reduced to 8 bits") << std::string("266.1.2.3") << 0;  // 266 -> 10
    QTest::newRow("negative wraps") << std::string("10.-1.0.0") << 0;     // -1 -> 255
    QTest::newRow("dns name") << std::string("server.example.com") << -1;
    QTest::newRow("three fields") << std::string("10.1.2") << -1;
    QTest::newRow("empty field") << std::string("10..2.3") << -1;
    QTest::newRow("trailing dot") << std::string("10.1.2.") << -1;
    QTest::newRow("empty") << std::string() << -1;
    QTest::newRow("with port") << std::string("10.1.2.3:28960") << -1;
    QTest::newRow("too big for int32") << std::string("10.1.2.4294967306") << -1;
    QTest::newRow("fifth field ignored") << std::string("10.1.2.3.x") << 0;
  }
  void lookup() {
    QFETCH(std::string, addr);
    QFETCH(int, index);
    QCOMPARE(RangeLookup(Overlapping(), addr), index);
  }

  void eightBitReduction() {
    // 256.1.1.1 is looked up as 0.1.1.1.
    const std::vector<Trangerec> ranges{Range(Addr(0, 1, 1, 1), Addr(0, 1, 1, 1), "zz", "Null"),
                                        Range(Addr(1, 0, 0, 0), Addr(1, 1, 1, 1), "yy", "Eins")};
    QCOMPARE(RangeLookup(ranges, "256.1.1.1"), 0);
    QCOMPARE(RangeLookup(ranges, "0.1.1.1"), 0);
    QCOMPARE(RangeLookup(ranges, "0.1.1.2"), -1);
    QCOMPARE(RangeLookup(ranges, "1.257.1.0"), 1);  // 1.1.1.0
  }

  void signedCompare() {
    // A range with a negative start (foreign table) still holds 0.0.0.5; one
    // beyond 32 bits holds nothing an address can reach.
    const std::vector<Trangerec> ranges{Range(Addr(255, 255, 255, 255) + 1, INT64_MAX, "xx", "X"),
                                        Range(-100, 5, "nn", "N")};
    QCOMPARE(RangeLookup(ranges, "0.0.0.5"), 1);
    QCOMPARE(RangeLookup(ranges, "0.0.0.6"), -1);
    QCOMPARE(RangeLookup(ranges, "255.255.255.255"), -1);
  }

  void indexGivesLinearResult() {
    // Tables read from a file: every bound and its neighbours and random
    // addresses give exactly the linear scan's index.
    QTemporaryDir dir;
    const std::string path = dir.filePath("Ranges.dat").toStdString();
    std::mt19937_64 rng(20240611);
    for (int round = 0; round < 25; ++round) {
      std::vector<Trangerec> recs = RandomTable(rng);
      if (round % 5 == 4) {
        // In address order without overlaps, as the generator writes tables:
        // the index takes its short way, with the same results.
        std::sort(recs.begin(), recs.end(),
                  [](const Trangerec& a, const Trangerec& b) { return a.first < b.first; });
        std::vector<Trangerec> disjoint;
        for (const Trangerec& r : recs)
          if (r.first <= r.last && (disjoint.empty() || r.first > disjoint.back().last))
            disjoint.push_back(r);
        recs = disjoint;
      }
      std::string file;
      for (const Trangerec& r : recs) file += Image(r);
      WriteBytes(path, file);
      const RangeTable table = LoadRanges(path);
      QCOMPARE(table.size(), recs.size());

      std::vector<std::int64_t> probes{0, 0xFFFFFFFFLL};
      for (const Trangerec& r : recs)
        for (std::int64_t d : {-1, 0, 1}) {
          probes.push_back(r.first + d);
          probes.push_back(r.last + d);
        }
      for (int i = 0; i < 500; ++i) probes.push_back(std::int64_t(rng() & 0xFFFFFFFFu));
      for (int i = 0; i < 500; ++i)
        probes.push_back((std::int64_t(rng() % 4) << 30) + rng() % 25000);
      for (std::int64_t v : probes) {
        if (v < 0 || v > 0xFFFFFFFFLL) continue;
        const int want = Linear(recs, v), got = RangeLookup(table, Dotted(v));
        if (got != want)
          QFAIL(qPrintable(QStringLiteral("round %1, %2: index %3, linear %4")
                               .arg(round)
                               .arg(QString::fromStdString(Dotted(v)))
                               .arg(got)
                               .arg(want)));
      }
    }
  }

  void sortedTableIndexIsCompact() {
    // Neighbouring ranges as the generator writes them: one segment per
    // range and gap, the edges of each range exact.
    std::vector<Trangerec> recs;
    for (int i = 0; i < 1000; ++i)
      recs.push_back(
          Range(Addr(1, 0, 0, 0) + i * 512, Addr(1, 0, 0, 0) + i * 512 + 255, "de", "D"));
    const RangeTable table(recs);
    QCOMPARE(table.IndexSize(), std::size_t(1 + 2 * 1000));
    QCOMPARE(table.Find(Addr(1, 0, 0, 0) - 1), -1);
    QCOMPARE(table.Find(Addr(1, 0, 0, 0)), 0);
    QCOMPARE(table.Find(Addr(1, 0, 2, 255)), 1);
    QCOMPARE(table.Find(Addr(1, 0, 3, 0)), -1);
    QCOMPARE(table.Find(Addr(1, 0, 4, 0)), 2);
    QCOMPARE(table.Find(Addr(1, 7, 206, 0)), 999);
    QCOMPARE(table.Find(-1), -1);
    QCOMPARE(table.Find(0x100000000LL), -1);
    // Touching ranges, a one-address gap, the space's last address.
    const RangeTable tight(std::vector<Trangerec>{Range(0, 9, "a", "A"), Range(10, 19, "b", "B"),
                                                  Range(21, 30, "c", "C"),
                                                  Range(0xFFFFFFFFLL, 0xFFFFFFFFLL, "d", "D")});
    QCOMPARE(tight.IndexSize(), std::size_t(6));
    const std::vector<std::pair<std::int64_t, int>> want{
        {0, 0}, {9, 0}, {10, 1}, {19, 1}, {20, -1}, {21, 2}, {30, 2}, {31, -1}, {0xFFFFFFFFLL, 3}};
    for (const auto& [v, index] : want) QCOMPARE(tight.Find(v), index);
  }

  void emptyTable() {
    QCOMPARE(RangeLookup({}, "10.1.2.3"), -1);
    QCOMPARE(CountryText({}, "10.1.2.3"), std::string("?"));
  }

  void countryText() {
    QCOMPARE(CountryText(Overlapping(), "10.1.2.3"), std::string("A;Land A"));
    QCOMPARE(CountryText(Overlapping(), "11.0.0.1"), std::string("B;Land B"));
    QCOMPARE(CountryText(Overlapping(), "server.example.com"), std::string("?"));
    // cc (2) + ";" + a full 52-character name is cut to 53.
    const std::string name = std::string(51, 'n') + "Z";
    const std::vector<Trangerec> full{Range(0, 10, "de", name)};
    const std::string t = CountryText(full, "0.0.0.1");
    QCOMPARE(t.size(), std::size_t(53));
    QCOMPARE(t, "de;" + name.substr(0, 50));
    const std::vector<Trangerec> oneLetter{Range(0, 10, "x", name)};
    QCOMPARE(CountryText(oneLetter, "0.0.0.1"), "x;" + name.substr(0, 51));
  }
};

QTEST_APPLESS_MAIN(TestRanges)
#include "test_ranges.moc"
