// A text link: a label that opens its address on a left click (OpenLink)
// and changes its look while the mouse is over it.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

namespace zelmora {

class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(QWidget* parent = nullptr);

  void setUrl(const QString& url) { url_ = url; }
  QString url() const { return url_; }

  // Colour normally and while hovered; hovered text is underlined.
  void setLinkColors(const QColor& normal, const QColor& hovered);
  bool isHovered() const { return hovered_; }

 signals:
  void clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ApplyLook();

  QString url_;
  QColor normalColor_{0, 0, 255};
  QColor hoverColor_{0, 0, 255};
  bool hovered_ = false;
};

}  // namespace zelmora
