// Draws the map picture fallback mapimgs/no_map.jpg shown when a server's
// map has no picture of its own, or, with a caption, a stand-in preview of
// a map for the demo (mapimgs/<family>_<map>.jpg).
//   zelmora-mkpicture <file.jpg> [caption]
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <file.jpg> [caption]\n", argv[0]);
    return 2;
  }
  const bool map = argc == 3;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage img(256, 192, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, 0, img.height());
  g.setColorAt(0, map ? QColor(150, 132, 96) : QColor(58, 74, 96));
  g.setColorAt(1, map ? QColor(70, 82, 52) : QColor(24, 30, 40));
  p.fillRect(img.rect(), g);
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  for (int x = 0; x < img.width(); x += 16) p.drawLine(x, 0, x, img.height());
  for (int y = 0; y < img.height(); y += 16) p.drawLine(0, y, img.width(), y);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(212, 222, 242), 3));
  p.drawEllipse(QPoint(128, 78), 34, 34);
  p.drawLine(104, 78, 152, 78);
  p.drawLine(128, 54, 128, 102);
  QFont f = p.font();
  f.setPixelSize(17);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(212, 222, 242));
  p.drawText(QRect(0, 128, img.width(), 30), Qt::AlignCenter,
             map ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("Keine Vorschau"));
  p.end();
  return img.save(QString::fromLocal8Bit(argv[1]), "JPG", 90) ? 0 : 1;
}
