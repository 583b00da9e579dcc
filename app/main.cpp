// Zelmora: remote administration of Call of Duty game servers.
//
// The data files lie beside the executable, or, when the program is
// installed, in a folder per user (core/datafolder.h). The windows are
// created in a fixed order (ui/main/appwindows.h).
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "core/datafolder.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/translations.h"
#include "ui/main/appwindows.h"
#include "ui/main/tform1.h"

namespace {

// What QApplication left of the command line, without the program's name.
std::vector<std::string> LeftoverArguments() {
  std::vector<std::string> args;
  const QStringList all = QCoreApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toLocal8Bit().toStdString());
  return args;
}

}  // namespace

int main(int argc, char* argv[]) {
  // --help, --version and wrong options are answered before Qt starts, so
  // they need no display.
  if (const std::optional<int> status =
          zelmora::AnswerCommandLine(argc, argv, std::cout, std::cerr))
    return *status;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  if (const std::optional<std::string> refusal =
          zelmora::UnexpectedArguments(LeftoverArguments())) {
    std::cerr << zelmora::RefusalText(*refusal);
    return zelmora::kUsageExitStatus;
  }
  zelmora::InstallGermanTranslations(app);
  // UTF-8, as core's file layer expects every path (on Windows it opens them
  // with the wide API, so any folder name works).
  const std::string exeDir =
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
  const std::string userData =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
  const zelmora::DataFolders folders = zelmora::ChooseDataFolders(exeDir, userData);
  zelmora::SetDataDir(folders.data);
  zelmora::SetInstalledDataDir(folders.installed);
  std::string seedError;
  if (!folders.installed.empty() &&
      !zelmora::SeedDataFolder(folders.installed, folders.data, &seedError))
    zelmora::ShowMessage(nullptr, QString::fromStdString(seedError));

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
