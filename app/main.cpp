// Zelmora: remote administration of Call of Duty game servers.
//
// The data files lie beside the executable, or, when the program is
// installed, in a folder per user (core/datafolder.h). One data folder has
// one window (app/singleinstance.h). The windows are created in a fixed
// order (ui/main/appwindows.h).
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "app/shellform.h"
#include "app/singleinstance.h"
#include "app/windowfront.h"
#include "core/datafolder.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/translations.h"
#include "ui/main/appwindows.h"
#include "ui/main/tform1.h"

namespace {

using zelmora::SingleInstance;

// What QApplication left of the command line, without the program's name.
std::vector<std::string> LeftoverArguments() {
  std::vector<std::string> args;
  const QStringList all = QCoreApplication::arguments();
  for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toLocal8Bit().toStdString());
  return args;
}

// A later start: asks the running program for its window, in the event loop
// of this process, which has no window of its own.
SingleInstance::Answer AskRunningWindow(SingleInstance& instance) {
  SingleInstance::Answer answer = SingleInstance::Answer::NoAnswer;
  const QMetaObject::Connection done =
      QObject::connect(&instance, &SingleInstance::Answered, [&answer](SingleInstance::Answer a) {
        answer = a;
        QCoreApplication::quit();
      });
  // Asked from inside the loop, so that an answer found at once still ends it.
  QTimer::singleShot(0, &instance, [&instance] { instance.AskRunningToFront(); });
  QApplication::exec();
  QObject::disconnect(done);
  return answer;
}

// The program holding the folder does not answer (it hangs, or it cannot
// listen): said on the terminal and in a box, for a start from the desktop.
int ReportNoAnswer(const std::string& dataFolder) {
  const QString text = QStringLiteral(
                           "Zelmora läuft bereits mit dem Datenordner %1, antwortet "
                           "aber nicht.")
                           .arg(QDir::toNativeSeparators(QString::fromStdString(dataFolder)));
  std::cerr << "zelmora: " << text.toLocal8Bit().toStdString() << '\n';
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelmora"), text, QMessageBox::Ok);
  QObject::connect(&box, &QMessageBox::finished, qApp, &QCoreApplication::quit);
  box.show();
  QApplication::exec();
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  // --help, --version and wrong options are answered before Qt starts, so
  // they need no display.
  if (const std::optional<int> status =
          zelmora::AnswerCommandLine(argc, argv, std::cout, std::cerr))
    return *status;
  // The shell forms need no display and take no lock.
  {
    std::vector<std::string> args(argv + 1, argv + argc);
    const zelmora::CommandLine line = zelmora::ParseCommandLine(args);
    if (line.action == zelmora::CommandLine::Action::Send ||
        line.action == zelmora::CommandLine::Action::Query)
      return zelmora::RunShellForm(argc, argv, line, std::cout, std::cerr);
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zelmora"));
  if (const std::optional<std::string> refusal =
          zelmora::UnexpectedArguments(LeftoverArguments())) {
    std::cerr << zelmora::RefusalText(*refusal);
    return zelmora::kUsageExitStatus;
  }
  zelmora::InstallGermanTranslations(app);
  const zelmora::DataFolders folders = zelmora::AppDataFolders();

  SingleInstance instance(QString::fromStdString(folders.data));
  if (instance.ClaimFolder() == SingleInstance::Claim::Second) {
    switch (AskRunningWindow(instance)) {
      case SingleInstance::Answer::Delivered:
        return 0;
      case SingleInstance::Answer::NoAnswer:
        return ReportNoAnswer(folders.data);
      case SingleInstance::Answer::BecameFirst:
        break;  // it ended meanwhile: this is the window now
    }
  }

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
    zelmora::TForm1& form1 = windows.form1();
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &form1,
                     [&form1] { zelmora::BringToFront(&form1); });
    form1.show();
    rc = QApplication::exec();
    instance.StopListening();
    // The windows are destroyed here, after the main window has closed; the
    // lock is given up after them, when the last file has been saved.
  }
  return rc;
}
