// Flag codes: one per bitmap file of the flags folder. Only codes and file
// paths live here; loading the pictures is the user interface's job, which
// keeps the same order so that an index means the same flag everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

struct Tflag {
  std::string code;  // lower-case file name without extension, cut to 2 characters
  std::string file;  // full path of the bitmap, UTF-8 like every path
};

// Every regular file of flagsDir whose extension is ".bmp" in any letter
// case (DE.BMP, de.bmp, De.Bmp), sorted by file name without regard to letter
// case (as Windows lists the folder), so the indices are the same on every
// start and on every platform. A missing folder gives no flags.
// DE.BMP gives the code "de", germany.bmp "ge". flagsDir is a UTF-8 path.
std::vector<Tflag> LoadFlagCodes(const std::string& flagsDir);

// Index of the first flag whose code equals code exactly, -1 when none.
int FindFlag(const std::vector<Tflag>& flags, std::string_view code);

}  // namespace zelmora
