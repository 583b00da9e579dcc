// Bringing the program's window to the front when a later start asks for it.
#pragma once

class QWidget;

namespace zelmora {

// Restores the window when it is minimised (keeping it maximised when it
// was), raises and activates it; a modal dialog open over it comes first,
// so the operator sees what is waiting for an answer. Where the desktop
// refuses to hand over the focus, the window asks for attention instead.
void BringToFront(QWidget* window);

}  // namespace zelmora
