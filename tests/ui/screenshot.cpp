// Takes the picture of the main window shown in the README: the windows are
// created as the application creates them, against the data folder given
// (whose Servers.dat lists running test game servers), the servers answer,
// one is selected, and once its ping history has grown the main window is
// grabbed.
//   zelmora-screenshot <data folder> <out.png> [row to select]
// With a mode after the row, one administration page or dialog is taken
// instead, the window at its minimum size:
//   zelmora-screenshot <data folder> <out.png> <row> <mode>
//   modes: players, maps, configs, console, msgtimer, form16, form17
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <functional>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
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
bool Save(const QPixmap& picture, const char* path) {
  if (picture.save(QString::fromLocal8Bit(path))) return true;
  std::fprintf(stderr, "cannot write %s\n", path);
  return false;
}

template <typename T>
T* Child(QWidget& w, const char* name) {
  return w.findChild<T*>(QString::fromLatin1(name));
}

// The main window at its minimum size with the server of row selected and
// page in front; prepare fills the page before the grab.
bool AdminPage(zelmora::AppWindows& windows, int row, int page, const char* out,
               const std::function<void(zelmora::TForm1&)>& prepare) {
  zelmora::TForm1& form1 = windows.form1();
  form1.resize(form1.minimumSize());
  Wait(2500);
  Child<QTabWidget>(form1, "PageControl1")->setCurrentIndex(page);
  Child<zelmora::DrawGrid>(form1, "DrawGrid1")->SelectRow(row);
  form1.DrawGrid1Click();
  Wait(3000);  // replies, player table, listings
  prepare(form1);
  Wait(1500);
  return Save(form1.grab(), out);
}

int AdminShot(zelmora::AppWindows& windows, int row, const char* mode, const char* out) {
  using zelmora::TForm1;
  auto click = [](TForm1& f, const char* name) { Child<QPushButton>(f, name)->click(); };
  if (!std::strcmp(mode, "players")) {
    return AdminPage(windows, row, 1, out,
                     [&](TForm1& f) {
                       auto* g2 = Child<zelmora::DrawGrid>(f, "DrawGrid2");
                       g2->SelectRow(3);
                       g2->onClick();
                       Child<QLineEdit>(f, "Edit3")
                           ->setText(QStringLiteral("Willkommen auf dem Server!"));
                     })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "maps")) return AdminPage(windows, row, 2, out, [](TForm1&) {}) ? 0 : 1;
  if (!std::strcmp(mode, "configs")) {
    return AdminPage(windows, row, 7, out,
                     [](TForm1& f) { Child<QListWidget>(f, "ListBox3")->setCurrentRow(0); })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "console")) {
    return AdminPage(windows, row, 8, out,
                     [&](TForm1& f) {
                       Child<QLineEdit>(f, "Edit1")->setText(QStringLiteral("dir maps/mp d3dbsp"));
                       click(f, "Button2");
                       Wait(1000);
                       Child<QLineEdit>(f, "Edit1")->setText(QStringLiteral("g_gametype"));
                     })
               ? 0
               : 1;
  }
  if (!std::strcmp(mode, "msgtimer")) {
    return AdminPage(
               windows, row, 9, out,
               [&](TForm1& f) {
                 Child<QLineEdit>(f, "Edit8")->setText(QStringLiteral("^3Besucht uns im Forum!"));
                 Child<QLineEdit>(f, "Edit9")->setText(QStringLiteral("2"));
                 click(f, "Button50");
                 Wait(5000);
               })
               ? 0
               : 1;
  }
  const bool f16 = !std::strcmp(mode, "form16");
  if (f16 || !std::strcmp(mode, "form17")) {
    TForm1& form1 = windows.form1();
    Wait(2500);
    Child<zelmora::DrawGrid>(form1, "DrawGrid1")->SelectRow(row);
    form1.DrawGrid1Click();
    Wait(1500);
    const zelmora::Tserverrec& e = form1.State().serverlist.at(static_cast<size_t>(row - 1));
    QDialog* dialog = nullptr;
    if (f16) {
      windows.form16().Prepare(e);
      Child<QLineEdit>(windows.form16(), "Edit1")->setText(QStringLiteral("clanwar"));
      dialog = &windows.form16();
    } else {
      windows.form17().Prepare(e);
      dialog = &windows.form17();
    }
    dialog->show();
    Wait(800);
    const bool ok = Save(dialog->grab(), out);
    dialog->hide();
    return ok ? 0 : 1;
  }
  std::fprintf(stderr, "unknown mode %s\n", mode);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <data folder> <out.png> [row [mode]]\n", argv[0]);
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
  if (argc > 4) {
    const int rc = AdminShot(windows, row, argv[4], argv[2]);
    form1.close();
    return rc;
  }

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
