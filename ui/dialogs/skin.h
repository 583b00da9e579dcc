// "Eigenes Design": Zelmora's own look for its windows.
//
// When switched on, every window gets a calm blue-grey palette and a style
// derived from Fusion with flat, tinted header sections. Windows (and their
// children) whose QObject property "tag" is 99 are never touched: the overlay
// notice relies on its own colours. Windows created while the look is on get
// it as soon as they are polished (shown). Switching off restores the
// standard look, including the palettes the windows had before.
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace zelmora {

// Header cells of grids and header views with the look on.
inline const QColor kSkinHeaderColor{166, 202, 240};
// Selected rows with the look on.
inline const QColor kSkinSelectionColor{212, 222, 242};

void SetSkinning(bool on);
bool SkinningOn();

// The palette the look gives to every window.
QPalette SkinPalette();

// True when w or one of its ancestors up to its window carries tag 99.
bool IsSkinExempt(const QWidget* w);

}  // namespace zelmora
