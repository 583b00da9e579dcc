#include "ui/dialogs/linklabel.h"

#include <QMouseEvent>
#include <QUrl>

#include "ui/dialogs/openurl.h"

namespace zelmora {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  setTextFormat(Qt::PlainText);
  ApplyLook();
}

void LinkLabel::setLinkColors(const QColor& normal, const QColor& hovered) {
  normalColor_ = normal;
  hoverColor_ = hovered;
  ApplyLook();
}

void LinkLabel::ApplyLook() {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, hovered_ ? hoverColor_ : normalColor_);
  setPalette(p);
  QFont f = font();
  f.setUnderline(hovered_);
  setFont(f);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  ApplyLook();
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  hovered_ = false;
  ApplyLook();
  QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  emit clicked();
  if (!url_.isEmpty()) OpenLink(window(), QUrl(url_));
}

}  // namespace zelmora
