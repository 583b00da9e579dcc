// A server's text encoding: kept in the record's spare field without
// touching anything else of the 2043-byte image, read back by a later run,
// carried along by a program that knows nothing of it; the automatic
// choice per text; typed text encoded for the server.
#include <QtTest>

#include <string>

#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "core/serverrec.h"
#include "testfiles.h"

using namespace zelmora;
using namespace zelmora::testing;

Q_DECLARE_METATYPE(zelmora::TextEncoding)

namespace {

constexpr std::size_t kSpare = 1782;

std::string Image(const Tserverrec& e) {
  std::string out(kServerRecSize, '\0');
  EncodeServerRec(e, reinterpret_cast<std::uint8_t*>(out.data()));
  return out;
}

// A record decoded from a foreign image: every byte set.
Tserverrec Foreign(std::uint32_t seed, std::string_view spare) {
  std::string bytes = PatternBytes(kServerRecSize, seed);
  bytes[kSpare] = static_cast<char>(spare.size());
  bytes.replace(kSpare + 1, spare.size(), spare);
  return DecodeServerRec(U8(bytes));
}

}  // namespace

class TestServerEncoding : public QObject {
  Q_OBJECT

 private slots:
  // The choice changes the spare field's length byte and its text, nothing
  // else: not the bytes behind the text, not any other field.
  void storedInTheSpareFieldOnly_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<TextEncoding>("choice");
    QTest::addColumn<QString>("after");
    using E = TextEncoding;
    QTest::newRow("empty, utf8") << "" << E::Utf8 << "enc=utf8";
    QTest::newRow("empty, cp1252") << "" << E::Cp1252 << "enc=cp1252";
    QTest::newRow("empty, automatic") << "" << E::Automatic << "";
    QTest::newRow("utf8 to cp1252") << "enc=utf8" << E::Cp1252 << "enc=cp1252";
    QTest::newRow("utf8 to automatic") << "enc=utf8" << E::Automatic << "";
    QTest::newRow("same again") << "enc=utf8" << E::Utf8 << "enc=utf8";
    QTest::newRow("foreign text kept") << "note" << E::Utf8 << "note;enc=utf8";
    QTest::newRow("foreign kept, ours replaced") << "a;enc=cp1252;b" << E::Utf8 << "a;b;enc=utf8";
    QTest::newRow("foreign kept, automatic") << "a;enc=cp1252" << E::Automatic << "a";
    QTest::newRow("empty items kept") << ";x;" << E::Automatic << ";x;";
    QTest::newRow("unknown value replaced") << "enc=latin9" << E::Cp1252 << "enc=cp1252";
    QTest::newRow("no room: ours alone") << QString(245, 'x') << E::Cp1252 << "enc=cp1252";
  }
  void storedInTheSpareFieldOnly() {
    QFETCH(QString, before);
    QFETCH(TextEncoding, choice);
    QFETCH(QString, after);
    Tserverrec e = Foreign(7, before.toStdString());
    const std::string old = Image(e);
    SetEncoding(e, choice);
    const std::string now = Image(e);
    const std::string text = after.toStdString();
    QCOMPARE(static_cast<std::size_t>(static_cast<unsigned char>(now[kSpare])), text.size());
    QCOMPARE(now.substr(kSpare + 1, text.size()), text);
    QCOMPARE(now.substr(0, kSpare), old.substr(0, kSpare));
    QCOMPARE(now.substr(kSpare + 1 + text.size()), old.substr(kSpare + 1 + text.size()));
    QCOMPARE(EncodingOf(e), choice);
  }

  void readFromTheField_data() {
    QTest::addColumn<QString>("spare");
    QTest::addColumn<TextEncoding>("encoding");
    using E = TextEncoding;
    QTest::newRow("none") << "" << E::Automatic;
    QTest::newRow("utf8") << "enc=utf8" << E::Utf8;
    QTest::newRow("cp1252") << "enc=cp1252" << E::Cp1252;
    QTest::newRow("among others") << "x=1;enc=utf8;y" << E::Utf8;
    QTest::newRow("unknown value") << "enc=koi8" << E::Automatic;
    QTest::newRow("not a whole item") << "xenc=utf8" << E::Automatic;
    QTest::newRow("case matters") << "ENC=UTF8" << E::Automatic;
  }
  void readFromTheField() {
    QFETCH(QString, spare);
    QFETCH(TextEncoding, encoding);
    Tserverrec e;
    e.spare.assign(spare.toStdString());
    QCOMPARE(EncodingOf(e), encoding);
  }

  // Saved, read by a later run; written back by a program that knows
  // nothing of the choice (it copies the image): the choice is still there.
  void survivesTheFileAndAnOldProgram() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Servers.dat").toStdString();
    Tserverlist list(2);
    list[0].host.assign("127.0.0.1");
    list[0].port.assign("28960");
    SetEncoding(list[0], TextEncoding::Utf8);
    SetEncoding(list[1], TextEncoding::Cp1252);
    std::string error;
    QVERIFY(SaveServers(path, list, &error));
    const std::string saved = ReadBytes(path);
    QCOMPARE(saved.substr(kSpare, 9), std::string("\x08"
                                                  "enc=utf8"));
    // The old program: records read and written back as they are.
    WriteBytes(path, saved);
    Tserverlist back;
    QVERIFY(LoadServers(path, back, &error));
    QCOMPARE(back.size(), std::size_t(2));
    QCOMPARE(EncodingOf(back[0]), TextEncoding::Utf8);
    QCOMPARE(EncodingOf(back[1]), TextEncoding::Cp1252);
    // The resets of a run leave it alone.
    ResetServerStatus(back);
    ApplyStartupReset(back);
    QCOMPARE(EncodingOf(back[0]), TextEncoding::Utf8);
  }

  // Automatic reads a text as UTF-8 only when it is valid UTF-8 with a
  // multi-byte sequence; an explicit choice always wins.
  void decodedPerText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("shown");
    using E = TextEncoding;
    const QByteArray utf8Joerg("J\xc3\xb6rg");
    const QByteArray cpJoerg("J\xf6rg");
    const QByteArray russian("\xd0\xa1\xd0\xbc\xd0\xb5\xd1\x80\xd1\x82\xd1\x8c");
    QTest::newRow("auto utf8") << utf8Joerg << E::Automatic << QString::fromUtf8("Jörg");
    QTest::newRow("auto cp1252") << cpJoerg << E::Automatic << QString::fromUtf8("Jörg");
    QTest::newRow("auto cyrillic") << russian << E::Automatic << QString::fromUtf8("Смерть");
    QTest::newRow("auto ascii") << QByteArray("^1Red") << E::Automatic << "^1Red";
    QTest::newRow("auto euro byte")
        << QByteArray("5\x80") << E::Automatic << QString::fromUtf8("5€");
    QTest::newRow("cp1252 forced") << utf8Joerg << E::Cp1252 << QString::fromUtf8("JÃ¶rg");
    QTest::newRow("utf8 forced, bad byte")
        << cpJoerg << E::Utf8 << QString::fromUtf8("J\xef\xbf\xbdrg");
    QTest::newRow("auto overlong is no utf8")
        << QByteArray("\xc0\xaf") << E::Automatic << QString::fromUtf8("À¯");
  }
  void decodedPerText() {
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, shown);
    const std::string text = GameTextToUtf8(bytes.toStdString(), encoding);
    QCOMPARE(QString::fromStdString(text), shown);
  }

  // Typed text for a server, and back: the round trip gives the text.
  void encodedForTheServer_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<bool>("speaksUtf8");
    QTest::addColumn<QByteArray>("bytes");
    using E = TextEncoding;
    const QString joerg = QString::fromUtf8("Jörg");
    QTest::newRow("cp1252") << joerg << E::Cp1252 << false << QByteArray("J\xf6rg");
    QTest::newRow("utf8") << joerg << E::Utf8 << false << QByteArray("J\xc3\xb6rg");
    QTest::newRow("auto, old server") << joerg << E::Automatic << false << QByteArray("J\xf6rg");
    QTest::newRow("auto, utf8 server")
        << joerg << E::Automatic << true << QByteArray("J\xc3\xb6rg");
    QTest::newRow("auto, beyond cp1252") << QString::fromUtf8("Мир") << E::Automatic << false
                                         << QByteArray("\xd0\x9c\xd0\xb8\xd1\x80");
    QTest::newRow("cp1252, beyond it")
        << QString::fromUtf8("Мир") << E::Cp1252 << false << QByteArray("???");
    QTest::newRow("euro") << QString::fromUtf8("5€") << E::Cp1252 << false << QByteArray("5\x80");
  }
  void encodedForTheServer() {
    QFETCH(QString, typed);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, speaksUtf8);
    QFETCH(QByteArray, bytes);
    const std::string sent = Utf8ToGameText(typed.toStdString(), encoding, speaksUtf8);
    QCOMPARE(QByteArray::fromStdString(sent), bytes);
    if (!bytes.contains('?')) {
      const TextEncoding read =
          ReadsAsUtf8(sent, TextEncoding::Automatic) ? TextEncoding::Utf8 : TextEncoding::Cp1252;
      QCOMPARE(QString::fromStdString(GameTextToUtf8(sent, read)), typed);
    }
  }

  void fitsCp1252() {
    QVERIFY(FitsCp1252("abc"));
    QVERIFY(FitsCp1252("J\xc3\xb6rg \xe2\x82\xac"));  // Jörg €
    QVERIFY(FitsCp1252("?"));
    QVERIFY(!FitsCp1252("\xd0\x9c"));  // М
    QVERIFY(!FitsCp1252("J\xf6rg"));   // no UTF-8 at all
  }
};

QTEST_GUILESS_MAIN(TestServerEncoding)
#include "test_serverencoding.moc"
