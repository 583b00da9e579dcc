#include "ui/dialogs/skin.h"

#include <QApplication>
#include <QDynamicPropertyChangeEvent>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace zelmora {
namespace {

constexpr int kExemptTag = 99;
// Marks the windows whose palette the look set, and the widgets whose style.
constexpr char kPaletteProperty[] = "_zelmora_skin_palette";
constexpr char kStyledProperty[] = "_zelmora_skin_styled";

class SkinStyle final : public QProxyStyle {
 public:
  SkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {
    setObjectName(QStringLiteral("ZelmoraSkin"));
  }

  QPalette standardPalette() const override { return SkinPalette(); }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_HeaderSection) {
      // Flat header cells in the header colour with a thin darker frame.
      painter->save();
      const QRect r = option->rect;
      painter->fillRect(r, kSkinHeaderColor);
      painter->setPen(kSkinHeaderColor.darker(125));
      painter->drawLine(r.bottomLeft(), r.bottomRight());
      painter->drawLine(r.topRight(), r.bottomRight());
      painter->restore();
      return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_Table_GridLineColor) return QColor(190, 204, 224).rgb();
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

class SkinController final : public QObject {
 public:
  explicit SkinController(QObject* parent) : QObject(parent), style_(new SkinStyle) {
    style_->setParent(this);
  }

  bool on() const { return on_; }

  void Switch(bool on) {
    if (on == on_) return;
    on_ = on;
    if (on_) {
      qApp->installEventFilter(this);
      for (QWidget* w : QApplication::allWidgets()) Refresh(w);
    } else {
      qApp->removeEventFilter(this);
      for (QWidget* w : QApplication::allWidgets()) Remove(w);
    }
  }

 protected:
  bool eventFilter(QObject* obj, QEvent* event) override {
    if (!on_ || !obj->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(obj);
    switch (event->type()) {
      case QEvent::Polish:
        Refresh(w);
        break;
      case QEvent::ParentChange:
        RefreshTree(w);
        break;
      case QEvent::DynamicPropertyChange:
        if (static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == "tag")
          RefreshTree(w);
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void RefreshTree(QWidget* w) {
    Refresh(w);
    for (QWidget* child : w->findChildren<QWidget*>()) Refresh(child);
  }

  void Refresh(QWidget* w) {
    if (IsSkinExempt(w)) {
      Remove(w);
      return;
    }
    if (w->style() != style_) {
      w->setStyle(style_);
      w->setProperty(kStyledProperty, true);
    }
    // Palettes pass from parent to child, so the windows carry the palette.
    // A window that sets a palette of its own keeps it.
    if (w->isWindow() && !w->property(kPaletteProperty).isValid() &&
        !w->testAttribute(Qt::WA_SetPalette)) {
      w->setProperty(kPaletteProperty, true);
      w->setPalette(SkinPalette());
    }
  }

  void Remove(QWidget* w) {
    if (w->property(kStyledProperty).isValid()) {
      w->setStyle(nullptr);
      w->setProperty(kStyledProperty, QVariant());
    }
    if (w->property(kPaletteProperty).isValid()) {
      w->setProperty(kPaletteProperty, QVariant());
      w->setPalette(QPalette());  // back to following the application palette
    }
  }

  bool on_ = false;
  QStyle* style_;
};

QPointer<SkinController>& Controller() {
  static QPointer<SkinController> controller;
  return controller;
}

bool g_on = false;

}  // namespace

QPalette SkinPalette() {
  QPalette p;
  const QColor window(226, 232, 242);
  const QColor text(22, 30, 46);
  const QColor button(204, 218, 238);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::AlternateBase, QColor(240, 244, 250));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, button);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::white);
  p.setColor(QPalette::Highlight, kSkinSelectionColor);
  p.setColor(QPalette::HighlightedText, Qt::black);
  p.setColor(QPalette::ToolTipBase, QColor(246, 248, 252));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(110, 122, 140));
  p.setColor(QPalette::Light, button.lighter(130));
  p.setColor(QPalette::Midlight, button.lighter(112));
  p.setColor(QPalette::Mid, QColor(150, 166, 190));
  p.setColor(QPalette::Dark, QColor(110, 126, 150));
  p.setColor(QPalette::Shadow, QColor(60, 70, 90));
  p.setColor(QPalette::Link, QColor(30, 80, 170));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 140, 156));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 140, 156));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 140, 156));
  p.setColor(QPalette::Disabled, QPalette::Base, window);
  return p;
}

bool IsSkinExempt(const QWidget* w) {
  for (const QWidget* p = w; p; p = p->parentWidget()) {
    bool ok = false;
    if (p->property("tag").toInt(&ok) == kExemptTag && ok) return true;
    if (p->isWindow()) break;
  }
  return false;
}

void SetSkinning(bool on) {
  g_on = on;
  // Without an application there are no windows to dress; the state is kept
  // for the moment one exists.
  if (!qApp) return;
  if (!Controller()) {
    if (!on) return;
    Controller() = new SkinController(qApp);
  }
  Controller()->Switch(on);
}

bool SkinningOn() {
  return g_on;
}

}  // namespace zelmora
