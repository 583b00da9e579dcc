#include "ui/main/serverlistview.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "core/textutil.h"
#include "engine/clock.h"
#include "geo/flags.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui/main/colortext.h"
#include "ui/main/icons.h"

namespace zelmora {

QColor HeaderColor(const Settings& s, const QPalette& palette) {
  return s.design ? kDesignHeaderColor : palette.color(QPalette::Button);
}

namespace {
// The scale of what the painter paints on (the icons are made for it).
qreal Dpr(const QPainter& painter) {
  return painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
}
}  // namespace

ServerListPainter::ServerListPainter(const DrawGridModel& model,
                                     std::function<const Settings&()> settings)
    : model_(model), settings_(std::move(settings)) {}

void ServerListPainter::DrawGrid1DrawCell(QPainter& painter, const QPalette& palette, int ACol,
                                          int ARow, const QRect& Rect) const {
  if (dragFlag) return;
  try {
    DrawCellUnchecked(painter, palette, ACol, ARow, Rect);
  } catch (...) {
    // A cell that cannot be drawn stays as far as it got.
  }
}

void ServerListPainter::DrawIcons(QPainter& painter, int row, const QRect& Rect) const {
  int x = Rect.left() + 2;
  const int iconY = Rect.top() + 1;
  const int flag = model_.Cell(0, row, kFlagRole).toInt();
  // A flag that could not be loaded is left out and takes no room.
  if (flag >= 0 && flags_ && flag < static_cast<int>(flags_->size()) &&
      !(*flags_)[static_cast<std::size_t>(flag)].isNull()) {
    painter.drawImage(QPoint(x, Rect.top() + 2), (*flags_)[static_cast<std::size_t>(flag)],
                      QRect(0, 0, 16, 16));
    x += 18;
  }
  for (const QVariant& icon : model_.Cell(0, row, kIconsRole).toList()) {
    if (icon.toInt() >= 0)
      painter.drawImage(QPoint(x, iconY), ImageList1(icon.toInt(), Dpr(painter)));
    x += 18;
  }
}

void ServerListPainter::DrawCellUnchecked(QPainter& painter, const QPalette& palette, int ACol,
                                          int ARow, const QRect& Rect) const {
  const Settings& s = settings_();
  QFont font = painter.font();
  font.setBold(false);
  font.setItalic(false);
  font.setUnderline(false);
  painter.setFont(font);
  painter.setPen(palette.color(QPalette::WindowText));

  QColor brush = Qt::white;
  if (ARow == 0 || ACol == 0) brush = HeaderColor(s, palette);
  if (model_.Cell(ACol, ARow, kHighlightRole).toBool())
    brush = kSelectionColor;
  else if (ARow != 0 && marked && marked(ARow))
    brush = kMarkedColor;
  else if (ACol != 0 && ARow != 0)
    brush = Qt::white;
  painter.fillRect(Rect, brush);

  if (ACol == 0 && ARow >= 1) {
    DrawIcons(painter, ARow, Rect);
    return;
  }
  // The text as read in its server's encoding, colour codes and all.
  QString text = model_.Cell(ACol, ARow, kRawTextRole).toString();
  const QVariant colour = model_.Cell(ACol, ARow, Qt::ForegroundRole);
  if (colour.isValid()) painter.setPen(colour.value<QColor>());
  if (!s.se) text = WithoutColorCodes(text);
  if (text.contains(QLatin1Char('^')))
    DrawColorText(painter, Rect.left() + 2, Rect.top() + 2, text);
  else
    DrawPlainText(painter, Rect.left() + 2, Rect.top() + 2, text);
  if (ACol == static_cast<int>(ServerColumn::Name) && ARow >= 1 &&
      model_.Cell(ACol, ARow, kWatchRole).toBool()) {
    const int x = Rect.left() + 2 +
                  QFontMetrics(painter.font()).horizontalAdvance(WithoutColorCodes(text));
    DrawWatchMark(painter, QRect(x + 4, Rect.top() + 2, 14, Rect.height() - 4));
  }
  if (model_.Cell(ACol, ARow, kMarkRole).toBool()) {
    const int x = Rect.left() + 2 + QFontMetrics(painter.font()).horizontalAdvance(text);
    DrawThrottleMark(painter, QRect(x + 3, Rect.top() + 2, 7, Rect.height() - 4));
  }
}

// An hourglass in the padding behind the ping: the server answers, but
// only as often as its limiter lets requests through.
void DrawThrottleMark(QPainter& painter, const QRect& room) {
  const int h = std::min(room.height(), 11);
  const QRectF r(room.left(), room.top() + (room.height() - h) / 2.0, 6, h);
  const QPointF glass[] = {r.topLeft(),     r.topRight(),   r.center(),
                           r.bottomRight(), r.bottomLeft(), r.center()};
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(kThrottleColor, 1));
  painter.setBrush(kThrottleColor);
  painter.drawPolygon(glass, 6);
  painter.restore();
}

// An eye in the padding behind the name: a watched player is there.
void DrawWatchMark(QPainter& painter, const QRect& room) {
  const int h = std::min(room.height(), 9);
  const QRectF eye(room.left(), room.top() + (room.height() - h) / 2.0, 14, h);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(kWatchColor, 1.2));
  painter.setBrush(Qt::white);
  painter.drawEllipse(eye);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kWatchColor);
  painter.drawEllipse(eye.center(), h / 3.0, h / 3.0);
  painter.restore();
}

IconOptions IconOptionsFrom(const Settings& s) {
  IconOptions o;
  o.fl = s.fl;
  o.version = s.version;
  o.pwd = s.pwd;
  o.rcon = s.rcon;
  o.kc = s.kc;
  o.ff = s.ff;
  o.ac = s.ac;
  o.vc = s.vc;
  return o;
}

void ServerColumnFitter::SetFont(const QFont& font) {
  if (font == font_ && !cache_.empty()) return;
  font_ = font;
  bold_ = font;
  bold_.setBold(true);
  widthCache_.clear();
  InvalidateAll();
}

void ServerColumnFitter::InvalidateEntry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= valid_.size()) return;
  if (valid_[static_cast<size_t>(index)]) {
    valid_[static_cast<size_t>(index)] = 0;
    dirty_.push_back(index);
  }
}

void ServerColumnFitter::InvalidateAll() {
  std::fill(valid_.begin(), valid_.end(), 0);
  dirty_.clear();
  allDirty_ = true;
}

int ServerColumnFitter::IconColumnWidth(const Tserverrec& e, const IconOptions& o) {
  int w = 4;
  if (o.fl) w += 18;
  if (o.version) w += 18;
  if (o.pwd && e.passworded) w += 18;
  if (o.rcon && !e.rconpass.empty()) w += 18;
  if (o.kc && e.killcam) w += 18;
  if (o.ff && e.friendlyfire) w += 18;
  if (o.ac && e.punkbuster) w += 18;
  if (o.vc && e.voice) w += 18;
  return w;
}

// Measuring a text (shaping it) is what costs; an entry's texts mostly come
// back unchanged with every reply, and pings and player counts repeat across
// the list, so each measured text is remembered with its width.
int ServerColumnFitter::Width(int kind, std::string_view text, TextEncoding encoding) {
  std::string key;
  key.reserve(text.size() + 2);
  key.push_back(static_cast<char>('0' + kind));
  key.push_back(static_cast<char>('0' + static_cast<int>(encoding)));
  key.append(text);
  if (const auto it = widthCache_.find(key); it != widthCache_.end()) return it->second;
  if (widthCache_.size() >= kWidthCacheMax) widthCache_.clear();
  int w = 0;
  const QString shown = DecodeGameText(text, encoding);
  switch (kind) {
    case 0:
      w = QFontMetrics(bold_).horizontalAdvance(WithoutColorCodes(shown));
      break;
    case 1:
      w = QFontMetrics(font_).horizontalAdvance(WithoutColorCodes(shown));
      break;
    default:
      w = QFontMetrics(font_).horizontalAdvance(shown);
      break;
  }
  widthCache_.emplace(std::move(key), w);
  return w;
}

ServerColumnFitter::Measured ServerColumnFitter::MeasureCached(const Tserverrec& e) {
  Measured m{};
  m[0] = Width(0, e.hostname.view(), EncodingOf(e)) + 44;
  m[1] = Width(1, e.mapinfo.view(), EncodingOf(e)) + 34;
  m[2] = Width(2, PlayersText(e)) + 14;
  m[3] = Width(2, std::to_string(e.ping)) + 14;
  m[4] = Width(2, e.host.str() + ":" + e.port.str()) + 14;
  m[5] = Width(2, e.provider.view()) + 14;
  return m;
}

void ServerColumnFitter::Count(std::size_t i, int delta) {
  for (int c = 0; c < kServerColumns; ++c) {
    const int w = c == 0 ? icon_[i] : cache_[i][static_cast<size_t>(c - 1)];
    auto& hist = widths_[static_cast<size_t>(c)];
    auto it = hist.emplace(w, 0).first;
    it->second += delta;
    if (it->second == 0) hist.erase(it);
  }
}

// Each column's widest entry comes from a count of the widths per column,
// kept up to date entry by entry: a reply costs the measuring of one entry
// and a few map steps, however long the list is.
ServerColumnFitter::Widths ServerColumnFitter::Fit(const Tserverlist& list,
                                                   const IconOptions& options) {
  lastMeasured_ = 0;
  if (!(options == options_) && cache_.size() == list.size() && !allDirty_) {
    // Other icon options change column 0 only: no text is measured again.
    options_ = options;
    widths_[0].clear();
    for (size_t i = 0; i < list.size(); ++i) {
      if (!valid_[i]) continue;  // done with the dirty entries below
      icon_[i] = IconColumnWidth(list[i], options_);
      ++widths_[0][icon_[i]];
    }
    for (const int index : dirty_) {
      const auto i = static_cast<size_t>(index);
      if (i < list.size() && !valid_[i]) {
        icon_[i] = IconColumnWidth(list[i], options_);
        ++widths_[0][icon_[i]];
      }
    }
  }
  if (cache_.size() != list.size() || allDirty_) {
    cache_.resize(list.size());
    icon_.resize(list.size());
    valid_.assign(list.size(), 1);
    options_ = options;
    for (auto& hist : widths_) hist.clear();
    for (size_t i = 0; i < list.size(); ++i) {
      cache_[i] = MeasureCached(list[i]);
      icon_[i] = IconColumnWidth(list[i], options_);
      Count(i, +1);
    }
    lastMeasured_ = static_cast<int>(list.size());
    dirty_.clear();
    allDirty_ = false;
  } else {
    for (const int index : dirty_) {
      const auto i = static_cast<size_t>(index);
      if (i >= list.size() || valid_[i]) continue;
      Count(i, -1);
      cache_[i] = MeasureCached(list[i]);
      icon_[i] = IconColumnWidth(list[i], options_);
      Count(i, +1);
      valid_[i] = 1;
      ++lastMeasured_;
    }
    dirty_.clear();
  }
  Widths w = {80, 250, 70, 30, 40, 60, 500};
  for (int c = 0; c < kServerColumns; ++c) {
    const auto& hist = widths_[static_cast<size_t>(c)];
    if (!hist.empty())
      w[static_cast<size_t>(c)] = std::max(w[static_cast<size_t>(c)], hist.rbegin()->first);
  }
  return w;
}

ServerColumnFitter::Widths ServerColumnFitter::FullFit(const Tserverlist& list,
                                                       const IconOptions& options,
                                                       const QFont& font) {
  ServerColumnFitter f;
  f.SetFont(font);
  return f.Fit(list, options);
}

}  // namespace zelmora
