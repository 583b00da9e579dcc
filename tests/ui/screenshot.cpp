// Takes the pictures of the windows shown in the documentation: the windows
// are created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and the window is grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select] [mode]
// Modes (default "main"):
//   main                      the main window once the ping chart has grown
//   spielmodus                the "Spielmodus" tab
//   spielmodus-einstellungen  the SD settings, read from the server
//   waffen                    weapons and vehicles, read from the server
//   sonstiges                 the custom variables of the server's profile
//   tform6                    the expert settings window with a profile
//   overlay                   the "Bitte warten" notice over the main window
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/admin/customvarstab.h"
#include "ui/admin/varqueue.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
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

bool Save(const QPixmap& picture, const char* out) {
  if (picture.save(QString::fromLocal8Bit(out))) return true;
  std::fprintf(stderr, "cannot write %s\n", out);
  return false;
}

void SelectRow(zelmora::TForm1& form1, int row) {
  auto* grid = form1.findChild<zelmora::DrawGrid*>("DrawGrid1");
  grid->SelectRow(row);
  form1.DrawGrid1Click();
}

void ShowPage(zelmora::TForm1& form1, const char* title) {
  auto* tabs = form1.findChild<QTabWidget*>("PageControl1");
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabText(i) == QString::fromUtf8(title)) tabs->setCurrentIndex(i);
}

void Click(QWidget* root, const char* name) {
  if (auto* b = root->findChild<QPushButton*>(QString::fromLatin1(name))) b->click();
}

// Waits until the cvar queue has sent its batch and the replies are in.
void WaitForQueue(zelmora::TForm1& form1) {
  QElapsedTimer t;
  t.start();
  while (form1.Vars().Timer6()->isActive() && t.elapsed() < 30000) Wait(50);
  Wait(600);
}

int Main(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = windows.form1();
  SelectRow(form1, row);
  Wait(14000);  // the selected server is queried every second: the chart fills
  return Save(form1.grab(), out) ? 0 : 1;
}

// The tabs are shown at the window's minimum size.
zelmora::TForm1& Smallest(zelmora::AppWindows& windows) {
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(form1.minimumSize());
  Wait(300);
  return form1;
}

int Spielmodus(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus");
  SelectRow(form1, row);
  Wait(2500);
  return Save(form1.grab(), out) ? 0 : 1;
}

int SpielmodusEinstellungen(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus-Einstellungen");
  SelectRow(form1, row);
  Wait(2000);
  auto* pages = form1.findChild<QTabWidget*>("PageControl2");
  pages->setCurrentIndex(2);  // SD
  Click(&form1, "Button33");
  WaitForQueue(form1);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Waffen(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  SelectRow(form1, row);
  Wait(2000);
  ShowPage(form1, "Waffen/Fahrzeuge");
  Click(&form1, "Button14");
  WaitForQueue(form1);
  Click(&form1, "Button47");
  WaitForQueue(form1);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Sonstiges(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  SelectRow(form1, row);
  Wait(2000);
  ShowPage(form1, "Sonstiges");
  Click(&form1, "Button21");
  WaitForQueue(form1);
  // The operator picked a variable to change.
  QTableView* grid = form1.CustomVars().Grid();
  grid->setCurrentIndex(grid->model()->index(0, 2));
  Wait(300);
  return Save(form1.grab(), out) ? 0 : 1;
}

int Form6(zelmora::AppWindows& windows, const char* out, int) {
  zelmora::TForm6& form6 = windows.form6();
  form6.show();
  QComboBox* box = form6.ComboBox1();
  if (box->count() > 0) {
    box->setCurrentIndex(box->count() - 1);
    form6.ComboBox1Change(box->currentIndex());
  }
  Wait(800);
  const int rc = Save(form6.grab(), out) ? 0 : 1;
  form6.hide();
  return rc;
}

int Overlay(zelmora::AppWindows& windows, const char* out, int row) {
  zelmora::TForm1& form1 = Smallest(windows);
  ShowPage(form1, "Spielmodus-Einstellungen");
  SelectRow(form1, row);
  Wait(2000);
  zelmora::TForm5& overlay = windows.form5();
  overlay.ShowOverlayMessage(QStringLiteral("Bitte warten"), -1);
  Wait(500);
  // The notice is a window of its own with a transparent background: put
  // its picture where it floats over the main window.
  QPixmap picture = form1.grab();
  {
    QPainter p(&picture);
    const QPoint at = overlay.geometry().topLeft() - form1.geometry().topLeft();
    p.drawPixmap(at, overlay.grab());
  }
  overlay.HideOverlay();
  return Save(picture, out) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row] [mode]\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::SetDataDir(std::string(argv[1]) + "/");
  const int row = argc > 3 ? std::atoi(argv[3]) : 1;
  const char* mode = argc > 4 ? argv[4] : "main";

  struct Mode {
    const char* name;
    int (*run)(zelmora::AppWindows&, const char*, int);
  };
  const Mode modes[] = {{"main", Main},
                        {"spielmodus", Spielmodus},
                        {"spielmodus-einstellungen", SpielmodusEinstellungen},
                        {"waffen", Waffen},
                        {"sonstiges", Sonstiges},
                        {"tform6", Form6},
                        {"overlay", Overlay}};
  const Mode* chosen = nullptr;
  for (const Mode& m : modes)
    if (std::strcmp(m.name, mode) == 0) chosen = &m;
  if (!chosen) {
    std::fprintf(stderr, "unknown mode %s\n", mode);
    return 2;
  }

  zelmora::SettingsStore settings;
  zelmora::AppWindows windows(settings);
  zelmora::TForm1& form1 = windows.form1();
  form1.show();
  Wait(2500);  // start-up sweep and first replies
  const int rc = chosen->run(windows, argv[2], row);
  form1.close();
  return rc;
}
