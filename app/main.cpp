// Zelmora: remote administration of Call of Duty game servers.
//
// The data files lie beside the executable. The windows are created in a
// fixed order (ui/main/appwindows.h).
#include <QApplication>
#include <QDir>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/translations.h"
#include "ui/main/appwindows.h"
#include "ui/main/tform1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  zelmora::InstallGermanTranslations(app);
  // UTF-8, as core's file layer expects every path (on Windows it opens them
  // with the wide API, so any folder name works).
  zelmora::SetDataDir(
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString() +
      QDir::separator().toLatin1());

  zelmora::SettingsStore settings;
  int rc = 0;
  {
    zelmora::AppWindows windows(settings);
    windows.form1().show();
    rc = QApplication::exec();
    // The windows are destroyed here, after the main window has closed.
  }
  return rc;
}
