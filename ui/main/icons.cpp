#include "ui/main/icons.h"

#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace zelmora {

namespace {

// The pictures are drawn in 16 x 16 logical pixels onto a canvas of the
// screen's device pixels, so they stay sharp at any scale.
qreal g_dpr = 1;

QImage NewCanvas() {
  const int side = static_cast<int>(std::lround(16 * g_dpr));
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(g_dpr);
  img.fill(Qt::transparent);
  return img;
}

// A game-version badge: rounded plate with a short label.
QImage Badge(const QColor& top, const QColor& bottom, const QString& label, int pixelSize) {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 1, 0, 15);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setPen(QPen(bottom.darker(150), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 3, 3);
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(true);
  f.setStyleStrategy(QFont::PreferAntialias);
  p.setFont(f);
  p.setPen(QColor(255, 255, 255));
  p.drawText(QRectF(0, 1, 16, 14), Qt::AlignCenter, label);
  return img;
}

QImage Lock() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(110, 110, 120), 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
  p.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
  p.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
  QLinearGradient g(0, 7, 0, 15);
  g.setColorAt(0, QColor(250, 210, 80));
  g.setColorAt(1, QColor(200, 140, 20));
  p.setPen(QPen(QColor(150, 100, 10), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 60, 10));
  p.drawEllipse(QPointF(8, 10.5), 1.3, 1.3);
  p.drawRect(QRectF(7.4, 11, 1.2, 2.5));
  return img;
}

QImage Camera() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 48), 1));
  p.setBrush(QColor(70, 72, 84));
  p.drawRoundedRect(QRectF(4.5, 3.5, 5, 3), 1, 1);
  QLinearGradient g(0, 5, 0, 14);
  g.setColorAt(0, QColor(110, 112, 126));
  g.setColorAt(1, QColor(55, 57, 66));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(1.5, 5.5, 13, 8.5), 2, 2);
  p.setBrush(QColor(30, 30, 36));
  p.drawEllipse(QPointF(8, 9.8), 3.3, 3.3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 160, 230));
  p.drawEllipse(QPointF(8, 9.8), 1.9, 1.9);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(QPointF(7.3, 9.1), 0.7, 0.7);
  p.setBrush(QColor(230, 60, 50));
  p.drawEllipse(QPointF(12.6, 7.3), 0.9, 0.9);
  return img;
}

QImage Key() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor gold(226, 176, 40), edge(150, 105, 10);
  p.setPen(QPen(edge, 1));
  p.setBrush(gold);
  // shaft with two teeth, rotated for a diagonal key
  p.translate(8, 8);
  p.rotate(-45);
  p.translate(-8, -8);
  QPainterPath shaft;
  shaft.addRect(QRectF(7, 6.8, 8.5, 2.4));
  shaft.addRect(QRectF(12, 9, 1.6, 2.6));
  shaft.addRect(QRectF(14.2, 9, 1.4, 2.0));
  p.drawPath(shaft.simplified());
  p.drawEllipse(QPointF(4.6, 8), 3.9, 3.9);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(3.8, 8), 1.3, 1.3);
  return img;
}

QImage Shield() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(8, 0.8);
  path.lineTo(14.5, 3);
  path.cubicTo(14.5, 9.5, 12, 13, 8, 15.2);
  path.cubicTo(4, 13, 1.5, 9.5, 1.5, 3);
  path.closeSubpath();
  QLinearGradient g(0, 1, 0, 15);
  g.setColorAt(0, QColor(80, 150, 235));
  g.setColorAt(1, QColor(25, 75, 160));
  p.setPen(QPen(QColor(20, 50, 110), 1));
  p.setBrush(g);
  p.drawPath(path);
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({QPointF(4.8, 7.8), QPointF(7.2, 10.3), QPointF(11.4, 5.2)}));
  return img;
}

void Figure(QPainter& p, qreal cx, const QColor& c) {
  p.setPen(QPen(c.darker(160), 0.8));
  p.setBrush(c);
  p.drawEllipse(QPointF(cx, 4.6), 2.4, 2.4);
  QPainterPath body;
  body.moveTo(cx - 4, 15);
  body.cubicTo(cx - 4, 9, cx - 2.5, 7.6, cx, 7.6);
  body.cubicTo(cx + 2.5, 7.6, cx + 4, 9, cx + 4, 15);
  body.closeSubpath();
  p.drawPath(body);
}

QImage TwoFigures() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Figure(p, 10.5, QColor(90, 140, 60));
  Figure(p, 5.5, QColor(220, 90, 40));
  return img;
}

QImage Speaker() {
  QImage img = NewCanvas();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath cone;
  cone.moveTo(1.5, 5.5);
  cone.lineTo(4.5, 5.5);
  cone.lineTo(8.5, 2);
  cone.lineTo(8.5, 14);
  cone.lineTo(4.5, 10.5);
  cone.lineTo(1.5, 10.5);
  cone.closeSubpath();
  p.setPen(QPen(QColor(40, 40, 50), 0.9));
  p.setBrush(QColor(80, 84, 100));
  p.drawPath(cone);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 130, 210), 1.3, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(6.5, 5, 5, 6), -60 * 16, 120 * 16);
  p.drawArc(QRectF(6, 2.5, 9, 11), -60 * 16, 120 * 16);
  return img;
}

std::array<QImage, kImageListCount> MakeAll(qreal dpr) {
  g_dpr = dpr;
  return {Badge(QColor(120, 140, 70), QColor(70, 86, 36), QStringLiteral("1"), 11),
          Badge(QColor(190, 70, 55), QColor(120, 30, 22), QStringLiteral("2"), 11),
          Badge(QColor(80, 120, 175), QColor(36, 62, 110), QStringLiteral("UO"), 8),
          Lock(),
          Camera(),
          Key(),
          Shield(),
          TwoFigures(),
          Speaker()};
}

}  // namespace

const QImage& ImageList1(int index, qreal devicePixelRatio) {
  // One set per scale (in hundredths), made when first asked for.
  static std::map<int, std::array<QImage, kImageListCount>> sets;
  static const QImage none;
  if (index < 0 || index >= kImageListCount) return none;
  const int key = std::clamp(static_cast<int>(std::lround(devicePixelRatio * 100)), 100, 800);
  auto it = sets.find(key);
  if (it == sets.end()) it = sets.emplace(key, MakeAll(key / 100.0)).first;
  return it->second[static_cast<size_t>(index)];
}

QIcon ImageList1Icon(int index) {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(ImageList1(index, dpr)));
  return icon;
}

}  // namespace zelmora
