// Takes the picture of the main window shown in the README: the windows are
// created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and once its ping history has grown the main window is
// grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select]
//
// With --countries: the players tab ("Spieler") of the first listed server
// (rcon password, players with public addresses), grabbed once every
// player row shows a country and a flag from the real country data. Its
// provider lookups go to the system's resolver, so scripts/screenshot.sh
// runs it in a network namespace of its own.
//   zelmora-screenshot --countries <data folder> <out.png>
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QThread>

#include <cstdio>
#include <cstring>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

namespace {
void Wait(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}
int Countries(const char* dataDir, const char* out) {
  zelmora::SetDataDir(std::string(dataDir) + "/");
  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(1000, 720);
  form1.show();
  Wait(1500);
  form1.findChild<zelmora::DrawGrid*>("DrawGrid1")->SelectRow(1);
  form1.DrawGrid1Click();
  form1.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);  // "Spieler"

  // The status poll fills the rows; the provider resolver's next pass (every
  // 5 s) finds their addresses, and the poll after it copies the countries.
  auto resolved = [&form1] {
    const auto& rows = form1.State().statusRowsView;
    if (rows.empty()) return false;
    for (const auto& e : rows)
      if (e[12].empty() || e[12] == "?" || e[13].empty() || e[13] == "-1") return false;
    return true;
  };
  QElapsedTimer t;
  t.start();
  while (!resolved() && t.elapsed() < 60000) Wait(200);
  const bool ok = resolved();
  Wait(1500);  // one more poll and repaint
  if (!form1.grab().save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  form1.close();
  if (!ok) std::fprintf(stderr, "not every player row got a country and a flag\n");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 4 && std::strcmp(argv[1], "--countries") == 0) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    return Countries(argv[2], argv[3]);
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::SetDataDir(std::string(argv[1]) + "/");
  const int row = argc > 3 ? std::atoi(argv[3]) : 1;

  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();

  Wait(2500);  // start-up sweep and first replies
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(row);
  form1.DrawGrid1Click();
  Wait(14000);  // the selected server is queried every second: the chart fills

  const QPixmap picture = form1.grab();
  if (!picture.save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  form1.close();
  return 0;
}
