// The sample data generator: its Ranges.dat and flag bitmaps must be readable
// by the geo readers and be well-formed 16x16 24-bit bitmaps.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdint>
#include <string>

#include "core/lebytes.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::U8;

namespace {
// Pixel (x, y) counted from the top-left of a 16x16 24-bit bitmap, as RGB.
std::uint32_t Pixel(const std::string& bmp, int x, int y) {
  const std::size_t row = 15 - y;  // rows are stored bottom-up
  const std::size_t off = 54 + row * 48 + std::size_t(x) * 3;
  const auto* p = U8(bmp) + off;
  return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
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
    QCOMPARE(Run({tmp.path()}), 0);
    QCOMPARE(Run({tmp.path()}), 0);  // running again replaces the files

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

  void usageError() { QCOMPARE(Run({}), 2); }
};

QTEST_MAIN(TestDatagen)
#include "test_datagen.moc"
