#include "ui/dialogs/tform16.h"

#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui_tform16.h"

namespace zelmora {

TForm16::TForm16(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm16>()) {
  ui_->setupUi(this);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm16::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm16::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm16::Button3Click);
}

TForm16::~TForm16() = default;

void TForm16::Prepare(const Tserverrec& e) {
  ui_->Label4->setText(WithoutColorCodes(DecodeGameText(e.hostname.view(), EncodingOf(e))));
  ui_->Edit1->clear();
}

void TForm16::Open(const Tserverrec& e) {
  Prepare(e);
  exec();
}

void TForm16::Button1Click() {
  if (onSetPassword) onSetPassword(ToCp1252(ui_->Edit1->text()));
}

void TForm16::Button2Click() {
  if (onClearPassword) onClearPassword();
}

void TForm16::Button3Click() {
  accept();
}

}  // namespace zelmora
