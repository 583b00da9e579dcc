// Parsers for "print" replies to rcon commands: the console text, the map and
// configuration directory listings, and the table printed by "status".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// One client of the rcon "status" table:
//  0 client number, 1 name (colour codes kept), 2 ping, 3 GUID, 4 score,
//  5 lastmsg, 6 address (ip:port), 7 qport, 8 rate,
//  9 name remembered for the GUID, 10 provider, 11 country code,
//  12 country name, 13 flag index (decimal).
using Tstatusrow = std::array<std::string, 14>;
using Tstatusinfo = std::vector<Tstatusrow>;

// Console view lines of a reply: the text after the four leading bytes (at
// most 9999 characters), colour codes removed, split at line feeds. The first
// line is the keyword ("print"). A reply joined from several datagrams
// (replyjoin.h) is shown whole: its callers pass a larger limit.
constexpr std::size_t kDatagramTextLimit = 9999;
std::vector<std::string> ConsoleLines(std::string_view datagram,
                                      std::size_t limit = kDatagramTextLimit);

struct MapListing {
  std::vector<std::string> maps;  // file names in listing order
  // Index into maps of the entry to select: the last map whose name without
  // extension occurs in the server's map info, else 0; -1 when maps is empty.
  int chosen = -1;
  // Map file names whose picture is loaded, in order (the last one stays
  // shown; empty = picture unchanged).
  std::vector<std::string> picturesLoaded;
  // Listed names left out because they break the name rule (NameProblem in
  // core/commandrules.h), in listing order. Empty lines are left out too
  // but not reported: they never name a map.
  std::vector<std::string> leftOut;
};

// Map directory reply ("print\nDirectory of maps/mp ..."): the names between
// the dashes line and the last line (which is never used, so names after the
// last line feed of a datagram cut short are not taken). No value for any
// other datagram. limit: characters of the listing taken (a joined reply
// passes its whole length).
// A name is sent back to the server as it was listed ("map <name>"), so a
// name that breaks the name rule (a ";", a blank, a quote, ...) would let
// the server's text run as the operator's command: such names are not put
// in maps but in leftOut.
std::optional<MapListing> CheckMapListing(std::string_view datagram,
                                          std::string_view mapinfoOfReplyServer,
                                          std::size_t limit = kDatagramTextLimit);

// Lines to append to the configuration-file list: from a ".cfg" directory
// reply, or from a print reply whose first output line names a .cfg file (a
// continuation datagram of a listing, or the game's answer to "exec"). No
// value when the datagram is neither. limit as for CheckMapListing (the
// single datagram's own limit is 99999).
// As for maps, names that break the name rule are left out; when leftOut is
// given, they are appended to it (empty lines are dropped unreported). The
// game's answer to "exec" ("execing server.cfg") is such a line.
std::optional<std::vector<std::string>> CheckConfigListing(
    std::string_view datagram, std::size_t limit = 99999,
    std::vector<std::string>* leftOut = nullptr);

enum class ListingKind { Maps, Configs };

// The console line telling the operator that names of a listing were left
// out, or "" when none were. A UI text in UTF-8 (like the rule's messages);
// each name is shown in double quotes with every byte outside printable
// ASCII (and the backslash, double quote and colour caret "^") written as \xNN, so nothing the
// server sent can break or colour the line; at most 5 names of at most 64
// bytes each are shown, the rest counted. For example:
//   Eine vom Server gelistete Karte wurde ausgelassen, weil ihr Name nicht
//   zulässig ist: "mp_x;rcon_password owned"
std::string LeftOutNotice(ListingKind kind, const std::vector<std::string>& leftOut);

// Picture of a map, relative to the program folder:
// "mapimgs/<family>_<name>.jpg" ("\\" on Windows), the family being the
// protocol with 5 taken as 6, 21 as 22 and 118 as 117. Gives "" when the map
// name holds a path separator, a drive colon or a control character (a
// server's text must not point outside the picture folder).
std::string MapPictureFile(std::uint8_t protocolOfSelected, std::string_view mapFile);
// The picture shown when the map has none of its own.
std::string MapPictureFallback();

// The part of "ip:port" before the first colon; a text without colon whole.
std::string AddressIp(std::string_view address);

// Parses an assembled status output into rows (fields 0 to 8). Rows already
// present are emptied first. Fewer than 3 lines give no rows; 3 or 4 lines are
// malformed: the rows keep their count with all fields empty and the result
// is false. A row whose only "^" is its last character (or that has none)
// keeps fields 0, 2, 3 and 4 and leaves the name and the words empty.
// The columns follow the header line: the Call of Duty header ("num score
// ping guid name lastmsg address qport rate") and any header naming a column
// not in that list give the fixed Call of Duty positions; another header of
// those names (ioquake3: "cl score ping name address rate") gives the
// columns it has, placed by its line of dashes, and leaves the others empty.
bool ParseStatusInfo(std::string_view text, Tstatusinfo& rows);

// What the address cache knows about an ip.
struct AddressInfo {
  std::string provider;
  std::string cc;
  std::string country;
  std::int32_t flag = 0;
};

// Lookups that fill fields 9 to 13 of a parsed table.
struct StatusLookups {
  // Name remembered for a GUID (the last matching record), or no value.
  std::function<std::optional<std::string>(const std::string& guid)> guidName;
  // Cache record for an ip (cut to 25 characters, as the cache keeps it; the
  // last matching record), or no value.
  std::function<std::optional<AddressInfo>(const std::string& ip)> address;
  // Called with the ip cut to 25 characters when the cache has no record
  // for it, so the provider resolver can pick it up.
  std::function<void(const std::string& ip25)> addUnknown;
};

// Fills field 9 from the GUID lookup and fields 10 to 13 from the address
// lookup; an address not in the cache is reported through addUnknown. Rows
// without an address (field 6 empty) are not looked up by address. Call it
// only after ParseStatusInfo succeeded. Missing callbacks are skipped.
void ApplyStatusLookups(Tstatusinfo& rows, const StatusLookups& lookups);

// Convenience for vector-like caches whose records have the members ip,
// provider, cc, country and flag and can be brace-built from an ip: looks
// up the last matching record and appends unknown ips cut to 25 characters.
template <class Cache>
StatusLookups CacheLookups(
    Cache& cache,
    std::function<std::optional<std::string>(const std::string&)> guidName = nullptr) {
  StatusLookups l;
  l.guidName = std::move(guidName);
  l.address = [&cache](const std::string& ip) -> std::optional<AddressInfo> {
    std::optional<AddressInfo> found;
    for (const auto& r : cache)
      if (r.ip == ip) found = AddressInfo{r.provider, r.cc, r.country, r.flag};
    return found;
  };
  l.addUnknown = [&cache](const std::string& ip25) {
    typename Cache::value_type rec{};
    rec.ip = ip25;
    cache.push_back(std::move(rec));
  };
  return l;
}

// The status poll's datagrams put back together (headers stripped, the one
// with the map line first).
struct StatusAssembly {
  bool found = false;   // a datagram starting "print\nmap:" was there
  bool single = false;  // it was the only datagram
  std::string table;
};
StatusAssembly AssembleStatusTable(const std::vector<std::string>& datagrams);

}  // namespace zelmora
