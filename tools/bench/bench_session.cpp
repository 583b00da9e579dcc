// The operator's session as the window sees it: tab changes, console lines,
// a message, a kick, a map load with the arrow keys through the map list, a
// game-type switch, a weapon switch and message-timer broadcasts against
// three test game servers on loopback (protocols 6, 22, 118, with players),
// while a 1 ms probe timer measures how long the main thread's event loop
// stands still. Reports the longest stall overall and per step (goal: below
// 50 ms), and how many rcon commands reached the servers.
//   zelmora-bench-session [rounds]   (default 3)
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/bench/sessiondata.h"
#include "tools/testserver/testserver.h"
#include "ui/admin/weaponstab.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform6.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

using namespace zelmora;

namespace {

struct Step {
  const char* name;
  std::function<void()> run;
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });

  std::vector<std::unique_ptr<testing::TestServer>> servers;
  Tserverlist list;
  for (int protocol : {6, 22, 118}) {
    testing::TestServerConfig c;
    testing::ApplyProtocol(c, protocol);
    c.rconPassword = "demo";
    c.players = testing::InventPlayers(12, static_cast<uint64_t>(protocol));
    testing::SetVar(c.cvars, "scr_allow_kar98k", "1");
    servers.push_back(std::make_unique<testing::TestServer>());
    if (!servers.back()->start(c)) {
      std::fprintf(stderr, "test server did not start\n");
      return 1;
    }
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign(std::to_string(servers.back()->port()));
    e.rconpass.assign("demo");
    list.push_back(e);
  }
  QTemporaryDir dir;
  if (!bench::SeedDataDir(dir, list)) return 1;

  SettingsStore settings;
  AppWindows windows(settings);
  TForm1& f = windows.form1();
  f.show();
  windows.form6().Memo2()->setPlainText(QStringLiteral("scr_allow_kar98k"));
  auto* tabs = f.findChild<QTabWidget*>("PageControl1");
  auto* grid = f.findChild<DrawGrid*>("DrawGrid1");
  auto* console = f.findChild<QLineEdit*>("Edit1");
  auto* message = f.findChild<QLineEdit*>("Edit3");
  auto* maps = f.findChild<QListWidget*>("ListBox2");
  auto click = [&](const char* name) {
    if (auto* b = f.findChild<QPushButton*>(QString::fromLatin1(name))) b->click();
  };
  auto select = [&](int row) {
    grid->SelectRow(row);
    f.DrawGrid1Click();
  };

  std::vector<Step> steps = {
      {"select server 1", [&] { select(1); }},
      {"tab Spieler", [&] { tabs->setCurrentIndex(1); }},
      {"say",
       [&] {
         message->setText(QStringLiteral("Hallo"));
         click("Button7");
       }},
      {"kick",
       [&] {
         auto* players = f.findChild<DrawGrid*>("DrawGrid2");
         const QPoint at = players->CellRect(1, 1).center();
         QMouseEvent move(QEvent::MouseMove, at, players->viewport()->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
         QCoreApplication::sendEvent(players->viewport(), &move);
         QTest::mouseClick(players->viewport(), Qt::LeftButton, {}, at);
         click("Button1");
       }},
      {"tab Karten", [&] { tabs->setCurrentIndex(2); }},
      {"arrow keys on the map list",
       [&] {
         maps->setFocus();
         for (int i = 0; i < 5; ++i) QTest::keyClick(maps, Qt::Key_Down);
       }},
      {"map load", [&] { click("Button11"); }},
      {"tab Spielmodus, game type dm",
       [&] {
         tabs->setCurrentIndex(4);
         click("Button15");
       }},
      {"tab Waffen, refresh",
       [&] {
         tabs->setCurrentIndex(3);
         click("Button14");
       }},
      {"weapon check box",
       [&] {
         auto* weapons = f.Weapons().CheckListBox1;
         if (weapons->count() > 0)
           weapons->item(0)->setCheckState(
               weapons->item(0)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
       }},
      {"tab Konfig", [&] { tabs->setCurrentIndex(7); }},
      {"tab Konsole, two lines",
       [&] {
         tabs->setCurrentIndex(8);
         console->setText(QStringLiteral("status"));
         QTest::keyClick(console, Qt::Key_Return);
         console->setText(QStringLiteral("cvarlist"));
         QTest::keyClick(console, Qt::Key_Return);
       }},
      {"message timer on",
       [&] {
         tabs->setCurrentIndex(9);
         f.findChild<QLineEdit*>("Edit9")->setText(QStringLiteral("1"));
         click("Button50");
       }},
      {"select server 2", [&] { select(2); }},
      {"tab Spieler on server 2", [&] { tabs->setCurrentIndex(1); }},
      {"select server 3", [&] { select(3); }},
      {"tab Serverinfo", [&] { tabs->setCurrentIndex(0); }},
  };

  // The probe: the longest time between two of its ticks, per step.
  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0;
  double worst = 0;
  std::vector<double> worstOf(steps.size(), 0);
  std::size_t current = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    const double gap = (now - lastTick) / 1.0e6;
    lastTick = now;
    worst = std::max(worst, gap);
    worstOf[current] = std::max(worstOf[current], gap);
  });

  // Let the start-up settle (first replies, list fitted) before measuring.
  QTest::qWait(1500);
  lastTick = clock.nsecsElapsed();
  probe.start();
  const int stepMs = 1500;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      current = i;
      const qint64 before = clock.nsecsElapsed();
      steps[i].run();
      const double took = (clock.nsecsElapsed() - before) / 1.0e6;
      worstOf[i] = std::max(worstOf[i], took);
      worst = std::max(worst, took);
      QTest::qWait(stepMs);
    }
  }
  probe.stop();

  std::uint64_t rcon = 0;
  for (const auto& s : servers) rcon += s->stats().rconAccepted;
  std::printf("Session of %d rounds, %zu steps each, %d ms apart, 3 servers on loopback\n", rounds,
              steps.size(), stepMs);
  for (std::size_t i = 0; i < steps.size(); ++i)
    std::printf("  %-32s longest stall %6.1f ms\n", steps[i].name, worstOf[i]);
  std::printf("Longest event-loop stall: %.1f ms (goal: below 50 ms)\n", worst);
  std::printf("Rcon commands the servers carried out: %llu\n",
              static_cast<unsigned long long>(rcon));
  f.close();
  return worst < 50 ? 0 : 1;
}
