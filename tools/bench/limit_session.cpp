// A session on "Spieler" against a server that limits requests, through the
// real windows: the server selected, the players page shown for the whole
// time, three console commands typed in between (the console page, the
// line, Enter, back to "Spieler"), the list's ping cell looked at four
// times a second. Prints what left and what was answered: getstatus
// queries, status polls, the typed commands (a command without an answer is
// marked in the console), how often the list showed TOUT, and when Zelmora
// found the server limited.
//   zelmora-limit-session [--server HOST:PORT --rcon PASSWORD] [--seconds N]
// Without --server it runs against a test game server on 127.0.0.1 with
// ioquake3's limiter (ten requests at once, then one a second) and status
// table, and also prints what that server dropped.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/bench/sessiondata.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

using namespace zelmora;

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string server, rcon = "pw";
  int seconds = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--server")
      server = argv[i + 1];
    else if (arg == "--rcon")
      rcon = argv[i + 1];
    else if (arg == "--seconds")
      seconds = std::max(20, std::atoi(argv[i + 1]));
  }
  SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });

  std::unique_ptr<testing::TestServer> test;
  Tserverrec e;
  if (server.empty()) {
    testing::TestServerConfig c;
    c.rconPassword = rcon;
    c.limiterBurst = 10;
    c.statusLayout = testing::TestServerConfig::StatusLayout::Ioquake3;
    c.players = testing::InventPlayers(6);
    test = std::make_unique<testing::TestServer>();
    if (!test->start(c)) {
      std::fprintf(stderr, "test server did not start\n");
      return 1;
    }
    e.host.assign("127.0.0.1");
    e.port.assign(std::to_string(test->port()));
  } else {
    const auto colon = server.rfind(':');
    if (colon == std::string::npos) {
      std::fprintf(stderr, "--server HOST:PORT\n");
      return 2;
    }
    e.host.assign(server.substr(0, colon));
    e.port.assign(server.substr(colon + 1));
  }
  e.rconpass.assign(rcon);

  QTemporaryDir dir;
  if (!bench::SeedDataDir(dir, {e})) return 1;
  SettingsStore settings;
  AppWindows windows(settings);
  TForm1& f = windows.form1();
  f.show();
  auto* tabs = f.findChild<QTabWidget*>("PageControl1");
  auto* grid = f.findChild<DrawGrid*>("DrawGrid1");
  auto* console = f.findChild<QLineEdit*>("Edit1");
  auto* output = f.findChild<QPlainTextEdit*>("RichEdit1");
  QTest::qWait(1000);  // the start-up query and its answer
  const QueryEngine& engine = f.Engine();
  const auto& counters = engine.counters();
  const auto getStatus0 = counters.getStatusSent, answered0 = counters.statusResponses;
  const auto polls0 = engine.StatusPollsFinished(), pollsAnswered0 = engine.StatusPollsAnswered();
  grid->SelectRow(1);
  f.DrawGrid1Click();
  tabs->setCurrentIndex(1);
  const char* typed[] = {"say eins", "say zwei", "serverinfo"};
  int nextTyped = 0, samples = 0, timedOut = 0;
  double limitedAfter = -1;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < seconds * 1000) {
    QTest::qWait(250);
    ++samples;
    if (grid->model()->index(0, 3).data().toString() == QStringLiteral("TOUT")) ++timedOut;
    if (limitedAfter < 0 && !engine.List().Empty() && engine.IsLimited(engine.List().At(0).uid))
      limitedAfter = clock.elapsed() / 1000.0;
    if (nextTyped < 3 && clock.elapsed() >= (nextTyped + 1) * seconds * 1000 / 4) {
      tabs->setCurrentIndex(8);
      console->setText(QString::fromLatin1(typed[nextTyped++]));
      QTest::keyClick(console, Qt::Key_Return);
      tabs->setCurrentIndex(1);
    }
  }
  const auto getStatus = counters.getStatusSent - getStatus0;
  const auto answered = counters.statusResponses - answered0;
  const auto polls = engine.StatusPollsFinished() - polls0;
  const auto pollsAnswered = engine.StatusPollsAnswered() - pollsAnswered0;
  QTest::qWait(3000);  // the commands' answers, or their "no answer" marks
  int dropped = 0;
  const QString text = output->toPlainText();
  for (const char* command : typed)
    if (text.contains(QString::fromLatin1(command) + QStringLiteral(": Keine Antwort"))) ++dropped;

  std::printf("server %s:%s, %d s on \"Spieler\", 3 console commands\n", e.host.str().c_str(),
              e.port.str().c_str(), seconds);
  std::printf("getstatus:        %llu sent, %llu answered\n",
              static_cast<unsigned long long>(getStatus),
              static_cast<unsigned long long>(answered));
  std::printf(
      "status polls:     %llu sent, %llu answered (%.1f %%)\n",
      static_cast<unsigned long long>(polls), static_cast<unsigned long long>(pollsAnswered),
      polls ? 100.0 * static_cast<double>(pollsAnswered) / static_cast<double>(polls) : 0.0);
  std::printf("console commands: 3 typed, %d without an answer\n", dropped);
  std::printf("list showed TOUT: %d of %d looks\n", timedOut, samples);
  if (limitedAfter >= 0)
    std::printf("found limited:    after %.1f s\n", limitedAfter);
  else
    std::printf("found limited:    no\n");
  if (test) {
    const auto st = test->stats();
    std::printf("test server:      %llu requests dropped by its limiter\n",
                static_cast<unsigned long long>(st.limiterDropped));
  }
  return 0;
}
