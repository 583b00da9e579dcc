#include "ui/main/appwindows.h"

#include <QMetaObject>

#include "core/paths.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/main/tform1.h"

namespace zelmora {

AppWindows::AppWindows(SettingsStore& settings) {
  form1_ = std::make_unique<TForm1>(settings);
  form3_ = std::make_unique<TForm3>(settings, form1_.get(), form1_.get());
  form3_->FormCreate();
  form4_ = std::make_unique<TForm4>(form1_->State(), DataPath("Servers.dat"), form1_.get());
  form1_->SetDialogs(form3_.get(), form4_.get());
  CreateJoinWindow(settings);
}

// The join window (after the about window, before the colour codes).
void AppWindows::CreateJoinWindow(SettingsStore& settings) {
  TForm1* main = form1_.get();
  form10_ = std::make_unique<TForm10>(main->State(), main->Engine(), settings, main);
  TForm10::Hooks hooks;
  hooks.playersPageShown = [main] { return main->PlayersTabShown(); };
  hooks.minimizeApplication = [main] { main->showMinimized(); };
  // Posted, never direct: a join may run inside a worker's hand-over, and
  // closing shuts the workers down. A close posted to the main window is
  // dropped if the window is gone before it runs.
  hooks.closeMainWindow = [main] {
    QMetaObject::invokeMethod(
        main, [main] { main->close(); }, Qt::QueuedConnection);
  };
  form10_->SetHooks(std::move(hooks));
  form10_->FormCreate();
  main->SetJoinWindow(form10_.get());
}

AppWindows::~AppWindows() {
  if (form1_) form1_->SetJoinWindow(nullptr);
  form10_.reset();
  form4_.reset();
  form3_.reset();
  form1_.reset();
}

}  // namespace zelmora
