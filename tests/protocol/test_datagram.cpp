#include <QtTest>

#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::B;
using zelmora::test::S;

class TestDatagram : public QObject {
  Q_OBJECT
 private slots:
  void getStatus() {
    const std::string d = BuildGetStatus();
    QCOMPARE(d.size(), size_t(13));
    QCOMPARE(B(d), QByteArray("\xff\xff\xff\xffgetstatus"));
  }

  void rconExample() {
    const std::string d = BuildRcon("pw", "status");
    QCOMPARE(d.size(), size_t(20));
    QCOMPARE(B(d), QByteArray("\xff\xff\xff\xffrcon \"pw\" status"));
  }

  void rconEmptyPassword() {
    QCOMPARE(B(BuildRcon("", "status")), QByteArray("\xff\xff\xff\xffrcon \"\" status"));
    QCOMPARE(B(BuildRcon("", "")), QByteArray("\xff\xff\xff\xffrcon \"\" "));
  }

  // Nothing is escaped, trimmed or cut: punctuation, high bytes and long
  // passwords travel as they are.
  void rconVerbatim() {
    const std::string pass = "a;b/\\\xff%";
    const std::string pass250(250, 'p');
    const std::string command = "say \"hi; \x01\xff\"  ";
    const std::string d = BuildRcon(pass, command);
    QCOMPARE(d.size(), 12 + pass.size() + command.size());
    QByteArray expected("\xff\xff\xff\xffrcon \"");
    expected += B(pass);
    expected += "\" ";
    expected += B(command);
    QCOMPARE(B(d), expected);
    QCOMPARE(BuildRcon(pass250, "status").size(), size_t(12 + 250 + 6));
  }

  // A password the server could misread, or a command that would end the
  // request line or start a second command, gives no datagram at all.
  void rconRefused_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("blank in password") << QByteArray("my pw") << QByteArray("status");
    QTest::newRow("quote in password") << QByteArray("a\"b") << QByteArray("status");
    QTest::newRow("LF in password") << QByteArray("pw\nquit") << QByteArray("status");
    QTest::newRow("CR in password") << QByteArray("pw\rquit") << QByteArray("status");
    QTest::newRow("NUL in password") << QByteArray("pw\0x", 4) << QByteArray("status");
    QTest::newRow("tab in password") << QByteArray("p\tw") << QByteArray("status");
    QTest::newRow("LF in command") << QByteArray("pw") << QByteArray("say a\nquit");
    QTest::newRow("CR in command") << QByteArray("pw") << QByteArray("say a\rquit");
    QTest::newRow("NUL in command") << QByteArray("pw") << QByteArray("say a\0b", 7);
  }
  void rconRefused() {
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, command);
    QCOMPARE(B(BuildRcon(S(password), S(command))), QByteArray());
  }

  void catalogue_data() {
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("status") << B(CmdStatus()) << QByteArray("status");
    QTest::newRow("dir maps 5") << B(CmdDirMaps(5)) << QByteArray("dir maps/mp .bsp");
    QTest::newRow("dir maps 6") << B(CmdDirMaps(6)) << QByteArray("dir maps/mp .bsp");
    QTest::newRow("dir maps 21") << B(CmdDirMaps(21)) << QByteArray("dir maps/mp .bsp");
    QTest::newRow("dir maps 22") << B(CmdDirMaps(22)) << QByteArray("dir maps/mp .bsp");
    QTest::newRow("dir maps 115") << B(CmdDirMaps(115)) << QByteArray("dir maps/mp d3dbsp");
    QTest::newRow("dir maps 117") << B(CmdDirMaps(117)) << QByteArray("dir maps/mp d3dbsp");
    QTest::newRow("dir maps 118") << B(CmdDirMaps(118)) << QByteArray("dir maps/mp d3dbsp");
    QTest::newRow("dir maps 0") << B(CmdDirMaps(0)) << QByteArray();
    QTest::newRow("dir maps 116") << B(CmdDirMaps(116)) << QByteArray();
    QTest::newRow("dir maps 255") << B(CmdDirMaps(255)) << QByteArray();
    QTest::newRow("dir cfg") << B(CmdDirCfg()) << QByteArray("dir / .cfg");
    QTest::newRow("fast_restart") << B(CmdFastRestart()) << QByteArray("fast_restart");
    QTest::newRow("map_restart") << B(CmdMapRestart()) << QByteArray("map_restart");
    QTest::newRow("map_rotate") << B(CmdMapRotate()) << QByteArray("map_rotate");
    QTest::newRow("clear join password")
        << B(CmdClearJoinPassword()) << QByteArray("g_password \"\"");
    QTest::newRow("read gametype") << B(CmdReadGametype()) << QByteArray("g_gametype");
    QTest::newRow("clear temp bans") << B(CmdClearTempBans()) << QByteArray("set g_banIPs \"\"");
  }
  void catalogue() {
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built, expected);
  }
};

QTEST_GUILESS_MAIN(TestDatagram)
#include "test_datagram.moc"
