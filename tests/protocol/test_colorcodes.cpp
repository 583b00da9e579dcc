#include <QtTest>
#include <set>

#include "protocol/colorcodes.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::S;

namespace {
// Compact form of a layout: each drawn character followed by its colour
// digit, or '-' for the painter's initial colour.
QByteArray Layout(const std::vector<ColorRun>& runs) {
  QByteArray out;
  for (const ColorRun& r : runs) {
    out.append(r.ch);
    out.append(r.color ? char('0' + *r.color) : '-');
  }
  return out;
}
}  // namespace

class TestColorCodes : public QObject {
  Q_OBJECT
 private slots:
  void strip_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stripped");
    QTest::newRow("two codes") << QByteArray("^1Red ^7White") << QByteArray("Red White");
    QTest::newRow("caret last kept") << QByteArray("abc^") << QByteArray("abc^");
    QTest::newRow("caret eats caret") << QByteArray("^^1x") << QByteArray("1x");
    QTest::newRow("non-digit code") << QByteArray("^a") << QByteArray();
    QTest::newRow("lone caret") << QByteArray("^") << QByteArray("^");
    QTest::newRow("double caret at end") << QByteArray("x^^") << QByteArray("x");
    QTest::newRow("triple caret") << QByteArray("^^^") << QByteArray("^");
    QTest::newRow("code then caret last") << QByteArray("^1^") << QByteArray("^");
    QTest::newRow("carriage return removed") << QByteArray("a\rb\r") << QByteArray("ab");
    QTest::newRow("caret before CR") << QByteArray("a^\rb") << QByteArray("ab");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("high bytes are plain characters")
        << QByteArray("\xff^\xe4\xe9") << QByteArray("\xff\xe9");
    QTest::newRow("NUL kept") << QByteArray("a\0^2b", 5) << QByteArray("a\0b", 3);
  }
  void strip() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stripped);
    QCOMPARE(B(StripColorCodes(S(text))), stripped);
  }

  // UTF-8 text: a caret takes a whole character; on ASCII the same as the
  // byte rule.
  void stripUtf8_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stripped");
    QTest::newRow("two codes") << QByteArray("^1Red ^7White") << QByteArray("Red White");
    QTest::newRow("caret eats caret") << QByteArray("^^1x") << QByteArray("1x");
    QTest::newRow("triple caret") << QByteArray("^^^") << QByteArray("^");
    QTest::newRow("carriage return removed") << QByteArray("a\rb\r") << QByteArray("ab");
    QTest::newRow("umlaut after caret") << QByteArray("^\xc3\xb6x") << QByteArray("x");
    QTest::newRow("three bytes after caret") << QByteArray("^\xe2\x82\xacx") << QByteArray("x");
    QTest::newRow("four bytes after caret") << QByteArray("^\xf0\x9f\x98\x80x") << QByteArray("x");
    QTest::newRow("cyrillic kept")
        << QByteArray("^2\xd0\x9c\xd0\xb8\xd1\x80") << QByteArray("\xd0\x9c\xd0\xb8\xd1\x80");
    QTest::newRow("cut sequence at the end") << QByteArray("a^\xe2\x82") << QByteArray("a");
    QTest::newRow("caret last after umlaut") << QByteArray("\xc3\xb6^") << QByteArray("\xc3\xb6^");
  }
  void stripUtf8() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stripped);
    QCOMPARE(B(StripColorCodesUtf8(S(text))), stripped);
  }

  void table() {
    const auto& t = ColorTable();
    QCOMPARE(t[0], (Rgb{0, 0, 0}));
    QCOMPARE(t[1], (Rgb{210, 0, 0}));
    QCOMPARE(t[2], (Rgb{0, 159, 80}));
    QCOMPARE(t[3], (Rgb{211, 201, 3}));
    QCOMPARE(t[4], (Rgb{0, 0, 255}));
    QCOMPARE(t[5], (Rgb{0, 210, 210}));
    QCOMPARE(t[6], (Rgb{255, 0, 255}));
    QCOMPARE(t[7], (Rgb{209, 209, 209}));
    QCOMPARE(t[8], (Rgb{0, 128, 64}));
    QCOMPARE(t[9], (Rgb{128, 128, 128}));
    QCOMPARE(QString::fromUtf8(ColorName(0)), QStringLiteral("schwarz"));
    QCOMPARE(QString::fromUtf8(ColorName(2)), QStringLiteral("grün"));
    QCOMPARE(QString::fromUtf8(ColorName(5)), QStringLiteral("hellblau/türkis"));
    QCOMPARE(QString::fromUtf8(ColorName(7)), QStringLiteral("weiß"));
    QCOMPARE(QString::fromUtf8(ColorName(8)), QStringLiteral("dunkelgrün / teamfarbe"));
    QCOMPARE(QString::fromUtf8(ColorName(9)), QStringLiteral("grau"));
    std::set<std::string> names;
    for (int i = 0; i < 10; ++i) names.insert(ColorName(i));
    QCOMPARE(names.size(), size_t(10));
    QCOMPARE(QByteArray(ColorName(-1)), QByteArray());
    QCOMPARE(QByteArray(ColorName(10)), QByteArray());
  }

  void runs_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");  // -1 = no start colour
    QTest::addColumn<QByteArray>("layout");
    QTest::newRow("two codes") << QByteArray("^1Red ^7White") << -1
                               << QByteArray("R1e1d1 1W7h7i7t7e7");
    QTest::newRow("text before first code") << QByteArray("ab^2c") << -1 << QByteArray("a-b-c2");
    QTest::newRow("start colour") << QByteArray("ab") << 3 << QByteArray("a3b3");
    QTest::newRow("caret caret digit") << QByteArray("^^1x") << -1 << QByteArray("x1");
    QTest::newRow("non-digit code draws nothing") << QByteArray("^a") << 4 << QByteArray();
    QTest::newRow("non-digit keeps colour") << QByteArray("^9^ab") << -1 << QByteArray("b9");
    QTest::newRow("caret last not drawn") << QByteArray("abc^") << -1 << QByteArray("a-b-c-");
    QTest::newRow("code at end") << QByteArray("x^5") << -1 << QByteArray("x-");
    QTest::newRow("digit drawn after code") << QByteArray("1^12") << -1 << QByteArray("1-21");
    QTest::newRow("empty") << QByteArray() << 2 << QByteArray();
  }
  void runs() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(QByteArray, layout);
    const std::optional<int> startColor = start < 0 ? std::nullopt : std::optional<int>(start);
    QCOMPARE(Layout(ColorTextRuns(S(text), startColor)), layout);
  }

  // A text without any caret is drawn whole in the start colour.
  void runsWithoutCodes() {
    const std::string text = "plain \xe4 text\r";
    const auto runs = ColorTextRuns(text, 6);
    QCOMPARE(runs.size(), text.size());
    for (size_t i = 0; i < runs.size(); ++i) {
      QCOMPARE(runs[i].ch, text[i]);
      QCOMPARE(runs[i].color, std::optional<int>(6));
    }
  }
};

QTEST_GUILESS_MAIN(TestColorCodes)
#include "test_colorcodes.moc"
