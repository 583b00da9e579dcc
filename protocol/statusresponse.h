// The answer to "getstatus": a keyword line "statusResponse", a line of
// backslash-separated variable names and values, and one line per player
// (score, blank, ping, blank, name in double quotes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/serverrec.h"

namespace zelmora {

// (variable name, value) in the order of the variables line.
using Tserverinfo = std::vector<std::pair<std::string, std::string>>;
// (score, ping, name) per player line; the name without its double quotes,
// colour codes kept.
using Tplayerinfo = std::vector<std::array<std::string, 3>>;

// True when the 14 characters after the four leading bytes are
// "statusResponse" (the leading bytes themselves are not examined).
bool IsStatusResponse(std::string_view datagram);

// The body of a statusResponse: everything after the keyword line, at most
// 9999 characters.
std::string StatusBody(std::string_view datagram);

// Variables of the first body line. Pieces after the first backslash are taken
// alternately as name and value; a trailing name gets an empty value.
Tserverinfo ParseServerInfo(std::string_view body);

// Player rows from the lines between the variables line and the last line,
// which is always taken as the end marker (a last player line without its
// line feed is therefore not a player). A body of fewer than two lines is
// malformed and gives no value.
std::optional<Tplayerinfo> ParsePlayerInfo(std::string_view body);

// Value of the last pair named exactly name, or "".
std::string ServerVar(const Tserverinfo& info, std::string_view name);

// Colour digit for a game type (already without colour codes), compared
// exactly. A game type the table does not know gets '7', the game's default
// text colour, so an unknown mode is shown in the plain text colour.
char GametypeDigit(std::string_view strippedGametype);

// "^" + digit + stripped game type + " ^0" + stripped map name, cut to 250.
std::string BuildMapInfo(std::string_view gametype, std::string_view mapname);

// Low 8 bits of the text as a decimal integer; 255 when it is not a number.
std::uint8_t ProtocolByte(std::string_view protocolText);

// Round to nearest, halves to the even neighbour. Values beyond the int32
// range are clamped and NaN gives 0 (a ping computed from a garbage send time
// must not be undefined behaviour).
std::int32_t RoundHalfEven(double value);

// Status fields cleared when a statusResponse for the entry arrives: ping,
// player counts and protocol 0, short version and map info emptied, all
// feature flags 0.
void ResetForStatus(Tserverrec& rec);

// Host name, map info, passworded, protocol, short version and the feature
// flags from the variables of a well-formed statusResponse.
void ApplyStatusFields(Tserverrec& rec, const Tserverinfo& info);

// Player count from the rows; sv_maxclients and sv_privateClients as numbers,
// -1 when missing or not a number.
void ApplyCounts(Tserverrec& rec, const Tserverinfo& info, const Tplayerinfo& players);

// Display copy for the player view: stripped score, stripped ping, the name
// without any double quote (colour codes kept).
Tplayerinfo PlayerRowsForView(const Tplayerinfo& players);

}  // namespace zelmora
