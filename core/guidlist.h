// Remembered player GUIDs and Guids.dat, a plain image of the list:
// kGuidRecSize bytes per entry in list order, no header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/shortstring.h"

namespace zelmora {

struct Tguidrec {
  ShortString<10> guid;   //  0  GUID text
  ShortString<250> name;  // 11  remembered player name (may hold colour codes)
};

inline constexpr std::size_t kGuidRecSize = 262;

using Tguidlist = std::vector<Tguidrec>;

void EncodeGuidRec(const Tguidrec& rec, std::uint8_t* out /* kGuidRecSize */);
Tguidrec DecodeGuidRec(const std::uint8_t* in /* kGuidRecSize */);

// Replaces out with the records of the file: size / kGuidRecSize entries, a
// trailing partial record ignored. A missing file gives an empty list
// (true). On a read error out is unchanged, *error gets the reason, false.
bool LoadGuids(const std::string& path, Tguidlist& out, std::string* error);

// Writes every entry as its record image, replacing the file atomically
// (owner-only); on failure the previous file stays as it was.
bool SaveGuids(const std::string& path, const Tguidlist& list, std::string* error);

// "GUID Merken" / "GUID Vergessen" of the player list: the list is searched
// for entries whose guid text equals guid exactly (no number conversion, so
// "042" is not "42"). If there is one, it is removed; of several, the last.
// If there is none, {guid, name} is appended (both cut to their fields).
enum class GuidToggle { Remembered, Forgotten };
GuidToggle RememberOrForgetGuid(Tguidlist& list, std::string_view guid, std::string_view name);

}  // namespace zelmora
