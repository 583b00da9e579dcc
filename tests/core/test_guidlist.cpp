// Guids.dat records and file.
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/guidlist.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::PatternBytes;
using zelmora::testing::ReadBytes;
using zelmora::testing::U8;
using zelmora::testing::WriteBytes;

namespace {
Tguidrec Make(const std::string& guid, const std::string& name) {
  Tguidrec r;
  r.guid.assign(guid);
  r.name.assign(name);
  return r;
}
std::string Image(const Tguidrec& r) {
  std::string s(kGuidRecSize, '\0');
  EncodeGuidRec(r, reinterpret_cast<std::uint8_t*>(s.data()));
  return s;
}
}  // namespace

class TestGuidList : public QObject {
  Q_OBJECT

 private slots:
  void recordLayout() {
    Tguidrec r = Make("1234567890", "^1Spieler");
    const std::string b = Image(r);
    QCOMPARE(b.size(), std::size_t(262));
    QCOMPARE(int(std::uint8_t(b[0])), 10);
    QCOMPARE(b.substr(1, 10), std::string("1234567890"));
    QCOMPARE(int(std::uint8_t(b[11])), 9);
    QCOMPARE(b.substr(12, 9), std::string("^1Spieler"));
    QCOMPARE(b.substr(21), std::string(241, '\0'));
  }

  void longTextsCut() {
    Tguidrec r = Make("123456789012345", std::string(260, 'n') + "END");
    QCOMPARE(r.guid.str(), std::string("1234567890"));
    QCOMPARE(r.name.size(), std::size_t(250));
    const std::string b = Image(r);
    QCOMPARE(int(std::uint8_t(b[11])), 250);
    QCOMPARE(b.substr(12, 250), std::string(250, 'n'));
  }

  void imageRoundTripAndClamp() {
    std::string img = PatternBytes(kGuidRecSize, 4242);
    img[0] = 7;
    img[11] = char(200);
    QCOMPARE(Image(DecodeGuidRec(U8(img))), img);
    img[0] = char(255);  // corrupt lengths read as the field size
    img[11] = char(251);
    const Tguidrec r = DecodeGuidRec(U8(img));
    QCOMPARE(r.guid.size(), std::size_t(10));
    QCOMPARE(r.name.size(), std::size_t(250));
    QCOMPARE(r.name.str(), img.substr(12, 250));
  }

  void fileRoundTrip() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Guids.dat").toStdString();
    Tguidlist list{Make("42", "^3Alpha"),
                   Make("-7",
                        "Beta\x0E"
                        "x"),
                   Make("0", "")};
    list[1].name.assign("B");  // leftover bytes travel along
    std::string err;
    QVERIFY2(SaveGuids(path, list, &err), err.c_str());
    const std::string file = ReadBytes(path);
    QCOMPARE(file, Image(list[0]) + Image(list[1]) + Image(list[2]));
#ifndef _WIN32
    // A new Guids.dat holds no passwords: the usual mode.
    struct stat st {};
    stat(path.c_str(), &st);
    const mode_t mask = umask(0);
    umask(mask);
    QCOMPARE(int(st.st_mode & 0777), int(0666 & ~mask));
#endif
    Tguidlist back;
    QVERIFY(LoadGuids(path, back, &err));
    QCOMPARE(back.size(), std::size_t(3));
    for (std::size_t i = 0; i < 3; ++i) QCOMPARE(Image(back[i]), Image(list[i]));
    QCOMPARE(back[0].guid.str(), std::string("42"));
    QCOMPARE(back[1].name.str(), std::string("B"));
  }

  void partialAndMissing() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Guids.dat").toStdString();
    Tguidlist list{Make("1", "x")};
    std::string err;
    QVERIFY(LoadGuids(path, list, &err));
    QVERIFY(list.empty());

    WriteBytes(path, Image(Make("5", "five")) + Image(Make("6", "six")) + std::string(261, 'z'));
    QVERIFY(LoadGuids(path, list, &err));
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[1].name.str(), std::string("six"));

    QVERIFY(SaveGuids(path, {}, &err));
    QCOMPARE(ReadBytes(path), std::string());
  }

  void saveFailureKeepsOldFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Guids.dat").toStdString();
    std::filesystem::create_directory(path);
    std::string err;
    QVERIFY(!SaveGuids(path, {Make("1", "a")}, &err));
    QVERIFY(err.find(path) != std::string::npos);
    QVERIFY(std::filesystem::is_directory(path));
    Tguidlist list{Make("1", "x")};
    QVERIFY(!LoadGuids(path, list, &err));
    QCOMPARE(list.size(), std::size_t(1));
  }

  // The player list's remember/forget compares GUID texts exactly and, of
  // several equal entries, removes the last one.
  void rememberOrForget() {
    Tguidlist list{Make("42", "first"), Make("7", "x"), Make("42", "second")};
    QCOMPARE(RememberOrForgetGuid(list, "042", "^1Neo"), GuidToggle::Remembered);
    QCOMPARE(list.size(), std::size_t(4));
    QCOMPARE(list[3].guid.str(), std::string("042"));
    QCOMPARE(list[3].name.str(), std::string("^1Neo"));
    QCOMPARE(RememberOrForgetGuid(list, "42", "ignored"), GuidToggle::Forgotten);
    QCOMPARE(list.size(), std::size_t(3));
    QCOMPARE(list[0].name.str(), std::string("first"));
    QCOMPARE(list[1].guid.str(), std::string("7"));
    QCOMPARE(list[2].guid.str(), std::string("042"));
    QCOMPARE(RememberOrForgetGuid(list, "42", ""), GuidToggle::Forgotten);
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(RememberOrForgetGuid(list, "123456", std::string(300, 'n')), GuidToggle::Remembered);
    QCOMPARE(list.back().name.size(), std::size_t(250));
  }
};

QTEST_APPLESS_MAIN(TestGuidList)
#include "test_guidlist.moc"
