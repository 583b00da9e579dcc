// The shell forms as processes: the real program, beside its own
// Servers.dat, sends to test game servers on loopback (right, wrong and no
// password, a silent server, names in two encodings), prints a line or a
// JSON object per server and ends with 0, 1 or 2; it runs beside a window
// that holds the folder's lock; --query prints one server's status.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "app/shellform.h"
#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "tests/ui/multiservertestutil.h"
#include "tools/testserver/testserver.h"

using namespace zelmora;
using namespace zelmora::testing;

namespace {

constexpr int kRunMs = 60000;

struct Run {
  int status = -1;
  QStringList lines;
  QString err;
};

QString Address(const TestServer& s) {
  return QStringLiteral("127.0.0.1:%1").arg(s.port());
}

}  // namespace

class TestShellForm : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString exe_;
  TestServer right_, wrong_, silent_, russian_, cp_;

  Run Zelmora(const QStringList& args) {
    QProcess p;
    // No display: the shell forms must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(exe_, args);
    Run r;
    if (!p.waitForFinished(kRunMs)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    r.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    exe_ = dir_.filePath(QStringLiteral("zelmora"));
    // Beside its own Servers.dat (portable): a hard link, else a copy.
    if (::link(ZELMORA_EXE, QFile::encodeName(exe_).constData()) != 0)
      QVERIFY(QFile::copy(QStringLiteral(ZELMORA_EXE), exe_));
    QVERIFY(right_.start(Server("pw", "^1Right ^7Server")));
    QVERIFY(wrong_.start(Server("other", "Wrong")));
    TestServerConfig quiet = Server("pw", "Silent");
    quiet.dropShare = 1.0;
    QVERIFY(silent_.start(quiet));
    QVERIFY(russian_.start(Server("pw", "\xd0\x9c\xd0\xb8\xd1\x80")));  // Мир
    QVERIFY(cp_.start(Server("pw", "J\xf6rg")));
    const Tserverlist list{Entry(right_.port(), "^1Right ^7Server", "pw"),
                           Entry(wrong_.port(), "Wrong", "pw"),
                           Entry(silent_.port(), "Silent", "pw"),
                           Entry(20999, "Kein Passwort", ""),
                           Entry(russian_.port(), "\xd0\x9c\xd0\xb8\xd1\x80", "pw"),
                           Entry(cp_.port(), "J\xf6rg", "pw", TextEncoding::Cp1252)};
    std::string error;
    QVERIFY2(SaveServers(dir_.filePath("Servers.dat").toStdString(), list, &error), error.c_str());
  }

  // --all: one line per server with its state; one failure makes it 1.
  // The window's lock on the folder does not stand in the way.
  void sendToAll() {
    QLockFile window(dir_.filePath(QStringLiteral("zelmora.lock")));
    QVERIFY(window.tryLock());
    const Run r = Zelmora({"--send", "say Server startet neu", "--all"});
    QCOMPARE(r.status, 1);
    const QStringList want = {
        "Right Server (" + Address(right_) + "): ausgeführt – console: Server startet neu",
        "Wrong (" + Address(wrong_) + "): falsches rcon-Passwort – Bad rconpassword.",
        "Silent (" + Address(silent_) + "): keine Antwort",
        "Kein Passwort (127.0.0.1:20999): kein rcon-Passwort",
        QString::fromUtf8("Мир (") + Address(russian_) +
            "): ausgeführt – console: Server startet neu",
        QString::fromUtf8("Jörg (") + Address(cp_) + "): ausgeführt – console: Server startet neu"};
    QCOMPARE(r.lines, want);
    const std::vector<std::string> done = right_.executedCommands();
    QVERIFY(std::find(done.begin(), done.end(), "say Server startet neu") != done.end());
    QCOMPARE(silent_.stats().rconAccepted, uint64_t(1));  // carried out, its answer lost
  }

  // Servers by name (any case, colour codes left out, either encoding)
  // and by address; all carried out: 0. Text beyond ASCII goes in each
  // server's encoding.
  void sendByNameAndAddress() {
    cp_.clearReceived();
    russian_.clearReceived();
    const Run r = Zelmora({"--send=say Jörg", "--servers",
                           QString::fromUtf8("right server,jörg,") + Address(russian_)});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.lines.size(), 3);
    QVERIFY(r.lines[0].startsWith(QStringLiteral("Right Server (")));
    QVERIFY(r.lines[1].startsWith(QString::fromUtf8("Мир (")));
    QVERIFY(r.lines[1].endsWith(QString::fromUtf8("ausgeführt – console: Jörg")));
    QVERIFY(r.lines[2].endsWith(QString::fromUtf8("ausgeführt – console: Jörg")));
    const std::string head("\xff\xff\xff\xffrcon \"pw\" say ", 18);
    QCOMPARE(russian_.received().back().data, head + "J\xc3\xb6rg");
    QCOMPARE(cp_.received().back().data, head + "J\xf6rg");
  }

  // A name that is not in the list: 2, and nothing is sent anywhere.
  void unknownServerSendsNothing() {
    right_.clearReceived();
    const Run r = Zelmora({"--send", "say x", "--servers", "Right Server,Nirgendwo"});
    QCOMPARE(r.status, 2);
    QVERIFY(r.lines.isEmpty());
    QVERIFY(r.err.contains(QStringLiteral("kein Server „Nirgendwo“")));
    QTest::qWait(200);
    QCOMPARE(right_.receivedCount(), uint64_t(0));
  }

  // --json: one object per line.
  void sendAsJson() {
    const Run r = Zelmora({"--send", "status", "--servers", "Wrong,Right Server", "--json"});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(r.lines[0].toUtf8()).object();
    QCOMPARE(first.value("server").toString(), QStringLiteral("Right Server"));
    QCOMPARE(first.value("address").toString(), Address(right_));
    QCOMPARE(first.value("state").toString(), QString::fromUtf8("ausgeführt"));
    QVERIFY(first.value("ok").toBool());
    const QDateTime sent = QDateTime::fromString(first.value("sent").toString(), Qt::ISODateWithMs);
    const QDateTime answered =
        QDateTime::fromString(first.value("answered").toString(), Qt::ISODateWithMs);
    QVERIFY(first.value("sent").toString().endsWith(QLatin1Char('Z')));
    QVERIFY(sent.isValid() && answered.isValid() && sent <= answered);
    QVERIFY(qAbs(sent.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    const QJsonArray output = first.value("output").toArray();  // the whole status table
    QVERIFY(output.size() >= 3);
    QVERIFY(output[0].toString().startsWith(QStringLiteral("map: ")));
    const QJsonObject second = QJsonDocument::fromJson(r.lines[1].toUtf8()).object();
    QCOMPARE(second.value("state").toString(), QStringLiteral("falsches rcon-Passwort"));
    QVERIFY(!second.value("ok").toBool());
  }

  void query() {
    Run r = Zelmora({"--query", Address(russian_)});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.lines.value(0), QString::fromUtf8("Server:     Мир"));
    QCOMPARE(r.lines.value(1), "Adresse:    " + Address(russian_));
    QVERIFY(r.lines.contains(QStringLiteral("Karte:      mp_harbor")));
    r = Zelmora({"--query=" + Address(cp_), "--json"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.lines.size(), 1);
    const QJsonObject o = QJsonDocument::fromJson(r.lines[0].toUtf8()).object();
    QCOMPARE(o.value("name").toString(), QString::fromUtf8("Jörg"));  // its encoding
    QCOMPARE(o.value("map").toString(), QStringLiteral("mp_harbor"));
    QVERIFY(o.value("playerList").isArray());
    r = Zelmora({"--query", Address(silent_)});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.lines, QStringList{Address(silent_) + ": keine Antwort"});
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("no servers") << QStringList{"--send", "status"}
                                << "--send braucht --servers oder --all";
    QTest::newRow("both") << QStringList{"--send", "status", "--all", "--servers", "a"}
                          << "--servers und --all schließen einander aus";
    QTest::newRow("bad port") << QStringList{"--query", "127.0.0.1:99999"}
                              << QString::fromUtf8("ungültige Adresse „127.0.0.1:99999“");
    QTest::newRow("qt option") << QStringList{"--query", "x", "-platform", "offscreen"}
                               << QString::fromUtf8("unbekannte Option „-platform“");
  }
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const Run r = Zelmora(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
  }

  // Picking entries: by address with and without port, by name in any
  // case and either encoding; unknown items reported.
  void pickServers() {
    Tserverlist list{Entry(1, "^1Alpha", "pw"), Entry(2, "beta", "pw"),
                     Entry(3, "J\xf6rg", "pw", TextEncoding::Cp1252)};
    list[1].host.assign("10.0.0.2");
    std::vector<std::string> unknown;
    QCOMPARE(PickServers(list, {"ALPHA"}, &unknown), std::vector<std::size_t>{0});
    QCOMPARE(PickServers(list, {"127.0.0.1"}, &unknown), (std::vector<std::size_t>{0, 2}));
    QCOMPARE(PickServers(list, {"127.0.0.1:3", "10.0.0.2:2"}, &unknown),
             (std::vector<std::size_t>{1, 2}));
    QCOMPARE(PickServers(list, {"J\xc3\xb6rg", "jöRG"}, &unknown), std::vector<std::size_t>{2});
    QVERIFY(unknown.empty());
    QCOMPARE(PickServers(list, {"beta", "gamma", "127.0.0.1:9"}, &unknown),
             std::vector<std::size_t>{1});
    QCOMPARE(unknown, (std::vector<std::string>{"gamma", "127.0.0.1:9"}));
  }
};

QTEST_GUILESS_MAIN(TestShellForm)
#include "test_shellform.moc"
