// Flag bitmaps from Debian's famfamfam-flag-png (16x11 PNG pictures).
#pragma once

#include <string>

namespace zelmora::datagen {

// File name of the bitmap for a picture of the set: "<code>.bmp" for the
// two-letter country pictures, "eu.bmp" for the European Union (the
// database's code for Europe), "" for the rest (england, scotland, wales,
// catalonia, fam): their names would be read as the codes en, sc, wa, ca,
// fa, two of them other countries' (Seychelles, Canada).
std::string FlagFileFor(const std::string& pngStem);

// Converts every usable picture of pngDir into a 24-bit bitmap in outDir.
// A bitmap keeps the picture's size (16x11; at most 16x16 are kept): the
// lists draw the top-left 16x16 pixels 2 pixels below the row's top, and a
// 24-bit bitmap has no transparency, so padding to 16x16 would paint a bar
// of its padding colour under every flag, also over selected rows; an
// 11-pixel flag stands level with the text instead. Transparent pixels are
// laid over white. Returns the number written; -1 with *error set on a
// failure (unreadable folder or picture, unwritable bitmap).
int ConvertFlags(const std::string& pngDir, const std::string& outDir, std::string* error);

}  // namespace zelmora::datagen
