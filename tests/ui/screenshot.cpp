// Takes the picture of the main window shown in the README: the windows are
// created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and once its ping history has grown the main window is
// grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select]
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/translations.h"
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

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::InstallGermanTranslations(app);
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
