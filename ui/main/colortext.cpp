#include "ui/main/colortext.h"

#include <QFontMetrics>
#include <QPainter>

#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

QColor GameColor(int d) {
  const auto& table = ColorTable();
  if (d < 0 || d >= static_cast<int>(table.size())) return QColor(Qt::black);
  const Rgb& c = table[static_cast<size_t>(d)];
  return QColor(c.r, c.g, c.b);
}

int DrawColorText(QPainter& painter, int x, int y, std::string_view text) {
  const QFontMetrics fm(painter.font());
  const int baseline = y + fm.ascent();
  for (const ColorRun& run : ColorTextRuns(text)) {
    if (run.color) painter.setPen(GameColor(*run.color));
    const QChar ch = Cp1252ToQChar(static_cast<unsigned char>(run.ch));
    painter.drawText(QPoint(x, baseline), QString(ch));
    x += fm.horizontalAdvance(ch) + 1;
  }
  return x;
}

void DrawPlainText(QPainter& painter, int x, int y, std::string_view text) {
  if (text.empty()) return;
  const QFontMetrics fm(painter.font());
  painter.drawText(QPoint(x, y + fm.ascent()), FromCp1252(text));
}

}  // namespace zelmora
