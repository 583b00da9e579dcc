// The list window's operations on the GUID list: adding by hand, the
// exchange text (import and export), deleting.
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#include "core/guidlist.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::WriteBytes;

namespace {

Tguidrec Make(const std::string& guid, const std::string& name) {
  Tguidrec r;
  r.guid.assign(guid);
  r.name.assign(name);
  return r;
}

// "guid name" of every entry, the list window's lines.
std::vector<std::string> Lines(const Tguidlist& list) {
  std::vector<std::string> out;
  for (const Tguidrec& r : list) out.push_back(GuidListLine(r));
  return out;
}

using Strings = std::vector<std::string>;

}  // namespace

class TestGuidListOps : public QObject {
  Q_OBJECT

 private slots:
  void addByHandComparesNumbers() {
    Tguidlist list;
    QCOMPARE(AddGuidByHand(list, "  0042 \t", "^1Alpha"), GuidAddResult::kAdded);
    QCOMPARE(list.back().guid.str(), std::string("42"));
    QCOMPARE(AddGuidByHand(list, "42", "Other"), GuidAddResult::kDuplicate);
    QCOMPARE(AddGuidByHand(list, "+42", "Other"), GuidAddResult::kDuplicate);
    // Entries remembered from a status table keep their text; the window
    // still sees their number, and a text that is no number equals nothing.
    list.push_back(Make("0077", "Status"));
    list.push_back(Make("abc", "Odd"));
    QCOMPARE(AddGuidByHand(list, "77", "x"), GuidAddResult::kDuplicate);
    QCOMPARE(AddGuidByHand(list, "0", "Zero"), GuidAddResult::kAdded);
    QCOMPARE(AddGuidByHand(list, "-5", "Minus"), GuidAddResult::kAdded);
    QCOMPARE(AddGuidByHand(list, "-999999999", "Long"), GuidAddResult::kAdded);
    QCOMPARE(Lines(list), (Strings{"42 ^1Alpha", "0077 Status", "abc Odd", "0 Zero", "-5 Minus",
                                   "-999999999 Long"}));
  }

  void addByHandRefusals() {
    Tguidlist list{Make("1", "a")};
    // The name is checked first, even when the GUID is no number.
    QCOMPARE(AddGuidByHand(list, "x", ""), GuidAddResult::kNameMissing);
    QCOMPARE(AddGuidByHand(list, "12 34", "n"), GuidAddResult::kNotANumber);
    QCOMPARE(AddGuidByHand(list, "", "n"), GuidAddResult::kNotANumber);
    QCOMPARE(AddGuidByHand(list, "0x1F", "n"), GuidAddResult::kNotANumber);
    QCOMPARE(AddGuidByHand(list, "2147483648", "n"), GuidAddResult::kNotANumber);
    // Eleven characters would be cut to a different number in the record.
    QCOMPARE(AddGuidByHand(list, "-1000000000", "n"), GuidAddResult::kNotANumber);
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(AddGuidByHand(list, "2147483647", "max"), GuidAddResult::kAdded);
  }

  void exportBytes() {
    const Tguidlist list{Make("42",
                              "A\x0E"
                              "B\x0E"),
                         Make("0077", ""), Make("-3", "^2Gr\xFCn")};
    QCOMPARE(ExportGuidText(list), std::string("42\x0E"
                                               "A_B_\r\n"
                                               "0077\x0E\r\n"
                                               "-3\x0E^2Gr\xFCn\r\n"));
    QCOMPARE(ExportGuidText({}), std::string());
  }

  void importLineEndsAndSkips() {
    Tguidlist list{Make("42", "Known")};
    const std::string text =
        "042\x0E"
        "Dup\r\n"  // same number as 42
        "7\x0E"
        "Seven\n"
        "0\x0E"
        "Zero\r"
        "-9\x0E"
        "Neg\r\n"
        "8\x0E\n"  // empty name
        "9\n"      // no separator: no name
        "\r\n"
        "x1\x0E"
        "NoNumber\n"
        "10\x0E"
        "Ten\x0E"
        "ignored\r\r"
        "7\x0E"
        "Again\n"  // duplicate of a line of the same import
        "11\x0E"
        "Last";  // no line end
    QCOMPARE(ImportGuidText(list, text), std::size_t(3));
    QCOMPARE(Lines(list), (Strings{"42 Known", "7 Seven", "10 Ten", "11 Last"}));
  }

  void importCutsNameAndNormalisesNumber() {
    Tguidlist list;
    const std::string longName = std::string(250, 'n') + "TAIL";
    ImportGuidText(list, "00123\x0E" + longName + "\r\n");
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(list[0].guid.str(), std::string("123"));
    QCOMPARE(list[0].name.str(), std::string(250, 'n'));
  }

  void exportImportRoundTrip() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("liste.gls").toStdString();
    const Tguidlist list{Make("5",
                              "Tab\x0E"
                              "Name"),
                         Make("6", "^1Red ^7White"), Make("2147483647", "Max")};
    std::string err;
    QVERIFY2(ExportGuidFile(path, list, &err), err.c_str());
    QCOMPARE(ReadBytes(path), ExportGuidText(list));
    Tguidlist back;
    QVERIFY(ImportGuidFile(path, back, &err));
    QCOMPARE(Lines(back), (Strings{"5 Tab_Name", "6 ^1Red ^7White", "2147483647 Max"}));
    // Importing the same file again adds nothing.
    QVERIFY(ImportGuidFile(path, back, &err));
    QCOMPARE(back.size(), std::size_t(3));
  }

  void exportReplacesAtomically() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("out.gls").toStdString();
    WriteBytes(path, std::string(5000, 'x'));
    std::string err;
    QVERIFY(ExportGuidFile(path, {Make("1", "a")}, &err));
    QCOMPARE(ReadBytes(path), std::string("1\x0E"
                                          "a\r\n"));
    // A target that cannot be replaced keeps what it was; the reason is told.
    const std::string blocked = dir.filePath("folder.gls").toStdString();
    std::filesystem::create_directory(blocked);
    err.clear();
    QVERIFY(!ExportGuidFile(blocked, {Make("1", "a")}, &err));
    QVERIFY(!err.empty());
    QVERIFY(std::filesystem::is_directory(blocked));
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path().toStdString()))
      leftovers += e.path().filename().string().find(".tmp") != std::string::npos;
    QCOMPARE(leftovers, 0);
  }

  void importFileMissingOrUnreadable() {
    QTemporaryDir dir;
    Tguidlist list{Make("1", "a")};
    std::string err;
    QVERIFY(ImportGuidFile(dir.filePath("none.gls").toStdString(), list, &err));
    QVERIFY(!ImportGuidFile(dir.path().toStdString(), list, &err));
    QVERIFY(!err.empty());
    QCOMPARE(list.size(), std::size_t(1));
  }

  void deleteKeepsOrder() {
    Tguidlist list{Make("1", "a"), Make("2", "b"), Make("3", "c"), Make("4", "d"), Make("5", "e")};
    QVERIFY(DeleteGuidAt(list, 2));
    QCOMPARE(Lines(list), (Strings{"1 a", "2 b", "4 d", "5 e"}));
    QVERIFY(!DeleteGuidAt(list, 4));
    QCOMPARE(list.size(), std::size_t(4));
  }

  void defaultExtension() {
    QCOMPARE(WithDefaultExtension("/home/op/liste", ".gls"), std::string("/home/op/liste.gls"));
    QCOMPARE(WithDefaultExtension("/home/op/liste.txt", ".gls"), std::string("/home/op/liste.txt"));
    QCOMPARE(WithDefaultExtension("/home/op.d/liste", ".gls"), std::string("/home/op.d/liste.gls"));
    QCOMPARE(WithDefaultExtension("C:\\Spiele.x\\guids", ".gls"),
             std::string("C:\\Spiele.x\\guids.gls"));
  }
};

QTEST_APPLESS_MAIN(TestGuidListOps)
#include "test_guidlistops.moc"
