#include "ui/dialogs/tform5.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

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
  // No translucent window: without a compositor the X11 server fills it
  // black. The notice paints its own light plate instead (paintEvent), the
  // same with and without a compositor.
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
  hideTimer_ = new QTimer(this);
  hideTimer_->setSingleShot(true);
  hideTimer_->setTimerType(Qt::PreciseTimer);  // a coarse one may end it 5 % early
  connect(hideTimer_, &QTimer::timeout, this, &QWidget::hide);
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
  // A notice shown anew is not hidden by the timer of an earlier one.
  hideTimer_->stop();
  Label1->setText(text);
  CentreOnAnchor();
  show();
  raise();
  if (milliseconds != -1) {
    if (milliseconds > 0)
      hideTimer_->start(milliseconds);
    else
      hide();
  }
}

void TForm5::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(255, 253, 235));
  p.setPen(QPen(QColor(150, 140, 100), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void TForm5::HideOverlay() {
  hideTimer_->stop();
  hide();
}

void ShowOverlayMessage(TForm5* overlay, const QString& text, int milliseconds) {
  if (overlay) overlay->ShowOverlayMessage(text, milliseconds);
}

}  // namespace zelmora
