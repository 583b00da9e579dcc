#include "ui/main/detailgrids.h"

#include <QPainter>

#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui/main/colortext.h"
#include "ui/main/serverlistview.h"

namespace zelmora {

DetailGridsPainter::DetailGridsPainter(std::function<const Settings&()> settings)
    : settings_(std::move(settings)) {}

void DetailGridsPainter::DrawCell(const DrawGridModel& model, QPainter& p, const QPalette& pal,
                                  int ACol, int ARow, const QRect& Rect, bool flagColumn) const {
  try {
    const Settings& s = settings_();
    QFont f = p.font();
    f.setBold(ARow != 0 && model.Cell(ACol, ARow, kBoldRole).toBool());
    f.setItalic(false);
    f.setUnderline(false);
    p.setFont(f);
    p.setPen(pal.color(QPalette::WindowText));
    QColor brush = ARow == 0 ? HeaderColor(s, pal) : QColor(Qt::white);
    if (ARow != 0 && model.Cell(ACol, ARow, kHighlightRole).toBool()) brush = kSelectionColor;
    p.fillRect(Rect, brush);
    const QVariant colour = model.Cell(ACol, ARow, Qt::ForegroundRole);
    if (colour.isValid()) p.setPen(colour.value<QColor>());
    int x = Rect.left() + 2;
    int y = Rect.top() + 2;
    if (flagColumn && ARow != 0) {
      const int flag = model.Cell(ACol, ARow, kFlagRole).toInt();
      if (flags_ && flag >= 0 && static_cast<std::size_t>(flag) < flags_->size() &&
          !(*flags_)[static_cast<std::size_t>(flag)].isNull())
        p.drawImage(QPoint(Rect.left(), Rect.top() + 2), (*flags_)[static_cast<std::size_t>(flag)],
                    QRect(0, 0, 16, 16));
      x = Rect.left() + 20;
      y = Rect.top() + 3;
    }
    // The text as read in its server's encoding, colour codes and all.
    QString text = model.Cell(ACol, ARow, kRawTextRole).toString();
    if (!s.sp) text = WithoutColorCodes(text);
    if (text.contains(QLatin1Char('^')))
      DrawColorText(p, x, y, text);
    else
      DrawPlainText(p, x, y, text);
  } catch (...) {
  }
}

std::string AddressBeforePort(const std::string& a) {
  const auto colon = a.find(':');
  return colon == std::string::npos ? std::string() : a.substr(0, colon);
}

}  // namespace zelmora
