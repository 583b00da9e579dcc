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

int DrawColorText(QPainter& painter, int x, int y, const QString& text) {
  const QFontMetrics fm(painter.font());
  const int baseline = y + fm.ascent();
  const qsizetype n = text.size();
  bool afterCaret = false;
  for (qsizetype i = 0; i < n;) {
    const qsizetype len =
        text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate() ? 2 : 1;
    const QChar c = text[i];
    if (afterCaret && c >= QLatin1Char('0') && c <= QLatin1Char('9'))
      painter.setPen(GameColor(c.unicode() - u'0'));
    if (c != QLatin1Char('^') && !afterCaret) {
      const QString ch = text.mid(i, len);
      painter.drawText(QPoint(x, baseline), ch);
      x += fm.horizontalAdvance(ch) + 1;
    }
    afterCaret = c == QLatin1Char('^');
    i += len;
  }
  return x;
}

void DrawPlainText(QPainter& painter, int x, int y, const QString& text) {
  if (text.isEmpty()) return;
  const QFontMetrics fm(painter.font());
  painter.drawText(QPoint(x, y + fm.ascent()), text);
}

}  // namespace zelmora
