// ImageList1: the nine 16 x 16 status icons of the server list, drawn by the
// program itself so they scale with nothing and need no resource files.
#pragma once

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

// Icon by index (16 x 16, transparent background); a null image for indices
// outside 0..8. The pictures are made once and shared.
const QImage& ImageList1(int index);

}  // namespace zelmora
