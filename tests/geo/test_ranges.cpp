// Ranges.dat records, range lookup and country text.
#include <QTemporaryDir>
#include <QtTest>

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
