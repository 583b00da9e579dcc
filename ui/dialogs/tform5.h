// The floating notice "Bitte warten": large black letters over the main
// window while a batch of variable reads or writes runs, or for a moment
// before a weapon or vehicle switch goes out.
//
// A frameless window kept on top of the others, centred on the main window:
// the letters on a light plate of its own, which reads the same with and
// without a compositor. It never takes the focus and is never skinned (tag
// 99).
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace zelmora {

class TForm5 : public QWidget {
  Q_OBJECT
 public:
  // anchor: the window the notice is centred on (may be null: the screen).
  explicit TForm5(QWidget* anchor = nullptr);

  // Sets the text, shows the window and lets it paint at once. With a
  // duration (milliseconds, not -1) a timer hides the window that much later
  // (the caller goes on at once: whatever is to follow the notice waits for
  // its time elsewhere); with -1 the window stays until HideOverlay.
  void ShowOverlayMessage(const QString& text, int milliseconds);
  void HideOverlay();

  QLabel* Label1 = nullptr;

  static constexpr int kWidth = 573;
  static constexpr int kHeight = 140;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void CentreOnAnchor();
  QWidget* anchor_;
  QTimer* hideTimer_ = nullptr;
};

// The same through an optional window: nothing when there is none (windows
// that run without one, e.g. in tests).
void ShowOverlayMessage(TForm5* overlay, const QString& text, int milliseconds);

}  // namespace zelmora
