#include "ui/main/appwindows.h"

#include <QFile>

#include "core/paths.h"
#include "ui/dialogs/textfiles.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
#include "ui/dialogs/tform8.h"
#include "ui/main/tform1.h"

namespace zelmora {

AppWindows::AppWindows(SettingsStore& settings) {
  form1_ = std::make_unique<TForm1>(settings);
  form3_ = std::make_unique<TForm3>(settings, form1_.get(), form1_.get());
  form3_->FormCreate();
  form4_ = std::make_unique<TForm4>(form1_->State(), DataPath("Servers.dat"), form1_.get());
  form1_->SetDialogs(form3_.get(), form4_.get());
  form5_ = std::make_unique<TForm5>(form1_.get());
  form6_ = std::make_unique<TForm6>(QFile::decodeName(QByteArray::fromStdString(DataDir())),
                                    ProfileDir(), form1_.get());
  form6_->FormCreate();
  form8_ = std::make_unique<TForm8>(ProfileDir(), form6_.get());
  form6_->SetNewProfileDialog(form8_.get());
  form8_->SetOnListChanged([this] { form6_->FillProfileBox(); });
  form1_->SetCvarDialogs(form5_.get(), form6_.get());
}

AppWindows::~AppWindows() {
  form8_.reset();
  form6_.reset();
  form5_.reset();
  form4_.reset();
  form3_.reset();
  form1_.reset();
}

}  // namespace zelmora
