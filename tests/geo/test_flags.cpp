// Flag codes from the flags folder.
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#include "geo/flags.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::WriteBytes;

class TestFlags : public QObject {
  Q_OBJECT

 private slots:
  void codesFromFileNames() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    for (const char* name :
         {"germany.bmp", "DE.BMP", "fr.Bmp", "x.bmp", "notes.txt", "it.bmp.bak", "gbbmp", "a.jpg"})
      WriteBytes(dir + "/" + name, "BM");
    std::filesystem::create_directory(dir + "/dir.bmp");  // folders are not flags

    const auto flags = LoadFlagCodes(dir);
    // Byte order of the file names: upper case before lower case.
    std::vector<std::string> codes, files;
    for (const auto& f : flags) {
      codes.push_back(f.code);
      files.push_back(std::filesystem::path(f.file).filename().string());
    }
    QCOMPARE(codes, (std::vector<std::string>{"de", "fr", "ge", "x"}));
    QCOMPARE(files, (std::vector<std::string>{"DE.BMP", "fr.Bmp", "germany.bmp", "x.bmp"}));
    QCOMPARE(flags[2].file, dir + "/germany.bmp");

    QCOMPARE(FindFlag(flags, "de"), 0);
    QCOMPARE(FindFlag(flags, "ge"), 2);
    QCOMPARE(FindFlag(flags, "x"), 3);
    QCOMPARE(FindFlag(flags, "DE"), -1);  // exact comparison
    QCOMPARE(FindFlag(flags, "d"), -1);
    QCOMPARE(FindFlag(flags, ""), -1);
    QCOMPARE(FindFlag(flags, "it"), -1);
  }

  void firstMatchWins() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    WriteBytes(dir + "/deutschland.bmp", "BM");
    WriteBytes(dir + "/de.bmp", "BM");
    const auto flags = LoadFlagCodes(dir);
    QCOMPARE(flags.size(), std::size_t(2));
    QCOMPARE(FindFlag(flags, "de"), 0);
    QCOMPARE(std::filesystem::path(flags[0].file).filename().string(), std::string("de.bmp"));
  }

  void missingFolder() {
    QTemporaryDir tmp;
    QVERIFY(LoadFlagCodes(tmp.filePath("flags").toStdString()).empty());
    QCOMPARE(FindFlag({}, "de"), -1);
  }
};

QTEST_APPLESS_MAIN(TestFlags)
#include "test_flags.moc"
