#include "ui/main/detailgrids.h"

#include <QPainter>

#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "ui/main/colortext.h"
#include "ui/main/gridmodels.h"
#include "ui/main/serverlistview.h"

namespace zelmora {

namespace {

// The ping text read as an integer, 0 when it is not one.
int PingValue(const std::string& text) {
  return StrToIntDef(text, 0);
}

void Begin(QPainter& p, const QPalette& pal, const Settings& s, int ARow, const QRect& Rect,
           bool highlighted) {
  QFont f = p.font();
  f.setBold(false);
  f.setItalic(false);
  f.setUnderline(false);
  p.setFont(f);
  p.setPen(pal.color(QPalette::WindowText));
  QColor brush = ARow == 0 ? HeaderColor(s, pal) : QColor(Qt::white);
  if (ARow != 0 && highlighted) brush = kSelectionColor;
  p.fillRect(Rect, brush);
}

template <size_t N>
std::string HeaderText(const char* const (&headers)[N], int col) {
  return col >= 0 && static_cast<size_t>(col) < N ? headers[col] : "";
}

}  // namespace

DetailGridsPainter::DetailGridsPainter(const AppState& state,
                                       std::function<const Settings&()> settings)
    : state_(state), settings_(std::move(settings)) {}

void DetailGridsPainter::Finish(QPainter& p, const Settings& s, std::string text, int x,
                                int y) const {
  if (!s.sp) text = StripColorCodes(text);
  if (text.find('^') != std::string::npos)
    DrawColorText(p, x, y, text);
  else
    DrawPlainText(p, x, y, text);
}

void DetailGridsPainter::DrawGrid3DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                                           const QRect& Rect) const {
  try {
    const Settings& s = settings_();
    Begin(p, pal, s, ARow, Rect, false);
    std::string text;
    if (ARow == 0) {
      text = HeaderText(kGrid3Headers, ACol);
    } else if (static_cast<size_t>(ARow - 1) < state_.serverVarsView.size()) {
      const auto& e = state_.serverVarsView[static_cast<size_t>(ARow - 1)];
      if (ACol == 0) text = e.first;
      if (ACol == 1) text = e.second;
    }
    Finish(p, s, text, Rect.left() + 2, Rect.top() + 2);
  } catch (...) {
  }
}

void DetailGridsPainter::DrawGrid4DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                                           const QRect& Rect) const {
  try {
    const Settings& s = settings_();
    Begin(p, pal, s, ARow, Rect, false);
    std::string text;
    if (ARow == 0) {
      text = HeaderText(kGrid4Headers, ACol);
    } else if (static_cast<size_t>(ARow - 1) < state_.playerRowsView.size()) {
      const auto& e = state_.playerRowsView[static_cast<size_t>(ARow - 1)];
      if (ACol == 0) text = e[2];
      if (ACol == 1) text = e[0];
      if (ACol == 2) {
        text = e[1];
        const int ping = PingValue(text);
        if (ping != 0) p.setPen(PingColor(ping));
      }
    }
    Finish(p, s, text, Rect.left() + 2, Rect.top() + 2);
  } catch (...) {
  }
}

void DetailGridsPainter::DrawGrid2DrawCell(QPainter& p, const QPalette& pal, int ACol, int ARow,
                                           const QRect& Rect) const {
  try {
    const Settings& s = settings_();
    Begin(p, pal, s, ARow, Rect, ARow == selectedplayer + 1);
    std::string text;
    int x = Rect.left() + 2;
    int y = Rect.top() + 2;
    if (ARow == 0) {
      text = HeaderText(kGrid2Headers, ACol);
    } else if (static_cast<size_t>(ARow - 1) < state_.statusRowsView.size()) {
      const Tstatusrow& e = state_.statusRowsView[static_cast<size_t>(ARow - 1)];
      switch (ACol) {
        case 0: {
          text = e[1];
          if (!e[9].empty()) {
            QFont f = p.font();
            f.setBold(true);
            p.setFont(f);
            if (e[9] != e[1]) text = e[1] + " ^0(" + e[9] + "^0)";
          }
          if (s.prov && flags_) {
            const auto flag = ParseInt32(e[13]);
            if (flag && *flag >= 0 && static_cast<size_t>(*flag) < flags_->size() &&
                !(*flags_)[static_cast<size_t>(*flag)].isNull())
              p.drawImage(QPoint(Rect.left(), Rect.top() + 2),
                          (*flags_)[static_cast<size_t>(*flag)], QRect(0, 0, 16, 16));
          }
          x = Rect.left() + 20;
          y = Rect.top() + 3;
          break;
        }
        case 1:
          text = e[0];
          break;
        case 2:
          text = e[4];
          break;
        case 3:
          text = e[3];
          if (text == "0") p.setPen(QColor(255, 0, 0));
          break;
        case 4: {
          text = e[2];
          const int ping = PingValue(text);
          if (ping != 0) p.setPen(PingColor(ping));
          break;
        }
        case 5:
          text = e[6];
          break;
        case 6:
          text = ProviderCellText(e);
          break;
        case 7:
          text = e[5];
          break;
        case 8:
          text = e[8];
          break;
        default:
          break;
      }
    }
    Finish(p, s, text, x, y);
  } catch (...) {
  }
}

namespace {
template <class List>
const typename List::value_type* At(const List& l, int index) {
  return index >= 0 && static_cast<size_t>(index) < l.size() ? &l[static_cast<size_t>(index)]
                                                             : nullptr;
}
}  // namespace

std::string VariableValueAt(const AppState& s, int index) {
  const auto* e = At(s.serverVarsView, index);
  return e ? e->second : std::string();
}
std::string PlayerNameAt(const AppState& s, int index) {
  const auto* e = At(s.playerRowsView, index);
  return e ? (*e)[2] : std::string();
}
std::string StatusNameAt(const AppState& s, int index) {
  const auto* e = At(s.statusRowsView, index);
  return e ? (*e)[1] : std::string();
}
std::string StatusIpAt(const AppState& s, int index) {
  const auto* e = At(s.statusRowsView, index);
  if (!e) return {};
  const std::string& a = (*e)[6];
  const auto colon = a.find(':');
  return colon == std::string::npos ? std::string() : a.substr(0, colon);
}
std::string StatusGuidAt(const AppState& s, int index) {
  const auto* e = At(s.statusRowsView, index);
  return e ? (*e)[3] : std::string();
}

}  // namespace zelmora
