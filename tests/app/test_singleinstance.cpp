// One window per data folder, within one process: the lock, the request to
// come to the front, peers that send something else, a holder that does not
// answer or ends meanwhile, and bringing a window to the front.
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "app/singleinstance.h"
#include "app/windowfront.h"

using namespace zelmora;

Q_DECLARE_METATYPE(zelmora::SingleInstance::Answer)

namespace {

using Claim = SingleInstance::Claim;
using Answer = SingleInstance::Answer;

// Asks `second` for the running window and returns the answer.
Answer Ask(SingleInstance& second) {
  QSignalSpy answered(&second, &SingleInstance::Answered);
  second.AskRunningToFront();
  if (!answered.wait(20000)) return static_cast<Answer>(-1);
  return answered.takeFirst().at(0).value<Answer>();
}

}  // namespace

class TestSingleInstance : public QObject {
  Q_OBJECT

  QTemporaryDir runtime_;

 private slots:
  // The sockets go into a runtime folder of the test's own, as the desktop
  // gives every user one.
  void initTestCase() {
    qRegisterMetaType<Answer>();
    QVERIFY(runtime_.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
  }

  void secondIsSentToTheFirst() {
    QTemporaryDir dir;
    SingleInstance first(dir.path() + QStringLiteral("/"));
    QCOMPARE(first.ClaimFolder(), Claim::First);
    QVERIFY(QFile::exists(dir.path() + QStringLiteral("/zelmora.lock")));
    QCOMPARE(first.LockFilePath(), dir.path() + QStringLiteral("/zelmora.lock"));
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);

    SingleInstance second(dir.path());
    QCOMPARE(second.ClaimFolder(), Claim::Second);
    QCOMPARE(second.ServerName(), first.ServerName());
    QCOMPARE(Ask(second), Answer::Delivered);
    QCOMPARE(activated.count(), 1);
    // Asked again, it is asked again.
    QCOMPARE(Ask(second), Answer::Delivered);
    QCOMPARE(activated.count(), 2);
  }

  // Every spelling of one folder is the same folder; another folder is
  // another window.
  void folderIdentity_data() {
    QTest::addColumn<QString>("spelling");
    QTest::addColumn<bool>("same");
    QTest::newRow("trailing separator") << QStringLiteral("a/") << true;
    QTest::newRow("dot dot") << QStringLiteral("a/../a") << true;
    QTest::newRow("symbolic link") << QStringLiteral("link") << true;
    QTest::newRow("another folder") << QStringLiteral("b") << false;
    QTest::newRow("a folder inside") << QStringLiteral("a/a") << false;
  }
  void folderIdentity() {
    QFETCH(QString, spelling);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/a"), dir.path() + QStringLiteral("/link")));
    SingleInstance first(dir.path() + QStringLiteral("/a"));
    QCOMPARE(first.ClaimFolder(), Claim::First);
    SingleInstance other(dir.path() + QLatin1Char('/') + spelling);
    QCOMPARE(other.ClaimFolder(), same ? Claim::Second : Claim::First);
    QCOMPARE(other.ServerName() == first.ServerName(), same);
    // The folder that was not there yet has been made for its lock.
    QVERIFY(QFile::exists(other.LockFilePath()));
  }

  // No lock can be made where the folder cannot be: the window opens
  // unguarded.
  void noFolderNoGuard() {
    QTemporaryDir dir;
    QFile file(dir.path() + QStringLiteral("/file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    SingleInstance instance(dir.path() + QStringLiteral("/file/data"));
    QCOMPARE(instance.ClaimFolder(), Claim::Unguarded);
  }

  // Peers that are not a later start get nothing and bring nothing to the
  // front; a real request afterwards still works.
  void foreignPeers_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("another line") << QByteArray("zelmora quit\n");
    QTest::newRow("request without its line end") << QByteArray("zelmora activate");
    QTest::newRow("a long line") << QByteArray(100000, 'x');
    QTest::newRow("binary") << QByteArray("\xff\xff\xff\xff\0\n", 6);
    QTest::newRow("nothing") << QByteArray();
  }
  void foreignPeers() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QCOMPARE(first.ClaimFolder(), Claim::First);
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);

    QLocalSocket peer;
    QSignalSpy closed(&peer, &QLocalSocket::disconnected);
    peer.connectToServer(first.ServerName());
    QVERIFY(peer.waitForConnected(5000));
    peer.write(bytes);
    // The running program closes the connection (at once, or after its
    // patience of two seconds).
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 10000);
    QCOMPARE(activated.count(), 0);
    QCOMPARE(peer.readAll(), QByteArray());

    SingleInstance second(dir.path());
    QCOMPARE(second.ClaimFolder(), Claim::Second);
    QCOMPARE(Ask(second), Answer::Delivered);
    QCOMPARE(activated.count(), 1);
  }

  // The holder of the lock takes no requests (its window is closing, or it
  // hangs): the later start gives up after its answer time.
  void holderThatDoesNotAnswer() {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QCOMPARE(first.ClaimFolder(), Claim::First);
    first.StopListening();
    SingleInstance second(dir.path());
    QCOMPARE(second.ClaimFolder(), Claim::Second);
    second.SetAnswerTime(500);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Ask(second), Answer::NoAnswer);
    QVERIFY(clock.elapsed() >= 400);
  }

  // A connection that is accepted but never answered (a program whose
  // event loop is stuck) also ends in NoAnswer.
  void holderThatAcceptsButHangs() {
    QTemporaryDir dir;
    QLockFile lock(dir.path() + QStringLiteral("/zelmora.lock"));
    QVERIFY(lock.tryLock(0));
    SingleInstance second(dir.path());
    QCOMPARE(second.ClaimFolder(), Claim::Second);
    QLocalServer mute;
    QVERIFY(mute.listen(second.ServerName()));
    second.SetAnswerTime(500);
    QCOMPARE(Ask(second), Answer::NoAnswer);
    QVERIFY(mute.hasPendingConnections());
  }

  // The holder ends while the later start is trying: the later start takes
  // the lock and becomes the window, and a third start finds it.
  void holderEndsMeanwhile() {
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    QCOMPARE(first->ClaimFolder(), Claim::First);
    first->StopListening();
    SingleInstance second(dir.path());
    QCOMPARE(second.ClaimFolder(), Claim::Second);
    QSignalSpy answered(&second, &SingleInstance::Answered);
    second.AskRunningToFront();
    QTest::qWait(300);
    QCOMPARE(answered.count(), 0);
    first.reset();
    QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, 5000);
    QCOMPARE(answered.at(0).at(0).value<Answer>(), Answer::BecameFirst);

    QSignalSpy activated(&second, &SingleInstance::ActivationRequested);
    SingleInstance third(dir.path());
    QCOMPARE(third.ClaimFolder(), Claim::Second);
    QCOMPARE(Ask(third), Answer::Delivered);
    QCOMPARE(activated.count(), 1);
  }

  // The lock file goes when the holder ends normally.
  void lockGoesWithTheHolder() {
    QTemporaryDir dir;
    const QString lockPath = dir.path() + QStringLiteral("/zelmora.lock");
    {
      SingleInstance first(dir.path());
      QCOMPARE(first.ClaimFolder(), Claim::First);
      QVERIFY(QFile::exists(lockPath));
    }
    QVERIFY(!QFile::exists(lockPath));
    SingleInstance next(dir.path());
    QCOMPARE(next.ClaimFolder(), Claim::First);
  }

  void bringToFront_data() {
    QTest::addColumn<int>("state");
    QTest::newRow("minimised") << int(Qt::WindowMinimized);
    QTest::newRow("minimised from maximised") << int(Qt::WindowMinimized | Qt::WindowMaximized);
    QTest::newRow("normal") << int(Qt::WindowNoState);
  }
  void bringToFront() {
    QFETCH(int, state);
    QWidget window;
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setWindowState(Qt::WindowStates(state));
    QTRY_COMPARE(int(window.windowState() & Qt::WindowMinimized), state & Qt::WindowMinimized);
    BringToFront(&window);
    QTRY_VERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
    QCOMPARE(window.isMaximized(), bool(state & Qt::WindowMaximized));
  }
};

QTEST_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
