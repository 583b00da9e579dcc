// The tabs find their controls in the page the main window hands them, by
// the controls' names. A missing control is a build mistake of the form, so
// it stops the program at once with the name instead of failing later.
#pragma once

#include <QWidget>
#include <QtGlobal>

namespace zelmora {

template <class T>
T* FindControl(QWidget* page, const char* name) {
  T* w = page ? page->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!w) qFatal("control %s missing", name);
  return w;
}

}  // namespace zelmora
