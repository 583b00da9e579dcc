// One listed game server: what the operator entered plus the last known
// state from its status replies. Exactly 2043 bytes in Servers.dat,
// little-endian, no padding; see EncodeServerRec/DecodeServerRec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/shortstring.h"

namespace zelmora {

using Str250 = ShortString<250>;

// A fresh identity for a record made in this run (never 0).
std::uint64_t NewServerUid();

struct Tserverrec {
  Str250 port;                      //    0  UDP port as decimal text
  Str250 host;                      //  251  dotted IPv4 text (or an unresolvable name as typed)
  Str250 rconpass;                  //  502  empty = no rcon access
  Str250 provider;                  //  753  "reverse name;cc;country"
  double sendtime = 0;              // 1004  HiResMs of the last getstatus
  std::int32_t ping = 0;            // 1012
  std::int32_t players = 0;         // 1016
  std::int32_t privateclients = 0;  // 1020
  std::int32_t maxclients = 0;      // 1024
  std::uint8_t protocol = 0;        // 1028  255 = none
  Str250 shortversion;              // 1029
  Str250 hostname;                  // 1280  with colour codes
  Str250 mapinfo;                   // 1531  "^" digit gametype " ^0" map
  Str250 spare;                     // 1782  the text encoding (serverencoding.h); carried along
  std::uint8_t spareflag = 0;       // 2033
  // bool8 fields keep the raw byte so a foreign file round-trips exactly;
  // anything non-zero counts as true.
  std::uint8_t killcam = 0;       // 2034
  std::uint8_t friendlyfire = 0;  // 2035
  std::uint8_t voice = 0;         // 2036
  std::uint8_t passworded = 0;    // 2037
  std::uint8_t punkbuster = 0;    // 2038
  std::uint32_t lastreply = 0;    // 2039  32-bit millisecond tick

  // Not part of the file: who this entry is for the run. Rows move (sorts,
  // exchanges, deletions) and texts change; what the operator started for a
  // server stays with this number. Copies of a record are the same entry; a
  // record made anew (loaded, added, edited) gets a number of its own.
  std::uint64_t uid = NewServerUid();
};

inline constexpr std::size_t kServerRecSize = 2043;

// Field-by-field little-endian image of one record (no struct memcpy).
void EncodeServerRec(const Tserverrec& rec, std::uint8_t* out /* kServerRecSize */);
Tserverrec DecodeServerRec(const std::uint8_t* in /* kServerRecSize */);

using Tserverlist = std::vector<Tserverrec>;

}  // namespace zelmora
