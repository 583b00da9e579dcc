// Takes the picture of the main window shown in the README: the windows are
// created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and once its ping history has grown the main window is
// grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select]
//   zelmora-screenshot --join <data folder> <out.png>   (the join window)
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QThread>

#include <cstdio>
#include <string>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/tform10.h"
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
}  // namespace

// The join window over a full server: zelmora-screenshot --join <data
// folder> <out.png>. The data folder lists one full server (with an rcon
// password) first and holds names.txt and passes.txt.
int JoinWindowShot(const char* dataDir, const char* out) {
  zelmora::SetDataDir(std::string(dataDir) + "/");
  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();
  Wait(2500);  // start-up sweep and first replies
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(1);
  form1.DrawGrid1Click();
  form1.DrawGrid1DblClick();
  Wait(2500);  // the selected server answers: the player count
  zelmora::TForm10& join = windows.form10();
  join.Button6Click();  // the server is full: the wait starts
  Wait(300);
  const QPixmap picture = join.grab();
  join.Button2Click();
  if (!picture.save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot write %s\n", out);
    return 1;
  }
  form1.close();
  return 0;
}

int main(int argc, char* argv[]) {
  if (argc == 4 && std::string(argv[1]) == "--join") {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelmora"));
    return JoinWindowShot(argv[2], argv[3]);
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
