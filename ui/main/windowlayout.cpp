#include "ui/main/windowlayout.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>

#include <algorithm>

namespace zelmora {

void WindowLayout::Apply(bool chartVisible) {
  const QSize client = p_.client->size();
  if (!closing) {
    p_.chart->setVisible(chartVisible);
    if (chartVisible) {
      p_.panels->setGeometry(0, 0, client.width(), client.height() - kChartHeight);
      p_.chart->setGeometry(0, client.height() - kChartHeight, client.width(), kChartHeight);
    } else {
      p_.panels->setGeometry(0, 0, client.width(), client.height());
    }
  }
  if (p_.list->height() < kMinPanel1) {
    const QList<int> sizes = p_.splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    p_.splitter->setSizes({kMinPanel1, std::max(0, total - kMinPanel1)});
  }
}

void WindowLayout::SetChartVisible(bool visible) {
  const int h = std::min(visible ? kHeightWithChart : kHeightWithoutChart, Room().height());
  window_->setMinimumHeight(h);
  window_->resize(window_->width(), h);
  Apply(visible);
}

// The window's frame around the client area: what the window system says
// once the window is shown, a usual title bar and border before.
QSize WindowLayout::FrameExtra() const {
  const QSize extra = window_->frameGeometry().size() - window_->geometry().size();
  if (window_->isVisible() && extra.width() >= 0 && extra.height() > 0) return extra;
  return {16, 40};
}

QSize WindowLayout::Room() const {
  const QScreen* s = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  if (!s) return {kWidth, kHeightWithChart};
  return (s->availableGeometry().size() - FrameExtra()).expandedTo(QSize(320, 240));
}

void WindowLayout::PlaceOnScreen(bool centre, bool chartVisible) {
  const QScreen* s = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  const QSize room = Room();
  const int height = chartVisible ? kHeightWithChart : kHeightWithoutChart;
  window_->setMinimumSize(QSize(784, height).boundedTo(room));
  if (centre) window_->resize(QSize(kWidth, height).boundedTo(room));
  window_->resize(window_->size().boundedTo(room));
  QRect outer(centre ? QPoint(0, 0) : window_->frameGeometry().topLeft(),
              window_->size() + FrameExtra());
  if (centre) outer.moveCenter(area.center());
  if (outer.right() > area.right()) outer.moveRight(area.right());
  if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
  if (outer.left() < area.left()) outer.moveLeft(area.left());
  if (outer.top() < area.top()) outer.moveTop(area.top());
  window_->move(outer.topLeft());
}

}  // namespace zelmora
