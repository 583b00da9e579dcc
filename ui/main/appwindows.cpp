#include "ui/main/appwindows.h"

#include <QFile>
#include <QMetaObject>

#include "core/paths.h"
#include "ui/dialogs/textfiles.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform11.h"
#include "ui/dialogs/tform12.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
#include "ui/dialogs/tform18.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
#include "ui/dialogs/tform8.h"
#include "ui/dialogs/tform9.h"
#include "ui/main/tform1.h"

namespace zelmora {

AppWindows::AppWindows(SettingsStore& settings) {
  form1_ = std::make_unique<TForm1>(settings);
  form3_ = std::make_unique<TForm3>(settings, form1_.get(), form1_.get());
  form3_->FormCreate();
  QueryEngine& engine = form1_->Engine();
  form4_ = std::make_unique<TForm4>(engine.List(), engine.Selected(), form1_->Files(),
                                    engine.Ranges(), form1_.get());
  form1_->SetDialogs(form3_.get(), form4_.get());
  form5_ = std::make_unique<TForm5>(form1_.get());
  form6_ = std::make_unique<TForm6>(QFile::decodeName(QByteArray::fromStdString(DataDir())),
                                    ProfileDir(), form1_.get());
  form6_->FormCreate();
  form8_ = std::make_unique<TForm8>(ProfileDir(), form6_.get());
  form6_->SetNewProfileDialog(form8_.get());
  form8_->SetOnListChanged([this] { form6_->FillProfileBox(); });
  form1_->SetCvarDialogs(form5_.get(), form6_.get());
  form9_ = std::make_unique<TForm9>(form1_.get());
  CreateJoinWindow(settings);
  form11_ = std::make_unique<TForm11>(form1_.get());
  form10_->SetColorCodesWindow([form11 = form11_.get()] { form11->ShowColorCodes(); });
  form12_ = std::make_unique<TForm12>(*form9_, form1_.get());
  form16_ = std::make_unique<TForm16>(form1_.get());
  form17_ = std::make_unique<TForm17>(form1_.get());
  form1_->SetPasswordDialogs(form16_.get(), form17_.get());
  form18_ = std::make_unique<TForm18>(form1_->Files().Guids(), form1_.get());
  form1_->SetInfoWindows(form9_.get(), form12_.get(), form18_.get());
}

// The join window (after the about window, before the colour codes).
void AppWindows::CreateJoinWindow(SettingsStore& settings) {
  TForm1* main = form1_.get();
  form10_ = std::make_unique<TForm10>(main->Engine(), settings, main);
  TForm10::Hooks hooks;
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
  form18_.reset();
  form17_.reset();
  form16_.reset();
  form12_.reset();
  form11_.reset();
  form10_.reset();
  form9_.reset();
  form8_.reset();
  form6_.reset();
  form5_.reset();
  form4_.reset();
  form3_.reset();
  form1_.reset();
}

}  // namespace zelmora
