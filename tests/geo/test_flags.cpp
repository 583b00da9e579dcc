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
    for (const char* name : {"germany.bmp", "DE.BMP", "be.bmp", "_x.bmp", "fr.Bmp", "x.bmp",
                             "notes.txt", "it.bmp.bak", "gbbmp", "a.jpg"})
      WriteBytes(dir + "/" + name, "BM");
    std::filesystem::create_directory(dir + "/dir.bmp");  // folders are not flags

    const auto flags = LoadFlagCodes(dir);
    // Ordered by name without regard to case, as Windows lists the folder:
    // be.bmp before DE.BMP, and "_" (after the upper-case letters) last.
    std::vector<std::string> codes, files;
    for (const auto& f : flags) {
      codes.push_back(f.code);
      files.push_back(std::filesystem::path(f.file).filename().string());
    }
    QCOMPARE(codes, (std::vector<std::string>{"be", "de", "fr", "ge", "x", "_x"}));
    QCOMPARE(files, (std::vector<std::string>{"be.bmp", "DE.BMP", "fr.Bmp", "germany.bmp", "x.bmp",
                                              "_x.bmp"}));
    QCOMPARE(flags[3].file, dir + "/germany.bmp");

    QCOMPARE(FindFlag(flags, "de"), 1);
    QCOMPARE(FindFlag(flags, "ge"), 3);
    QCOMPARE(FindFlag(flags, "x"), 4);
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
