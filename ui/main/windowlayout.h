// The main window's layout: the designed size fitted to the screen, the
// chart strip along the bottom (or none), the list and tab panels above it
// with a minimum height for the list.
#pragma once

#include <QSize>

class QMainWindow;
class QSplitter;
class QWidget;

namespace zelmora {

class WindowLayout {
 public:
  static constexpr int kChartHeight = 89;
  static constexpr int kHeightWithChart = 655;
  static constexpr int kHeightWithoutChart = 572;
  static constexpr int kWidth = 791;
  static constexpr int kMinPanel1 = 30;

  struct Parts {
    QWidget* client = nullptr;  // the central widget
    QWidget* panels = nullptr;  // list and tabs (Panel3)
    QWidget* chart = nullptr;   // the chart strip (Chart1)
    QWidget* list = nullptr;    // the list's panel (Panel1)
    QSplitter* splitter = nullptr;
  };

  WindowLayout(QMainWindow* window, Parts parts) : window_(window), p_(parts) {}

  // Places the panels and the chart in the client area (the chart shown or
  // not), keeping the list panel at least kMinPanel1 high.
  void Apply(bool chartVisible);
  // The window's height for the chart shown or not, then Apply.
  void SetChartVisible(bool visible);
  // The designed size where the screen has room for it, smaller where it
  // has not, the whole window inside the screen's available area: centred
  // at the start, moved in when it sticks out later.
  void PlaceOnScreen(bool centre, bool chartVisible);
  // What the client area may take of the screen the window is on.
  QSize Room() const;

  // Set while the window closes: the chart's place is left alone.
  bool closing = false;

 private:
  QSize FrameExtra() const;

  QMainWindow* window_;
  Parts p_;
};

}  // namespace zelmora
