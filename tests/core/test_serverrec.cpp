// Byte layout of one Servers.dat record.
#include <QtTest>

#include <cstring>
#include <string>
#include <vector>

#include "core/serverrec.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::PatternBytes;
using zelmora::testing::U8;

namespace {

// String fields with their offsets in the record.
struct StrField {
  const char* name;
  Str250 Tserverrec::*member;
  std::size_t offset;
};
const StrField kStrFields[] = {
    {"port", &Tserverrec::port, 0},
    {"host", &Tserverrec::host, 251},
    {"rconpass", &Tserverrec::rconpass, 502},
    {"provider", &Tserverrec::provider, 753},
    {"shortversion", &Tserverrec::shortversion, 1029},
    {"hostname", &Tserverrec::hostname, 1280},
    {"mapinfo", &Tserverrec::mapinfo, 1531},
    {"spare", &Tserverrec::spare, 1782},
};

std::vector<std::uint8_t> Encode(const Tserverrec& r) {
  std::vector<std::uint8_t> buf(kServerRecSize);  // exact size: ASan sees any overrun
  EncodeServerRec(r, buf.data());
  return buf;
}

std::string Bytes(const std::vector<std::uint8_t>& b, std::size_t off, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(b.data()) + off, n);
}

}  // namespace

class TestServerRec : public QObject {
  Q_OBJECT

 private slots:
  void fieldOffsets() {
    Tserverrec r;
    // Every string gets its own text and its own leftover tail behind it.
    for (std::size_t i = 0; i < std::size(kStrFields); ++i) {
      Str250& s = r.*kStrFields[i].member;
      s.assign(std::string(200, static_cast<char>('a' + i)));  // leaves a tail
      s.assign(std::string(kStrFields[i].name) + "#" + std::to_string(i));
    }
    r.sendtime = 1234.5;  // 0x40934A0000000000
    r.ping = -2;
    r.players = 0x01020304;
    r.privateclients = 0x11121314;
    r.maxclients = 0x21222324;
    r.protocol = 118;
    r.spareflag = 0x31;
    r.killcam = 0x32;
    r.friendlyfire = 0x33;
    r.voice = 0x34;
    r.passworded = 0x35;
    r.punkbuster = 0x36;
    r.lastreply = 0xA1B2C3D4u;

    const auto b = Encode(r);
    for (std::size_t i = 0; i < std::size(kStrFields); ++i) {
      const StrField& f = kStrFields[i];
      const std::string text = std::string(f.name) + "#" + std::to_string(i);
      QCOMPARE(int(b[f.offset]), int(text.size()));
      QCOMPARE(Bytes(b, f.offset + 1, text.size()), text);
      // The tail of the earlier, longer contents is written as it is.
      QCOMPARE(Bytes(b, f.offset + 1 + text.size(), 200 - text.size()),
               std::string(200 - text.size(), static_cast<char>('a' + i)));
      QCOMPARE(Bytes(b, f.offset + 201, 50), std::string(50, '\0'));
    }
    QCOMPARE(Bytes(b, 1004, 8), std::string("\x00\x00\x00\x00\x00\x4A\x93\x40", 8));
    QCOMPARE(Bytes(b, 1012, 4), std::string("\xFE\xFF\xFF\xFF", 4));
    QCOMPARE(Bytes(b, 1016, 4), std::string("\x04\x03\x02\x01", 4));
    QCOMPARE(Bytes(b, 1020, 4), std::string("\x14\x13\x12\x11", 4));
    QCOMPARE(Bytes(b, 1024, 4), std::string("\x24\x23\x22\x21", 4));
    QCOMPARE(int(b[1028]), 118);
    QCOMPARE(Bytes(b, 2033, 6), std::string("\x31\x32\x33\x34\x35\x36", 6));
    QCOMPARE(Bytes(b, 2039, 4), std::string("\xD4\xC3\xB2\xA1", 4));

    const Tserverrec d = DecodeServerRec(b.data());
    QCOMPARE(d.sendtime, 1234.5);
    QCOMPARE(d.ping, -2);
    QCOMPARE(d.players, 0x01020304);
    QCOMPARE(d.privateclients, 0x11121314);
    QCOMPARE(d.maxclients, 0x21222324);
    QCOMPARE(int(d.protocol), 118);
    QCOMPARE(int(d.spareflag), 0x31);
    QCOMPARE(int(d.killcam), 0x32);
    QCOMPARE(int(d.friendlyfire), 0x33);
    QCOMPARE(int(d.voice), 0x34);
    QCOMPARE(int(d.passworded), 0x35);
    QCOMPARE(int(d.punkbuster), 0x36);
    QCOMPARE(d.lastreply, 0xA1B2C3D4u);
    QCOMPARE(d.hostname.str(), std::string("hostname#5"));
    QCOMPARE(d.spare.str(), std::string("spare#7"));
  }

  // Any record image with valid length bytes survives decode + encode
  // unchanged, leftover bytes and odd double patterns included.
  void imageRoundTrip_data() {
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 7u, 99u, 12345u, 0xDEADBEEFu})
      QTest::newRow(qPrintable(QString::number(seed))) << seed;
  }
  void imageRoundTrip() {
    QFETCH(quint32, seed);
    std::string img = PatternBytes(kServerRecSize, seed);
    for (const StrField& f : kStrFields)
      img[f.offset] = static_cast<char>(static_cast<std::uint8_t>(img[f.offset]) % 251);
    const Tserverrec r = DecodeServerRec(U8(img));
    const auto out = Encode(r);
    QCOMPARE(Bytes(out, 0, kServerRecSize), img);
  }

  // A length byte above 250 (foreign or damaged file) reads as 250: the text
  // never extends past its field and writes back as 250.
  void corruptLengthClamped() {
    std::string img(kServerRecSize, 'x');
    for (const StrField& f : kStrFields) img[f.offset] = '\xFF';
    const Tserverrec r = DecodeServerRec(U8(img));
    for (const StrField& f : kStrFields) {
      QCOMPARE((r.*f.member).size(), std::size_t(250));
      QCOMPARE((r.*f.member).str(), std::string(250, 'x'));
    }
    const auto out = Encode(r);
    for (const StrField& f : kStrFields) QCOMPARE(int(out[f.offset]), 250);
  }

  void longTextCutTo250() {
    Tserverrec r;
    std::string pass(300, 'p');
    pass[249] = 'L';
    pass[250] = 'X';
    r.rconpass.assign(pass);
    QCOMPARE(r.rconpass.str(), pass.substr(0, 250));
    const auto b = Encode(r);
    QCOMPARE(int(b[502]), 250);
    QCOMPARE(char(b[502 + 250]), 'L');
    QCOMPARE(int(b[753]), 0);  // the next field starts untouched
  }

  void eightBitBytesKept() {
    Tserverrec r;
    const std::string name("^1K\xE4mpfer \xFF\x80\x00z", 13);
    r.hostname.assign(name);
    const auto b = Encode(r);
    QCOMPARE(Bytes(b, 1281, name.size()), name);
    QCOMPARE(DecodeServerRec(b.data()).hostname.str(), name);
  }
};

QTEST_APPLESS_MAIN(TestServerRec)
#include "test_serverrec.moc"
