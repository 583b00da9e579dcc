#include <QtTest>
#include <random>

#include "core/textutil.h"
#include "protocol/text.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::BL;
using zelmora::test::S;

class TestText : public QObject {
  Q_OBJECT
 private slots:
  void splitText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("sep");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::newRow("empty text") << QByteArray() << QByteArray("\n") << QList<QByteArray>{};
    QTest::newRow("no separator") << QByteArray("abc") << QByteArray("\n")
                                  << QList<QByteArray>{"abc"};
    QTest::newRow("only separator")
        << QByteArray("\n") << QByteArray("\n") << QList<QByteArray>{"", ""};
    QTest::newRow("trailing separator")
        << QByteArray("a\nb\n") << QByteArray("\n") << QList<QByteArray>{"a", "b", ""};
    QTest::newRow("adjacent separators")
        << QByteArray("a\n\nb") << QByteArray("\n") << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("leading separator") << QByteArray("\\sv_hostname\\x") << QByteArray("\\")
                                       << QList<QByteArray>{"", "sv_hostname", "x"};
    QTest::newRow("multi-char separator, first occurrence wins")
        << QByteArray("a--b---c") << QByteArray("--") << QList<QByteArray>{"a", "b", "-c"};
    QTest::newRow("case-sensitive")
        << QByteArray("aXbxc") << QByteArray("x") << QList<QByteArray>{"aXb", "c"};
    QTest::newRow("NUL and high bytes kept") << QByteArray("\xff\0z\nq", 5) << QByteArray("\n")
                                             << QList<QByteArray>{QByteArray("\xff\0z", 3), "q"};
    QTest::newRow("empty separator never matches")
        << QByteArray("abc") << QByteArray() << QList<QByteArray>{"abc"};
  }
  void splitText() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, sep);
    QFETCH(QList<QByteArray>, pieces);
    QCOMPARE(BL(SplitText(S(text), S(sep))), pieces);
  }

  void fieldOf_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("sep");
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArray>("field");
    const QByteArray player = "12 34 \"x\"";
    QTest::newRow("player line, ping at blank")
        << player << QByteArray(" ") << 1 << QByteArray("34");
    QTest::newRow("player line, name at quote")
        << player << QByteArray("\"") << 1 << QByteArray("x");
    QTest::newRow("player line, field 3 missing") << player << QByteArray(" ") << 3 << QByteArray();
    QTest::newRow("player line, field 2 at blank")
        << player << QByteArray(" ") << 2 << QByteArray("\"x\"");
    QTest::newRow("adjacent separators delimit empty piece")
        << QByteArray("a,,b") << QByteArray(",") << 1 << QByteArray();
    QTest::newRow("after empty piece")
        << QByteArray("a,,b") << QByteArray(",") << 2 << QByteArray("b");
    QTest::newRow("leading separator") << QByteArray(",a") << QByteArray(",") << 0 << QByteArray();
    QTest::newRow("trailing separator") << QByteArray("a,") << QByteArray(",") << 1 << QByteArray();
    QTest::newRow("multi-char separator")
        << QByteArray("a<>b<>c") << QByteArray("<>") << 2 << QByteArray("c");
    QTest::newRow("overlapping separator text")
        << QByteArray("a---b") << QByteArray("--") << 1 << QByteArray("-b");
    QTest::newRow("negative index") << QByteArray("a,b") << QByteArray(",") << -1 << QByteArray();
    QTest::newRow("empty text") << QByteArray() << QByteArray(",") << 0 << QByteArray();
  }
  void fieldOf() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, sep);
    QFETCH(int, n);
    QFETCH(QByteArray, field);
    QCOMPARE(B(FieldOf(S(text), S(sep), n)), field);
  }

  // FieldOf scans, SplitText searches: both must agree on every piece for any
  // text, including separators that overlap themselves.
  void fieldOfAgreesWithSplitText() {
    std::mt19937 rng(4711);
    const char alphabet[] = {'a', ',', '-', '\n', '\0', '\xff'};
    const std::string seps[] = {",", "--", "\n", "-,-"};
    for (int round = 0; round < 3000; ++round) {
      std::string text;
      const int len = int(rng() % 24);
      for (int i = 0; i < len; ++i) text.push_back(alphabet[rng() % sizeof(alphabet)]);
      const std::string& sep = seps[rng() % 4];
      const auto pieces = SplitText(text, sep);
      for (int n = 0; n < int(pieces.size()) + 2; ++n) {
        const std::string expected = n < int(pieces.size()) ? pieces[size_t(n)] : std::string();
        if (FieldOf(text, sep, n) != expected) {
          QFAIL(qPrintable(
              QString("text %1 sep %2 n %3")
                  .arg(QString::fromLatin1(B(text).toHex()), QString::fromLatin1(B(sep).toHex()))
                  .arg(n)));
        }
      }
    }
  }

  void copy_data() {
    QTest::addColumn<QByteArray>("s");
    QTest::addColumn<qulonglong>("pos");
    QTest::addColumn<qulonglong>("count");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("start") << QByteArray("abc") << 1ull << 2ull << QByteArray("ab");
    QTest::newRow("count past end") << QByteArray("abc") << 3ull << 5ull << QByteArray("c");
    QTest::newRow("one past end") << QByteArray("abc") << 4ull << 1ull << QByteArray();
    QTest::newRow("far past end") << QByteArray("abc") << 100ull << 1ull << QByteArray();
    QTest::newRow("position 0 taken as 1") << QByteArray("abc") << 0ull << 2ull << QByteArray("ab");
    QTest::newRow("empty") << QByteArray() << 1ull << 1ull << QByteArray();
    QTest::newRow("zero count") << QByteArray("abc") << 2ull << 0ull << QByteArray();
    QTest::newRow("to the end") << QByteArray("abcdef") << 5ull
                                << qulonglong(std::string_view::npos) << QByteArray("ef");
  }
  void copy() {
    QFETCH(QByteArray, s);
    QFETCH(qulonglong, pos);
    QFETCH(qulonglong, count);
    QFETCH(QByteArray, result);
    QCOMPARE(B(Copy(S(s), size_t(pos), size_t(count))), result);
  }

  void trimCtl() {
    QCOMPARE(B(TrimCtl(std::string("\0\t x \r\n", 7))), QByteArray("x"));
    QCOMPARE(B(TrimCtl(std::string("\0\x01 \x1f", 4))), QByteArray());
    QCOMPARE(B(TrimCtl(std::string("a \0 b", 5))), QByteArray("a \0 b", 5));
    // 0x7f and high bytes are not control characters here.
    QCOMPARE(B(TrimCtl("\x7f"
                       "a\xff")),
             QByteArray("\x7f"
                        "a\xff"));
  }

  void parseDecimal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("118") << 118;
    QTest::newRow("negative") << QByteArray("-1") << -1;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("leading blank") << QByteArray(" 7") << 7;
    QTest::newRow("trailing blank") << QByteArray("7 ") << -99;
    QTest::newRow("letters") << QByteArray("x") << -99;
    QTest::newRow("empty") << QByteArray() << -99;
    QTest::newRow("sign only") << QByteArray("-") << -99;
    QTest::newRow("exponent") << QByteArray("1e3") << -99;
    QTest::newRow("max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("overflow") << QByteArray("2147483648") << -99;
    QTest::newRow("huge") << QByteArray("99999999999999999999999") << -99;
  }
  void parseDecimal() {
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(StrToIntDef(S(text), -99), value);
  }
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
