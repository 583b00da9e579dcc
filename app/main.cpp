// Zelmora: remote administration of Call of Duty game servers.
//
// The data files lie beside the executable. The windows are created in a
// fixed order: the main window first (it loads the server list and starts
// the worker threads), then the settings window, which reads config.ini and
// applies it to the main window, then the server dialog.
#include <QApplication>
#include <QDir>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/main/tform1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::SetDataDir(
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString() +
      QDir::separator().toLatin1());

  zelmora::SettingsStore settings;
  int rc = 0;
  {
    zelmora::TForm1 form1(settings);
    zelmora::TForm3 form3(settings, &form1, &form1);
    form3.FormCreate();
    zelmora::TForm4 form4(form1.State(), zelmora::DataPath("Servers.dat"), &form1);
    form1.SetDialogs(&form3, &form4);
    form1.show();
    rc = QApplication::exec();
    // form4, form3 (saving config.ini) and form1 are destroyed here, in this
    // order, after the main window has closed.
  }
  return rc;
}
