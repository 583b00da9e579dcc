#include "ui/dialogs/tform11.h"

#include <algorithm>

#include "ui_tform11.h"

namespace zelmora {

namespace {
constexpr int kWidth = 162;
constexpr int kHeight = 183;
}  // namespace

TForm11::TForm11(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm11>()) {
  ui_->setupUi(this);
  // A dialog frame with only the close button; no buttons inside.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  // The card's size, grown where the system font needs more room.
  const QSize needed = sizeHint();
  setFixedSize(std::max(kWidth, needed.width()), std::max(kHeight, needed.height()));
}

TForm11::~TForm11() = default;

void TForm11::ShowColorCodes() {
  show();
  raise();
  activateWindow();
}

}  // namespace zelmora
