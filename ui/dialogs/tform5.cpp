#include "ui/dialogs/tform5.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <chrono>
#include <thread>

namespace zelmora {

namespace {

constexpr int kSkinExemptTag = 99;

// "Arial Black" where it is installed; elsewhere the bold face of Arial or of
// its metric twin Liberation Sans, so the text runs about as wide as
// designed, and a plain sans face as the last resort.
QFont OverlayFont() {
  QFont f;
  f.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setPixelSize(27);
  f.setBold(true);
  return f;
}

}  // namespace

TForm5::TForm5(QWidget* anchor)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      anchor_(anchor) {
  setObjectName(QStringLiteral("TForm5"));
  setProperty("tag", kSkinExemptTag);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFixedSize(kWidth, kHeight);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setProperty("tag", kSkinExemptTag);
  Label1->setFont(OverlayFont());
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, Qt::black);
  Label1->setPalette(p);
  Label1->setAutoFillBackground(false);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setGeometry(16, 32, kWidth - 16, kHeight - 32);
}

void TForm5::CentreOnAnchor() {
  QRect area;
  if (anchor_ && anchor_->isVisible()) {
    area = anchor_->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - QPoint(kWidth / 2, kHeight / 2));
}

void TForm5::ShowOverlayMessage(const QString& text, int milliseconds) {
  Label1->setText(text);
  CentreOnAnchor();
  show();
  raise();
  // Paint now. Input waits: the callers are in the middle of an action.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
  if (milliseconds != -1) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    hide();
  }
}

void TForm5::HideOverlay() {
  hide();
}

void ShowOverlayMessage(TForm5* overlay, const QString& text, int milliseconds) {
  if (overlay) {
    overlay->ShowOverlayMessage(text, milliseconds);
  } else if (milliseconds > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

}  // namespace zelmora
