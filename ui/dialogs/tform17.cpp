#include "ui/dialogs/tform17.h"

#include <QIcon>
#include <QStyle>

#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui_tform17.h"

namespace zelmora {

TForm17::TForm17(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm17>()) {
  ui_->setupUi(this);
  ui_->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm17::Button1Click);
}

TForm17::~TForm17() = default;

void TForm17::Prepare(const Tserverrec& e) {
  ui_->Label4->setText(WithoutColorCodes(DecodeGameText(e.hostname.view(), EncodingOf(e))));
  ui_->Edit1->setText(FromCp1252(e.rconpass.view()));
}

bool TForm17::Open(const Tserverrec& e) {
  Prepare(e);
  return exec() == QDialog::Accepted;
}

void TForm17::Button1Click() {
  if (!onAccept || onAccept(ToCp1252(ui_->Edit1->text()))) accept();
}

}  // namespace zelmora
