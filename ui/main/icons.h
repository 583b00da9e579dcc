// ImageList1: the nine 16 x 16 status icons of the server list, drawn by the
// program itself so they scale with nothing and need no resource files.
#pragma once

#include <QIcon>
#include <QImage>

namespace zelmora {

enum ImageListIndex {
  kIconCod1 = 0,          // first game (protocols 5, 6)
  kIconCod2 = 1,          // second game (115, 117, 118)
  kIconUo = 2,            // United Offensive (21, 22)
  kIconPassword = 3,      // join password set
  kIconKillcam = 4,       // kill cam on
  kIconRcon = 5,          // rcon password stored
  kIconAnticheat = 6,     // anti-cheat on
  kIconFriendlyFire = 7,  // friendly fire on
  kIconVoice = 8,         // voice chat on
  kImageListCount = 9
};

// Icon by index (16 x 16 logical pixels, transparent background) for a
// screen of this device pixel ratio (drawn at that resolution, so it stays
// sharp); a null image for indices outside 0..8. Made once per scale and
// shared.
const QImage& ImageList1(int index, qreal devicePixelRatio = 1);
// The same as an icon with pictures for scale 1 and 2.
QIcon ImageList1Icon(int index);

}  // namespace zelmora
