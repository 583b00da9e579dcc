#include "app/windowfront.h"

#include <QApplication>
#include <QWidget>

namespace zelmora {

void BringToFront(QWidget* window) {
  if (window->isMinimized())
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->show();
  window->raise();
  window->activateWindow();
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window) {
    modal->raise();
    modal->activateWindow();
  }
  QApplication::alert(window);
}

}  // namespace zelmora
