// The data generator: merging the database's blocks, the record image, the
// translation catalogue reader; its real data from the Debian packages and
// its sample data must be readable by the geo readers, with well-formed
// 24-bit bitmaps.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/lebytes.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "mocatalog.h"
#include "rangebuilder.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::U8;

using zelmora::datagen::GeoBlock;

namespace {
// Pixel (x, y) counted from the top-left of a 24-bit bitmap of 16 pixels
// width and the given height, as RGB.
std::uint32_t Pixel(const std::string& bmp, int x, int y, int height = 16) {
  const std::size_t row = std::size_t(height - 1 - y);  // rows are stored bottom-up
  const std::size_t off = 54 + row * 48 + std::size_t(x) * 3;
  const auto* p = U8(bmp) + off;
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

std::uint8_t* U8Mut(std::string& s) {
  return reinterpret_cast<std::uint8_t*>(s.data());
}

// A little-endian catalogue of the given (original, translation) pairs.
std::string MoFile(const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::uint32_t n = std::uint32_t(entries.size());
  std::string out(28 + 16 * std::size_t(n), '\0');
  auto put = [&out](std::size_t off, std::uint32_t v) { PutU32(U8Mut(out) + off, v); };
  put(0, 0x950412de);
  put(8, n);
  put(12, 28);
  put(16, 28 + 8 * n);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (int t = 0; t < 2; ++t) {
      const std::string& text = t == 0 ? entries[i].first : entries[i].second;
      put(28 + 8 * n * std::uint32_t(t) + 8 * i, std::uint32_t(text.size()));
      put(28 + 8 * n * std::uint32_t(t) + 8 * i + 4, std::uint32_t(out.size()));
      out += text;
      out += '\0';
    }
  }
  return out;
}
}  // namespace

class TestDatagen : public QObject {
  Q_OBJECT

  QString exe_;

  int Run(const QStringList& args) {
    QProcess p;
    p.start(exe_, args);
    if (!p.waitForFinished(30000)) return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

 private slots:
  void initTestCase() {
    exe_ = qEnvironmentVariable("ZELMORA_DATAGEN");
    QVERIFY2(!exe_.isEmpty(), "ZELMORA_DATAGEN names the generator");
  }

  void writesReadableSampleData() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    QCOMPARE(Run({"--sample", tmp.path()}), 0);
    QCOMPARE(Run({"--sample", tmp.path()}), 0);  // running again replaces the files

    const auto ranges = LoadRanges(dir + "/Ranges.dat");
    QVERIFY(ranges.size() >= 4);
    QCOMPARE(ReadBytes(dir + "/Ranges.dat").size(), ranges.size() * kRangeRecSize);
    QCOMPARE(CountryText(ranges, "127.0.0.1"), std::string("lo;Loopback"));
    QCOMPARE(CountryText(ranges, "192.0.2.5"), std::string("de;Deutschland"));
    QCOMPARE(CountryText(ranges, "198.51.100.1"), std::string("gb;Gro\xDF"
                                                              "britannien"));
    QCOMPARE(CountryText(ranges, "8.8.8.8"), std::string("?"));  // no real table

    const auto flags = LoadFlagCodes(dir + "/flags");
    for (const auto& r : ranges) QVERIFY2(FindFlag(flags, r.cc.str()) >= 0, r.cc.str().c_str());
    for (const auto& f : flags) {
      const std::string bmp = ReadBytes(f.file);
      QCOMPARE(bmp.size(), std::size_t(822));
      QCOMPARE(bmp.substr(0, 2), std::string("BM"));
      QCOMPARE(GetU32(U8(bmp) + 2), 822u);
      QCOMPARE(GetU32(U8(bmp) + 10), 54u);
      QCOMPARE(GetU32(U8(bmp) + 14), 40u);
      QCOMPARE(GetI32(U8(bmp) + 18), 16);
      QCOMPARE(GetI32(U8(bmp) + 22), 16);
      QCOMPARE(int(U8(bmp)[26]), 1);
      QCOMPARE(int(U8(bmp)[28]), 24);
      QCOMPARE(GetU32(U8(bmp) + 30), 0u);  // uncompressed
    }
    // Germany: black on top, gold at the bottom; France: blue left, red right.
    const std::string de = ReadBytes(dir + "/flags/de.bmp");
    QCOMPARE(Pixel(de, 0, 0), 0x000000u);
    QCOMPARE(Pixel(de, 15, 15), 0xFFCE00u);
    const std::string fr = ReadBytes(dir + "/flags/fr.bmp");
    QCOMPARE(Pixel(fr, 0, 8), 0x002395u);
    QCOMPARE(Pixel(fr, 15, 8), 0xDD0000u);
  }

  void usageError() {
    QCOMPARE(Run({}), 2);
    QCOMPARE(Run({"--geoip"}), 2);
    QCOMPARE(Run({"--frob", "x"}), 2);
  }

  void mergesNeighboursLeavesOutReserved() {
    const std::vector<GeoBlock> blocks = {
        {0, 9, "--", "N/A"},       {10, 19, "DE", "Germany"}, {20, 29, "DE", "Germany"},
        {30, 39, "--", "N/A"},     {40, 49, "DE", "Germany"}, {50, 59, "AT", "Austria"},
        {60, 69, "DE", "Germany"}, {70, 79, "XX", "N/A"},     {80, 80, "DE", "Germany"},
        {81, 99, "DE", "Germany"}, {100, 109, "", "Nowhere"},
    };
    const auto merged = zelmora::datagen::MergeBlocks(blocks);
    // The reserved gap at 30 keeps 10-29 and 40-49 apart, so it gets no country.
    std::vector<std::string> got;
    for (const auto& b : merged)
      got.push_back(b.cc + ":" + std::to_string(b.first) + "-" + std::to_string(b.last));
    QCOMPARE(got, (std::vector<std::string>{"DE:10-29", "DE:40-49", "AT:50-59", "DE:60-69",
                                            "DE:80-99"}));
  }

  void recordBytes() {
    const std::vector<GeoBlock> merged = {{0x01020304, 0xFFFFFFFFLL, "AT", "Austria"},
                                          {5, 6, "GB", "United Kingdom"}};
    const auto records =
        zelmora::datagen::ToRecords(merged, [](const std::string& cc, const std::string&) {
          return cc == "AT" ? std::string("\xD6sterreich") : std::string(60, 'n');
        });
    const std::string img = zelmora::datagen::EncodeTable(records);
    QCOMPARE(img.size(), std::size_t(2 * 72));
    QCOMPARE(img.substr(0, 8), std::string("\x04\x03\x02\x01\0\0\0\0", 8));
    QCOMPARE(img.substr(8, 8), std::string("\xFF\xFF\xFF\xFF\0\0\0\0", 8));
    QCOMPARE(img.substr(16, 3), std::string("\x02"
                                            "AT"));
    QCOMPARE(img.substr(19, 11), std::string("\x0A\xD6sterreich"));
    QCOMPARE(img.substr(30, 42), std::string(42, '\0'));
    QCOMPARE(int(U8(img)[72 + 19]), 52);  // a long name is cut to the field
    QCOMPARE(img.substr(72 + 20, 52), std::string(52, 'n'));
  }

  void catalogue() {
    const std::string mo = MoFile({{"", "Content-Type: text/plain; charset=UTF-8\n"},
                                   {"Austria", "\xC3\x96sterreich"},
                                   {"Germany", "Deutschland"}});
    const auto c = zelmora::datagen::ParseMoCatalog(mo);
    QCOMPARE(c.size(), std::size_t(2));  // the header is left out
    QCOMPARE(c.at("Austria"), std::string("\xC3\x96sterreich"));
    QCOMPARE(c.at("Germany"), std::string("Deutschland"));
    // Cut short or not a catalogue: nothing, and nothing read beyond the end.
    QVERIFY(zelmora::datagen::ParseMoCatalog(mo.substr(0, mo.size() - 5)).empty());
    QVERIFY(zelmora::datagen::ParseMoCatalog(std::string(40, 'x')).empty());
    std::string big = mo;
    PutU32(U8Mut(big) + 8, 0x7FFFFFFF);  // entry count beyond the tables
    QVERIFY(zelmora::datagen::ParseMoCatalog(big).empty());
  }

  void realDataFromDebianPackages() {
    const QString geoip = qEnvironmentVariable("ZELMORA_GEOIP_DAT");
    const QString pngs = qEnvironmentVariable("ZELMORA_FLAG_PNGS");
    if (!QFile::exists(geoip) || !QFile::exists(pngs))
      QSKIP("geoip-database or famfamfam-flag-png not installed (scripts/install-deps.sh)");
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    QCOMPARE(Run({"--geoip", geoip, "--flags", pngs, "--iso-codes",
                  qEnvironmentVariable("ZELMORA_ISO_CODES"), "--locale",
                  qEnvironmentVariable("ZELMORA_LOCALE"), tmp.path()}),
             0);

    const auto ranges = LoadRanges(dir + "/Ranges.dat");
    QVERIFY(ranges.size() > 100000);
    QCOMPARE(ReadBytes(dir + "/Ranges.dat").size(), ranges.size() * kRangeRecSize);
    std::int64_t end = -1;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const Trangerec& r = ranges[i];
      // Ascending, disjoint, inside the address space; joined neighbours.
      QVERIFY(r.first > end && r.first <= r.last && r.last <= 0xFFFFFFFFLL);
      if (i > 0 && r.first == end + 1) QVERIFY(ranges[i - 1].cc.str() != r.cc.str());
      QVERIFY(r.cc.size() == 2 && r.cc.str() != "--" && !r.country.empty());
      end = r.last;
    }
    QCOMPARE(CountryText(ranges, "194.25.2.129"), std::string("DE;Deutschland"));
    QCOMPARE(CountryText(ranges, "195.3.96.67"), std::string("AT;\xD6sterreich"));
    QCOMPARE(CountryText(ranges, "8.8.8.8"), std::string("US;Vereinigte Staaten"));
    for (const char* reserved :
         {"0.0.0.0", "10.1.2.3", "127.0.0.1", "192.168.1.1", "255.255.255.255"})
      QCOMPARE(CountryText(ranges, reserved), std::string("?"));

    // Flags: one per country picture at its own 16x11 size; the pictures whose
    // names would read as other codes (catalonia: ca, Canada's) are left out.
    const auto flags = LoadFlagCodes(dir + "/flags");
    QVERIFY(flags.size() > 200);
    for (const auto& f : flags) {
      const std::string name = std::filesystem::path(f.file).filename().string();
      QVERIFY2(name.size() == 6 && name.substr(0, 2) == f.code, name.c_str());
    }
    QVERIFY(FindFlag(flags, "eu") >= 0);
    const std::string de = ReadBytes(dir + "/flags/de.bmp");
    QCOMPARE(de.size(), std::size_t(54 + 48 * 11));
    QCOMPARE(GetI32(U8(de) + 18), 16);
    QCOMPARE(GetI32(U8(de) + 22), 11);
    QCOMPARE(int(U8(de)[28]), 24);
    // Black, red, gold from the top (the pictures are shaded, hence ranges).
    auto rgb = [&de](int y) {
      const std::uint32_t c = Pixel(de, 8, y, 11);
      return std::array<int, 3>{int(c >> 16), int((c >> 8) & 0xFF), int(c & 0xFF)};
    };
    QVERIFY(rgb(2)[0] < 0x80 && rgb(2)[1] < 0x80 && rgb(2)[2] < 0x80);
    QVERIFY(rgb(5)[0] > 0xC0 && rgb(5)[1] < 0x80 && rgb(5)[2] < 0x80);
    QVERIFY(rgb(8)[0] > 0xC0 && rgb(8)[1] > 0xC0 && rgb(8)[2] < 0x80);
    const std::string ca = ReadBytes(dir + "/flags/ca.bmp");
    QVERIFY((Pixel(ca, 0, 5, 11) >> 16) > 0xC0);  // Canada's red edge
  }
};

QTEST_MAIN(TestDatagen)
#include "test_datagen.moc"
