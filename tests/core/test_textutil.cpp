// Text helpers: trimming, integer conversion, cutting, lower case.
#include <QtTest>

#include <string>

#include "core/textutil.h"

using namespace zelmora;

Q_DECLARE_METATYPE(std::string)

class TestTextUtil : public QObject {
  Q_OBJECT

 private slots:
  void trimCtl() {
    QCOMPARE(TrimCtl("  \t\r\n 192.0.2.1 \x01\x1F "), std::string("192.0.2.1"));
    QCOMPARE(TrimCtl(std::string("\0a b\0", 5)), std::string("a b"));
    QCOMPARE(TrimCtl(" \t "), std::string());
    QCOMPARE(TrimCtl(""), std::string());
    // Bytes from 128 up are characters, not control codes.
    QCOMPARE(TrimCtl("\xA0x\xFF"), std::string("\xA0x\xFF"));
    QCOMPARE(TrimCtl("x"), std::string("x"));
  }

  void parseInt32_data() {
    QTest::addColumn<std::string>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << std::string("28960") << true << 28960;
    QTest::newRow("leading zeros") << std::string("0042") << true << 42;
    QTest::newRow("leading blanks") << std::string("   7") << true << 7;
    QTest::newRow("plus") << std::string("+5") << true << 5;
    QTest::newRow("minus") << std::string("-17") << true << -17;
    QTest::newRow("zero") << std::string("0") << true << 0;
    QTest::newRow("max") << std::string("2147483647") << true << 2147483647;
    QTest::newRow("min") << std::string("-2147483648") << true << int(-2147483647 - 1);
    QTest::newRow("max+1") << std::string("2147483648") << false << 0;
    QTest::newRow("min-1") << std::string("-2147483649") << false << 0;
    QTest::newRow("huge") << std::string(400, '9') << false << 0;
    QTest::newRow("many zeros") << std::string(300, '0') + "12" << true << 12;
    QTest::newRow("empty") << std::string() << false << 0;
    QTest::newRow("blanks only") << std::string("   ") << false << 0;
    QTest::newRow("sign only") << std::string("-") << false << 0;
    QTest::newRow("double sign") << std::string("--1") << false << 0;
    QTest::newRow("blank after sign") << std::string("- 1") << false << 0;
    QTest::newRow("trailing blank") << std::string("12 ") << false << 0;
    QTest::newRow("trailing letter") << std::string("12a") << false << 0;
    QTest::newRow("tab before") << std::string("\t12") << false << 0;
    QTest::newRow("hex dollar") << std::string("$1F") << false << 0;
    QTest::newRow("hex 0x") << std::string("0x1F") << false << 0;
    QTest::newRow("decimal point") << std::string("1.5") << false << 0;
    QTest::newRow("nul inside") << std::string(
                                       "1\0"
                                       "2",
                                       3)
                                << false << 0;
    QTest::newRow("high byte") << std::string("1\xB2") << false << 0;
  }
  void parseInt32() {
    QFETCH(std::string, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const auto v = ParseInt32(text);
    QCOMPARE(v.has_value(), ok);
    if (ok) QCOMPARE(*v, value);
    QCOMPARE(IsDecimalNumber(text), ok);
    QCOMPARE(StrToIntDef(text, -99), ok ? value : -99);
  }

  void cut() {
    QCOMPARE(Cut("abcdef", 3), std::string("abc"));
    QCOMPARE(Cut("ab", 3), std::string("ab"));
    QCOMPARE(Cut("ab", 0), std::string());
    QCOMPARE(Cut(std::string("a\0b", 3), 2), std::string("a\0", 2));
  }

  void lowerAscii() {
    QCOMPARE(LowerAscii("DE.BMP"), std::string("de.bmp"));
    QCOMPARE(LowerAscii("AZaz@[`{"), std::string("azaz@[`{"));
    // Windows-1252 letters stay as they are (no locale involved).
    QCOMPARE(LowerAscii("\xC4\xD6\xDC"), std::string("\xC4\xD6\xDC"));
  }
};

QTEST_APPLESS_MAIN(TestTextUtil)
#include "test_textutil.moc"
