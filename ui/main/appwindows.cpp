#include "ui/main/appwindows.h"

#include "core/paths.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
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
  form16_ = std::make_unique<TForm16>(form1_.get());
  form17_ = std::make_unique<TForm17>(form1_.get());
  form1_->SetPasswordDialogs(form16_.get(), form17_.get());
}

AppWindows::~AppWindows() {
  form17_.reset();
  form16_.reset();
  form4_.reset();
  form3_.reset();
  form1_.reset();
}

}  // namespace zelmora
