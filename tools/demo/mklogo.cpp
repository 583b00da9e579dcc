// Draws Zelmora's logo for the about window, ui/dialogs/zelmora_logo.jpg
// (225 x 97 pixels): a crosshair emblem over a night-blue banner with the
// name and the line "rcon console".
//   zelmora-mklogo <file.jpg>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int kWidth = 225;
constexpr int kHeight = 97;

void DrawEmblem(QPainter& p, const QPointF& c, double r) {
  // Radar sweep behind the crosshair.
  QRadialGradient glow(c, r);
  glow.setColorAt(0, QColor(120, 170, 235, 150));
  glow.setColorAt(1, QColor(120, 170, 235, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(c, r, r);
  QPainterPath sweep;
  sweep.moveTo(c);
  sweep.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 20, 55);
  sweep.closeSubpath();
  p.setBrush(QColor(166, 202, 240, 90));
  p.drawPath(sweep);

  const QColor line(212, 222, 242);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(line, 2.4));
  p.drawEllipse(c, r * 0.78, r * 0.78);
  p.setPen(QPen(line, 1.2));
  p.drawEllipse(c, r * 0.42, r * 0.42);
  p.setPen(QPen(line, 2.4, Qt::SolidLine, Qt::FlatCap));
  const double in = r * 0.18;
  const double out = r * 0.98;
  p.drawLine(QPointF(c.x() - out, c.y()), QPointF(c.x() - in, c.y()));
  p.drawLine(QPointF(c.x() + in, c.y()), QPointF(c.x() + out, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - out), QPointF(c.x(), c.y() - in));
  p.drawLine(QPointF(c.x(), c.y() + in), QPointF(c.x(), c.y() + out));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 84, 84));
  p.drawEllipse(c, 2.6, 2.6);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.jpg>\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // Banner with rounded corners on the white window.
  QLinearGradient back(0, 0, 0, kHeight);
  back.setColorAt(0, QColor(52, 72, 104));
  back.setColorAt(1, QColor(20, 28, 44));
  QPainterPath banner;
  banner.addRoundedRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1), 9, 9);
  p.fillPath(banner, back);
  p.setClipPath(banner);
  // Faint map grid.
  p.setPen(QPen(QColor(255, 255, 255, 18), 1));
  for (int x = 6; x < kWidth; x += 12) p.drawLine(x, 0, x, kHeight);
  for (int y = 6; y < kHeight; y += 12) p.drawLine(0, y, kWidth, y);
  p.setClipping(false);

  DrawEmblem(p, QPointF(48.5, 48.5), 34);

  QFont name(QStringLiteral("Liberation Sans"));
  name.setBold(true);
  name.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  // The largest size at which the name fits beside the emblem.
  for (int px = 30; px > 12; --px) {
    name.setPixelSize(px);
    if (QFontMetrics(name).horizontalAdvance(QStringLiteral("ZELMORA")) <= 120) break;
  }
  p.setFont(name);
  p.setPen(QColor(255, 255, 255));
  p.drawText(QRectF(92, 18, 130, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZELMORA"));
  // Accent rule in the colour of the server list's header.
  p.fillRect(QRectF(94, 56, 118, 2), QColor(166, 202, 240));
  QFont sub(QStringLiteral("Liberation Sans"));
  sub.setPixelSize(12);
  sub.setBold(true);
  sub.setLetterSpacing(QFont::AbsoluteSpacing, 2.4);
  p.setFont(sub);
  p.setPen(QColor(166, 202, 240));
  p.drawText(QRectF(94, 62, 130, 18), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("RCON CONSOLE"));
  p.setPen(QPen(QColor(255, 255, 255, 60), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(banner);
  p.end();
  return img.save(QString::fromLocal8Bit(argv[1]), "JPG", 92) ? 0 : 1;
}
