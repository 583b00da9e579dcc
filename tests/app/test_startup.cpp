// The real program started as a process: --help and --version without a
// display, refused options, and a second start on a data folder that a
// running program holds (this test process, or a real program), also in the
// installed layout, and after a program holding it was killed.
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>
#include <utime.h>

#include <ctime>

#include "app/singleinstance.h"
#include "zelmora_version.h"

using namespace zelmora;

namespace {

// Room for a sanitizer build's start.
constexpr int kStartMs = 60000;

// A place from which the program keeps its files in a folder of the test's
// own: beside a link of the executable (portable), or, installed, in
// XDG_DATA_HOME/zelmora.
struct Layout {
  QString exe;
  QString dataFolder;
  QProcessEnvironment env;
};

Layout MakeLayout(const QString& root, bool installed) {
  Layout layout;
  layout.env = QProcessEnvironment::systemEnvironment();
  QString exeDir = root;
  if (installed) {
    exeDir = root + QStringLiteral("/bin");
    QDir().mkpath(exeDir);
    QDir().mkpath(root + QStringLiteral("/share/zelmora"));
    QFile ranges(root + QStringLiteral("/share/zelmora/Ranges.dat"));
    if (ranges.open(QIODevice::WriteOnly)) ranges.close();
    layout.env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home"));
    layout.dataFolder = root + QStringLiteral("/home/zelmora");
  } else {
    layout.dataFolder = root;
  }
  layout.exe = exeDir + QStringLiteral("/zelmora");
  // The program finds its folder from its own path, which a symbolic link
  // would not change: a hard link (the test's folder lies in the build
  // folder, on the executable's file system), else a copy.
  if (!QFile::exists(layout.exe) &&
      ::link(ZELMORA_EXE, QFile::encodeName(layout.exe).constData()) != 0)
    QFile::copy(QStringLiteral(ZELMORA_EXE), layout.exe);
  return layout;
}

// The process id the lock file names, 0 when there is none.
qint64 LockHolder(const QString& dataFolder) {
  QLockFile probe(dataFolder + QStringLiteral("/zelmora.lock"));
  qint64 pid = 0;
  QString host;
  QString app;
  return probe.getLockInfo(&pid, &host, &app) ? pid : 0;
}

bool WaitFinished(QProcess& process, int ms = kStartMs) {
  QSignalSpy finished(&process, &QProcess::finished);
  return process.state() == QProcess::NotRunning || finished.wait(ms);
}

// A real program holding the folder, killed at the end of the test.
class RunningProgram {
 public:
  explicit RunningProgram(const Layout& layout) : folder_(layout.dataFolder) {
    process_.setProcessEnvironment(layout.env);
    process_.start(layout.exe, {});
  }
  ~RunningProgram() {
    process_.kill();
    process_.waitForFinished(kStartMs);
    // The socket a killed program leaves behind.
    QLocalServer::removeServer(SingleInstance::ServerNameFor(folder_));
  }
  QProcess& process() { return process_; }

 private:
  QString folder_;
  QProcess process_;
};

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT

 private:
  QString Root() {
    dirs_.push_back(
        std::make_unique<QTemporaryDir>(QDir::currentPath() + QStringLiteral("/startup-XXXXXX")));
    return dirs_.back()->path();
  }
  std::vector<std::unique_ptr<QTemporaryDir>> dirs_;
  QTemporaryDir runtime_;

 private slots:
  // The sockets go into a runtime folder of the test's own (as the
  // desktop gives every user one), inherited by the programs it starts.
  void initTestCase() {
    QVERIFY(runtime_.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
  }
  void cleanup() { dirs_.clear(); }

  // No display at all: printed and ended, without Qt.
  void withoutDisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0
                            << QStringLiteral("Aufruf: zelmora [OPTION]...") << QString();
    QTest::newRow("-h") << QStringList{"-h"} << 0 << QStringLiteral("Aufruf: zelmora [OPTION]...")
                        << QString();
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << QStringLiteral("zelmora ") + QString::fromLatin1(kProgramVersion)
                               << QString();
    QTest::newRow("wrong option") << QStringList{"--bogus"} << 2 << QString()
                                  << QStringLiteral("zelmora: unbekannte Option „--bogus“");
  }
  void withoutDisplay() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      env.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZELMORA_EXE), args);
    QVERIFY(process.waitForFinished(kStartMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(stdOut.section(QLatin1Char('\n'), 0, 0), out);
    QCOMPARE(stdErr.section(QLatin1Char('\n'), 0, 0), err);
  }

  // What Qt does not take is refused once Qt has started, before any window.
  void leftoverRefused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::newRow("operand") << QStringList{"Servers.dat"}
                             << QStringLiteral("zelmora: überzähliges Argument „Servers.dat“");
    QTest::newRow("unknown to qt")
        << QStringList{"-bogus"} << QStringLiteral("zelmora: unbekannte Option „-bogus“");
  }
  void leftoverRefused() {
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    const Layout layout = MakeLayout(Root(), false);
    QProcess process;
    process.setProcessEnvironment(layout.env);
    process.start(layout.exe, args);
    QVERIFY(WaitFinished(process));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(err));
    QVERIFY(!QFile::exists(layout.dataFolder + QStringLiteral("/zelmora.lock")));
  }

  // This process holds the folder; the program started on it asks it to
  // come to the front and ends with status 0, having opened no window (it
  // wrote none of the files a window writes at its start).
  void secondStartAsksTheFirst_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("oldLock");
    QTest::newRow("portable") << false << false;
    QTest::newRow("installed") << true << false;
    // A lock older than QLockFile's stale time is still not taken from a
    // holder that lives.
    QTest::newRow("old lock of a live holder") << false << true;
  }
  void secondStartAsksTheFirst() {
    QFETCH(bool, installed);
    QFETCH(bool, oldLock);
    const Layout layout = MakeLayout(Root(), installed);
    SingleInstance first(layout.dataFolder);
    QCOMPARE(first.ClaimFolder(), SingleInstance::Claim::First);
    if (oldLock) {
      const utimbuf hourAgo{std::time(nullptr) - 3600, std::time(nullptr) - 3600};
      QCOMPARE(::utime(QFile::encodeName(first.LockFilePath()).constData(), &hourAgo), 0);
    }
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);
    QProcess second;
    second.setProcessEnvironment(layout.env);
    second.start(layout.exe, {});
    QVERIFY(WaitFinished(second));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(LockHolder(layout.dataFolder), QCoreApplication::applicationPid());
    for (const char* file : {"config.ini", "Servers.dat", "Guids.dat"})
      QVERIFY2(!QFile::exists(layout.dataFolder + QLatin1Char('/') + QLatin1String(file)), file);
  }

  // The holder of the lock does not answer (here: it takes no requests):
  // the later start says so on the terminal (and in a box, which it then
  // waits on), and opens no window.
  void holderThatDoesNotAnswer() {
    const Layout layout = MakeLayout(Root(), false);
    QLockFile held(layout.dataFolder + QStringLiteral("/zelmora.lock"));
    QVERIFY(held.tryLock(0));
    QProcess second;
    second.setProcessEnvironment(layout.env);
    second.start(layout.exe, {});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += second.readAllStandardError()).contains("antwortet aber nicht"), kStartMs);
    QVERIFY(err.contains(QFile::encodeName(layout.dataFolder)));
    QCOMPARE(second.state(), QProcess::Running);
    second.kill();
    QVERIFY(WaitFinished(second));
    QVERIFY(!QFile::exists(layout.dataFolder + QStringLiteral("/config.ini")));
  }

  // The holder ends while the later start is asking it: the later start
  // becomes the window.
  void holderEndsWhileAsked() {
    const Layout layout = MakeLayout(Root(), false);
    auto held = std::make_unique<QLockFile>(layout.dataFolder + QStringLiteral("/zelmora.lock"));
    QVERIFY(held->tryLock(0));
    // A holder that takes the connection but never answers, until it ends.
    QLocalServer mute;
    QVERIFY(mute.listen(SingleInstance::ServerNameFor(layout.dataFolder)));
    RunningProgram later(layout);
    QTRY_VERIFY_WITH_TIMEOUT(mute.hasPendingConnections(), kStartMs);
    held.reset();
    mute.nextPendingConnection()->abort();
    mute.close();
    QTRY_COMPARE_WITH_TIMEOUT(LockHolder(layout.dataFolder), later.process().processId(), kStartMs);
    QCOMPARE(later.process().state(), QProcess::Running);
    // Its window's start writes config.ini.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(layout.dataFolder + QStringLiteral("/config.ini")),
                             kStartMs);
  }

  // Two real programs on one folder: the second ends at once with status 0,
  // the first runs on.
  void twoPrograms() {
    const Layout layout = MakeLayout(Root(), false);
    RunningProgram first(layout);
    QTRY_COMPARE_WITH_TIMEOUT(LockHolder(layout.dataFolder), first.process().processId(), kStartMs);
    QProcess second;
    second.setProcessEnvironment(layout.env);
    second.start(layout.exe, {});
    QVERIFY(WaitFinished(second));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.process().state(), QProcess::Running);
    QCOMPARE(LockHolder(layout.dataFolder), first.process().processId());
  }

  // The lock of a killed program is taken over by the next start, which
  // then answers later starts itself.
  void lockOfAKilledProgram() {
    const Layout layout = MakeLayout(Root(), false);
    {
      RunningProgram killed(layout);
      QTRY_COMPARE_WITH_TIMEOUT(LockHolder(layout.dataFolder), killed.process().processId(),
                                kStartMs);
    }
    QVERIFY(QFile::exists(layout.dataFolder + QStringLiteral("/zelmora.lock")));

    RunningProgram next(layout);
    QTRY_COMPARE_WITH_TIMEOUT(LockHolder(layout.dataFolder), next.process().processId(), kStartMs);
    QCOMPARE(next.process().state(), QProcess::Running);
    QProcess third;
    third.setProcessEnvironment(layout.env);
    third.start(layout.exe, {});
    QVERIFY(WaitFinished(third));
    QCOMPARE(third.exitCode(), 0);
    QCOMPARE(next.process().state(), QProcess::Running);
  }

  // Two folders, two windows.
  void anotherFolderAnotherWindow() {
    const Layout a = MakeLayout(Root(), false);
    const Layout b = MakeLayout(Root(), false);
    RunningProgram first(a);
    QTRY_COMPARE_WITH_TIMEOUT(LockHolder(a.dataFolder), first.process().processId(), kStartMs);
    RunningProgram other(b);
    QTRY_COMPARE_WITH_TIMEOUT(LockHolder(b.dataFolder), other.process().processId(), kStartMs);
    QCOMPARE(first.process().state(), QProcess::Running);
  }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
