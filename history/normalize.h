// Texts as the player history compares them. Game names are 8-bit
// Windows-1252 text with colour codes; searching ignores the codes and the
// case, so every name is kept twice: raw (as the server sent it) and in this
// normalised form, which is what the search index holds.
#pragma once

#include <string>
#include <string_view>

#include "protocol/rconreply.h"

namespace zelmora {

// Colour codes removed (as the program strips them everywhere), control
// characters dropped, letters folded to lower case (ASCII and the letters
// of Windows-1252: "Ä" and "ä" compare equal), and the result written as
// UTF-8 so that the search index can cut it into characters.
std::string NormalizeName(std::string_view raw);

// Whether a normalised name matches a normalised pattern: "*" stands for
// any run of characters, "?" for exactly one; everything else must be equal.
// The whole name must match ("*sniper*" finds a name containing "sniper").
bool GlobMatch(std::string_view pattern, std::string_view text);

// Limits on what is kept of a server's texts: a hostile server may send
// names of any length.
inline constexpr std::size_t kMaxNameBytes = 250;
inline constexpr std::size_t kMaxGuidBytes = 64;
inline constexpr std::size_t kMaxAddressBytes = 64;
inline constexpr std::size_t kMaxServerKeyBytes = 300;

// One player of a status table as the history keeps it.
struct SeenPlayer {
  std::string name;     // raw, colour codes kept
  std::string guid;     // empty when the table gives none ("0" is none)
  std::string address;  // the ip without port ("bot", "loopback" as given)
};

// The player of a status table row: name (field 1), GUID (field 3, trimmed;
// "0" and an empty field mean none) and the ip of the address (field 6).
// Texts are cut to the limits above.
SeenPlayer PlayerFromStatusRow(const Tstatusrow& row);

// Whether a GUID text identifies a player ("" and "0" do not).
bool IsPlayerGuid(std::string_view guid);

}  // namespace zelmora
