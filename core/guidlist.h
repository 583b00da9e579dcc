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

// --- the list window's operations ---------------------------------------------
// The list window compares GUIDs as numbers ("042" and "42" are the same
// player); the player list's remember/forget compares texts.

// The integer value of the entry's GUID text. False for a text that is not a
// number (entries remembered from a status table may hold any text); such an
// entry equals no number.
bool GuidNumber(const Tguidrec& rec, std::int32_t* value);

// True when an entry's GUID has this integer value.
bool HasGuidNumber(const Tguidlist& list, std::int32_t value);

enum class GuidAddResult {
  kAdded,
  kNameMissing,  // "Name muss eingetragen werden!"
  kNotANumber,   // "GUID muss eine ZAHL sein!"
  kDuplicate,    // "GUID existiert schon in der Liste!"
};

// Adding by hand: the name must not be empty; the GUID text, without blanks
// around it, must be a decimal integer (0 and negative numbers included)
// whose decimal form fits the 10-character field, and no entry may have the
// same value. The entry stores the number's decimal form ("0042" -> "42")
// and the name as typed.
GuidAddResult AddGuidByHand(Tguidlist& list, const std::string& guidText, const std::string& name);

// Exchange text: one line per entry, GUID text, character 14, name, CR LF.
// A character 14 inside a name becomes "_" so each line has one separator.
inline constexpr char kGuidSeparator = '\x0E';
std::string ExportGuidText(const Tguidlist& list);

// Appends the entries of an exchange text (lines ended by CR, LF or CR LF):
// the part before the first character 14 is the GUID (0 when it is no
// number), the part after it up to the next one is the name, cut to 250
// characters. A line is taken when its GUID is greater than 0, its name is
// not empty and no entry, including those taken before from the same text,
// has that GUID value; other lines are skipped. Returns how many were taken.
std::size_t ImportGuidText(Tguidlist& list, const std::string& text);

// The same with a file. A missing file changes nothing (true); a file that
// cannot be read changes nothing and gives false with the reason.
bool ImportGuidFile(const std::string& path, Tguidlist& list, std::string* error);

// Writes ExportGuidText to path, replacing the file atomically; on failure
// the old file stays and *error holds the system's reason.
bool ExportGuidFile(const std::string& path, const Tguidlist& list, std::string* error);

// The line of the list window: GUID text, one blank, name.
std::string GuidListLine(const Tguidrec& rec);

// Removes the entry at index, keeping the others in their order; false (no
// change) when there is no such entry.
bool DeleteGuidAt(Tguidlist& list, std::size_t index);

// The export dialog's default extension: ext (with its dot) is appended when
// the file name typed has none ("liste" -> "liste.gls", "liste.txt" stays).
std::string WithDefaultExtension(const std::string& path, const std::string& ext);

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
